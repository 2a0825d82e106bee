// The editor's browser control: its start-up once the process-wide loader is ready, the page
// shown from the program's resource, and the page's messages in both directions.
#include "noteeditor.h"

#include "dlgseam.h"
#include "editorresource.h"
#include "guarded.h"
#include "platformqt.h"
#include "programfolder.h"
#include "wvbrowser.h"
#include "wvloader.h"
#include "wvwebmessagereceivedeventargs.h"
#include "wvwindowparent.h"

#include <QTimer>
#include <stdexcept>

void StartEditorBrowserLoader()
{
    GlobalWebView2Loader = new TWVLoader(nullptr);
    GlobalWebView2Loader->SetUserDataFolder(ToWide(ProgramFolder() + QStringLiteral("/WV2Cache")));
    GlobalWebView2Loader->StartWebView2();
}

void FinishEditorBrowserLoader()
{
    DestroyGlobalWebView2Loader();
}

void TNoteEditor::CreateBrowserControls()
{
    FWVWinParent = new TWVWindowParent(this);
    AddAligned(FWVWinParent, alClient);
    FWVBrowser = new TWVBrowser(this);
    FWVBrowser->OnAfterCreated = Guarded([this](QObject*) { WVAfterCreated(); });
    FWVBrowser->OnWebMessageReceived =
        Guarded([this](QObject*, ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* AArgs) {
            TCoreWebView2WebMessageReceivedEventArgs args(AArgs);
            HandleJSMessage(QString::fromStdU16String(args.WebMessageAsJson()));
        });
    // The page's process has gone: nothing it was asked will be answered.
    FWVBrowser->OnProcessFailed =
        Guarded([this](QObject*, ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs*) {
            PageProcessFailed();
        });
    FWVWinParent->SetBrowser(FWVBrowser);
}

void TNoteEditor::InitTimerTick()
{
    if (!GlobalWebView2Loader)
        return;
    if (GlobalWebView2Loader->InitializationError()) {
        FInitTimer->stop();
        ShowMessage(QStringLiteral("WebView2 could not initialise.\r\nMake sure the WebView2 "
                                   "runtime is installed.\r\n") +
                    QString::fromStdU16String(GlobalWebView2Loader->ErrorMessage()));
    } else if (GlobalWebView2Loader->Initialized()) {
        FInitTimer->stop();
        FWVBrowser->CreateBrowser(WindowHandle(FWVWinParent), true);
    }
}

void TNoteEditor::WVAfterCreated()
{
    FWVWinParent->UpdateSize();
    StartPage();
}

bool TNoteEditor::StartPage()
{
    if (FStartHook) {
        FStartHook();
        return true;
    }
    const QString page = EditorHtml();
    if (page.isEmpty())
        throw std::runtime_error("Resource EDITOR_HTML not found");
    return FWVBrowser->NavigateToString(page.toStdU16String());
}

void TNoteEditor::PostToPage(const QString& AJsonStr)
{
    FWVBrowser->PostWebMessageAsString(AJsonStr.toStdU16String());
}

void TNoteEditor::FocusBrowserHost()
{
    SetFocus(WindowHandle(FWVWinParent));
}
