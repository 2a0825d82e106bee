// The attachment preview's browser control: started once, on the first preview, when the
// process-wide loader is ready; it shows only the stored copy it was asked to show.
#include "attachmentpane.h"

#include "platformqt.h"
#include "wvbrowser.h"
#include "wvloader.h"
#include "wvwindowparent.h"

#include <QTimer>

void TAttachmentPane::CreateViewerBrowser()
{
    FWVWinParent = new TWVWindowParent(FViewerOuter);
    FViewerOuter->AddAligned(FWVWinParent, alClient);
    FWVBrowser = new TWVBrowser(FViewerOuter);
    FWVBrowser->OnAfterCreated = [this](QObject*) { WVAfterCreated(); };
    FWVWinParent->SetBrowser(FWVBrowser);
}

void TAttachmentPane::StartViewerBrowser()
{
    FBrowserCreated = true;
    if (GlobalWebView2Loader && GlobalWebView2Loader->Initialized())
        FWVBrowser->CreateBrowser(WindowHandle(FWVWinParent), true);
    else
        FViewerTimer->start();
}

void TAttachmentPane::ViewerTimerTick()
{
    if (!GlobalWebView2Loader)
        return;
    if (GlobalWebView2Loader->InitializationError()) {
        FViewerTimer->stop();
    } else if (GlobalWebView2Loader->Initialized()) {
        FViewerTimer->stop();
        FWVBrowser->CreateBrowser(WindowHandle(FWVWinParent), true);
    }
}

void TAttachmentPane::WVAfterCreated()
{
    FWVWinParent->UpdateSize();
    FViewerReady = true;
    if (!FPendingURL.isEmpty())
        ViewerNavigate(FPendingURL);
    else if (FViewerOuter->isVisibleTo(this))
        ViewerShowCannotPreview();
}

void TAttachmentPane::ViewerNavigate(const QString& AUrl)
{
    FShownURL = AUrl;
    FWVBrowser->Navigate(AUrl.toStdU16String());
}

void TAttachmentPane::ViewerShowCannotPreview()
{
    FShownURL.clear();
    FWVBrowser->NavigateToString(QString::fromLatin1(CannotPreviewPage).toStdU16String());
}

void TAttachmentPane::ViewerNavigationStarting(const QString&) {}
