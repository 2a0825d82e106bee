#include "test_wvbrowser.h"

#include "fixtures.h"

#include "platformqt.h"
#include "wvbrowser.h"
#include "wvcorewebview2.h"
#include "wvcorewebview2controller.h"
#include "wvcorewebview2delegates.h"
#include "wvcorewebview2environment.h"
#include "wvcorewebview2settings.h"
#include "wvloader.h"
#include "wvwebmessagereceivedeventargs.h"
#include "wvwindowparent.h"

#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include <memory>
#include <stdexcept>

namespace {

constexpr int Timeout = 20000;

QString Q(const wvstring& s)
{
    return QString::fromStdU16String(s);
}
wvstring W(const QString& s)
{
    return s.toStdU16String();
}

// A page that says it is ready and echoes every message it gets.
const char16_t* const EchoPage =
    u"<html><body><script>"
    u"chrome.webview.addEventListener('message', e => chrome.webview.postMessage({echo: e.data}));"
    u"chrome.webview.postMessage({type: 'ready'});"
    u"</script></body></html>";

// A window with a host control filling it and a browser whose events are recorded.
struct THost
{
    THost()
    {
        Window.resize(400, 300);
        Parent = new TWVWindowParent(&Window);
        Parent->setGeometry(0, 0, 400, 300);
        Window.show();
        Browser = std::make_unique<TWVBrowser>(&Window);
        Parent->SetBrowser(Browser.get());
        Browser->OnAfterCreated = [this](TObject*) {
            Events << QStringLiteral("AfterCreated");
            Parent->UpdateSize();
        };
        Browser->OnEnvironmentCompleted = [this](TObject*) {
            Events << QStringLiteral("EnvironmentCompleted");
        };
        Browser->OnControllerCompleted = [this](TObject*) {
            Events << QStringLiteral("ControllerCompleted");
        };
        Browser->OnInitializationError = [this](TObject*, HRESULT aCode, const wvstring& aText) {
            ErrorCode = aCode;
            Errors << Q(aText);
        };
        Browser->OnNavigationStarting = [this](TObject*, ICoreWebView2*,
                                               ICoreWebView2NavigationStartingEventArgs*) {
            Events << QStringLiteral("NavigationStarting");
        };
        Browser->OnNavigationCompleted = [this](TObject*, ICoreWebView2*,
                                                ICoreWebView2NavigationCompletedEventArgs*) {
            Events << QStringLiteral("NavigationCompleted");
        };
        Browser->OnWebMessageReceived = [this](TObject*, ICoreWebView2*,
                                               ICoreWebView2WebMessageReceivedEventArgs* aArgs) {
            TCoreWebView2WebMessageReceivedEventArgs args(aArgs);
            Messages << Q(args.WebMessageAsJson());
        };
    }
    HWND Handle() const { return Parent->Handle(); }
    bool Create() { return Browser->CreateBrowser(Handle(), true); }
    bool Created() { return Events.contains(QStringLiteral("AfterCreated")); }

    QWidget Window;
    TWVWindowParent* Parent = nullptr;
    std::unique_ptr<TWVBrowser> Browser;
    QStringList Events;
    QStringList Messages;
    QStringList Errors;
    HRESULT ErrorCode = S_OK;
};

RECT BoundsOf(TWVBrowserBase& aBrowser)
{
    RECT r{};
    aBrowser.CoreWebView2Controller()->BaseIntf()->get_Bounds(&r);
    return r;
}

} // namespace

void TestComponent::initTestCase()
{
    QVERIFY(FData.isValid());
    qputenv(PlatformRootVariable, QUORVEL_BUILD_ROOT);
}

void TestComponent::cleanupTestCase()
{
    DestroyGlobalWebView2Loader();
}

void TestComponent::createBeforeLoaderReady()
{
    THost host;
    QVERIFY(!GlobalWebView2Loader);
    QVERIFY(!host.Create());

    GlobalWebView2Loader = new TWVLoader(nullptr);
    GlobalWebView2Loader->SetUserDataFolder(W(FData.filePath(QStringLiteral("WV2Cache"))));
    GlobalWebView2Loader->SetShowMessageDlg(false);
    // The loader library lies in the build tree's top folder, not beside this test.
    GlobalWebView2Loader->SetLoaderDllPath(
        W(QStringLiteral(QUORVEL_BUILD_ROOT "/WebView2Loader.dll")));
    QVERIFY(!host.Create());
    QVERIFY2(GlobalWebView2Loader->StartWebView2(),
             qPrintable(Q(GlobalWebView2Loader->ErrorMessage())));
    QVERIFY(!GlobalWebView2Loader->Initialized());
    QVERIFY(!host.Create());
    QCOMPARE(host.Browser->WindowParentHandle(), HWND(nullptr));
    QTRY_VERIFY_WITH_TIMEOUT(GlobalWebView2Loader->Initialized(), Timeout);
    QVERIFY(!host.Browser->CreateBrowser(nullptr, true));
    QVERIFY(host.Events.isEmpty());
}

void TestComponent::createWithSharedEnvironment()
{
    THost host;
    QVERIFY(host.Create());
    QVERIFY(!host.Browser->Initialized());
    QTRY_VERIFY_WITH_TIMEOUT(host.Created(), Timeout);
    QVERIFY(host.Browser->Initialized());
    // The shared environment raises no environment event; the controller comes first.
    QCOMPARE(host.Events.mid(0, 2),
             (QStringList{QStringLiteral("ControllerCompleted"), QStringLiteral("AfterCreated")}));
    QVERIFY(!host.Create());
    QTest::qWait(100);
    QCOMPARE(host.Events.count(QStringLiteral("AfterCreated")), 1);

    QCOMPARE(host.Browser->CoreWebView2()->HighestVersion(), 28);
    QVERIFY(host.Browser->CoreWebView2Settings()->Initialized());
    QVERIFY(host.Browser->Profile()->Initialized());
    QVERIFY(host.Browser->Profile()->ProfileDeletedSubscribed());
    QVERIFY(host.Browser->CoreWebView2PrintSettings());
    QVERIFY(host.Browser->FindOptions());
    QCOMPARE(host.Browser->CoreWebView2Controller()->SubscribedEventCount(), 6);
    QCOMPARE(host.Browser->CoreWebView2()->SubscribedEventCount(), 34);
    QCOMPARE(Q(host.Browser->UserDataFolder()),
             Q(GlobalWebView2Loader->CoreWebView2Environment()->GetUserDataFolder()));
    QVERIFY(!host.Browser->UserDataFolder().empty());
    QCOMPARE(host.Browser->GetZoomFactor(), 1.0);
}

void TestComponent::webMessagesBothWays()
{
    THost host;
    QVERIFY(!host.Browser->PostWebMessageAsString(u"early"));
    QVERIFY(host.Create());
    QTRY_VERIFY_WITH_TIMEOUT(host.Created(), Timeout);
    QVERIFY(host.Browser->NavigateToString(EchoPage));
    QTRY_VERIFY_WITH_TIMEOUT(!host.Messages.isEmpty(), Timeout);
    QCOMPARE(host.Messages.first(), QStringLiteral("{\"type\":\"ready\"}"));
    QVERIFY(host.Browser->PostWebMessageAsString(u"h\u00e9llo \"you\""));
    QTRY_COMPARE_WITH_TIMEOUT(host.Messages.size(), 2, Timeout);
    QCOMPARE(host.Messages.last(), QString::fromUtf8("{\"echo\":\"h\xC3\xA9llo \\\"you\\\"\"}"));
}

void TestComponent::navigateToStringStopsAtNul()
{
    THost host;
    QVERIFY(host.Create());
    QTRY_VERIFY_WITH_TIMEOUT(host.Created(), Timeout);
    wvstring html = u"<html><body><p>before</p><script>onload = () => chrome.webview.postMessage("
                    u"{paragraphs: document.querySelectorAll('p').length})</script>";
    html += u'\0';
    html += u"<p>after</p></body></html>";
    QVERIFY(host.Browser->NavigateToString(html));
    QTRY_VERIFY_WITH_TIMEOUT(!host.Messages.isEmpty(), Timeout);
    QCOMPARE(host.Messages.first(), QStringLiteral("{\"paragraphs\":1}"));
}

void TestComponent::defaultUrlNavigatedAfterCreation()
{
    const QString path = FData.filePath(QStringLiteral("default.html"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<html><body><script>chrome.webview.postMessage({page: 'default'})</script>"
               "</body></html>");
    file.close();

    THost host;
    host.Browser->SetDefaultURL(W(QUrl::fromLocalFile(path).toString()));
    QVERIFY(host.Create());
    QTRY_VERIFY_WITH_TIMEOUT(!host.Messages.isEmpty(), Timeout);
    QCOMPARE(host.Messages.first(), QStringLiteral("{\"page\":\"default\"}"));
    const qsizetype created = host.Events.indexOf(QStringLiteral("AfterCreated"));
    QVERIFY(created >= 0);
    QVERIFY(host.Events.indexOf(QStringLiteral("NavigationStarting")) > created);

    // Without a default address nothing is navigated.
    THost plain;
    QVERIFY(plain.Create());
    QTRY_VERIFY_WITH_TIMEOUT(plain.Created(), Timeout);
    QTest::qWait(200);
    QVERIFY(!plain.Events.contains(QStringLiteral("NavigationStarting")));
}

void TestComponent::controllerOptionsNotImplemented()
{
    QVERIFY(GlobalWebView2Loader && GlobalWebView2Loader->Environment());
    auto* environment = new TEnvironment9(GlobalWebView2Loader->Environment());
    THost host;
    host.Browser->SetProfileName(u"Other");
    host.Browser->SetIsInPrivateModeEnabled(true);
    QVERIFY(host.Browser->CreateBrowser(host.Handle(), environment));
    QTRY_VERIFY_WITH_TIMEOUT(host.Created() || !host.Errors.isEmpty(), Timeout);
    QCOMPARE(host.Errors, QStringList());
    QVERIFY(host.Browser->Initialized());
    QVERIFY(host.Browser->ProfileName().empty());
    QVERIFY(!host.Browser->IsInPrivateModeEnabled());
    QVERIFY(host.Browser->CoreWebView2PrintSettings()); // version 6 is there
    QVERIFY(!host.Browser->FindOptions());              // version 15 is not
    QVERIFY(host.Browser->NavigateToString(EchoPage));
    QTRY_VERIFY_WITH_TIMEOUT(!host.Messages.isEmpty(), Timeout);
    host.Browser.reset();
    environment->Release();
}

void TestComponent::parentGoneGivesControllerError()
{
    THost host;
    QVERIFY(host.Create());
    delete host.Parent; // the host window goes before the controller is made
    host.Parent = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT(!host.Errors.isEmpty(), Timeout);
    QCOMPARE(host.ErrorCode, E_ABORT);
    QCOMPARE(host.Errors.first(),
             QStringLiteral("There was an error creating the controller. (2)\r\n"
                            "Error code : 0x80004004\r\n"
                            "The parent window was destroyed before the controller creation was "
                            "finished."));
    QTest::qWait(100);
    QVERIFY(!host.Created());
    QVERIFY(!host.Browser->Initialized());
}

void TestComponent::ownEnvironmentWithOtherOptionsFails()
{
    // The same browser arguments as the loader's: an environment of the component's own.
    THost own;
    own.Browser->SetUserDataFolder(W(FData.filePath(QStringLiteral("own"))));
    own.Browser->SetAdditionalBrowserArguments(
        GlobalWebView2Loader->GetCustomCommandLineSwitches() +
        GlobalWebView2Loader->AdditionalBrowserArguments());
    QVERIFY(own.Browser->CreateBrowser(own.Handle(), false));
    QTRY_VERIFY_WITH_TIMEOUT(own.Created() || !own.Errors.isEmpty(), Timeout);
    QCOMPARE(own.Errors, QStringList());
    QCOMPARE(own.Events.mid(0, 3),
             (QStringList{QStringLiteral("EnvironmentCompleted"),
                          QStringLiteral("ControllerCompleted"), QStringLiteral("AfterCreated")}));
    QCOMPARE(Q(own.Browser->UserDataFolder()), FData.filePath(QStringLiteral("own")));

    // Other arguments cannot join the running engine: the completion fails.
    THost other;
    other.Browser->SetAdditionalBrowserArguments(u"--lang=xx");
    QVERIFY(other.Browser->CreateBrowser(other.Handle(), false));
    QTRY_VERIFY_WITH_TIMEOUT(!other.Errors.isEmpty(), Timeout);
    QCOMPARE(other.ErrorCode, HRESULT_FROM_WIN32(ERROR_INVALID_STATE));
    QCOMPARE(other.Errors.first(),
             QStringLiteral("There was an error creating the browser environment. (3)\r\n"
                            "Error code : 0x8007139F\r\n"
                            "Specified options do not match the options of the WebViews that are "
                            "currently running in the shared browser process."));
    QVERIFY(!other.Events.contains(QStringLiteral("EnvironmentCompleted")));
}

void TestComponent::everySubscriptionGoneAfterDestruction()
{
    QTest::qWait(50);
    const long before = LiveDelegateCount();
    {
        THost host;
        QVERIFY(host.Create());
        QTRY_VERIFY_WITH_TIMEOUT(host.Created(), Timeout);
        // 34 webview, 6 controller and 1 profile subscription, and the 5 completion objects.
        QCOMPARE(LiveDelegateCount(), before + 34 + 6 + 1 + 5);
        host.Browser.reset();
        QCOMPARE(LiveDelegateCount(), before);
    }
    QTest::qWait(50);
    QCOMPARE(LiveDelegateCount(), before);
}

void TestComponent::browserFreedBeforeCompletion()
{
    QTest::qWait(50);
    const long before = LiveDelegateCount();
    THost host;
    int created = 0;
    host.Browser->OnAfterCreated = [&](TObject*) { ++created; };
    QVERIFY(host.Create());
    host.Browser.reset(); // the controller completion is still on its way
    QTRY_COMPARE_WITH_TIMEOUT(LiveDelegateCount(), before, Timeout);
    QTest::qWait(100);
    QCOMPARE(created, 0);
}

void TestComponent::webViewWrapperSubscriptions()
{
    THost host;
    QVERIFY(host.Create());
    QTRY_VERIFY_WITH_TIMEOUT(host.Created(), Timeout);
    ICoreWebView2* webView = host.Browser->CoreWebView2()->BaseIntf();

    // A second owner of the same webview: its subscriptions reach only its own target.
    TWVBrowser second;
    QStringList secondMessages;
    second.OnWebMessageReceived = [&](TObject*, ICoreWebView2*,
                                      ICoreWebView2WebMessageReceivedEventArgs* aArgs) {
        secondMessages << Q(TCoreWebView2WebMessageReceivedEventArgs(aArgs).WebMessageAsJson());
    };
    const long before = LiveDelegateCount();
    auto wrapper = std::make_unique<TCoreWebView2>(webView);
    QVERIFY(wrapper->AddAllBrowserEvents(&second));
    QCOMPARE(wrapper->SubscribedEventCount(), 34);
    QVERIFY(!wrapper->AddAllBrowserEvents(&second)); // every event is taken already
    QCOMPARE(LiveDelegateCount(), before + 34);
    // One subscription that fails costs none of the others.
    wrapper->RemoveAllEvents();
    QCOMPARE(wrapper->SubscribedEventCount(), 0);
    QVERIFY(wrapper->AddNavigationStartingEvent(&second));
    QVERIFY(!wrapper->AddAllBrowserEvents(&second));
    QCOMPARE(wrapper->SubscribedEventCount(), 34);
    QCOMPARE(LiveDelegateCount(), before + 34);

    QVERIFY(host.Browser->NavigateToString(EchoPage));
    QTRY_VERIFY_WITH_TIMEOUT(!secondMessages.isEmpty(), Timeout);
    QCOMPARE(secondMessages.first(), QStringLiteral("{\"type\":\"ready\"}"));

    wrapper.reset();
    QCOMPARE(LiveDelegateCount(), before);
    host.Messages.clear();
    secondMessages.clear();
    QVERIFY(host.Browser->NavigateToString(EchoPage));
    QTRY_VERIFY_WITH_TIMEOUT(!host.Messages.isEmpty(), Timeout);
    QVERIFY(secondMessages.isEmpty());

    // Settings come from the base interface.
    TCoreWebView2 plain(webView);
    QVERIFY(plain.GetSettings());
    QVERIFY(plain.GetProfile());
}

void TestComponent::hostSizesBrowser()
{
    THost host;
    host.Parent->resize(200, 100); // before the browser exists: nothing to size
    QCOMPARE(host.Parent->GetChildWindowHandle(), HWND(nullptr));
    QVERIFY(host.Create());
    QTRY_VERIFY_WITH_TIMEOUT(host.Created(), Timeout);
    RECT r = BoundsOf(*host.Browser);
    QCOMPARE(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), QRect(0, 0, 200, 100));
    host.Parent->resize(320, 240);
    r = BoundsOf(*host.Browser);
    QCOMPARE(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), QRect(0, 0, 320, 240));

    // The freed browser is forgotten, and its controller window goes with it.
    const HWND controller = host.Parent->GetChildWindowHandle();
    QVERIFY(IsWindow(controller));
    host.Browser.reset();
    QCOMPARE(host.Parent->Browser(), static_cast<TWVBrowserBase*>(nullptr));
    QVERIFY(!IsWindow(controller));
    host.Parent->resize(150, 90); // nothing to size, and nothing fails

    // Without a browser the control sizes its child window itself.
    auto* plain = new QWidget(host.Parent);
    plain->setGeometry(5, 5, 20, 20);
    plain->show();
    const HWND child = WindowHandle(plain);
    QCOMPARE(host.Parent->GetChildWindowHandle(), child);
    host.Parent->resize(170, 80);
    QVERIFY(IsWindow(child));
    RECT cr{};
    GetClientRect(child, &cr);
    QCOMPARE(QSize(cr.right, cr.bottom), QSize(170, 80));
    QCOMPARE(plain->geometry(), QRect(0, 0, 170, 80));
}

void TestComponent::focusReachesBrowser()
{
    THost host;
    auto* elsewhere = new QLineEdit(&host.Window);
    elsewhere->setGeometry(0, 0, 10, 10);
    elsewhere->show();
    QStringList focus;
    host.Browser->OnGotFocus = [&](TObject*) { focus << QStringLiteral("got"); };
    host.Browser->OnLostFocus = [&](TObject*) { focus << QStringLiteral("lost"); };
    QVERIFY(host.Create());
    QTRY_VERIFY_WITH_TIMEOUT(host.Created(), Timeout);
    QVERIFY(host.Browser->NavigateToString(EchoPage));
    QTRY_VERIFY_WITH_TIMEOUT(!host.Messages.isEmpty(), Timeout);
    host.Window.activateWindow();
    elsewhere->setFocus();
    QTRY_VERIFY(elsewhere->hasFocus());
    QTest::qWait(100);
    focus.clear();

    // The platform's keyboard focus on the host window: WM_SETFOCUS moves it into the page. Each
    // entry into the page is one GotFocus, each exit one LostFocus.
    const QStringList expected{"got", "lost", "got"};
    SetFocus(host.Handle());
    QTRY_COMPARE_WITH_TIMEOUT(focus.size(), 1, Timeout);
    elsewhere->setFocus();
    QTRY_COMPARE_WITH_TIMEOUT(focus.size(), 2, Timeout);
    SetFocus(host.Handle());
    QTRY_COMPARE_WITH_TIMEOUT(focus.size(), 3, Timeout);
    QTest::qWait(200); // anything raised twice arrives within this
    QCOMPARE(focus, expected);
}

void TestComponent::compositorWindowsWatched()
{
    THost host;
    QList<UINT> seen;
    host.Browser->OnRenderCompMsg = [&](TObject*, TMessage& aMessage, bool& aHandled) {
        seen << aMessage.Msg;
        if (aMessage.Msg == WM_USER + 7) {
            aMessage.Result = 42;
            aHandled = true;
        }
        if (aMessage.Msg == WM_USER + 9)
            throw std::runtime_error("handler failed");
    };
    QVERIFY(host.Create());
    QTRY_VERIFY_WITH_TIMEOUT(host.Created(), Timeout);
    QCOMPARE(host.Browser->RenderCompHWND(), HWND(nullptr)); // no navigation yet
    QVERIFY(host.Browser->NavigateToString(EchoPage));
    QTRY_VERIFY_WITH_TIMEOUT(host.Events.contains(QStringLiteral("NavigationStarting")), Timeout);

    const HWND widget0 = host.Browser->Widget0CompHWND();
    const HWND widget1 = host.Browser->Widget1CompHWND();
    const HWND render = host.Browser->RenderCompHWND();
    QVERIFY(widget0 && widget1 && render);
    QCOMPARE(host.Browser->D3DWindowCompHWND(), HWND(nullptr));
    char name[64] = {};
    GetClassNameA(widget0, name, sizeof name);
    QCOMPARE(QByteArray(name), QByteArray("Chrome_WidgetWin_0"));
    GetClassNameA(render, name, sizeof name);
    QCOMPARE(QByteArray(name), QByteArray("Chrome_RenderWidgetHostHWND"));

    // The hooked render window: the handler sees its messages first and may consume one.
    QCOMPARE(SendMessageW(render, WM_USER + 7, 0, 0), LRESULT(42));
    QCOMPARE(SendMessageW(render, WM_USER + 8, 0, 0), LRESULT(0));
    QCOMPARE(seen.mid(seen.size() - 2), (QList<UINT>{WM_USER + 7, WM_USER + 8}));
    // A handler's exception stops in the window procedure (the loader does not ask for it again).
    QCOMPARE(SendMessageW(render, WM_USER + 9, 0, 0), LRESULT(0));
    QCOMPARE(seen.last(), UINT(WM_USER + 9));

    // A later navigation makes the engine replace the render window: the hook sees the old
    // one's WM_DESTROY, which removes the hook and clears the handle until the next lookup.
    // The engine decides by itself whether a navigation gets a new render window (a busy machine
    // sometimes keeps the old one), so navigate until it does.
    seen.clear();
    bool replaced = false;
    for (int i = 0; i < 5 && !replaced; ++i) {
        host.Messages.clear();
        QVERIFY(host.Browser->NavigateToString(EchoPage));
        QTRY_VERIFY_WITH_TIMEOUT(!host.Messages.isEmpty(), Timeout);
        replaced = QTest::qWaitFor([&] { return !IsWindow(render); }, 3000);
    }
    QVERIFY2(replaced, "the engine kept its render window over five navigations");
    QVERIFY(seen.contains(WM_DESTROY));
    QCOMPARE(host.Browser->RenderCompHWND(), HWND(nullptr));

    // Destroying the component removes the hook: the render window, which the engine frees only
    // later, no longer reaches the handler, nor does its WM_DESTROY.
    THost other;
    QList<UINT> otherSeen;
    other.Browser->OnRenderCompMsg = [&](TObject*, TMessage& aMessage, bool&) {
        otherSeen << aMessage.Msg;
    };
    QVERIFY(other.Create());
    QTRY_VERIFY_WITH_TIMEOUT(other.Created(), Timeout);
    QVERIFY(other.Browser->NavigateToString(EchoPage));
    QTRY_VERIFY_WITH_TIMEOUT(other.Events.contains(QStringLiteral("NavigationStarting")), Timeout);
    const HWND hooked = other.Browser->RenderCompHWND();
    QVERIFY(IsWindow(hooked));
    SendMessageW(hooked, WM_USER + 8, 0, 0);
    QVERIFY(otherSeen.contains(WM_USER + 8));
    otherSeen.clear();
    other.Browser.reset();
    QVERIFY(IsWindow(hooked));
    QCOMPARE(SendMessageW(hooked, WM_USER + 7, 0, 0), LRESULT(0));
    QTRY_VERIFY_WITH_TIMEOUT(!IsWindow(hooked), Timeout);
    QVERIFY(otherSeen.isEmpty());
}

void TestComponent::handlerExceptionReported()
{
    THost host;
    QVERIFY(host.Create());
    QTRY_VERIFY_WITH_TIMEOUT(host.Created(), Timeout);
    host.Browser->OnWebMessageReceived = [&](TObject*, ICoreWebView2*,
                                             ICoreWebView2WebMessageReceivedEventArgs*) {
        throw std::runtime_error("disk I/O error");
    };
    ReportedErrors().clear();
    QVERIFY(host.Browser->NavigateToString(EchoPage));
    QTRY_VERIFY_WITH_TIMEOUT(!ReportedErrors().isEmpty(), Timeout);
    QCOMPARE(ReportedErrors().first(), QStringLiteral("disk I/O error"));
    // The browser goes on working.
    host.Browser->OnWebMessageReceived = nullptr;
    host.Events.clear();
    QVERIFY(host.Browser->NavigateToString(EchoPage));
    QTRY_VERIFY_WITH_TIMEOUT(host.Events.contains(QStringLiteral("NavigationCompleted")), Timeout);
}

namespace {

class TCountingBrowser : public TWVBrowser
{
public:
    bool SimulateKeyEvent(TWV2KeyEventType type_, INT32 modifiers, INT32 windowsVirtualKeyCode,
                          INT32 nativeVirtualKeyCode, INT32 timestamp, INT32 location,
                          bool autoRepeat, bool isKeypad, bool isSystemKey, const wvstring& text,
                          const wvstring& unmodifiedText, const wvstring& keyIdentifier,
                          const wvstring& code, const wvstring& key) override
    {
        // Everything a shortcut chooses; the flags and texts it must leave false and empty.
        Calls << QStringLiteral("%1 %2 %3 %4 %5 %6 %7%8%9 [%10]")
                     .arg(int(type_))
                     .arg(modifiers)
                     .arg(windowsVirtualKeyCode)
                     .arg(nativeVirtualKeyCode)
                     .arg(timestamp)
                     .arg(location)
                     .arg(int(autoRepeat))
                     .arg(int(isKeypad))
                     .arg(int(isSystemKey))
                     .arg(Q(text + unmodifiedText + keyIdentifier + code + key));
        return Accept || TWVBrowser::SimulateKeyEvent(type_, modifiers, windowsVirtualKeyCode,
                                                      nativeVirtualKeyCode, timestamp, location,
                                                      autoRepeat, isKeypad, isSystemKey, text,
                                                      unmodifiedText, keyIdentifier, code, key);
    }
    QStringList Calls;
    bool Accept = false;
};

} // namespace

void TestComponent::shortcutsStopAtFirstRefusal()
{
    QWidget window;
    auto* parent = new TWVWindowParent(&window);
    window.resize(200, 100);
    window.show();
    TCountingBrowser browser;
    QVERIFY(browser.CreateBrowser(parent->Handle(), true));
    QTRY_VERIFY_WITH_TIMEOUT(browser.Initialized(), Timeout);
    // This runtime refuses DevTools calls, so the first key event ends the shortcut.
    QVERIFY(!browser.CallDevToolsProtocolMethod(u"Input.dispatchKeyEvent", u"{}", 1));
    // Type, modifiers, virtual key, native key code, time stamp, location, the three flags and
    // the texts of each simulated key event.
    const QString f3Down = QStringLiteral("%1 256 114 3997697 0 0 000 []").arg(int(ketRawKeyDown));
    const QString f3Up = QStringLiteral("%1 256 114 -1069744127 0 0 000 []").arg(int(ketKeyUp));
    QVERIFY(!browser.KeyboardShortcutSearch());
    QCOMPARE(browser.Calls, QStringList{f3Down});
    browser.Accept = true;
    browser.Calls.clear();
    QVERIFY(browser.KeyboardShortcutSearch());
    QCOMPARE(browser.Calls, (QStringList{f3Down, f3Up}));
    browser.Calls.clear();
    QVERIFY(browser.KeyboardShortcutRefreshIgnoreCache());
    QCOMPARE(browser.Calls,
             (QStringList{QStringLiteral("%1 1282 16 2752513 0 0 000 []").arg(int(ketRawKeyDown)),
                          QStringLiteral("%1 258 116 4128769 0 0 000 []").arg(int(ketRawKeyDown)),
                          QStringLiteral("%1 258 116 -1069613055 0 0 000 []").arg(int(ketKeyUp)),
                          QStringLiteral("%1 256 16 -1070989311 0 0 000 []").arg(int(ketKeyUp))}));
}

void TestComponent::formMoving()
{
    QWidget form;
    form.setGeometry(10, 10, 300, 200);
    form.show();
    TWVBrowser browser(&form);
    QCOMPARE(browser.GetParentForm(), &form);
    browser.ResizeFormWidthTo(50);
    QCOMPARE(form.width(), 100);
    browser.ResizeFormHeightTo(250);
    QCOMPARE(form.height(), 250);
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    browser.MoveFormTo(desktop.width() + 500, 20);
    QCOMPARE(form.frameGeometry().left(), desktop.width() - form.frameGeometry().width());
    QCOMPARE(form.frameGeometry().top(), 20);

    TWVBrowser orphan; // no form: nothing happens
    orphan.MoveFormTo(5, 5);
    QVERIFY(!orphan.GetParentForm());
}
