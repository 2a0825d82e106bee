// The browser component on the platform's runtime: CreateBrowser to OnAfterCreated with the
// loader's shared environment, and a string message posted to a page until the page's answer
// arrives through OnWebMessageReceived.
#include "platformqt.h"
#include "testcom.h"
#include "wvbrowser.h"
#include "wvloader.h"
#include "wvwebmessagereceivedeventargs.h"
#include "wvwindowparent.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

// Runs the event loop until the condition holds or 20 s have passed.
bool WaitFor(const std::function<bool()>& aDone)
{
    return RunEventsUntil(aDone, 20000);
}

// Shows an 800 x 600 window filled by a browser host window, which it returns.
TWVWindowParent* ShowHostWindow(QWidget& aWindow)
{
    aWindow.resize(800, 600);
    auto* host = new TWVWindowParent(&aWindow);
    host->setGeometry(0, 0, 800, 600);
    aWindow.show();
    return host;
}

double Median(std::vector<double> aValues)
{
    std::sort(aValues.begin(), aValues.end());
    return aValues[aValues.size() / 2];
}

const char16_t* const EchoPage =
    u"<html><body><script>"
    u"chrome.webview.addEventListener('message', e => chrome.webview.postMessage({echo: e.data}));"
    u"chrome.webview.postMessage({type: 'ready'});"
    u"</script></body></html>";

} // namespace

int main(int argc, char** argv)
{
    PrepareApplicationStart();
    QApplication app(argc, argv);
    QTemporaryDir data;
    qputenv(PlatformRootVariable, QUORVEL_BUILD_ROOT);
    GlobalWebView2Loader = new TWVLoader;
    GlobalWebView2Loader->SetShowMessageDlg(false);
    GlobalWebView2Loader->SetLoaderDllPath(u"" QUORVEL_BUILD_ROOT "/WebView2Loader.dll");
    GlobalWebView2Loader->SetUserDataFolder(
        (data.path() + QStringLiteral("/WV2Cache")).toStdU16String());
    GlobalWebView2Loader->StartWebView2();
    if (!WaitFor([] { return GlobalWebView2Loader->Initialized(); })) {
        std::fprintf(stderr, "the loader did not initialize\n");
        return 1;
    }

    // CreateBrowser to OnAfterCreated, each time in a new window.
    constexpr int creations = 9;
    std::vector<double> createTimes;
    for (int i = 0; i < creations; ++i) {
        QWidget window;
        TWVWindowParent* host = ShowHostWindow(window);
        TWVBrowser browser(&window);
        host->SetBrowser(&browser);
        bool created = false;
        browser.OnAfterCreated = [&](TObject*) {
            host->UpdateSize();
            created = true;
        };
        QElapsedTimer timer;
        timer.start();
        if (!browser.CreateBrowser(host->Handle(), true) || !WaitFor([&] { return created; })) {
            std::fprintf(stderr, "run %d: the browser was not created\n", i);
            return 1;
        }
        createTimes.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }

    // A string message to the page and its answer back.
    QWidget window;
    TWVWindowParent* host = ShowHostWindow(window);
    TWVBrowser browser(&window);
    host->SetBrowser(&browser);
    int messages = 0;
    bool created = false;
    browser.OnAfterCreated = [&](TObject*) { created = true; };
    browser.OnWebMessageReceived = [&](TObject*, ICoreWebView2*,
                                       ICoreWebView2WebMessageReceivedEventArgs* aArgs) {
        TCoreWebView2WebMessageReceivedEventArgs args(aArgs);
        if (!args.WebMessageAsJson().empty())
            ++messages;
    };
    if (!browser.CreateBrowser(host->Handle(), true) || !WaitFor([&] { return created; }) ||
        !browser.NavigateToString(EchoPage) || !WaitFor([&] { return messages == 1; })) {
        std::fprintf(stderr, "the page did not come up\n");
        return 1;
    }
    constexpr int roundTrips = 50;
    std::vector<double> tripTimes;
    for (int i = 0; i < roundTrips; ++i) {
        const int before = messages;
        QElapsedTimer timer;
        timer.start();
        if (!browser.PostWebMessageAsString(u"{\"type\":\"ping\"}") ||
            !WaitFor([&] { return messages > before; })) {
            std::fprintf(stderr, "round trip %d: no answer\n", i);
            return 1;
        }
        tripTimes.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }

    std::printf("CreateBrowser to OnAfterCreated (%d runs): first %.1f ms, median %.1f ms, "
                "max %.1f ms (target < 150 ms)\n",
                creations, createTimes.front(), Median(createTimes),
                *std::max_element(createTimes.begin(), createTimes.end()));
    std::printf("PostWebMessageAsString to the page's answer (%d round trips): median %.2f ms, "
                "max %.2f ms (target < 5 ms)\n",
                roundTrips, Median(tripTimes),
                *std::max_element(tripTimes.begin(), tripTimes.end()));
    DestroyGlobalWebView2Loader();
    return 0;
}
