// The web links stored for the open note: a click opens the address in the user's browser,
// the cross removes the link, "+ Link" adds one.
#pragma once

#include "controls.h"
#include "dlgseam.h"

#include <QUrl>
#include <cstdint>
#include <vector>

class QPushButton;

class TLinksPane : public TPanel
{
public:
    explicit TLinksPane(QWidget* AOwner = nullptr);

    void LoadForNote(int64_t ANoteId);
    void Refresh();
    void Clear();

    int64_t NoteId() const { return FNoteId; }
    int RowCount() const { return static_cast<int>(FLinkIds.size()); }
    QLabel* HeaderLabel() const { return FHeaderLabel; }
    QPushButton* AddButton() const { return FAddBtn; }
    TScrollBox* ScrollBox() const { return FScrollBox; }
    void AddBtnClick();

private:
    void ClearRows();
    void QueueRefresh();
    void AddRow(int AIndex, const QString& AText, const QString& AUrl);
    void OpenLinkClick(int AIndex);
    void RemoveLinkClick(int AIndex);

    TPanel* FHeader;
    QLabel* FHeaderLabel;
    QPushButton* FAddBtn;
    TScrollBox* FScrollBox;
    int64_t FNoteId = 0;
    std::vector<int64_t> FLinkIds;
    std::vector<QString> FLinkUrls;
};
