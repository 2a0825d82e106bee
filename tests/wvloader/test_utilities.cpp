#include "test_wvloader.h"

#include "platformqt.h"
#include "winapi.h"
#include "wvcustomschemeregistration.h"
#include "wvloader.h"
#include "wvmiscfunctions.h"

#include <QTest>

#include <functional>
#include <stdexcept>

// ---- Utility routines -----------------------------------------------------------------------

void TestUtilities::allocCoTaskMemStr()
{
    LPWSTR p = AllocCoTaskMemStr(u"abc");
    QVERIFY(p);
    QCOMPARE(QString::fromUtf16(p), QStringLiteral("abc"));
    QCOMPARE(p[3], u'\0');
    CoTaskMemFree(p);
    QCOMPARE(AllocCoTaskMemStr(wvstring()), nullptr);
}

void TestUtilities::versionTexts()
{
    QCOMPARE(Q(LowestChromiumVersion()), QStringLiteral("148.0.3967.48"));
    QCOMPARE(Q(LowestLoaderDllVersion()), QStringLiteral("1.0.3967.48"));
}

using TErrorText = wvstring (*)(HRESULT);
Q_DECLARE_METATYPE(TErrorText)

void TestUtilities::errorTexts_data()
{
    QTest::addColumn<TErrorText>("table");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    const auto win32 = [](DWORD e) { return int(HRESULT_FROM_WIN32(e)); };
    QTest::newRow("environment E_FAIL")
        << &EnvironmentCreationErrorToString << int(E_FAIL) << "Edge runtime unable to start.";
    QTest::newRow("environment invalid state")
        << &EnvironmentCreationErrorToString << win32(ERROR_INVALID_STATE)
        << "Specified options do not match the options of the WebViews that are currently "
           "running in the shared browser process.";
    QTest::newRow("environment file exists")
        << &EnvironmentCreationErrorToString << win32(ERROR_FILE_EXISTS)
        << "User data folder cannot be created because a file with the same name already exists.";
    QTest::newRow("environment not supported")
        << &EnvironmentCreationErrorToString << win32(ERROR_NOT_SUPPORTED)
        << "\\Edge\\Application path used in browserExecutableFolder.";
    QTest::newRow("environment other")
        << &EnvironmentCreationErrorToString << int(S_OK) << "Unexpected error result.";
    QTest::newRow("controller abort")
        << &ControllerCreationErrorToString << int(E_ABORT)
        << "The parent window was destroyed before the controller creation was finished.";
    QTest::newRow("controller not found")
        << &ControllerCreationErrorToString << win32(ERROR_NOT_FOUND)
        << "Not found. A corrupted Component-Based Servicing "
           "(CBS) manifest or corrupted system files that "
           "prevent Windows from locating necessary update "
           "components.";
    QTest::newRow("controller E_FAIL")
        << &ControllerCreationErrorToString << int(E_FAIL) << "Unexpected error result.";
    QTest::newRow("options not implemented")
        << &ControllerOptionsCreationErrorToString << int(E_NOTIMPL) << "Not implemented.";
    QTest::newRow("options wrong thread")
        << &ControllerOptionsCreationErrorToString << int(UI_E_WRONG_THREAD)
        << "This method can only be called from the thread that created the object.";
    QTest::newRow("composition invalid state")
        << &CompositionControllerCreationErrorToString << win32(ERROR_INVALID_STATE)
        << "Another browser is using the same user data folder.";
    QTest::newRow("composition not supported")
        << &CompositionControllerCreationErrorToString << win32(ERROR_NOT_SUPPORTED)
        << "Unexpected error result.";
}

void TestUtilities::errorTexts()
{
    QFETCH(TErrorText, table);
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(Q(table(code)), text);
}

void TestUtilities::jsonEscape_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("plain") << "abc 123"
                           << "abc 123";
    QTest::newRow("quote slash backslash tab e-acute")
        << QString::fromUtf16(u"\"/\\\te\u00E9") << "\\\"\\/\\\\\\te\\u00E9";
    QTest::newRow("control characters")
        << QString::fromUtf16(u"\b\n\f\r\x01\x1F") << "\\b\\n\\f\\r\\u0001\\u001F";
    QTest::newRow("delete and beyond") << QString::fromUtf16(u"\x7F\u20AC") << "\\u007F\\u20AC";
    QTest::newRow("surrogate pair") << QString::fromUtf16(u"\U0001F600") << "\\uD83D\\uDE00";
}

void TestUtilities::jsonEscape()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QCOMPARE(Q(JSONEscape(W(input))), output);
}

void TestUtilities::colorConversion_data()
{
    QTest::addColumn<uint>("color");
    QTest::addColumn<uint>("argb");
    QTest::newRow("red 40 green 80 blue ff") << 0x00FF8040u << 0x004080FFu;
    QTest::newRow("top byte is alpha") << 0x80010203u << 0x80030201u;
    QTest::newRow("white opaque") << 0xFFFFFFFFu << 0xFFFFFFFFu;
}

void TestUtilities::colorConversion()
{
    QFETCH(uint, color);
    QFETCH(uint, argb);
    const COREWEBVIEW2_COLOR c = ColorToCoreWebViewColor(color);
    QCOMPARE(uint(c.A) << 24 | uint(c.R) << 16 | uint(c.G) << 8 | c.B, argb);
}

void TestUtilities::deviceScaleFactor_data()
{
    QTest::addColumn<int>("ppi");
    QTest::addColumn<float>("scale");
    QTest::newRow("96") << 96 << 1.0f;
    QTest::newRow("120") << 120 << 1.25f;
    QTest::newRow("144") << 144 << 1.5f;
}

void TestUtilities::deviceScaleFactor()
{
    QFETCH(int, ppi);
    QFETCH(float, scale);
    SetScreenPixelsPerInch(ppi);
    QCOMPARE(GetScreenDPI(), ppi);
    QCOMPARE(GetDeviceScaleFactor(), scale);
    TWVLoader loader;
    QCOMPARE(loader.DeviceScaleFactor(), scale);
    SetScreenPixelsPerInch(0);
}

void TestUtilities::exceptionPolicy()
{
    const std::runtime_error error("boom");
    QVERIFY(!GlobalWebView2Loader);
    QVERIFY(!CustomExceptionHandler("Test", error));
    GlobalWebView2Loader = new TWVLoader;
    QVERIFY(!CustomExceptionHandler("Test", error));
    GlobalWebView2Loader->SetReRaiseExceptions(true);
    QVERIFY(CustomExceptionHandler("Test", error));
    QVERIFY(CustomExceptionHandler("Test", std::make_exception_ptr(42)));
    DestroyGlobalWebView2Loader();
    QVERIFY(!CustomExceptionHandler("Test", std::make_exception_ptr(error)));
}

void TestUtilities::loggedQueryInterfaceOncePerId()
{
    ResetLoggedQueryFailures(); // whatever earlier tests logged
    const TComPtr<ICoreWebView2CustomSchemeRegistration> object(
        new TCoreWebView2CustomSchemeRegistration(TWVCustomSchemeInfo{}));
    TComPtr<ICoreWebView2FindOptions> missing;
    TComPtr<ICoreWebView2CustomSchemeRegistration> present;

    QVERIFY(!LoggedQueryInterface(object.Get(), missing)); // no loader: nothing to log in
    GlobalWebView2Loader = new TWVLoader;
    QVERIFY(LoggedQueryInterface(object.Get(), present));
    QVERIFY(present);
    QCOMPARE(Q(GlobalWebView2Loader->ErrorMessage()), QString());
    QVERIFY(!LoggedQueryInterface(object.Get(), missing));
    QVERIFY(!missing);
    QVERIFY(!LoggedQueryInterface(object.Get(), missing));
    const QString id = Q(GuidToString(IID_ICoreWebView2FindOptions));
    QCOMPARE(Q(GlobalWebView2Loader->ErrorMessage()),
             QStringLiteral("The QueryInterface call for %1 failed. Error code : 0x80004002\r\n")
                 .arg(id));
    DestroyGlobalWebView2Loader();
}

// ---- Browser command line -------------------------------------------------------------------

using TLoaderSetup = std::function<void(TWVLoader&)>;
Q_DECLARE_METATYPE(TLoaderSetup)

void TestUtilities::switches_data()
{
    QTest::addColumn<TLoaderSetup>("setup");
    QTest::addColumn<QString>("expected");
    QTest::newRow("defaults") << TLoaderSetup([](TWVLoader&) {}) << "--disable-features=msEdgeRose";
    QTest::newRow("smart screen off with a disabled feature") << TLoaderSetup([](TWVLoader& l) {
        l.SetSmartScreenProtectionEnabled(false);
        l.SetDisableFeatures(u"X");
    }) << "--disable-features=X,msSmartScreenProtection,msEdgeRose";
    QTest::newRow("kyber enabled")
        << TLoaderSetup([](TWVLoader& l) { l.SetTLS13HybridizedKyberSupport(STATE_ENABLED); })
        << "--enable-features=PostQuantumKyber --disable-features=msEdgeRose";
    QTest::newRow("kyber disabled, nothing else disabled") << TLoaderSetup([](TWVLoader& l) {
        l.SetTLS13HybridizedKyberSupport(STATE_DISABLED);
        l.SetDisableEdgePitchNotification(false);
    }) << "--disable-features=PostQuantumKyber";
    QTest::newRow("no proxy server wins over a server") << TLoaderSetup([](TWVLoader& l) {
        l.SetDisableEdgePitchNotification(false);
        l.ProxySettings()->NoProxyServer = true;
        l.ProxySettings()->Server = u"proxy:8080";
        l.ProxySettings()->AutoDetect = true;
    }) << "--no-proxy-server";
    QTest::newRow("proxy entries in order")
        << TLoaderSetup([](TWVLoader& l) {
               l.SetDisableEdgePitchNotification(false);
               l.ProxySettings()->AutoDetect = true;
               l.ProxySettings()->ByPassList = u"<local>";
               l.ProxySettings()->PacURL = u"http://pac";
               l.ProxySettings()->Server = u"p:1";
           })
        << "--proxy-auto-detect --proxy-bypass-list=<local> --proxy-pac-url=http://pac "
           "--proxy-server=p:1";
    QTest::newRow("additional arguments keep their blanks")
        << TLoaderSetup([](TWVLoader& l) { l.SetAdditionalBrowserArguments(u" --foo "); })
        << "--disable-features=msEdgeRose  --foo ";
    QTest::newRow("remote debugging port 0")
        << TLoaderSetup([](TWVLoader& l) { l.SetRemoteDebuggingPort(0); })
        << "--disable-features=msEdgeRose";
    QTest::newRow("remote debugging port negative")
        << TLoaderSetup([](TWVLoader& l) { l.SetRemoteDebuggingPort(-5); })
        << "--disable-features=msEdgeRose";
    QTest::newRow("remote debugging port 9222")
        << TLoaderSetup([](TWVLoader& l) { l.SetRemoteDebuggingPort(9222); })
        << "--disable-features=msEdgeRose --remote-debugging-port=9222";
    QTest::newRow("user agent with a quote") << TLoaderSetup([](TWVLoader& l) {
        l.SetDisableEdgePitchNotification(false);
        l.SetUserAgent(u"a \"b\"");
    }) << "--user-agent=\"a \"b\"\"";
    QTest::newRow("scale factors in general format") << TLoaderSetup([](TWVLoader& l) {
        l.SetDisableEdgePitchNotification(false);
        l.SetForcedDeviceScaleFactor(1.25f);
    }) << "--force-device-scale-factor=1.25";
    QTest::newRow("whole scale factor") << TLoaderSetup([](TWVLoader& l) {
        l.SetDisableEdgePitchNotification(false);
        l.SetForcedDeviceScaleFactor(2.0f);
    }) << "--force-device-scale-factor=2";
    QTest::newRow("first enumeration values add nothing, levels one lower")
        << TLoaderSetup([](TWVLoader& l) {
               l.SetDisableEdgePitchNotification(false);
               l.SetTouchEvents(STATE_DEFAULT);
               l.SetAutoplayPolicy(appDefault);
               l.SetDebugLog(dlEnabledStdErr);
               l.SetDebugLogLevel(dllInfo);
           })
        << "--enable-logging=stderr --log-level=0";
    QTest::newRow("every switch in table order")
        << TLoaderSetup([](TWVLoader& l) {
               l.SetEnableGPU(false);
               l.SetEnableFeatures(u"E");
               l.SetOpenOfficeDocumentsInWebViewer(true);
               l.SetMicrosoftSignIn(true);
               l.SetEnableBlinkFeatures(u"EB");
               l.SetDisableBlinkFeatures(u"DB");
               l.SetBlinkSettings(u"bs");
               l.SetForceFieldTrials(u"ft");
               l.SetForceFieldTrialParams(u"fp");
               l.SetAllowInsecureLocalhost(true);
               l.SetDisableWebSecurity(true);
               l.SetTouchEvents(STATE_DISABLED);
               l.SetHyperlinkAuditing(false);
               l.SetAutoplayPolicy(appUserGestureRequired);
               l.SetMuteAudio(true);
               l.SetDefaultEncoding(u"utf-8");
               l.SetKioskPrinting(true);
               l.SetAllowFileAccessFromFiles(true);
               l.SetAllowRunningInsecureContent(true);
               l.SetDisableBackgroundNetworking(true);
               l.SetRemoteAllowOrigins(u"*");
               l.SetDebugLog(dlEnabled);
               l.SetDebugLogLevel(dllFatal);
               l.SetTreatInsecureOriginAsSecure(u"http://a");
               l.SetAutoAcceptCamAndMicCapture(true);
               l.SetJavaScriptFlags(u"--x");
           })
        << "--disable-gpu --disable-gpu-compositing "
           "--enable-features=E,msOpenOfficeDocumentsInWebViewer,"
           "msSingleSignOnOSForPrimaryAccountIsShared --disable-features=msEdgeRose "
           "--enable-blink-features=EB --disable-blink-features=DB --blink-settings=bs "
           "--force-fieldtrials=ft --force-fieldtrial-params=fp --allow-insecure-localhost "
           "--disable-web-security --touch-events=disabled --no-pings "
           "--autoplay-policy=user-gesture-required --mute-audio --default-encoding=utf-8 "
           "--kiosk-printing --allow-file-access-from-files --allow-running-insecure-content "
           "--disable-background-networking --remote-allow-origins=* --enable-logging "
           "--log-level=3 --unsafely-treat-insecure-origin-as-secure=http://a "
           "--auto-accept-camera-and-microphone-capture --js-flags=\"--x\"";
}

void TestUtilities::switches()
{
    QFETCH(TLoaderSetup, setup);
    QFETCH(QString, expected);
    TWVLoader loader;
    setup(loader);
    QCOMPARE(Q(loader.GetCustomCommandLineSwitches()), expected);
}
