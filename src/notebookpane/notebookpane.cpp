#include "notebookpane.h"

#include "database.h"
#include "dlgseam.h"
#include "dmdialogs.h"
#include "guarded.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScopeGuard>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cmath>

namespace {

const QColor PaneColour(51, 54, 63);
const QColor HeaderColour(36, 39, 47);
const QColor SelectedColour(67, 80, 101);
const QColor TriangleColour(168, 176, 192);
const QColor SeparatorColour(71, 74, 77);

int Nearest(double AValue)
{
    return static_cast<int>(std::nearbyint(AValue));
}

// Draws the rows of both lists: fill, triangle of a parent, indented caption, separator.
class TNbItemDelegate : public QStyledItemDelegate
{
public:
    TNbItemDelegate(bool ANotebooks, int APPI, QObject* AParent)
        : QStyledItemDelegate(AParent), FNotebooks(ANotebooks), FPPI(APPI)
    {}

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return QSize(100, 32 * FPPI / 96);
    }

    void paint(QPainter* APainter, const QStyleOptionViewItem& AOption,
               const QModelIndex& AIndex) const override
    {
        const double scale = FPPI / 96.0;
        const QRect r = AOption.rect;
        const bool selected = AOption.state & QStyle::State_Selected;
        APainter->save();
        APainter->fillRect(r, selected ? SelectedColour : PaneColour);
        const int kind = FNotebooks ? AIndex.data(NbRowKindRole).toInt() : 0;
        if (kind == 1) {
            const int cy = r.top() + r.height() / 2;
            const int t = std::max(3, Nearest(5 * scale));
            APainter->setBrush(TriangleColour);
            APainter->setPen(TriangleColour);
            const int64_t id = AIndex.data(NbIdRole).toLongLong();
            const auto* pane = qobject_cast<const QListWidget*>(AOption.widget);
            const auto* owner =
                pane ? dynamic_cast<const TNotebookPane*>(pane->parentWidget()) : nullptr;
            QPolygon tri;
            if (owner && owner->IsCollapsed(id)) {
                const int l = r.left() + Nearest(5 * scale);
                tri << QPoint(l, cy - t) << QPoint(l, cy + t) << QPoint(l + 2 * t, cy);
            } else {
                const int l = r.left() + Nearest(4 * scale);
                const int y0 = cy - t + Nearest(2 * scale);
                tri << QPoint(l, y0) << QPoint(l + 2 * t, y0) << QPoint(l + t, cy + t);
            }
            APainter->drawPolygon(tri);
        }
        QFont font = AOption.font;
        font.setPointSize(10);
        APainter->setFont(font);
        const QFontMetrics fm(font);
        const int x = r.left() + Nearest(scale * (kind == 2 ? 28 : kind == 1 ? 18 : 8));
        const int y = r.top() + (r.height() - fm.height()) / 2;
        const QRect textRect(x, y, r.right() - x, fm.height());
        APainter->setPen(Qt::white);
        APainter->setClipRect(r);
        APainter->drawText(textRect, Qt::AlignLeft | Qt::TextSingleLine,
                           fm.elidedText(AIndex.data(Qt::DisplayRole).toString(), Qt::ElideRight,
                                         textRect.width()));
        APainter->setPen(SeparatorColour);
        const int clientW = AOption.widget ? AOption.widget->width() : r.right();
        APainter->drawLine(r.left(), r.bottom(), clientW + 1, r.bottom());
        APainter->restore();
    }

private:
    bool FNotebooks;
    int FPPI;
};

QListWidget* NewList(QWidget* AParent, bool ANotebooks, int APPI)
{
    auto* list = new QListWidget(AParent);
    list->setFrameShape(QFrame::NoFrame);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setUniformItemSizes(true);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setItemDelegate(new TNbItemDelegate(ANotebooks, APPI, list));
    QPalette pal = list->palette();
    pal.setColor(QPalette::Base, PaneColour);
    pal.setColor(QPalette::Text, Qt::white);
    list->setPalette(pal);
    return list;
}

QLabel* NewHeader(const QString& ACaption, QWidget* AParent)
{
    QLabel* header = NewPlainLabel(ACaption, AParent);
    header->setAutoFillBackground(true);
    QPalette pal = header->palette();
    pal.setColor(QPalette::Window, HeaderColour);
    pal.setColor(QPalette::WindowText, Qt::white);
    header->setPalette(pal);
    QFont font = header->font();
    font.setBold(true);
    font.setPointSize(10);
    header->setFont(font);
    header->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return header;
}

} // namespace

QString RowCaption(const QString& AName, int ACount)
{
    return AName + QStringLiteral(" (") + QString::number(ACount) + u')';
}

QString RenameDefault(const QString& ACaption)
{
    QString text = TrimText(ACaption);
    const qsizetype p = text.lastIndexOf(u'(');
    if (p > 0 && text.endsWith(u')')) {
        text = text.left(p);
        while (!text.isEmpty() && text.back().unicode() <= 0x20)
            text.chop(1);
    }
    return text;
}

TNotebookPane::TNotebookPane(QWidget* AOwner) : TPanel(AOwner), FPPI(ScreenPPI())
{
    SetColor(PaneColour);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
    QFont paneFont = font();
    paneFont.setPointSize(10);
    setFont(paneFont);

    AddAligned(NewHeader(QStringLiteral(" Notebooks"), this), alTop, 28);
    FNotebookList = NewList(this, true, FPPI);
    AddAligned(FNotebookList, alTop, 240);
    FSplitter = new TSplitter(this, FNotebookList, alTop);
    QPalette spal = FSplitter->palette();
    spal.setColor(QPalette::Window, HeaderColour);
    FSplitter->setPalette(spal);
    AddAligned(FSplitter, alTop, 5);
    FTagsHeader = NewHeader(QStringLiteral(" Note Tags"), this);
    AddAligned(FTagsHeader, alTop, 28);
    auto* tagPanel = new TPanel(this);
    tagPanel->SetColor(PaneColour);
    FTagList = NewList(tagPanel, false, FPPI);
    tagPanel->AddAligned(FTagList, alClient);
    AddAligned(tagPanel, alClient);

    FNotebookList->viewport()->installEventFilter(this);
    OnRowSelected(FNotebookList, this,
                  [this](QListWidgetItem* AItem) { NotebookListSelectItem(AItem); });
    OnRowSelected(FTagList, this, [this](QListWidgetItem* AItem) { TagListSelectItem(AItem); });
    connect(FNotebookList, &QListWidget::itemDoubleClicked, this,
            Guarded([this](QListWidgetItem*) { MenuRenameNotebook(); }));
    BuildNotebookMenu();
}

void TNotebookPane::BuildNotebookMenu()
{
    FNotebookMenu = new QMenu(this);
    connect(FNotebookMenu->addAction(QStringLiteral("New Notebook")), &QAction::triggered, this,
            Guarded([this] { MenuNewNotebook(); }));
    FMenuNewSubNotebook = FNotebookMenu->addAction(QStringLiteral("New Sub-Notebook"));
    FMenuNewSubNotebook->setEnabled(false);
    connect(FMenuNewSubNotebook, &QAction::triggered, this,
            Guarded([this] { MenuNewSubNotebook(); }));
    connect(FNotebookMenu->addAction(QStringLiteral("Rename")), &QAction::triggered, this,
            Guarded([this] { MenuRenameNotebook(); }));
    FNotebookMenu->addSeparator();
    connect(FNotebookMenu->addAction(QStringLiteral("Delete")), &QAction::triggered, this,
            Guarded([this] { MenuDeleteNotebook(); }));
    FNotebookList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(FNotebookList, &QWidget::customContextMenuRequested, this,
            Guarded([this](const QPoint& APos) {
                FNotebookMenu->popup(FNotebookList->viewport()->mapToGlobal(APos));
            }));
}

int TNotebookPane::NotebookListHeight() const
{
    return Extent(FNotebookList);
}

void TNotebookPane::SetNotebookListHeight(int AHeight)
{
    SetExtent(FNotebookList, AHeight);
}

bool TNotebookPane::IsCollapsed(int64_t AId) const
{
    return std::find(FCollapsedIds.begin(), FCollapsedIds.end(), AId) != FCollapsedIds.end();
}

void TNotebookPane::ToggleCollapsed(int64_t AId)
{
    auto it = std::find(FCollapsedIds.begin(), FCollapsedIds.end(), AId);
    if (it != FCollapsedIds.end())
        FCollapsedIds.erase(it);
    else
        FCollapsedIds.push_back(AId);
}

void TNotebookPane::RefreshNotebooks()
{
    const int64_t selId = FSelectedNotebookId;
    const TNotebookArray notebooks = AppDB->GetNotebooks();
    struct TRow
    {
        QString Caption;
        int64_t Id;
        int Kind;
    };
    std::vector<TRow> rows;
    for (const TNotebook& nb : notebooks) {
        if (nb.ParentId != 0)
            continue;
        const size_t parentRow = rows.size();
        rows.push_back({RowCaption(nb.Name, nb.NoteCount), nb.Id, 0});
        const bool collapsed = IsCollapsed(nb.Id);
        for (const TNotebook& child : notebooks) {
            if (child.ParentId != nb.Id)
                continue;
            rows[parentRow].Kind = 1;
            if (!collapsed)
                rows.push_back({RowCaption(child.Name, child.NoteCount), child.Id, 2});
        }
    }
    {
        FNotebookList->setUpdatesEnabled(false);
        auto endUpdate = qScopeGuard([this] { FNotebookList->setUpdatesEnabled(true); });
        FNotebookList->clear();
        for (const TRow& row : rows) {
            auto* item = new QListWidgetItem(row.Caption);
            item->setData(NbIdRole, QVariant::fromValue<qint64>(row.Id));
            item->setData(NbRowKindRole, row.Kind);
            FNotebookList->addItem(item);
        }
    }
    if (selId > 0) {
        FInRefresh = true;
        auto done = qScopeGuard([this] { FInRefresh = false; });
        SelectNotebook(selId);
    }
}

void TNotebookPane::RefreshTags()
{
    const TNoteTagArray tags = AppDB->GetAllNoteTags();
    FTagList->setUpdatesEnabled(false);
    auto endUpdate = qScopeGuard([this] { FTagList->setUpdatesEnabled(true); });
    FTagList->clear();
    for (const TNoteTag& tag : tags) {
        auto* item = new QListWidgetItem(RowCaption(tag.Name, tag.NoteCount));
        item->setData(NbIdRole, QVariant::fromValue<qint64>(tag.Id));
        FTagList->addItem(item);
    }
}

void TNotebookPane::SelectNotebook(int64_t AId)
{
    for (int i = 0; i < FNotebookList->count(); ++i) {
        QListWidgetItem* item = FNotebookList->item(i);
        if (item->data(NbIdRole).toLongLong() != AId)
            continue;
        FNotebookList->selectionModel()->setCurrentIndex(FNotebookList->model()->index(i, 0),
                                                         QItemSelectionModel::ClearAndSelect);
        FNotebookList->scrollToItem(item);
        return;
    }
}

void TNotebookPane::ClearNotebookSelection()
{
    FNotebookList->clearSelection();
    FSelectedNotebookId = 0;
}

void TNotebookPane::NotebookListSelectItem(QListWidgetItem* AItem)
{
    if (FInRefresh || !AItem)
        return;
    const int64_t id = AItem->data(NbIdRole).toLongLong();
    FSelectedNotebookId = id;
    FSelectedTagId = 0;
    FTagList->clearSelection();
    FMenuNewSubNotebook->setEnabled(AItem->data(NbRowKindRole).toInt() != 2);
    if (OnNotebookSelected)
        OnNotebookSelected(this, id);
}

void TNotebookPane::TagListSelectItem(QListWidgetItem* AItem)
{
    if (!AItem)
        return;
    const int64_t id = AItem->data(NbIdRole).toLongLong();
    FSelectedTagId = id;
    FSelectedNotebookId = 0;
    FNotebookList->clearSelection();
    if (OnTagSelected)
        OnTagSelected(this, id);
}

bool TNotebookPane::NotebookListMouseDown(const QPoint& APos)
{
    QListWidgetItem* item = FNotebookList->itemAt(APos);
    if (!item || item->data(NbRowKindRole).toInt() != 1)
        return false;
    const int zone = Nearest(FPPI * 16 / 96.0);
    if (APos.x() > zone)
        return false;
    ToggleCollapsed(item->data(NbIdRole).toLongLong());
    RefreshNotebooks();
    return true;
}

bool TNotebookPane::eventFilter(QObject* AWatched, QEvent* AEvent)
{
    return RunGuarded(true, [&] {
        if (FNotebookList && AWatched == FNotebookList->viewport() &&
            (AEvent->type() == QEvent::MouseButtonPress ||
             AEvent->type() == QEvent::MouseButtonDblClick)) {
            auto* me = static_cast<QMouseEvent*>(AEvent);
            // A press on a parent's triangle only folds or unfolds it; the row is not selected.
            if (me->button() == Qt::LeftButton && NotebookListMouseDown(me->position().toPoint()))
                return true;
        }
        return TPanel::eventFilter(AWatched, AEvent);
    });
}

void TNotebookPane::NewNotebook()
{
    MenuNewNotebook();
}

void TNotebookPane::MenuNewNotebook()
{
    QString name;
    if (!InputDlg(QStringLiteral("New Notebook"), QStringLiteral("Notebook name:"), QString(),
                  name))
        return;
    const int64_t id = AppDB->CreateNotebook(name, 0);
    RefreshNotebooks();
    SelectNotebook(id);
}

void TNotebookPane::MenuNewSubNotebook()
{
    const int64_t parent = FSelectedNotebookId;
    if (parent == 0)
        return;
    QString name;
    if (!InputDlg(QStringLiteral("New Sub-Notebook"), QStringLiteral("Sub-notebook name:"),
                  QString(), name))
        return;
    const int64_t id = AppDB->CreateNotebook(name, parent);
    RefreshNotebooks();
    SelectNotebook(id);
}

void TNotebookPane::MenuRenameNotebook()
{
    QListWidgetItem* item = SelectedRow(FNotebookList);
    if (!item)
        return;
    const int64_t id = item->data(NbIdRole).toLongLong();
    const QString def = RenameDefault(item->text());
    QString name;
    if (!InputDlg(QStringLiteral("Rename Notebook"), QStringLiteral("New name:"), def, name))
        return;
    AppDB->RenameNotebook(id, name);
    RefreshNotebooks();
}

void TNotebookPane::MenuDeleteNotebook()
{
    QListWidgetItem* item = SelectedRow(FNotebookList);
    if (!item)
        return;
    const int64_t id = item->data(NbIdRole).toLongLong();
    std::vector<int64_t> children;
    for (const TNotebook& nb : AppDB->GetNotebooks())
        if (nb.ParentId == id)
            children.push_back(nb.Id);
    const QString message =
        children.empty()
            ? QStringLiteral("Delete this notebook and all its notes? This cannot be undone.")
            : QStringLiteral("Delete this notebook, its ") + QString::number(children.size()) +
                  QStringLiteral(" sub-notebook(s), and all their notes? This cannot be undone.");
    if (!ConfirmDlg(QStringLiteral("Delete Notebook"), message))
        return;
    for (int64_t child : children)
        AppDB->DeleteNotebook(child, true);
    AppDB->DeleteNotebook(id, true);
    FSelectedNotebookId = 0;
    FMenuNewSubNotebook->setEnabled(false);
    RefreshNotebooks();
    RefreshTags();
    if (OnNotebookSelected)
        OnNotebookSelected(this, 0);
}
