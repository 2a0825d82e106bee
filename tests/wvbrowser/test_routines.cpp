#include "test_wvbrowser.h"

#include "wvbrowser.h"
#include "wvcorewebview2.h"
#include "wvcorewebview2controller.h"
#include "wvwebmessagereceivedeventargs.h"

#include "testcom.h"

#include <QTest>

#include <stdexcept>

namespace {

QString Q(const wvstring& s)
{
    return QString::fromStdU16String(s);
}
wvstring W(const QString& s)
{
    return s.toStdU16String();
}

} // namespace

void TestRoutines::extractEncodedJson_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("text");
    QTest::newRow("quoted empty string") << "\"\""
                                         << "";
    QTest::newRow("quotes removed") << "\"abc\""
                                    << "abc";
    QTest::newRow("one quote stays") << "\""
                                     << "\"";
    QTest::newRow("percent and two digits") << "%41b"
                                            << "Ab";
    QTest::newRow("plus is a blank") << "a+b"
                                     << "a b";
    QTest::newRow("double percent") << "100%%"
                                    << "100%";
    QTest::newRow("percent and other characters") << "a%zzb"
                                                  << "a zb";
    QTest::newRow("UTF-8 bytes") << "%C3%A9" << QString::fromUtf8("\xC3\xA9");
    // A "%" among the last two characters has no room for two digits.
    QTest::newRow("percent last") << "ab%"
                                  << "ab%";
    QTest::newRow("percent and one digit last") << "ab%4"
                                                << "ab ";
    QTest::newRow("percent alone") << "%"
                                   << "%";
}

void TestRoutines::extractEncodedJson()
{
    QFETCH(QString, json);
    QFETCH(QString, text);
    QCOMPARE(Q(ExtractEncodedJson(W(json))), text);
}

void TestRoutines::zoomSteps_data()
{
    QTest::addColumn<double>("pct");
    QTest::addColumn<int>("step");
    QTest::newRow("100") << 100.0 << 6;
    QTest::newRow("80, nearer 75") << 80.0 << 4;
    QTest::newRow("71, tie takes 67") << 71.0 << 3;
    QTest::newRow("105, tie takes 100") << 105.0 << 6;
    QTest::newRow("1000") << 1000.0 << 15;
    QTest::newRow("0") << 0.0 << 0;
}

void TestRoutines::zoomSteps()
{
    QFETCH(double, pct);
    QFETCH(int, step);
    QCOMPARE(int(ZoomStepForPct(pct)), step);
}

void TestRoutines::keyEventJson()
{
    QCOMPARE(Q(KeyEventJson(ketChar, 0, 0, 0, 0, 0, false, false, false, u"a", {}, {}, {}, {})),
             QStringLiteral("{\"type\": \"char\", \"text\": \"a\"}"));
    // Every member, in the protocol's order; a value with the top bit set is negative.
    QCOMPARE(Q(KeyEventJson(ketKeyUp, 256, 114, static_cast<INT32>(0xC03D0001u), 7, 2, true, true,
                            true, u"\"", u"u", u"k", u"F3", u"F3")),
             QStringLiteral("{\"type\": \"keyUp\", \"modifiers\": 256, \"timestamp\": 7, "
                            "\"text\": \"\\\"\", \"unmodifiedText\": \"u\", \"keyIdentifier\": "
                            "\"k\", \"code\": \"F3\", \"key\": \"F3\", \"windowsVirtualKeyCode\": "
                            "114, \"nativeVirtualKeyCode\": -1069744127, \"autoRepeat\": true, "
                            "\"isKeypad\": true, \"isSystemKey\": true, \"location\": 2}"));
}

void TestRoutines::executionIdsRouted()
{
    TWVBrowser browser;
    QStringList seen;
    browser.OnRetrieveHTMLCompleted = [&](TObject*, bool r, const wvstring& t) {
        seen << QStringLiteral("html %1 %2").arg(r).arg(Q(t));
    };
    browser.OnRetrieveTextCompleted = [&](TObject*, bool r, const wvstring& t) {
        seen << QStringLiteral("text %1 %2").arg(r).arg(Q(t));
    };
    browser.OnExecuteScriptCompleted = [&](TObject*, HRESULT, const wvstring& t, INT32 id) {
        seen << QStringLiteral("script %1 %2").arg(Q(t)).arg(id);
    };
    browser.OnRetrieveMHTMLCompleted = [&](TObject*, bool r, const wvstring& t) {
        seen << QStringLiteral("mhtml %1 %2").arg(r).arg(Q(t));
    };
    auto result = [&](const char* name) {
        return
            [&seen, name](TObject*, bool r) { seen << QStringLiteral("%1 %2").arg(name).arg(r); };
    };
    browser.OnClearCacheCompleted = result("cache");
    browser.OnClearDataForOriginCompleted = result("origin");
    browser.OnOfflineCompleted = result("offline");
    browser.OnIgnoreCertificateErrorsCompleted = result("certificates");
    browser.OnSimulateKeyEventCompleted = result("key");
    browser.OnRefreshIgnoreCacheCompleted = [&](TObject*, HRESULT e, const wvstring& t) {
        seen << QStringLiteral("refresh %1 %2").arg(e).arg(Q(t));
    };
    browser.OnCallDevToolsProtocolMethodCompleted = [&](TObject*, HRESULT, const wvstring& t,
                                                        INT32 id) {
        seen << QStringLiteral("devtools %1 %2").arg(Q(t)).arg(id);
    };
    IWVBrowserEvents* events = &browser;
    const struct
    {
        bool Script;
        HRESULT Code;
        const char16_t* Result;
        INT32 Id;
        const char* Seen;
    } rows[] = {
        {true, S_OK, u"\"%3Cp%3E\"", 10000, "html 1 <p>"},
        {true, S_OK, u"\"\"", 10000, "html 0 "},
        {true, E_FAIL, u"\"x\"", 10000, nullptr}, // a failed retrieval raises nothing
        {true, S_OK, u"\"t+1\"", 10001, "text 1 t 1"},
        {true, S_OK, u"2", 10002, "script 2 10002"},
        {false, S_OK, u"{\"data\":\"M\"}", 10000, "mhtml 1 M"},
        {false, E_FAIL, u"{\"data\":\"M\"}", 10000, "mhtml 0 "},
        {false, S_OK, u"{}", 10001, "cache 1"},
        {false, S_OK, u"{}", 10002, "origin 1"},
        {false, S_OK, u"{}", 10003, "offline 1"},
        {false, S_OK, u"{}", 10004, "certificates 1"},
        {false, E_FAIL, nullptr, 10005, "key 0"},
        {false, S_OK, u"{\"a\":1}", 10006, "refresh 0 {\"a\":1}"},
        {false, S_OK, u"{}", 10007, "devtools {} 10007"},
    };
    for (const auto& row : rows) {
        seen.clear();
        const HRESULT hr =
            row.Script ? events->ExecuteScriptCompletedHandler_Invoke(row.Code, row.Result, row.Id)
                       : events->CallDevToolsProtocolMethodCompletedHandler_Invoke(
                             row.Code, row.Result, row.Id);
        QCOMPARE(hr, S_OK);
        QCOMPARE(seen, row.Seen ? QStringList{QString::fromUtf8(row.Seen)} : QStringList{});
    }

    // Navigation bookkeeping comes before the event; the zoom step follows the controller.
    bool navigatingSeen = false;
    browser.OnNavigationStarting = [&](TObject*, ICoreWebView2*,
                                       ICoreWebView2NavigationStartingEventArgs*) {
        navigatingSeen = browser.IsNavigating();
    };
    events->NavigationStartingEventHandler_Invoke(nullptr, nullptr);
    QVERIFY(navigatingSeen);
    browser.OnNavigationCompleted = [&](TObject*, ICoreWebView2*,
                                        ICoreWebView2NavigationCompletedEventArgs*) {
        navigatingSeen = browser.IsNavigating();
    };
    events->NavigationCompletedEventHandler_Invoke(nullptr, nullptr);
    QVERIFY(!navigatingSeen);
    events->ZoomFactorChangedEventHandler_Invoke(nullptr, nullptr);
    QCOMPARE(int(browser.ZoomStep()), 0); // no controller: zoom 0
}

void TestRoutines::componentWithoutLoader()
{
    TWVBrowser browser;
    QVERIFY(!browser.Initialized());
    QVERIFY(!browser.Navigate(u"about:blank"));
    QVERIFY(!browser.NavigateToString(u"<p>"));
    QVERIFY(!browser.PostWebMessageAsString(u"x"));
    QVERIFY(!browser.SetFocus());
    QVERIFY(!browser.CallDevToolsProtocolMethod(u"Page.reload", u"{}", 1));
    QVERIFY(!browser.KeyboardShortcutSearch());
    QCOMPARE(browser.GetZoomFactor(), 0.0);
    QCOMPARE(browser.GetScreenScale(), 1.0f);
    browser.SetUserDataFolder(u"/some/folder");
    QCOMPARE(Q(browser.UserDataFolder()), QStringLiteral("/some/folder"));
    QVERIFY(!browser.CreateBrowser(reinterpret_cast<HWND>(1), true));
    QCOMPARE(browser.WindowParentHandle(), HWND(nullptr));

    // Wrappers built from nothing hold nothing and subscribe nothing.
    TCoreWebView2 webView(nullptr);
    QVERIFY(!webView.Initialized());
    QVERIFY(!webView.Navigate(u""));
    QVERIFY(!webView.AddAllBrowserEvents(&browser));
    QVERIFY(!webView.GetSettings());
    QCOMPARE(webView.HighestVersion(), 0);
    TCoreWebView2Controller controller(nullptr);
    QCOMPARE(controller.GetZoomFactor(), 0.0);
    QVERIFY(!controller.MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC));
    QVERIFY(!controller.Close());
    controller.SetBounds(RECT{0, 0, 10, 10});
    TCoreWebView2WebMessageReceivedEventArgs args(nullptr);
    QVERIFY(args.WebMessageAsJson().empty());
}

namespace {

// Something thrown that is not a standard exception, as a foreign library may throw.
struct TForeignFault
{
    int Code;
};

// A webview of the first version only, whose every subscription succeeds and whose removals throw
// the fault given.
class TFaultyRemovalWebView final : public TTestObject<ICoreWebView2>
{
public:
    explicit TFaultyRemovalWebView(std::function<void()> aFault) : FFault(std::move(aFault)) {}
    int Removals = 0;

#define FAKE_METHOD(NAME, ...)                                                                     \
    HRESULT STDMETHODCALLTYPE NAME(__VA_ARGS__) override                                           \
    {                                                                                              \
        return E_NOTIMPL;                                                                          \
    }
#define FAKE_EVENT(NAME, HANDLER)                                                                  \
    HRESULT STDMETHODCALLTYPE add_##NAME(HANDLER*, EventRegistrationToken* token) override         \
    {                                                                                              \
        token->value = ++FNextToken;                                                               \
        return S_OK;                                                                               \
    }                                                                                              \
    HRESULT STDMETHODCALLTYPE remove_##NAME(EventRegistrationToken) override                       \
    {                                                                                              \
        ++Removals;                                                                                \
        FFault();                                                                                  \
        return S_OK;                                                                               \
    }
    FAKE_METHOD(get_Settings, ICoreWebView2Settings**)
    FAKE_METHOD(get_Source, LPWSTR*)
    FAKE_METHOD(Navigate, LPCWSTR)
    FAKE_METHOD(NavigateToString, LPCWSTR)
    FAKE_EVENT(NavigationStarting, ICoreWebView2NavigationStartingEventHandler)
    FAKE_EVENT(ContentLoading, ICoreWebView2ContentLoadingEventHandler)
    FAKE_EVENT(SourceChanged, ICoreWebView2SourceChangedEventHandler)
    FAKE_EVENT(HistoryChanged, ICoreWebView2HistoryChangedEventHandler)
    FAKE_EVENT(NavigationCompleted, ICoreWebView2NavigationCompletedEventHandler)
    FAKE_EVENT(FrameNavigationStarting, ICoreWebView2NavigationStartingEventHandler)
    FAKE_EVENT(FrameNavigationCompleted, ICoreWebView2NavigationCompletedEventHandler)
    FAKE_EVENT(ScriptDialogOpening, ICoreWebView2ScriptDialogOpeningEventHandler)
    FAKE_EVENT(PermissionRequested, ICoreWebView2PermissionRequestedEventHandler)
    FAKE_EVENT(ProcessFailed, ICoreWebView2ProcessFailedEventHandler)
    FAKE_METHOD(AddScriptToExecuteOnDocumentCreated, LPCWSTR,
                ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler*)
    FAKE_METHOD(RemoveScriptToExecuteOnDocumentCreated, LPCWSTR)
    FAKE_METHOD(ExecuteScript, LPCWSTR, ICoreWebView2ExecuteScriptCompletedHandler*)
    FAKE_METHOD(PostWebMessageAsJson, LPCWSTR)
    FAKE_METHOD(PostWebMessageAsString, LPCWSTR)
    FAKE_EVENT(WebMessageReceived, ICoreWebView2WebMessageReceivedEventHandler)
    FAKE_METHOD(CallDevToolsProtocolMethod, LPCWSTR, LPCWSTR,
                ICoreWebView2CallDevToolsProtocolMethodCompletedHandler*)
    FAKE_METHOD(GetDevToolsProtocolEventReceiver, LPCWSTR,
                ICoreWebView2DevToolsProtocolEventReceiver**)
    FAKE_EVENT(NewWindowRequested, ICoreWebView2NewWindowRequestedEventHandler)
    FAKE_EVENT(DocumentTitleChanged, ICoreWebView2DocumentTitleChangedEventHandler)
    FAKE_EVENT(ContainsFullScreenElementChanged,
               ICoreWebView2ContainsFullScreenElementChangedEventHandler)
    FAKE_EVENT(WebResourceRequested, ICoreWebView2WebResourceRequestedEventHandler)
    FAKE_EVENT(WindowCloseRequested, ICoreWebView2WindowCloseRequestedEventHandler)
#undef FAKE_EVENT
#undef FAKE_METHOD

private:
    std::function<void()> FFault;
    INT64 FNextToken = 0;
};

} // namespace

void TestRoutines::removalFaultOfAnyKind_data()
{
    QTest::addColumn<bool>("foreign");
    QTest::newRow("standard exception") << false;
    QTest::newRow("foreign exception") << true;
}

void TestRoutines::removalFaultOfAnyKind()
{
    // Without a loader that asks for it again, a failed removal ends there, whatever was thrown,
    // and the wrapper holds no subscription any more.
    QFETCH(bool, foreign);
    const auto fault = [foreign] {
        if (foreign)
            throw TForeignFault{7};
        throw std::runtime_error("removal failed");
    };
    TWVBrowser browser;
    auto fake = TComPtr<TFaultyRemovalWebView>::Attach(new TFaultyRemovalWebView(fault));
    TCoreWebView2 webView(fake.Get());
    QVERIFY(webView.AddNavigationStartingEvent(&browser));
    QVERIFY(webView.AddWebMessageReceivedEvent(&browser));
    QCOMPARE(webView.SubscribedEventCount(), 2);
    bool escaped = false;
    try {
        webView.RemoveAllEvents();
    } catch (...) {
        escaped = true;
    }
    QVERIFY(!escaped);
    QCOMPARE(fake->Removals, 1);
    QCOMPARE(webView.SubscribedEventCount(), 0);
}
