// The embedded (highlight) tags of the open note, one row per tag in its colour, with the tag
// commands. Filled only from the editor's reports; every command leaves as an event.
#pragma once

#include "controls.h"
#include "models.h"

#include <QColor>
#include <functional>
#include <vector>

class QPushButton;

using TTagActionEvent =
    std::function<void(const QString& AId, const QString& AColour, const QString& AAction)>;

class TEmbeddedTagPane : public TPanel
{
public:
    explicit TEmbeddedTagPane(QWidget* AOwner = nullptr);

    void Populate(const TEditorTagArray& ATags);
    void Clear();
    static QColor ColourToTColor(const QString& AColour);

    TTagActionEvent OnTagAction;
    TNotifyEvent OnInsertTagRequest;

    int RowCount() const { return static_cast<int>(FRowIds.size()); }
    const std::vector<QString>& RowNames() const { return FRowNames; }
    TScrollBox* ScrollBox() const { return FScrollBox; }
    QPushButton* ShowAllButton() const { return FBtnShowAll; }
    QPushButton* HideAllButton() const { return FBtnHideAll; }
    QPushButton* InsertTagButton() const { return FInsertTagBtn; }

protected:
    void resizeEvent(QResizeEvent* AEvent) override;

private:
    void PlaceHeaderButtons();
    void ClearRows();
    void AddRow(int AIndex);
    void RaiseAction(int AIndex, const QString& AAction);
    void RenameTagClick(int AIndex);
    void RemoveTagClick(int AIndex);

    TPanel* FHeader;
    QLabel* FTitleLabel;
    QPushButton* FBtnShowAll;
    QPushButton* FBtnHideAll;
    TScrollBox* FScrollBox;
    std::vector<QString> FRowIds;
    std::vector<QString> FRowColours;
    std::vector<QString> FRowNames;
    QPushButton* FInsertTagBtn;
};

// The class library's text comparison: ASCII letters without case, every other character by
// its code.
int CompareText(const QString& A, const QString& B);
