// The dark navigation pane: the notebooks as a two-level tree with collapse triangles, and
// below a splitter every note tag. Selecting a row raises an event; the pane never calls
// another pane and reads the store afresh on every refresh.
#pragma once

#include "controls.h"

#include <QListWidget>
#include <cstdint>
#include <functional>
#include <vector>

class QAction;
class QMenu;

using TNotebookSelectEvent = std::function<void(QObject* ASender, int64_t ANotebookId)>;
using TTagSelectEvent = std::function<void(QObject* ASender, int64_t ATagId)>;

// Item data roles of the rows of both lists.
enum
{
    NbIdRole = Qt::UserRole,
    NbRowKindRole = Qt::UserRole + 1
};

class TNotebookPane : public TPanel
{
public:
    explicit TNotebookPane(QWidget* AOwner = nullptr);

    void RefreshNotebooks();
    void RefreshTags();
    void SelectNotebook(int64_t AId);
    void ClearNotebookSelection();
    void NewNotebook();
    int64_t SelectedNotebookId() const { return FSelectedNotebookId; }
    int64_t SelectedTagId() const { return FSelectedTagId; }
    int NotebookListHeight() const;
    void SetNotebookListHeight(int AHeight);

    TNotebookSelectEvent OnNotebookSelected;
    TTagSelectEvent OnTagSelected;

    // The popup menu's commands.
    void MenuNewNotebook();
    void MenuNewSubNotebook();
    void MenuRenameNotebook();
    void MenuDeleteNotebook();

    QListWidget* NotebookList() const { return FNotebookList; }
    QListWidget* TagList() const { return FTagList; }
    QMenu* NotebookMenu() const { return FNotebookMenu; }
    QAction* NewSubNotebookItem() const { return FMenuNewSubNotebook; }
    bool IsCollapsed(int64_t AId) const;
    void ToggleCollapsed(int64_t AId);

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    void BuildNotebookMenu();
    bool NotebookListMouseDown(const QPoint& APos);
    void NotebookListSelectItem(QListWidgetItem* AItem);
    void TagListSelectItem(QListWidgetItem* AItem);

    QListWidget* FNotebookList = nullptr;
    QListWidget* FTagList = nullptr;
    TSplitter* FSplitter;
    QMenu* FNotebookMenu;
    QWidget* FTagsHeader;
    int64_t FSelectedNotebookId = 0;
    int64_t FSelectedTagId = 0;
    bool FInRefresh = false;
    QAction* FMenuNewSubNotebook;
    std::vector<int64_t> FCollapsedIds;
    int FPPI;
};

// "Name (count)".
QString RowCaption(const QString& AName, int ACount);
// The name offered for renaming a row: the caption without its count suffix.
QString RenameDefault(const QString& ACaption);
