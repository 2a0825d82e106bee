// The attachments of the open note in the editor's bottom bar: a collapsible list of the stored
// copies with attach, export and delete, and a preview in a browser control of its own.
#pragma once

#include "controls.h"
#include "models.h"

#include <QPointer>
#include <cstdint>

class QPushButton;
class QTimer;
class TWVBrowser;
class TWVWindowParent;

// The page the preview shows for a file type it cannot show.
extern const char* const CannotPreviewPage;

class TAttachmentPane : public TPanel
{
public:
    explicit TAttachmentPane(QWidget* AOwner = nullptr);
    ~TAttachmentPane() override;

    void LoadForNote(int64_t ANoteId);
    int GetHeaderPanelHeight() const;
    void NotifyHeightChanged();

    // The row commands; AIndex is the row's index into the records.
    void AttachBtnClick();
    void OpenClick(int AIndex);
    void ExportClick(int AIndex);
    void DeleteAttachClick(int AIndex);
    void HideViewer();

    int64_t NoteId() const { return FNoteId; }
    bool Expanded() const { return FExpanded; }
    const TNoteAttachmentArray& Attachments() const { return FAttachList; }
    QPushButton* ToggleButton() const { return FToggleBtn; }
    QPushButton* AttachButton() const { return FAttachBtn; }
    TScrollBox* ListScroll() const { return FListScroll; }
    TPanel* ViewerOuter() const { return FViewerOuter; }
    QLabel* ViewerLabel() const { return FViewerLabel; }
    QPushButton* ViewerCloseButton() const { return FViewerCloseBtn; }
    TWVBrowser* ViewerBrowser() const { return FWVBrowser; }
    bool ViewerReady() const { return FViewerReady; }
    QString PendingURL() const { return FPendingURL; }
    // The address the preview was last asked to show ("" for the cannot-preview page).
    QString ShownURL() const { return FShownURL; }

private:
    void SetExpanded(bool AExpanded);
    void UpdateToggleCaption();
    void AddRow(int AIndex, const TNoteAttachment& AAttachment);
    void ShowViewer(const QString& AFullPath, const QString& AFileName);
    // Checks a record's stored copy; shows the message and answers "" when it cannot be used.
    QString UsableCopy(const TNoteAttachment& AAttachment);
    int BarHeight() const;
    void SetBarHeight(int AHeight);

    // The preview browser.
    void CreateViewerBrowser();
    void StartViewerBrowser();
    void ViewerTimerTick();
    void WVAfterCreated();
    void ViewerNavigate(const QString& AUrl);
    void ViewerShowCannotPreview();
    void ViewerNavigationStarting(const QString& AUri);

    TPanel* FHeaderPanel = nullptr;
    QPushButton* FToggleBtn = nullptr;
    QPushButton* FAttachBtn = nullptr;
    TPanel* FBodyPanel = nullptr;
    TScrollBox* FListScroll = nullptr;
    TPanel* FViewerOuter = nullptr;
    TPanel* FViewerHeader = nullptr;
    QLabel* FViewerLabel = nullptr;
    QPushButton* FViewerCloseBtn = nullptr;
    TWVWindowParent* FWVWinParent = nullptr;
    TWVBrowser* FWVBrowser = nullptr;
    QTimer* FViewerTimer = nullptr;
    int64_t FNoteId = 0;
    bool FExpanded = false;
    bool FBrowserCreated = false;
    bool FViewerReady = false;
    QString FPendingURL;
    TNoteAttachmentArray FAttachList;
    QString FShownURL;
    // What the preview's next navigation must be, and how often it went elsewhere since.
    QString FExpectedURL;
    int FForeignNavigations = 0;
};
