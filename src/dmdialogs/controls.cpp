#include "controls.h"

#include "guarded.h"

#include <QEvent>
#include <QHelpEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>
#include <QToolTip>
#include <algorithm>

TPanel::TPanel(QWidget* AParent) : QWidget(AParent) {}

void TPanel::SetColor(const QColor& AColor)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, AColor);
    setPalette(pal);
    setAutoFillBackground(true);
}

void TPanel::AddAligned(QWidget* AControl, TAlign AAlign, int AExtent, const QMargins& AMargins)
{
    if (AControl->parentWidget() != this)
        AControl->setParent(this);
    FEntries.push_back({AControl, AAlign, AExtent, AMargins});
    AControl->installEventFilter(this);
    if (!(AControl->testAttribute(Qt::WA_WState_ExplicitShowHide) && AControl->isHidden()))
        AControl->show();
    Realign();
}

const TPanel::TEntry* TPanel::Find(const QWidget* AControl) const
{
    for (const TEntry& e : FEntries)
        if (e.Control == AControl)
            return &e;
    return nullptr;
}

int TPanel::Extent(const QWidget* AControl) const
{
    const TEntry* e = Find(AControl);
    return e ? e->Extent : 0;
}

void TPanel::SetExtent(QWidget* AControl, int AExtent)
{
    for (TEntry& e : FEntries) {
        if (e.Control == AControl) {
            e.Extent = AExtent;
            Realign();
            return;
        }
    }
}

TAlign TPanel::AlignOf(const QWidget* AControl) const
{
    const TEntry* e = Find(AControl);
    return e ? e->Align : alNone;
}

int TPanel::ClientSpace(bool AHorizontal) const
{
    for (const TEntry& e : FEntries)
        if (e.Control && e.Align == alClient && !e.Control->isHidden())
            return AHorizontal ? e.Control->width() : e.Control->height();
    return 0;
}

int TPanel::StackedHeight() const
{
    int h = 0;
    for (const TEntry& e : FEntries)
        if (e.Control && !e.Control->isHidden() && (e.Align == alTop || e.Align == alBottom))
            h += e.Extent + e.Margins.top() + e.Margins.bottom();
    return h;
}

QSize TPanel::minimumSizeHint() const
{
    if (FStackHint)
        return QSize(0, StackedHeight());
    return QSize(0, 0);
}

QSize TPanel::sizeHint() const
{
    if (FStackHint)
        return QSize(0, StackedHeight());
    return QWidget::sizeHint();
}

std::vector<int> TPanel::PlacedSizes() const
{
    std::vector<int> sizes(FEntries.size(), 0);
    bool fill = false;
    for (size_t i = 0; i < FEntries.size(); ++i) {
        const TEntry& e = FEntries[i];
        if (!e.Control || e.Control->isHidden())
            continue;
        const bool across = e.Align == alTop || e.Align == alBottom;
        sizes[i] = e.Extent + (across ? e.Margins.top() + e.Margins.bottom()
                                      : e.Margins.left() + e.Margins.right());
        fill = fill || e.Align == alClient;
    }
    if (FKeepMinimum <= 0)
        return sizes;
    // Top and bottom strips share the height, left and right strips the width that the
    // top and bottom ones leave.
    for (const bool across : {true, false}) {
        const int room = across ? height() : width();
        int used = fill ? FKeepMinimum : 0, slack = 0;
        for (size_t i = 0; i < FEntries.size(); ++i) {
            const TAlign a = FEntries[i].Align;
            if ((a == alTop || a == alBottom) != across || a == alClient || a == alNone)
                continue;
            used += sizes[i];
            slack += std::max(0, sizes[i] - FKeepMinimum);
        }
        int cut = std::min(used - room, slack);
        if (cut <= 0)
            continue;
        const int total = cut;
        for (size_t i = 0; i < FEntries.size() && cut > 0; ++i) {
            const TAlign a = FEntries[i].Align;
            if ((a == alTop || a == alBottom) != across || a == alClient || a == alNone)
                continue;
            const int excess = std::max(0, sizes[i] - FKeepMinimum);
            const int share = std::min({cut, excess, (excess * total + slack - 1) / slack});
            sizes[i] -= share;
            cut -= share;
        }
    }
    return sizes;
}

void TPanel::Realign()
{
    // Top, bottom, left and right in turn take their strip from the space that is left; the
    // fill control gets the rest.
    QRect free = rect();
    const std::vector<int> sizes = PlacedSizes();
    const TAlign order[] = {alTop, alBottom, alLeft, alRight, alClient};
    for (TAlign a : order) {
        for (size_t i = 0; i < FEntries.size(); ++i) {
            TEntry& e = FEntries[i];
            QWidget* w = e.Control;
            if (!w || e.Align != a || w->isHidden())
                continue;
            QRect r;
            const QMargins& m = e.Margins;
            const int size = sizes[i];
            switch (a) {
            case alTop:
                r = QRect(free.left(), free.top(), free.width(), size);
                free.setTop(free.top() + r.height());
                break;
            case alBottom:
                r = QRect(free.left(), free.bottom() + 1 - size, free.width(), size);
                free.setBottom(free.bottom() - r.height());
                break;
            case alLeft:
                r = QRect(free.left(), free.top(), size, free.height());
                free.setLeft(free.left() + r.width());
                break;
            case alRight:
                r = QRect(free.right() + 1 - size, free.top(), size, free.height());
                free.setRight(free.right() - r.width());
                break;
            default:
                r = free;
                break;
            }
            r = r.marginsRemoved(m);
            w->setGeometry(r.x(), r.y(), std::max(0, r.width()), std::max(0, r.height()));
        }
    }
}

void TPanel::resizeEvent(QResizeEvent* AEvent)
{
    QWidget::resizeEvent(AEvent);
    Realign();
}

bool TPanel::eventFilter(QObject* AWatched, QEvent* AEvent)
{
    if ((AEvent->type() == QEvent::ShowToParent || AEvent->type() == QEvent::HideToParent) &&
        AWatched->parent() == this) {
        Realign();
        if (FStackHint)
            updateGeometry();
    }
    return QWidget::eventFilter(AWatched, AEvent);
}

TSplitter::TSplitter(TPanel* AParent, QWidget* ATarget, TAlign AAlign)
    : QWidget(AParent), FPanel(AParent), FTarget(ATarget), FAlign(AAlign)
{
    setCursor(AAlign == alTop || AAlign == alBottom ? Qt::SizeVerCursor : Qt::SizeHorCursor);
}

void TSplitter::mousePressEvent(QMouseEvent* AEvent)
{
    if (AEvent->button() != Qt::LeftButton || !FTarget)
        return;
    const bool horizontal = FAlign == alLeft || FAlign == alRight;
    FDragging = true;
    // Positions are taken in the panel's coordinates, which stay put while the bar moves.
    const QPoint p = mapToParent(AEvent->position().toPoint());
    FStartPos = horizontal ? p.x() : p.y();
    FStartExtent = FPanel->Extent(FTarget);
    FMaxExtent = FStartExtent + FPanel->ClientSpace(horizontal);
}

void TSplitter::mouseMoveEvent(QMouseEvent* AEvent)
{
    if (!FDragging || !FTarget)
        return;
    const bool horizontal = FAlign == alLeft || FAlign == alRight;
    const QPoint p = mapToParent(AEvent->position().toPoint());
    const int pos = horizontal ? p.x() : p.y();
    int delta = pos - FStartPos;
    if (FAlign == alRight || FAlign == alBottom)
        delta = -delta;
    int extent = std::max(MinSize, FStartExtent + delta);
    if (FMaxExtent > MinSize)
        extent = std::min(extent, FMaxExtent);
    FPanel->SetExtent(FTarget, extent);
}

void TSplitter::mouseReleaseEvent(QMouseEvent* AEvent)
{
    if (AEvent->button() != Qt::LeftButton || !FDragging)
        return;
    mouseMoveEvent(AEvent);
    FDragging = false;
    if (OnMoved)
        RunGuarded([this] { OnMoved(this); });
}

void TSplitter::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
}

TScrollBox::TScrollBox(QWidget* AParent) : QScrollArea(AParent), FContent(new TPanel)
{
    setFrameShape(QFrame::NoFrame);
    FContent->FStackHint = true;
    setWidget(FContent);
    setWidgetResizable(true);
}

void TScrollBox::SetColor(const QColor& AColor)
{
    FContent->SetColor(AColor);
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Window, AColor);
    viewport()->setPalette(pal);
    viewport()->setAutoFillBackground(true);
}

void TScrollBox::AddRow(QWidget* ARow, int AHeight)
{
    FContent->AddAligned(ARow, alTop, AHeight);
    FitContent();
}

void TScrollBox::FitContent()
{
    FContent->updateGeometry();
    // Sized at once, so the scroll range is right before the next layout pass.
    if (widgetResizable())
        FContent->resize(viewport()->width(),
                         std::max(viewport()->height(), FContent->StackedHeight()));
}

void TScrollBox::ClearRows()
{
    for (TPanel::TEntry& e : FContent->FEntries) {
        if (!e.Control)
            continue;
        e.Control->removeEventFilter(FContent);
        e.Control->hide();
        FGraveyard.push_back(e.Control);
    }
    FContent->FEntries.clear();
    FitContent();
    if (FBusy == 0)
        QTimer::singleShot(0, this, [this] { Sweep(); });
}

int TScrollBox::RowCount() const
{
    return static_cast<int>(FContent->FEntries.size());
}

std::vector<QWidget*> TScrollBox::Rows() const
{
    std::vector<QWidget*> rows;
    for (const TPanel::TEntry& e : FContent->FEntries)
        if (e.Control)
            rows.push_back(e.Control);
    return rows;
}

void TScrollBox::Sweep()
{
    if (FBusy > 0)
        return;
    std::vector<QPointer<QWidget>> dead;
    dead.swap(FGraveyard);
    for (QPointer<QWidget>& w : dead)
        if (w)
            w->deleteLater();
}

TScrollBox::TRowHandlerGuard::TRowHandlerGuard(TScrollBox* ABox) : FBox(ABox)
{
    ++FBox->FBusy;
}

TScrollBox::TRowHandlerGuard::~TRowHandlerGuard()
{
    if (!FBox)
        return;
    if (--FBox->FBusy == 0 && !FBox->FGraveyard.empty()) {
        TScrollBox* box = FBox;
        QTimer::singleShot(0, box, [box] { box->Sweep(); });
    }
}

TClickLabel::TClickLabel(const QString& AText, QWidget* AParent) : QLabel(AParent)
{
    setTextFormat(Qt::PlainText);
    setText(AText);
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* AEvent)
{
    QLabel::mouseReleaseEvent(AEvent);
    if (AEvent->button() == Qt::LeftButton && rect().contains(AEvent->position().toPoint()) &&
        OnClick)
        RunGuarded([this] { OnClick(); });
}

TFitLabel::TFitLabel(const QString& ABreakAt, QWidget* AParent)
    : QLabel(AParent), FBreakAt(ABreakAt)
{
    setTextFormat(Qt::PlainText);
}

QString TFitLabel::ShownText() const
{
    const QString whole = text();
    const QRect room = contentsRect();
    const QFontMetrics fm(font());
    if (fm.horizontalAdvance(whole) <= room.width() || whole.isEmpty())
        return whole;
    if (!FBreakAt.isEmpty() && whole.contains(FBreakAt)) {
        const QStringList lines = whole.split(FBreakAt);
        const bool fits = std::all_of(lines.begin(), lines.end(), [&](const QString& ALine) {
            return fm.horizontalAdvance(ALine) <= room.width();
        });
        if (fits && (lines.size() - 1) * fm.lineSpacing() + fm.height() <= room.height())
            return lines.join(u'\n');
    }
    return fm.elidedText(whole, Qt::ElideRight, room.width());
}

namespace {

// Draws AText, the label's text as it fits, where the label would draw its own.
void PaintShownText(QLabel* ALabel, const QString& AText)
{
    QPainter painter(ALabel);
    ALabel->style()->drawItemText(&painter, ALabel->contentsRect(), int(ALabel->alignment()),
                                  ALabel->palette(), ALabel->isEnabled(), AText,
                                  ALabel->foregroundRole());
}

} // namespace

void TFitLabel::paintEvent(QPaintEvent*)
{
    RunGuarded([this] { PaintShownText(this, ShownText()); });
}

bool TFitLabel::event(QEvent* AEvent)
{
    return RunGuarded(false, [&] {
        if (AEvent->type() == QEvent::ToolTip && toolTip().isEmpty()) {
            const QString shown = ShownText();
            if (shown.contains(u'\n') || shown == text()) {
                QToolTip::hideText();
            } else {
                QToolTip::showText(static_cast<QHelpEvent*>(AEvent)->globalPos(),
                                   Qt::convertFromPlainText(text(), Qt::WhiteSpaceNormal), this);
            }
            return true;
        }
        return QLabel::event(AEvent);
    });
}

QString TClickLabel::ShownText() const
{
    const QRect room = contentsRect();
    const QFontMetrics fm(font());
    if (!wordWrap())
        return fm.elidedText(text(), Qt::ElideRight, room.width());
    QString body = text();
    body.replace(u'\n', QChar::LineSeparator);
    QTextLayout layout(body, font());
    layout.beginLayout();
    QStringList lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(room.width());
        const int top = int(lines.size()) * fm.lineSpacing();
        const bool roomForNext = top + fm.lineSpacing() + fm.height() <= room.height();
        QString shown = body.mid(line.textStart(), line.textLength()).remove(QChar::LineSeparator);
        while (!shown.isEmpty() && shown.back().isSpace())
            shown.chop(1);
        const bool more = line.textStart() + line.textLength() < body.size();
        if (more && !roomForNext) {
            // The last line that fits takes the rest of the text, cut with an ellipsis.
            shown = body.mid(line.textStart()).replace(QChar::LineSeparator, u' ');
            while (!shown.isEmpty() && shown.back().isSpace())
                shown.chop(1);
            lines << fm.elidedText(shown + QStringLiteral(" \u2026"), Qt::ElideRight, room.width());
            break;
        }
        lines << shown;
    }
    layout.endLayout();
    return lines.join(u'\n');
}

void TClickLabel::paintEvent(QPaintEvent*)
{
    RunGuarded([this] { PaintShownText(this, ShownText()); });
}

QLabel* NewPlainLabel(const QString& AText, QWidget* AParent)
{
    auto* label = new QLabel(AParent);
    label->setTextFormat(Qt::PlainText);
    label->setText(AText);
    return label;
}

void SetTextColour(QWidget* AWidget, const QColor& AColour)
{
    QPalette pal = AWidget->palette();
    pal.setColor(QPalette::WindowText, AColour);
    AWidget->setPalette(pal);
}

QWidget* NewColourStrip(const QColor& AColour, QWidget* AParent)
{
    auto* strip = new QWidget(AParent);
    QPalette pal = strip->palette();
    pal.setColor(QPalette::Window, AColour);
    strip->setPalette(pal);
    strip->setAutoFillBackground(true);
    return strip;
}

void AddRowSeparator(TPanel* ARow, const QColor& ABack, const QColor& ALine)
{
    ARow->AddAligned(NewColourStrip(ABack, ARow), alBottom, 2);
    ARow->AddAligned(NewColourStrip(ALine, ARow), alBottom, 1);
    ARow->AddAligned(NewColourStrip(ABack, ARow), alBottom, 2);
}

TPaneHeader NewPaneHeader(QWidget* AParent, const QString& ACaption, const QString& AButtonCaption,
                          const QString& AButtonTip, int AButtonWidth)
{
    TPaneHeader header;
    header.Panel = new TPanel(AParent);
    header.Panel->SetColor(QColor(232, 232, 232));
    header.Button = new QPushButton(AButtonCaption, header.Panel);
    header.Button->setToolTip(AButtonTip);
    header.Panel->AddAligned(header.Button, alRight, AButtonWidth);
    header.Label = NewPlainLabel(ACaption, header.Panel);
    QFont bold = header.Label->font();
    bold.setBold(true);
    header.Label->setFont(bold);
    header.Label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header.Panel->AddAligned(header.Label, alClient);
    return header;
}

void OnRowSelected(QListWidget* AList, QObject* AContext,
                   std::function<void(QListWidgetItem* AItem)> AHandler)
{
    QObject::connect(AList->selectionModel(), &QItemSelectionModel::selectionChanged, AContext,
                     Guarded([AList, AHandler](const QItemSelection& ASelected) {
                         if (!ASelected.indexes().isEmpty())
                             AHandler(AList->item(ASelected.indexes().first().row()));
                     }));
}

QListWidgetItem* SelectedRow(const QListWidget* AList)
{
    const QList<QListWidgetItem*> items = AList->selectedItems();
    return items.isEmpty() ? nullptr : items.first();
}
