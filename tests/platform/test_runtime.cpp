// The browser runtime on the real engine, reached through the loader library as the host
// reaches it.
#include "test_platform.h"

#include "platformqt.h"

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QThread>
#include <QUrl>

namespace {

constexpr int Timeout = 20000;

std::u16string W(const QString& s)
{
    return s.toStdU16String();
}

// Records web messages and the navigation events of one webview, in arrival order.
struct TRecorder
{
    QStringList Events;
    QStringList Messages; // JSON texts
    QStringList Sources;
    QList<UINT64> StartIds, CompletedIds;
    QList<bool> Success;
    QStringList StartUris;
    QStringList Tokens;
    std::vector<EventRegistrationToken> Held;

    void Attach(ICoreWebView2* webview)
    {
        EventRegistrationToken t{};
        auto keep = [&] {
            Tokens << QString::number(t.value);
            Held.push_back(t);
        };
        webview->add_NavigationStarting(
            MakeHandler<ICoreWebView2NavigationStartingEventHandler>(
                [this](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* a) {
                    LPWSTR uri = nullptr;
                    a->get_Uri(&uri);
                    UINT64 id = 0;
                    a->get_NavigationId(&id);
                    StartUris << TakeWide(uri);
                    StartIds << id;
                    Events << "NavigationStarting";
                    return S_OK;
                })
                .Get(),
            &t);
        keep();
        webview->add_SourceChanged(
            MakeHandler<ICoreWebView2SourceChangedEventHandler>(
                [this](ICoreWebView2*, ICoreWebView2SourceChangedEventArgs*) {
                    Events << "SourceChanged";
                    return S_OK;
                })
                .Get(),
            &t);
        keep();
        webview->add_ContentLoading(
            MakeHandler<ICoreWebView2ContentLoadingEventHandler>(
                [this](ICoreWebView2*, ICoreWebView2ContentLoadingEventArgs*) {
                    Events << "ContentLoading";
                    return S_OK;
                })
                .Get(),
            &t);
        keep();
        webview->add_HistoryChanged(
            MakeHandler<ICoreWebView2HistoryChangedEventHandler>([this](ICoreWebView2*, IUnknown*) {
                Events << "HistoryChanged";
                return S_OK;
            }).Get(),
            &t);
        keep();
        webview->add_NavigationCompleted(
            MakeHandler<ICoreWebView2NavigationCompletedEventHandler>(
                [this](ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs* a) {
                    BOOL ok = FALSE;
                    a->get_IsSuccess(&ok);
                    UINT64 id = 0;
                    a->get_NavigationId(&id);
                    Success << (ok != FALSE);
                    CompletedIds << id;
                    Events << "NavigationCompleted";
                    return S_OK;
                })
                .Get(),
            &t);
        keep();
        webview->add_WebMessageReceived(
            MakeHandler<ICoreWebView2WebMessageReceivedEventHandler>(
                [this](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* a) {
                    LPWSTR json = nullptr, source = nullptr;
                    a->get_WebMessageAsJson(&json);
                    a->get_Source(&source);
                    Messages << TakeWide(json);
                    Sources << TakeWide(source);
                    return S_OK;
                })
                .Get(),
            &t);
        keep();
    }
    void Reset()
    {
        Events.clear();
        Messages.clear();
        Sources.clear();
        StartIds.clear();
        CompletedIds.clear();
        Success.clear();
        StartUris.clear();
    }
    bool HasMessage(const QString& type) const
    {
        for (const QString& m : Messages)
            if (QJsonDocument::fromJson(m.toUtf8()).object().value("type").toString() == type)
                return true;
        return false;
    }
};

QString RunScript(ICoreWebView2* webview, const QString& script, HRESULT* call = nullptr)
{
    QString result;
    bool done = false;
    const HRESULT hr = webview->ExecuteScript(
        W(script).c_str(),
        MakeHandler<ICoreWebView2ExecuteScriptCompletedHandler>([&](HRESULT, LPCWSTR json) {
            result = QString::fromUtf16(json);
            done = true;
            return S_OK;
        }).Get());
    if (call)
        *call = hr;
    if (SUCCEEDED(hr))
        (void)QTest::qWaitFor([&] { return done; }, Timeout);
    return result;
}

TComPtr<ICoreWebView2> WebViewOf(ICoreWebView2Controller* controller)
{
    TComPtr<ICoreWebView2> webview;
    controller->get_CoreWebView2(webview.Put());
    return webview;
}

const char* const ReadyPage = R"(<!DOCTYPE html><html><head><title>Ready page</title><script>
window.chrome.webview.addEventListener('message', function (e) {
  window.chrome.webview.postMessage({ type: 'loadAck', data: e.data });
});
window.chrome.webview.postMessage({ type: 'ready' });
</script></head><body>ready</body></html>)";

} // namespace

HRESULT TestRuntime::CreateEnvironment(ICoreWebView2EnvironmentOptions* options,
                                       TComPtr<ICoreWebView2Environment>& environment,
                                       const QString& folder)
{
    HRESULT code = S_FALSE;
    bool done = false;
    auto handler = MakeHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        [&](HRESULT hr, ICoreWebView2Environment* env) {
            code = hr;
            environment = TComPtr<ICoreWebView2Environment>(env);
            done = true;
            return S_OK;
        });
    const HRESULT hr = FCreate(u"", W(folder).c_str(), options, handler.Get());
    if (FAILED(hr))
        return hr;
    if (done)
        return E_UNEXPECTED; // a completion must never arrive inside the call
    (void)QTest::qWaitFor([&] { return done; }, Timeout);
    return done ? code : E_ABORT;
}

TComPtr<ICoreWebView2Controller> TestRuntime::CreateController(QWidget* host, HRESULT* code)
{
    TComPtr<ICoreWebView2Controller> result;
    if (!FEnvironment)
        return result;
    HRESULT completion = S_FALSE;
    bool done = false;
    auto handler = MakeHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
        [&](HRESULT hr, ICoreWebView2Controller* c) {
            completion = hr;
            result = TComPtr<ICoreWebView2Controller>(c);
            done = true;
            return S_OK;
        });
    const HRESULT hr =
        FEnvironment->CreateCoreWebView2Controller(WindowHandle(host), handler.Get());
    if (SUCCEEDED(hr) && !done)
        (void)QTest::qWaitFor([&] { return done; }, Timeout);
    if (code)
        *code = FAILED(hr) ? hr : completion;
    return result;
}

void TestRuntime::initTestCase()
{
    QVERIFY(FData.isValid());
    qputenv(PlatformRootVariable, QUORVEL_BUILD_ROOT);
    FLoader = LoadLibraryW(u"WebView2Loader.dll");
    QVERIFY2(FLoader, "the loader library beside the program");
    for (const char* name :
         {"CreateCoreWebView2EnvironmentWithOptions", "CreateCoreWebView2Environment",
          "GetAvailableCoreWebView2BrowserVersionString",
          "GetAvailableCoreWebView2BrowserVersionStringWithOptions", "CompareBrowserVersions"})
        QVERIFY2(GetProcAddress(FLoader, name), name);
    FCreate = ProcAs<TCreateCoreWebView2EnvironmentWithOptions>(
        GetProcAddress(FLoader, "CreateCoreWebView2EnvironmentWithOptions"));

    // Without an apartment the runtime refuses, as the platform's does.
    auto none = MakeHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        [](HRESULT, ICoreWebView2Environment*) { return S_OK; });
    QCOMPARE(FCreate(u"", W(FData.path()).c_str(), nullptr, none.Get()), CO_E_NOTINITIALIZED);
    QCOMPARE(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
}

void TestRuntime::cleanupTestCase()
{
    FEnvironment.Reset();
    CoUninitialize();
}

void TestRuntime::loaderExports()
{
    auto version = ProcAs<TGetAvailableCoreWebView2BrowserVersionString>(
        GetProcAddress(FLoader, "GetAvailableCoreWebView2BrowserVersionString"));
    LPWSTR text = nullptr;
    QCOMPARE(version(nullptr, &text), S_OK);
    QCOMPARE(TakeWide(text), QStringLiteral("148.0.3967.48"));
    QCOMPARE(version(W(QUORVEL_BUILD_ROOT "/runtime/148.0.3967.48").c_str(), &text), S_OK);
    QCOMPARE(TakeWide(text), QStringLiteral("148.0.3967.48"));
    QCOMPARE(version(W(QUORVEL_TEST_DATA).c_str(), &text),
             HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    QCOMPARE(text, nullptr);
    qputenv(PlatformRootVariable, QUORVEL_TEST_DATA); // a registry without the runtime
    QTest::ignoreMessage(QtWarningMsg,
                         "registry: " QUORVEL_TEST_DATA "/registry/later.reg:8: not a value");
    QCOMPARE(version(nullptr, &text), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    qputenv(PlatformRootVariable, QUORVEL_BUILD_ROOT);

    auto compare =
        ProcAs<TCompareBrowserVersions>(GetProcAddress(FLoader, "CompareBrowserVersions"));
    const struct
    {
        const char16_t* A;
        const char16_t* B;
        HRESULT Hr;
        int Result;
    } cases[] = {
        {u"148.0.3967.48", u"148.0.3967.48", S_OK, 0},
        {u"100.0.0.0", u"99.9.9.9", S_OK, 1},
        {u"148.0.3967.47", u"148.0.3967.48", S_OK, -1},
        {u"148.0.3967.48 beta", u"148.0.3967.48", S_OK, 0},
        {u"1.2.3", u"1.2.3.4", E_INVALIDARG, 0},
        {u"", u"1.2.3.4", E_INVALIDARG, 0},
    };
    for (const auto& c : cases) {
        int r = 99;
        QCOMPARE(compare(c.A, c.B, &r), c.Hr);
        if (SUCCEEDED(c.Hr))
            QCOMPARE(r, c.Result);
    }
    QCOMPARE(compare(u"1.0.0.0", u"1.0.0.0", nullptr), E_POINTER);
}

void TestRuntime::environmentRefusedAtTheCall()
{
    auto handler = MakeHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        [](HRESULT, ICoreWebView2Environment*) { return S_OK; });
    QCOMPARE(FCreate(u"", u"", nullptr, nullptr), E_POINTER);
    // Schemes must be registered before the application object exists.
    auto options = TComPtr<TTestOptions>::Attach(new TTestOptions(QString(), 2));
    QCOMPARE(FCreate(u"", W(FData.path()).c_str(), options.Get(), handler.Get()), E_INVALIDARG);
    QCOMPARE(options->GetterCalls, 1);
    // A fixed-version folder that holds no runtime.
    QCOMPARE(FCreate(W(QUORVEL_TEST_DATA).c_str(), u"", nullptr, handler.Get()),
             HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    HRESULT other = S_OK;
    QThread* t = QThread::create([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        other = FCreate(u"", W(FData.path()).c_str(), nullptr, handler.Get());
        CoUninitialize();
    });
    t->start();
    t->wait();
    delete t;
    QCOMPARE(other, RPC_E_WRONG_THREAD);
}

void TestRuntime::environmentArrivesLater()
{
    auto options = TComPtr<TTestOptions>::Attach(
        new TTestOptions(QStringLiteral("--disable-features=msEdgeRose")));
    QCOMPARE(CreateEnvironment(options.Get(), FEnvironment, FData.path() + "/WV2Cache"), S_OK);
    QVERIFY(FEnvironment);

    // Every version up to the highest one the host asks for; nothing beyond or beside.
    int versions = 0;
    for (const GUID& iid : {IID_ICoreWebView2Environment2, IID_ICoreWebView2Environment3,
                            IID_ICoreWebView2Environment4, IID_ICoreWebView2Environment5,
                            IID_ICoreWebView2Environment6, IID_ICoreWebView2Environment7,
                            IID_ICoreWebView2Environment8, IID_ICoreWebView2Environment9,
                            IID_ICoreWebView2Environment10, IID_ICoreWebView2Environment11,
                            IID_ICoreWebView2Environment12, IID_ICoreWebView2Environment13,
                            IID_ICoreWebView2Environment14, IID_ICoreWebView2Environment15}) {
        TComPtr<IUnknown> p;
        QCOMPARE(FEnvironment->QueryInterface(iid, reinterpret_cast<void**>(p.Put())), S_OK);
        ++versions;
    }
    QCOMPARE(versions, 14);
    void* p = reinterpret_cast<void*>(1);
    QCOMPARE(FEnvironment->QueryInterface(GuidFromName("ICoreWebView2Environment16"), &p),
             E_NOINTERFACE);
    QCOMPARE(p, nullptr);
    QCOMPARE(FEnvironment->QueryInterface(IID_ICoreWebView2, &p), E_NOINTERFACE);

    auto env7 = FEnvironment.As<ICoreWebView2Environment7>();
    LPWSTR folder = nullptr;
    QCOMPARE(env7->get_UserDataFolder(&folder), S_OK);
    QCOMPARE(TakeWide(folder), FData.path() + "/WV2Cache");
    QVERIFY(QFileInfo(FData.path() + "/WV2Cache").isDir());
    auto env3 = FEnvironment.As<ICoreWebView2Environment3>();
    QCOMPARE(env3->CreateCoreWebView2CompositionController(nullptr, nullptr), E_NOTIMPL);

    // Event subscriptions the engine never raises are accepted; no token is 0.
    EventRegistrationToken t{0};
    auto h = MakeHandler<ICoreWebView2NewBrowserVersionAvailableEventHandler>(
        [](ICoreWebView2Environment*, IUnknown*) { return S_OK; });
    QCOMPARE(FEnvironment->add_NewBrowserVersionAvailable(h.Get(), &t), S_OK);
    QVERIFY(t.value != 0);
    QCOMPARE(FEnvironment->remove_NewBrowserVersionAvailable(t), S_OK);
    QCOMPARE(FEnvironment->add_NewBrowserVersionAvailable(nullptr, &t), E_INVALIDARG);

    // While objects live the runtime client cannot be unloaded.
    HMODULE client = LoadLibraryW(
        W(QUORVEL_BUILD_ROOT "/runtime/148.0.3967.48/EBWebView/x64/EmbeddedBrowserWebView.dll")
            .c_str());
    QVERIFY(client);
    auto canUnload = ProcAs<TDllCanUnloadNow>(GetProcAddress(client, "DllCanUnloadNow"));
    QCOMPARE(canUnload(), S_FALSE);
    FreeLibrary(client);
}

void TestRuntime::oneEngineArguments()
{
    // The engine has started with the first environment's arguments and cannot change them.
    TComPtr<ICoreWebView2Environment> second;
    auto other = TComPtr<TTestOptions>::Attach(new TTestOptions(QStringLiteral("--mute-audio")));
    QCOMPARE(CreateEnvironment(other.Get(), second, FData.path() + "/Other"),
             HRESULT_FROM_WIN32(ERROR_INVALID_STATE));
    QVERIFY(!second);
    auto same = TComPtr<TTestOptions>::Attach(
        new TTestOptions(QStringLiteral("--disable-features=msEdgeRose")));
    QCOMPARE(CreateEnvironment(same.Get(), second, FData.path() + "/Other"), S_OK);
    QVERIFY(second);
}

void TestRuntime::controllerWindows()
{
    QWidget host;
    host.resize(400, 300);
    host.show();
    HRESULT code = E_FAIL;
    auto controller = CreateController(&host, &code);
    QCOMPARE(code, S_OK);
    QVERIFY(controller);

    // The runtime's windows, as compositor window watching looks them up.
    const HWND hostHandle = WindowHandle(&host);
    const HWND widget0 = FindWindowExA(hostHandle, nullptr, "Chrome_WidgetWin_0", "");
    QVERIFY(widget0);
    QCOMPARE(GetWindow(hostHandle, GW_CHILD), widget0);
    const HWND widget1 = FindWindowExA(widget0, nullptr, "Chrome_WidgetWin_1", nullptr);
    QVERIFY(widget1);
    QCOMPARE(FindWindowExA(widget1, nullptr, "Intermediate D3D Window", nullptr), nullptr);

    QVERIFY(SUCCEEDED(controller->put_Bounds(RECT{10, 20, 210, 170})));
    RECT r{};
    QVERIFY(SUCCEEDED(controller->get_Bounds(&r)));
    QCOMPARE(WindowFromHandle(widget0)->geometry(), QRect(10, 20, 200, 150));
    QCOMPARE(r.right, LONG(210));

    auto webview = WebViewOf(controller.Get());
    QVERIFY(webview);
    TRecorder rec;
    rec.Attach(webview.Get());
    QVERIFY(SUCCEEDED(webview->NavigateToString(u"<html><body>render</body></html>")));
    QTRY_VERIFY_WITH_TIMEOUT(rec.Events.contains("NavigationCompleted"), Timeout);
    QTRY_VERIFY_WITH_TIMEOUT(FindWindowExA(widget1, nullptr, "Chrome_RenderWidgetHostHWND",
                                           "Chrome Legacy Window") != nullptr,
                             Timeout);

    // Version chains: the controller to 4, the webview to 28, settings to 9, profile to 8.
    for (const GUID& iid : {IID_ICoreWebView2Controller2, IID_ICoreWebView2Controller3,
                            IID_ICoreWebView2Controller4}) {
        TComPtr<IUnknown> p;
        QCOMPARE(controller->QueryInterface(iid, reinterpret_cast<void**>(p.Put())), S_OK);
    }
    TComPtr<IUnknown> p;
    QCOMPARE(webview->QueryInterface(IID_ICoreWebView2_28, reinterpret_cast<void**>(p.Put())),
             S_OK);
    QCOMPARE(webview->QueryInterface(GuidFromName("ICoreWebView2_29"),
                                     reinterpret_cast<void**>(p.Put())),
             E_NOINTERFACE);
    TComPtr<ICoreWebView2Settings> settings;
    QCOMPARE(webview->get_Settings(settings.Put()), S_OK);
    QCOMPARE(
        settings->QueryInterface(IID_ICoreWebView2Settings9, reinterpret_cast<void**>(p.Put())),
        S_OK);
    TComPtr<ICoreWebView2Profile> profile;
    QCOMPARE(webview.As<ICoreWebView2_13>()->get_Profile(profile.Put()), S_OK);
    QCOMPARE(profile->QueryInterface(IID_ICoreWebView2Profile8, reinterpret_cast<void**>(p.Put())),
             S_OK);
    controller->Close();
}

void TestRuntime::pageMessagesBothWays()
{
    QWidget host;
    host.resize(400, 300);
    host.show();
    auto controller = CreateController(&host);
    QVERIFY(controller);
    auto webview = WebViewOf(controller.Get());
    TRecorder rec;
    rec.Attach(webview.Get());
    for (const QString& token : rec.Tokens)
        QVERIFY(token != "0");

    // The page posts before its channel is up; the post is queued, not lost.
    QCOMPARE(webview->NavigateToString(W(QString::fromUtf8(ReadyPage)).c_str()), S_OK);
    QVERIFY(rec.Events.isEmpty()); // nothing inside the call
    QTRY_VERIFY_WITH_TIMEOUT(rec.HasMessage("ready"), Timeout);
    QCOMPARE(rec.Messages.first(), QStringLiteral("{\"type\":\"ready\"}"));
    QCOMPARE(rec.Sources.first(), QStringLiteral("about:blank"));

    QCOMPARE(webview->PostWebMessageAsString(u"load \"é\""), S_OK);
    QTRY_VERIFY_WITH_TIMEOUT(rec.HasMessage("loadAck"), Timeout);
    QCOMPARE(
        QJsonDocument::fromJson(rec.Messages.last().toUtf8()).object().value("data").toString(),
        QStringLiteral("load \"é\""));
    QCOMPARE(webview->PostWebMessageAsJson(u"{\"n\":[1,2]}"), S_OK);
    QTRY_COMPARE_WITH_TIMEOUT(rec.Messages.size(), 3, Timeout);
    QCOMPARE(rec.Messages.last(), QStringLiteral("{\"type\":\"loadAck\",\"data\":{\"n\":[1,2]}}"));
    QCOMPARE(webview->PostWebMessageAsJson(u"{not json"), E_INVALIDARG);

    // The order the platform promises for one navigation, and the reported source.
    QTRY_VERIFY_WITH_TIMEOUT(rec.Events.contains("NavigationCompleted"), Timeout);
    QCOMPARE(rec.Events, QStringList({"NavigationStarting", "ContentLoading", "HistoryChanged",
                                      "NavigationCompleted"}));
    QCOMPARE(rec.StartUris, QStringList({"about:blank"}));
    QCOMPARE(rec.StartIds, rec.CompletedIds);
    QCOMPARE(rec.Success, QList<bool>({true}));
    LPWSTR source = nullptr;
    QCOMPARE(webview->get_Source(&source), S_OK);
    QCOMPARE(TakeWide(source), QStringLiteral("about:blank"));

    // A removed subscription hears nothing more.
    for (const EventRegistrationToken& t : rec.Held)
        webview->remove_WebMessageReceived(t);
    const int before = rec.Messages.size();
    webview->PostWebMessageAsString(u"again");
    QTest::qWait(300);
    QCOMPARE(rec.Messages.size(), before);
    controller->Close();
}

void TestRuntime::scripts()
{
    QWidget host;
    host.resize(300, 200);
    host.show();
    auto controller = CreateController(&host);
    auto webview = WebViewOf(controller.Get());
    TRecorder rec;
    rec.Attach(webview.Get());

    QString id;
    QCOMPARE(webview->AddScriptToExecuteOnDocumentCreated(
                 u"window.marker = 'set by the host ' + typeof window.chrome.webview;",
                 MakeHandler<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler>(
                     [&](HRESULT, LPCWSTR text) {
                         id = QString::fromUtf16(text);
                         return S_OK;
                     })
                     .Get()),
             S_OK);
    QTRY_VERIFY_WITH_TIMEOUT(!id.isEmpty(), Timeout);
    webview->NavigateToString(u"<html><body><p id='p'>text</p></body></html>");
    QTRY_VERIFY_WITH_TIMEOUT(rec.Events.contains("NavigationCompleted"), Timeout);

    const struct
    {
        const char* Script;
        const char* Json;
    } cases[] = {
        {"1 + 2", "3"},
        {"'a' + \"\\\"b\"", "\"a\\\"b\""},
        {"({x: [true, null], y: 'é'})", "{\"x\":[true,null],\"y\":\"é\"}"},
        {"undefined", "null"},
        {"window.marker", "\"set by the host object\""},
        {"document.getElementById('p').textContent", "\"text\""},
    };
    for (const auto& c : cases)
        QCOMPARE(RunScript(webview.Get(), QString::fromUtf8(c.Script)), QString::fromUtf8(c.Json));

    QCOMPARE(webview->RemoveScriptToExecuteOnDocumentCreated(W(id).c_str()), S_OK);
    rec.Reset();
    webview->NavigateToString(u"<html><body>second</body></html>");
    QTRY_VERIFY_WITH_TIMEOUT(rec.Events.contains("NavigationCompleted"), Timeout);
    QCOMPARE(RunScript(webview.Get(), "typeof window.marker"), QStringLiteral("\"undefined\""));

    HRESULT call = S_OK;
    RunScript(webview.Get(), "1", &call);
    QCOMPARE(call, S_OK);
    QCOMPARE(webview->ExecuteScript(nullptr, nullptr), E_INVALIDARG);
    controller->Close();
}

void TestRuntime::navigationAndDefaults()
{
    QWidget host;
    host.resize(400, 300);
    host.show();
    auto controller = CreateController(&host);
    auto webview = WebViewOf(controller.Get());
    TRecorder rec;
    rec.Attach(webview.Get());

    // A text far above the 2 MB a data address can carry is shown whole. It comes as paragraphs
    // of words, as notes do: one 3 MB paragraph keeps the engine's line layout busy for seconds.
    const QString paragraph =
        QStringLiteral("<p>%1</p>").arg(QStringLiteral("words ").repeated(170));
    const QString big = paragraph.repeated(3 * 1024);
    QCOMPARE(webview->NavigateToString(W("<html><body>" + big + "</body></html>").c_str()), S_OK);
    QTRY_VERIFY_WITH_TIMEOUT(rec.Events.contains("NavigationCompleted"), Timeout);
    QCOMPARE(RunScript(webview.Get(), "document.body.innerHTML.length"),
             QString::number(big.size()));

    for (const char16_t* bad : {u"", u"not an address", u"relative/path.html"})
        QCOMPARE(webview->Navigate(bad), E_INVALIDARG);

    // A page from a file cannot read other local files; the events follow the platform's order.
    rec.Reset();
    const QString page =
        QUrl::fromLocalFile(QStringLiteral(QUORVEL_TEST_DATA "/filepage.html")).toString();
    QCOMPARE(webview->Navigate(W(page).c_str()), S_OK);
    QTRY_VERIFY_WITH_TIMEOUT(rec.Events.contains("NavigationCompleted"), Timeout);
    QTRY_VERIFY_WITH_TIMEOUT(rec.HasMessage("fileRead"), Timeout);
    QCOMPARE(rec.Messages.last(), QStringLiteral("{\"type\":\"fileRead\",\"result\":\"blocked\"}"));
    QCOMPARE(rec.Sources.last(), page);
    QCOMPARE(rec.Events, QStringList({"NavigationStarting", "SourceChanged", "ContentLoading",
                                      "HistoryChanged", "NavigationCompleted"}));
    QCOMPARE(rec.StartUris, QStringList({page}));

    // PDF files open in the browser's viewer.
    QCOMPARE(RunScript(webview.Get(), "navigator.pdfViewerEnabled"), QStringLiteral("true"));

    // A new window opens nothing unless the host handles the request.
    QString requested;
    EventRegistrationToken t{};
    webview->add_NewWindowRequested(
        MakeHandler<ICoreWebView2NewWindowRequestedEventHandler>(
            [&](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* a) {
                LPWSTR uri = nullptr;
                a->get_Uri(&uri);
                requested = TakeWide(uri);
                return S_OK;
            })
            .Get(),
        &t);
    const int windows = QApplication::topLevelWidgets().size();
    RunScript(webview.Get(), "window.open('https://example.invalid/popup'); 0");
    QTRY_COMPARE_WITH_TIMEOUT(requested, QStringLiteral("https://example.invalid/popup"), Timeout);
    QCOMPARE(QApplication::topLevelWidgets().size(), windows);

    // A navigation that replaces one under way completes the first as failed.
    rec.Reset();
    webview->NavigateToString(u"<html><body>one</body></html>");
    webview->NavigateToString(u"<html><body>two</body></html>");
    QTRY_VERIFY_WITH_TIMEOUT(rec.Success.contains(true), Timeout);
    QCOMPARE(rec.Success.last(), true);
    QCOMPARE(rec.StartIds.size(), rec.CompletedIds.size());
    controller->Close();
}

void TestRuntime::focusAndVisibility()
{
    QWidget host;
    host.resize(300, 200);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    auto controller = CreateController(&host);
    int got = 0, lost = 0;
    EventRegistrationToken t1{}, t2{};
    controller->add_GotFocus(
        MakeHandler<ICoreWebView2FocusChangedEventHandler>([&](ICoreWebView2Controller*,
                                                               IUnknown*) {
            ++got;
            return S_OK;
        }).Get(),
        &t1);
    controller->add_LostFocus(
        MakeHandler<ICoreWebView2FocusChangedEventHandler>([&](ICoreWebView2Controller*,
                                                               IUnknown*) {
            ++lost;
            return S_OK;
        }).Get(),
        &t2);
    QVERIFY(t1.value != t2.value);
    QCOMPARE(controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC), S_OK);
    QTRY_COMPARE_WITH_TIMEOUT(got, 1, Timeout);
    host.setFocus();
    QTRY_COMPARE_WITH_TIMEOUT(lost, 1, Timeout);
    QCOMPARE(controller->MoveFocus(7), E_INVALIDARG);

    BOOL visible = FALSE;
    QCOMPARE(controller->put_IsVisible(FALSE), S_OK);
    QCOMPARE(controller->get_IsVisible(&visible), S_OK);
    QCOMPARE(visible, FALSE);
    double zoom = 0;
    QCOMPARE(controller->get_ZoomFactor(&zoom), S_OK);
    QCOMPARE(zoom, 1.0);
    controller->Close();
}

void TestRuntime::closedAndGoneHosts()
{
    // A host window that goes before creation finishes gets E_ABORT.
    auto* host = new QWidget;
    host->show();
    HRESULT completion = S_FALSE;
    bool done = false;
    auto handler = MakeHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
        [&](HRESULT hr, ICoreWebView2Controller* c) {
            completion = hr;
            done = c == nullptr;
            return S_OK;
        });
    QCOMPARE(FEnvironment->CreateCoreWebView2Controller(WindowHandle(host), handler.Get()), S_OK);
    delete host;
    QTRY_VERIFY_WITH_TIMEOUT(done, Timeout);
    QCOMPARE(completion, E_ABORT);
    QCOMPARE(FEnvironment->CreateCoreWebView2Controller(WindowHandle(nullptr), handler.Get()),
             HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE));

    // After Close, and after the host window went with the controller, calls fail cleanly.
    QWidget first;
    auto controller = CreateController(&first);
    auto webview = WebViewOf(controller.Get());
    QCOMPARE(controller->Close(), S_OK);
    QCOMPARE(webview->NavigateToString(u"<p>x</p>"), HRESULT_FROM_WIN32(ERROR_INVALID_STATE));
    QCOMPARE(controller->put_Bounds(RECT{0, 0, 1, 1}), HRESULT_FROM_WIN32(ERROR_INVALID_STATE));
    QCOMPARE(FindWindowExA(WindowHandle(&first), nullptr, "Chrome_WidgetWin_0", nullptr), nullptr);

    auto* second = new QWidget;
    auto other = CreateController(second);
    auto otherView = WebViewOf(other.Get());
    delete second;
    QCOMPARE(otherView->PostWebMessageAsString(u"x"), HRESULT_FROM_WIN32(ERROR_INVALID_STATE));
    QCOMPARE(other->Close(), S_OK);

    // Calls from another thread fail.
    QWidget third;
    auto live = CreateController(&third);
    auto liveView = WebViewOf(live.Get());
    HRESULT fromThread = S_OK;
    QThread* t = QThread::create([&] { fromThread = liveView->NavigateToString(u"<p>x</p>"); });
    t->start();
    t->wait();
    delete t;
    QCOMPARE(fromThread, RPC_E_WRONG_THREAD);
    live->Close();
}
