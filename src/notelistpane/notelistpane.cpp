#include "notelistpane.h"

#include "database.h"
#include "dlgseam.h"
#include "dmdialogs.h"
#include "guarded.h"
#include "programfolder.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyledItemDelegate>

#include <utility>

namespace {

const QColor PaneColour(244, 244, 244);
const QString ArrowDown = QStringLiteral("\u2193");
const QString ArrowUp = QStringLiteral("\u2191");

class TNoteItemDelegate : public QStyledItemDelegate
{
public:
    TNoteItemDelegate(int APPI, QObject* AParent) : QStyledItemDelegate(AParent), FPPI(APPI) {}

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return QSize(100, 32 * FPPI / 96);
    }

    void paint(QPainter* APainter, const QStyleOptionViewItem& AOption,
               const QModelIndex& AIndex) const override
    {
        const QRect r = AOption.rect;
        const bool placeholder = AIndex.data(NotePlaceholderRole).toBool();
        const bool selected = (AOption.state & QStyle::State_Selected) && !placeholder;
        const QPalette& pal = AOption.palette;
        APainter->save();
        APainter->fillRect(r, selected ? pal.color(QPalette::Active, QPalette::Highlight)
                                       : PaneColour);
        QFont font = AOption.font;
        font.setPointSize(10);
        font.setItalic(placeholder);
        APainter->setFont(font);
        const QFontMetrics fm(font);
        const int top = r.top() + (r.height() - fm.height()) / 2;
        APainter->setClipRect(r);
        const QString caption = AIndex.data(Qt::DisplayRole).toString();
        if (placeholder) {
            APainter->setPen(QColor(153, 153, 153));
            APainter->drawText(QRect(r.left(), top, r.width(), fm.height()),
                               Qt::AlignHCenter | Qt::TextSingleLine, caption);
        } else {
            APainter->setPen(selected ? pal.color(QPalette::Active, QPalette::HighlightedText)
                                      : QColor(Qt::black));
            QString text = caption;
            text.replace(u'\n', QStringLiteral("  \u00B7  "));
            const QRect tr(r.left() + 8, top, r.right() - r.left() - 8, fm.height());
            APainter->drawText(tr, Qt::AlignLeft | Qt::TextSingleLine,
                               fm.elidedText(text, Qt::ElideRight, tr.width()));
            APainter->setPen(QColor(204, 204, 204));
            const int clientW = AOption.widget ? AOption.widget->width() : r.right();
            APainter->drawLine(r.left(), r.bottom(), clientW + 1, r.bottom());
        }
        APainter->restore();
    }

private:
    int FPPI;
};

// A stored attachment path is relative to the program folder; one that leaves it (absolute,
// or with a ".." step) is never acted on.
bool IsSafeRelativePath(const QString& APath)
{
    QString p = APath;
    p.replace(u'\\', u'/');
    if (p.isEmpty() || p.startsWith(u'/') || (p.size() > 1 && p.at(1) == u':'))
        return false;
    const QStringList parts = p.split(u'/');
    return !parts.contains(QStringLiteral(".."));
}

} // namespace

TNoteListPane::TNoteListPane(QWidget* AOwner) : TPanel(AOwner)
{
    const int sort = AppDB->GetSettingInt(QStringLiteral("note_sort"), 0);
    FSortPref = sort >= 0 && sort <= 2 ? static_cast<TNoteSort>(sort) : nsByModified;
    const int dir = AppDB->GetSettingInt(QStringLiteral("note_sort_dir"), 0);
    FSortDir = dir == 1 ? nsdAsc : nsdDesc;

    SetColor(PaneColour);
    QFont paneFont = font();
    paneFont.setPointSize(10);
    setFont(paneFont);
    const int ppi = ScreenPPI();

    FHeader = new TPanel(this);
    FHeader->SetColor(PaneColour);
    FSortDirBtn = new QPushButton(FSortDir == nsdDesc ? ArrowDown : ArrowUp, FHeader);
    FSortDirBtn->setToolTip(QStringLiteral("Toggle sort direction"));
    FHeader->AddAligned(FSortDirBtn, alRight, 26);
    FSortCombo = new QComboBox(FHeader);
    FSortCombo->addItems(
        {QStringLiteral("Modified"), QStringLiteral("Title"), QStringLiteral("Created")});
    FSortCombo->setCurrentIndex(FSortPref);
    FHeader->AddAligned(FSortCombo, alLeft, 84);
    AddAligned(FHeader, alTop, 26);

    FFilterBar = new TPanel(this);
    FFilterBar->SetColor(QColor(232, 232, 232));
    FFilterClear = new QPushButton(QStringLiteral("\u00D7"), FFilterBar);
    FFilterBar->AddAligned(FFilterClear, alRight, 26);
    FFilterLabel = NewPlainLabel(QString(), FFilterBar);
    QFont bold = FFilterLabel->font();
    bold.setBold(true);
    bold.setPointSize(9);
    FFilterLabel->setFont(bold);
    FFilterLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    FFilterBar->AddAligned(FFilterLabel, alClient);
    FFilterBar->hide();
    AddAligned(FFilterBar, alTop, 22);

    FList = new QListWidget(this);
    FList->setFrameShape(QFrame::NoFrame);
    FList->setSelectionMode(QAbstractItemView::SingleSelection);
    FList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FList->setUniformItemSizes(true);
    FList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FList->setItemDelegate(new TNoteItemDelegate(ppi, FList));
    QPalette pal = FList->palette();
    pal.setColor(QPalette::Base, PaneColour);
    FList->setPalette(pal);
    AddAligned(FList, alClient);

    connect(FSortCombo, &QComboBox::currentIndexChanged, this,
            Guarded([this] { SortComboChange(); }));
    connect(FSortDirBtn, &QPushButton::clicked, this, Guarded([this] { SortDirBtnClick(); }));
    connect(FFilterClear, &QPushButton::clicked, this, Guarded([this] { ClearButtonClick(); }));
    OnRowSelected(FList, this, [this](QListWidgetItem* AItem) { ListSelectItem(AItem); });
    connect(FList, &QListWidget::itemDoubleClicked, this,
            Guarded([this](QListWidgetItem*) { MenuRenameNote(); }));
    BuildNoteMenu();
}

void TNoteListPane::BuildNoteMenu()
{
    FNoteMenu = new QMenu(this);
    connect(FNoteMenu->addAction(QStringLiteral("New Note")), &QAction::triggered, this,
            Guarded([this] { MenuNewNote(); }));
    const std::pair<const char*, void (TNoteListPane::*)(int64_t)> rowItems[] = {
        {"Rename", &TNoteListPane::RenameNote},
        {"Move to Notebook\u2026", &TNoteListPane::MoveNote},
        {"Duplicate", &TNoteListPane::DuplicateNote},
        {nullptr, nullptr},
        {"Delete", &TNoteListPane::DeleteNote}};
    for (const auto& [caption, command] : rowItems) {
        if (!caption) {
            FNoteMenu->addSeparator();
            continue;
        }
        auto cmd = command;
        QAction* action = FNoteMenu->addAction(QString::fromUtf8(caption));
        connect(action, &QAction::triggered, this,
                Guarded([this, cmd] { (this->*cmd)(std::exchange(FMenuNoteId, 0)); }));
        FRowActions.push_back(action);
    }
    // The menu is opened here, from the mouse's or the keyboard's request, never by the list.
    FList->installEventFilter(this);
    FList->viewport()->installEventFilter(this);
}

bool TNoteListPane::eventFilter(QObject* AWatched, QEvent* AEvent)
{
    return RunGuarded(false, [&] {
        if (!FList || (AWatched != FList && AWatched != FList->viewport()))
            return TPanel::eventFilter(AWatched, AEvent);
        if (AEvent->type() == QEvent::ContextMenu) {
            const auto* event = static_cast<QContextMenuEvent*>(AEvent);
            if (event->reason() == QContextMenuEvent::Mouse) {
                const QPoint at = AWatched == FList
                                      ? FList->viewport()->mapFrom(FList, event->pos())
                                      : event->pos();
                PopupNoteMenu(NoteIdOf(FList->itemAt(at)), FList->viewport()->mapToGlobal(at));
            } else {
                PopupKeyboardNoteMenu();
            }
            return true;
        }
        // Shift+F10 opens the menu as the Menu key does.
        if (AWatched == FList && AEvent->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(AEvent);
            const Qt::KeyboardModifiers mods =
                key->modifiers() &
                (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
            if (key->key() == Qt::Key_F10 && mods == Qt::ShiftModifier) {
                PopupKeyboardNoteMenu();
                return true;
            }
        }
        return TPanel::eventFilter(AWatched, AEvent);
    });
}

void TNoteListPane::PopupKeyboardNoteMenu()
{
    // The highlighted row, wherever the mouse pointer is; the menu stands at that row.
    const QListWidgetItem* item = FList->currentItem();
    if (item && !item->isSelected())
        item = nullptr;
    const QPoint at = item ? FList->visualItemRect(item).center() : QPoint(0, 0);
    PopupNoteMenu(NoteIdOf(item), FList->viewport()->mapToGlobal(at));
}

void TNoteListPane::PopupNoteMenu(int64_t ANoteId, const QPoint& AGlobalPos)
{
    // Taken now: a save of the open note may refill the list while the menu is open.
    FMenuNoteId = ANoteId;
    for (QAction* action : FRowActions)
        action->setEnabled(ANoteId != 0);
    FNoteMenu->popup(AGlobalPos);
}

int64_t TNoteListPane::NoteIdOf(const QListWidgetItem* AItem)
{
    if (!AItem || AItem->data(NotePlaceholderRole).toBool())
        return 0;
    return AItem->data(NoteIdRole).toLongLong();
}

void TNoteListPane::FillRows(const std::vector<std::pair<QString, int64_t>>& ARows,
                             bool APlaceholder)
{
    FList->setUpdatesEnabled(false);
    auto endUpdate = qScopeGuard([this] { FList->setUpdatesEnabled(true); });
    FList->clear();
    for (const auto& [caption, id] : ARows) {
        auto* item = new QListWidgetItem(caption);
        item->setData(NoteIdRole, QVariant::fromValue<qint64>(id));
        FList->addItem(item);
    }
    if (APlaceholder) {
        auto* item = new QListWidgetItem(QStringLiteral("No notes match \"") + FSearchTerm + u'"');
        item->setData(NoteIdRole, QVariant::fromValue<qint64>(0));
        item->setData(NotePlaceholderRole, true);
        FList->addItem(item);
    }
}

void TNoteListPane::ShowNotebook(int64_t ANotebookId)
{
    FMode = pmNotebook;
    FContextId = ANotebookId;
    FFilterBar->hide();
    std::vector<std::pair<QString, int64_t>> rows;
    if (ANotebookId != 0) {
        const TNoteArray notes = AppDB->GetNotesByNotebook(ANotebookId, FSortPref, FSortDir);
        rows.reserve(notes.size());
        for (const TNote& n : notes)
            rows.emplace_back(n.Title, n.Id);
    }
    FillRows(rows, false);
}

void TNoteListPane::ShowTag(int64_t ATagId, const QString& ATagName)
{
    FMode = pmTag;
    FContextId = ATagId;
    FContextTagName = ATagName;
    const TNoteArray notes = AppDB->GetNotesByTag(ATagId, FSortPref, FSortDir);
    FFilterLabel->setText(QStringLiteral("Tag: ") + ATagName + QStringLiteral(" (") +
                          QString::number(notes.size()) + u')');
    FFilterBar->show();
    std::vector<std::pair<QString, int64_t>> rows;
    rows.reserve(notes.size());
    for (const TNote& n : notes)
        rows.emplace_back(u'[' + n.NotebookName + QStringLiteral("]\n") + n.Title, n.Id);
    FillRows(rows, false);
}

void TNoteListPane::ShowSearch(const QString& ATerm)
{
    FMode = pmSearch;
    FContextId = 0;
    FSearchTerm = ATerm;
    const TSearchResultArray hits = AppDB->SearchNotes(ATerm, FSortPref, FSortDir);
    FFilterLabel->setText(QStringLiteral("Search: ") + ATerm + QStringLiteral(" (") +
                          QString::number(hits.size()) + u')');
    FFilterBar->show();
    std::vector<std::pair<QString, int64_t>> rows;
    rows.reserve(hits.size());
    for (const TSearchResult& h : hits)
        rows.emplace_back(u'[' + h.NotebookName + QStringLiteral("]\n") + h.NoteTitle, h.NoteId);
    FillRows(rows, hits.empty());
}

void TNoteListPane::RefreshCurrent()
{
    FRefreshing = true;
    auto done = qScopeGuard([this] { FRefreshing = false; });
    // The current row stays current (and selected when it was) across the refill, so that the
    // keys and the commands go on from it.
    const QListWidgetItem* current = FList->currentItem();
    const int64_t currentId = current && !current->data(NotePlaceholderRole).toBool()
                                  ? current->data(NoteIdRole).toLongLong()
                                  : 0;
    const bool wasSelected = current && current->isSelected();
    switch (FMode) {
    case pmNotebook:
        ShowNotebook(FContextId);
        break;
    case pmTag:
        ShowTag(FContextId, FContextTagName);
        break;
    case pmSearch:
        ShowSearch(FSearchTerm);
        break;
    }
    if (currentId == 0)
        return;
    const int row = RowOfNote(currentId);
    if (row >= 0)
        FList->selectionModel()->setCurrentIndex(FList->model()->index(row, 0),
                                                 wasSelected ? QItemSelectionModel::ClearAndSelect
                                                             : QItemSelectionModel::NoUpdate);
}

int TNoteListPane::RowOfNote(int64_t AId) const
{
    for (int i = 0; i < FList->count(); ++i) {
        const QListWidgetItem* item = FList->item(i);
        if (!item->data(NotePlaceholderRole).toBool() && item->data(NoteIdRole).toLongLong() == AId)
            return i;
    }
    return -1;
}

void TNoteListPane::ClearButtonClick()
{
    FFilterBar->hide();
    FFilterLabel->clear();
    FList->clear();
    FMode = pmNotebook;
    FContextId = 0;
}

void TNoteListPane::SortComboChange()
{
    const int index = FSortCombo->currentIndex();
    FSortPref = index >= 0 && index <= 2 ? static_cast<TNoteSort>(index) : nsByModified;
    AppDB->SetSettingInt(QStringLiteral("note_sort"), FSortPref);
    RefreshCurrent();
}

void TNoteListPane::SortDirBtnClick()
{
    FSortDir = FSortDir == nsdDesc ? nsdAsc : nsdDesc;
    FSortDirBtn->setText(FSortDir == nsdDesc ? ArrowDown : ArrowUp);
    AppDB->SetSettingInt(QStringLiteral("note_sort_dir"), FSortDir);
    RefreshCurrent();
}

void TNoteListPane::ListSelectItem(QListWidgetItem* AItem)
{
    if (FRefreshing || !AItem || AItem->data(NotePlaceholderRole).toBool())
        return;
    if (OnNoteSelected)
        OnNoteSelected(this, AItem->data(NoteIdRole).toLongLong());
}

void TNoteListPane::SelectNote(int64_t AId)
{
    const int row = RowOfNote(AId);
    if (row < 0)
        return;
    FList->selectionModel()->setCurrentIndex(FList->model()->index(row, 0),
                                             QItemSelectionModel::ClearAndSelect);
    FList->scrollToItem(FList->item(row));
}

int64_t TNoteListPane::SelectedNoteId() const
{
    return NoteIdOf(SelectedRow(FList));
}

void TNoteListPane::NewNote()
{
    MenuNewNote();
}

void TNoteListPane::MenuNewNote()
{
    if (FMode != pmNotebook || FContextId == 0)
        return;
    const int64_t notebookId = FContextId;
    QString title;
    if (!InputDlg(QStringLiteral("New Note"), QStringLiteral("Note title:"),
                  QStringLiteral("Untitled"), title))
        return;
    const int64_t id = AppDB->CreateNote(notebookId, title);
    RefreshCurrent();
    SelectNote(id);
    if (OnNoteCreated)
        OnNoteCreated(this);
}

void TNoteListPane::ImportNote(const QString& ATitle, const QString& ABody)
{
    if (FMode != pmNotebook || FContextId == 0)
        return;
    const QString title = ATitle.isEmpty() ? QStringLiteral("Untitled") : ATitle;
    const int64_t id = AppDB->CreateNote(FContextId, title);
    AppDB->SaveNote(id, title, QString(), ABody);
    RefreshCurrent();
    SelectNote(id);
    if (OnNoteCreated)
        OnNoteCreated(this);
}

void TNoteListPane::BeforeNoteCommand(int64_t ANoteId, std::function<void()> AProceed)
{
    if (OnBeforeNoteCommand)
        OnBeforeNoteCommand(this, ANoteId, std::move(AProceed));
    else
        AProceed();
}

void TNoteListPane::MenuRenameNote()
{
    RenameNote(SelectedNoteId());
}

void TNoteListPane::MenuMoveNote()
{
    MoveNote(SelectedNoteId());
}

void TNoteListPane::MenuDuplicateNote()
{
    DuplicateNote(SelectedNoteId());
}

void TNoteListPane::MenuDeleteNote()
{
    DeleteNote(SelectedNoteId());
}

void TNoteListPane::RenameNote(int64_t ANoteId)
{
    if (ANoteId == 0)
        return;
    BeforeNoteCommand(ANoteId, [this, ANoteId] {
        const TNote note = AppDB->GetNote(ANoteId);
        QString title;
        if (!InputDlg(QStringLiteral("Rename Note"), QStringLiteral("New title:"), note.Title,
                      title))
            return;
        // Read again: the note may have been saved while the prompt was open.
        const TNote now = AppDB->GetNote(ANoteId);
        if (now.Id == 0)
            return;
        AppDB->SaveNote(now.Id, title, now.Summary, now.Body);
        RefreshCurrent();
        // Selected anew, so that the window shows the new title.
        FList->clearSelection();
        SelectNote(note.Id);
    });
}

void TNoteListPane::MoveNote(int64_t ANoteId)
{
    if (ANoteId == 0)
        return;
    BeforeNoteCommand(ANoteId, [this, ANoteId] {
        const TNote note = AppDB->GetNote(ANoteId);
        int64_t target = 0;
        if (!NotebookPickerDlg(QStringLiteral("Move to Notebook"), AppDB->GetNotebooks(),
                               note.NotebookId, target))
            return;
        AppDB->MoveNote(note.Id, target);
        RefreshCurrent();
        if (FMode == pmNotebook && OnNoteMoved)
            OnNoteMoved(this);
    });
}

void TNoteListPane::DuplicateNote(int64_t ANoteId)
{
    if (ANoteId == 0)
        return;
    BeforeNoteCommand(ANoteId, [this, ANoteId] {
        const int64_t newId = AppDB->DuplicateNote(ANoteId);
        if (newId == 0)
            return;
        RefreshCurrent();
        SelectNote(newId);
        if (OnNoteCreated)
            OnNoteCreated(this);
    });
}

void TNoteListPane::DeleteNote(int64_t ANoteId)
{
    if (ANoteId == 0)
        return;
    BeforeNoteCommand(ANoteId, [this, ANoteId] {
        if (!ConfirmDlg(QStringLiteral("Delete Note"),
                        QStringLiteral("Permanently delete this note and all its attachments?")))
            return;
        // The files go only after the store has deleted the note, so a failing delete keeps
        // both.
        const TStringArray paths = AppDB->GetAttachmentFilePaths(ANoteId);
        AppDB->DeleteNote(ANoteId);
        const QString folder = ProgramFolder();
        for (const QString& path : paths) {
            if (!IsSafeRelativePath(path))
                continue;
            QString rel = path;
            rel.replace(u'\\', u'/');
            const QString full = folder + u'/' + rel;
            if (QFile::exists(full))
                QFile::remove(full);
        }
        RefreshCurrent();
        if (OnNoteDeleted)
            OnNoteDeleted(this);
    });
}
