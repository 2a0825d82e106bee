// The note list: the notes of one notebook, of one note tag or the hits of a search, sorted by
// the field and direction kept in the settings, with the note commands in a popup menu.
#pragma once

#include "controls.h"
#include "models.h"

#include <QListWidget>
#include <cstdint>
#include <functional>
#include <vector>

class QAction;
class QComboBox;
class QMenu;
class QPushButton;

using TNoteSelectEvent = std::function<void(QObject* ASender, int64_t ANoteId)>;
// AProceed carries the rest of the command; the handler runs it once it may go on.
using TNoteCommandEvent =
    std::function<void(QObject* ASender, int64_t ANoteId, std::function<void()> AProceed)>;

// Item data roles of the note rows.
enum
{
    NoteIdRole = Qt::UserRole,
    NotePlaceholderRole = Qt::UserRole + 1
};

class TNoteListPane : public TPanel
{
public:
    explicit TNoteListPane(QWidget* AOwner = nullptr);

    void ShowNotebook(int64_t ANotebookId);
    void ShowTag(int64_t ATagId, const QString& ATagName);
    void ShowSearch(const QString& ATerm);
    void RefreshCurrent();
    void SelectNote(int64_t AId);
    void NewNote();
    void ImportNote(const QString& ATitle, const QString& ABody);

    TNoteSelectEvent OnNoteSelected;
    TNotifyEvent OnNoteCreated;
    TNotifyEvent OnNoteDeleted;
    TNotifyEvent OnNoteMoved;
    // Raised before a command reads or changes a note (rename, move, duplicate, delete), so
    // that the window can first save the editor's pending edits of that note. The command
    // goes on when the handler runs AProceed, which may be later; without a handler, at once.
    TNoteCommandEvent OnBeforeNoteCommand;

    // The commands of the keyboard and of a double click; those on a row act on the selected
    // one. The popup menu's act on the row it was opened on.
    void MenuNewNote();
    void MenuRenameNote();
    void MenuMoveNote();
    void MenuDuplicateNote();
    void MenuDeleteNote();

    TPaneMode Mode() const { return FMode; }
    int64_t ContextId() const { return FContextId; }
    TNoteSort SortPref() const { return FSortPref; }
    TNoteSortDir SortDir() const { return FSortDir; }
    QListWidget* List() const { return FList; }
    QComboBox* SortCombo() const { return FSortCombo; }
    QPushButton* SortDirBtn() const { return FSortDirBtn; }
    QWidget* FilterBar() const { return FFilterBar; }
    QLabel* FilterLabel() const { return FFilterLabel; }
    QPushButton* FilterClear() const { return FFilterClear; }
    QMenu* NoteMenu() const { return FNoteMenu; }

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    void BuildNoteMenu();
    // Opens the popup menu at AGlobalPos for the row of ANoteId; 0 offers no row command.
    void PopupNoteMenu(int64_t ANoteId, const QPoint& AGlobalPos);
    void PopupKeyboardNoteMenu();
    // The note id of a row; 0 without one or for the placeholder.
    static int64_t NoteIdOf(const QListWidgetItem* AItem);
    // The commands on one row, by its note id; 0 does nothing.
    void RenameNote(int64_t ANoteId);
    void MoveNote(int64_t ANoteId);
    void DuplicateNote(int64_t ANoteId);
    void DeleteNote(int64_t ANoteId);
    void FillRows(const std::vector<std::pair<QString, int64_t>>& ARows, bool APlaceholder);
    // The index of the list row that shows note AId, or -1.
    int RowOfNote(int64_t AId) const;
    void ListSelectItem(QListWidgetItem* AItem);
    void SortComboChange();
    void SortDirBtnClick();
    void ClearButtonClick();
    // The note id of the selected row; 0 without one or for the placeholder.
    int64_t SelectedNoteId() const;
    void BeforeNoteCommand(int64_t ANoteId, std::function<void()> AProceed);

    TPanel* FHeader;
    QPushButton* FSortDirBtn;
    QComboBox* FSortCombo;
    TPanel* FFilterBar;
    QLabel* FFilterLabel;
    QPushButton* FFilterClear;
    QListWidget* FList = nullptr;
    QMenu* FNoteMenu;
    TPaneMode FMode = pmNotebook;
    int64_t FContextId = 0;
    QString FContextTagName;
    QString FSearchTerm;
    TNoteSort FSortPref = nsByModified;
    TNoteSortDir FSortDir = nsdDesc;
    bool FRefreshing = false;
    // The row the popup menu was opened on: the one under the pointer when the mouse opened
    // it (none below the rows), the highlighted one when the keyboard did.
    int64_t FMenuNoteId = 0;
    std::vector<QAction*> FRowActions;
};
