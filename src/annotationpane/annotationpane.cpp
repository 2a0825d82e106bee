#include "annotationpane.h"

#include "database.h"
#include "dlgseam.h"
#include "dmdialogs.h"
#include "guarded.h"

#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QTimer>

namespace {

const QColor PaneColour(244, 244, 244);

} // namespace

QColor TAnnotationPane::RowColour()
{
    return PaneColour;
}

QColor TAnnotationPane::FlashColour()
{
    return QColor(255, 224, 160);
}

TAnnotationPane::TAnnotationPane(QWidget* AOwner) : TPanel(AOwner)
{
    SetColor(PaneColour);
    const TPaneHeader header = NewPaneHeader(
        this, QStringLiteral(" Annotations"), QStringLiteral("+ Note"),
        QStringLiteral("Select text in the note, then click to attach an annotation"), 66);
    FHeader = header.Panel;
    FHeaderLabel = header.Label;
    FInsertAnnotBtn = header.Button;
    AddAligned(FHeader, alTop, 26);
    FScrollBox = new TScrollBox(this);
    FScrollBox->SetColor(PaneColour);
    AddAligned(FScrollBox, alClient);
    FFlashTimer = new QTimer(this);
    FFlashTimer->setInterval(600);
    FFlashTimer->setSingleShot(true);
    connect(FFlashTimer, &QTimer::timeout, this, Guarded([this] { FlashTimerTick(); }));
    connect(FInsertAnnotBtn, &QPushButton::clicked, this, Guarded([this] {
                if (OnInsertAnnotationRequest)
                    OnInsertAnnotationRequest(this);
            }));
}

QWidget* TAnnotationPane::RowPanel(int AIndex) const
{
    if (AIndex < 0 || AIndex >= static_cast<int>(FRowPanels.size()))
        return nullptr;
    return FRowPanels[AIndex];
}

void TAnnotationPane::ClearRows()
{
    FFlashTimer->stop();
    FFlashPanel = nullptr;
    FScrollBox->ClearRows();
    FRowIds.clear();
    FRowSpanIds.clear();
    FRowPanels.clear();
}

void TAnnotationPane::Clear()
{
    ClearRows();
    FNoteId = 0;
}

void TAnnotationPane::Refresh(int64_t ANoteId)
{
    FNoteId = ANoteId;
    ReloadRows();
}

void TAnnotationPane::ReloadRows()
{
    ClearRows();
    if (FNoteId == 0)
        return;
    const TAnnotationArray annotations = AppDB->GetAnnotationsByNote(FNoteId);
    FRowPanels.resize(annotations.size());
    for (const TAnnotation& a : annotations) {
        FRowIds.push_back(a.Id);
        FRowSpanIds.push_back(a.SpanId);
    }
    // Newest first on screen: the store lists them oldest first.
    for (int i = static_cast<int>(annotations.size()) - 1; i >= 0; --i)
        AddRow(i, annotations[i]);
}

void TAnnotationPane::QueueReload()
{
    QTimer::singleShot(0, this, Guarded([this] { ReloadRows(); }));
}

void TAnnotationPane::AddRow(int AIndex, const TAnnotation& AAnnotation)
{
    const int ppi = ScreenPPI();
    auto S = [ppi](int v) { return ScaleBy(v, ppi); };
    auto* row = new TPanel;
    row->SetColor(PaneColour);
    row->setCursor(Qt::PointingHandCursor);
    row->setProperty("rowIndex", AIndex);
    auto* snippet = new TClickLabel(u'"' + AAnnotation.Snippet + u'"', row);
    QFont small = snippet->font();
    small.setItalic(true);
    small.setPointSize(8);
    snippet->setFont(small);
    SetTextColour(snippet, QColor(136, 136, 136));
    snippet->setCursor(Qt::PointingHandCursor);
    row->AddAligned(snippet, alTop, S(20));
    AddRowSeparator(row, PaneColour, QColor(204, 204, 204));
    auto* del = new QPushButton(QStringLiteral("\u2715"), row);
    row->AddAligned(del, alRight, S(26));
    auto* edit = new QPushButton(QStringLiteral("\u270E"), row);
    row->AddAligned(edit, alRight, S(26));
    auto* text = new TClickLabel(u' ' + AAnnotation.Body, row);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setWordWrap(true);
    // The row shows about three lines; the whole text, as plain text, is in the tool tip.
    if (!AAnnotation.Body.trimmed().isEmpty())
        text->setToolTip(Qt::convertFromPlainText(AAnnotation.Body, Qt::WhiteSpaceNormal));
    text->setCursor(Qt::PointingHandCursor);
    row->AddAligned(text, alClient);
    snippet->OnClick = [this, AIndex] { RowClick(AIndex); };
    text->OnClick = [this, AIndex] { RowClick(AIndex); };
    row->installEventFilter(this);
    connect(edit, &QPushButton::clicked, this, Guarded([this, AIndex] { EditClick(AIndex); }));
    connect(del, &QPushButton::clicked, this, Guarded([this, AIndex] { DeleteClick(AIndex); }));
    FRowPanels[AIndex] = row;
    FScrollBox->AddRow(row, S(58));
}

bool TAnnotationPane::eventFilter(QObject* AWatched, QEvent* AEvent)
{
    return RunGuarded(true, [&] {
        if (AEvent->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(AEvent)->button() == Qt::LeftButton &&
            AWatched->property("rowIndex").isValid()) {
            RowClick(AWatched->property("rowIndex").toInt());
            return true;
        }
        return TPanel::eventFilter(AWatched, AEvent);
    });
}

void TAnnotationPane::RowClick(int AIndex)
{
    if (AIndex < 0 || AIndex >= RowCount() || !OnAnnotAction)
        return;
    TScrollBox::TRowHandlerGuard guard(FScrollBox);
    const int64_t id = FRowIds[AIndex];
    const QString spanId = FRowSpanIds[AIndex];
    OnAnnotAction(this, id, spanId, QStringLiteral("scroll"));
}

void TAnnotationPane::EditClick(int AIndex)
{
    if (AIndex < 0 || AIndex >= RowCount())
        return;
    TScrollBox::TRowHandlerGuard guard(FScrollBox);
    // Copied before the dialog: rows may be rebuilt while it is open.
    const int64_t id = FRowIds[AIndex];
    QString current;
    for (const TAnnotation& a : AppDB->GetAnnotationsByNote(FNoteId))
        if (a.Id == id) {
            current = a.Body;
            break;
        }
    QString text;
    if (!MemoInputDlg(QStringLiteral("Edit Annotation"), QStringLiteral("Annotation note:"),
                      current, text))
        return;
    AppDB->UpdateAnnotation(id, text);
    QueueReload();
}

void TAnnotationPane::DeleteClick(int AIndex)
{
    if (AIndex < 0 || AIndex >= RowCount())
        return;
    TScrollBox::TRowHandlerGuard guard(FScrollBox);
    const int64_t id = FRowIds[AIndex];
    const QString spanId = FRowSpanIds[AIndex];
    if (!ConfirmDlg(QStringLiteral("Delete Annotation"),
                    QStringLiteral("Delete this annotation note?\r\nThe annotated passage will "
                                   "remain; only the research note is removed.")))
        return;
    if (OnAnnotAction)
        OnAnnotAction(this, id, spanId, QStringLiteral("remove"));
    AppDB->DeleteAnnotation(id);
    QueueReload();
}

void TAnnotationPane::ScrollToRow(const QString& ASpanId)
{
    int index = -1;
    for (int i = 0; i < RowCount(); ++i)
        if (FRowSpanIds[i] == ASpanId) {
            index = i;
            break;
        }
    if (index < 0 || !FRowPanels[index])
        return;
    TPanel* row = FRowPanels[index];
    FScrollBox->Content()->Realign();
    const int pos = std::max(0, row->y() - (FScrollBox->viewport()->height() - row->height()) / 2);
    FScrollBox->verticalScrollBar()->setValue(pos);
    FFlashTimer->stop();
    if (FFlashPanel)
        FFlashPanel->SetColor(PaneColour);
    FFlashPanel = row;
    row->SetColor(FlashColour());
    FFlashTimer->start();
}

void TAnnotationPane::FlashTimerTick()
{
    FFlashTimer->stop();
    if (FFlashPanel)
        FFlashPanel->SetColor(PaneColour);
    FFlashPanel = nullptr;
}
