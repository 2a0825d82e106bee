// The attachment preview's browser control: started once, on the first preview, when the
// process-wide loader is ready; it shows only the stored copy it was asked to show.
#include "attachmentpane.h"

#include "com.h"
#include "guarded.h"
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
    FWVBrowser->OnAfterCreated = Guarded([this](QObject*) { WVAfterCreated(); });
    FWVBrowser->OnNavigationStarting =
        Guarded([this](QObject*, ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* AArgs) {
            LPWSTR uri = nullptr;
            if (!AArgs || FAILED(AArgs->get_Uri(&uri)))
                return;
            const QString text = FromWide(uri);
            CoTaskMemFree(uri);
            ViewerNavigationStarting(text);
        });
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
    FExpectedURL = AUrl;
    FForeignNavigations = 0;
    FWVBrowser->Navigate(AUrl.toStdU16String());
}

void TAttachmentPane::ViewerShowCannotPreview()
{
    FShownURL.clear();
    FExpectedURL = QStringLiteral("about:blank");
    FForeignNavigations = 0;
    FWVBrowser->NavigateToString(QString::fromLatin1(CannotPreviewPage).toStdU16String());
}

// The preview shows only the attachment it was asked to show: a previewed page that goes
// elsewhere (a link, a refresh, a script) is taken back to it once, and then to an empty page.
void TAttachmentPane::ViewerNavigationStarting(const QString& AUri)
{
    const QUrl uri = QUrl(AUri, QUrl::StrictMode).adjusted(QUrl::RemoveFragment);
    if (uri == QUrl(FExpectedURL, QUrl::StrictMode).adjusted(QUrl::RemoveFragment))
        return;
    if (++FForeignNavigations == 1 && !FShownURL.isEmpty()) {
        FWVBrowser->Navigate(FShownURL.toStdU16String());
    } else {
        FExpectedURL = QStringLiteral("about:blank");
        FWVBrowser->NavigateToString(u"<html><body></body></html>");
    }
}
