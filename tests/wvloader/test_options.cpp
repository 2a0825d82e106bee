#include "test_wvloader.h"

#include "wvbrowser.h"
#include "wvcorewebview2controlleroptions.h"
#include "wvcorewebview2delegates.h"
#include "wvcorewebview2environmentoptions.h"
#include "wvcustomschemeregistration.h"
#include "wvloader.h"

#include <QTest>

#include <stdexcept>

extern QStringList* GReportedErrors;

namespace {

TComPtr<TCoreWebView2EnvironmentOptions>
MakeOptions(const TWVCustomSchemeRegistrationArray& aSchemes = {}, const wvstring& aLanguage = {})
{
    return TComPtr<TCoreWebView2EnvironmentOptions>(new TCoreWebView2EnvironmentOptions(
        u"--x", aLanguage, u"148.0.3967.48", false, true, false, aSchemes, true, false, 1, 15, 0));
}

QString TakeString(LPWSTR s)
{
    const QString r = s ? QString::fromUtf16(s) : QString();
    CoTaskMemFree(s);
    return r;
}

QStringList Origins(ICoreWebView2CustomSchemeRegistration* aRegistration)
{
    UINT32 count = 99;
    LPWSTR* origins = reinterpret_cast<LPWSTR*>(1);
    if (FAILED(aRegistration->GetAllowedOrigins(&count, &origins)))
        return {QStringLiteral("<failed>")};
    QStringList list;
    if (count == 0 && origins)
        list << QStringLiteral("<array without items>");
    for (UINT32 i = 0; i < count; ++i)
        list << TakeString(origins[i]);
    CoTaskMemFree(origins);
    return list;
}

TComPtr<TCoreWebView2CustomSchemeRegistration> Registration(const QString& aDomains)
{
    TWVCustomSchemeInfo info;
    info.SchemeName = u"app";
    info.AllowedDomains = W(aDomains);
    return TComPtr<TCoreWebView2CustomSchemeRegistration>(
        new TCoreWebView2CustomSchemeRegistration(info));
}

} // namespace

// ---- Environment options --------------------------------------------------------------------

void TestOptions::environmentOptionStrings()
{
    auto options = MakeOptions();
    LPWSTR s = reinterpret_cast<LPWSTR>(1);
    QCOMPARE(options->Get_Language(&s), S_OK);
    QCOMPARE(s, nullptr); // an empty option is a null pointer, not an empty string

    char16_t own[] = u"de-CH";
    QCOMPARE(options->Set_Language(own), S_OK);
    own[0] = u'x'; // the object keeps its own copy
    QCOMPARE(options->Get_Language(&s), S_OK);
    QCOMPARE(TakeString(s), QStringLiteral("de-CH"));
    QCOMPARE(options->Set_Language(nullptr), S_OK);
    QCOMPARE(options->Get_Language(&s), S_OK);
    QCOMPARE(s, nullptr);

    QCOMPARE(options->Get_AdditionalBrowserArguments(&s), S_OK);
    QCOMPARE(TakeString(s), QStringLiteral("--x"));
    QCOMPARE(options->Get_TargetCompatibleBrowserVersion(&s), S_OK);
    QCOMPARE(TakeString(s), QStringLiteral("148.0.3967.48"));
    QCOMPARE(options->Get_Language(nullptr), E_POINTER);
}

void TestOptions::environmentOptionValues()
{
    auto options = MakeOptions();
    BOOL b = 7;
    QCOMPARE(options->Get_ExclusiveUserDataFolderAccess(&b), S_OK);
    QCOMPARE(b, TRUE);
    QCOMPARE(options->Get_IsCustomCrashReportingEnabled(&b), S_OK);
    QCOMPARE(b, FALSE);
    QCOMPARE(options->Set_EnableTrackingPrevention(2), S_OK);
    QCOMPARE(options->Get_EnableTrackingPrevention(&b), S_OK);
    QCOMPARE(b, TRUE);
    QCOMPARE(options->Set_AreBrowserExtensionsEnabled(0), S_OK);
    QCOMPARE(options->Get_AreBrowserExtensionsEnabled(&b), S_OK);
    QCOMPARE(b, FALSE);

    COREWEBVIEW2_RELEASE_CHANNELS channels = 0;
    QCOMPARE(options->Get_ReleaseChannels(&channels), S_OK);
    QCOMPARE(channels, 15);
    QCOMPARE(options->Set_ReleaseChannels(0x40), S_OK); // outside the flags: kept as it is
    QCOMPARE(options->Get_ReleaseChannels(&channels), S_OK);
    QCOMPARE(channels, 0x40);
    COREWEBVIEW2_CHANNEL_SEARCH_KIND kind = 0;
    QCOMPARE(options->Get_ChannelSearchKind(&kind), S_OK);
    QCOMPARE(kind, 1);
    COREWEBVIEW2_SCROLLBAR_STYLE style = 5;
    QCOMPARE(options->Set_ScrollBarStyle(7), S_OK);
    QCOMPARE(options->Get_ScrollBarStyle(&style), S_OK);
    QCOMPARE(style, 7);
}

void TestOptions::environmentOptionInterfaces()
{
    auto options = MakeOptions();
    const GUID answered[] = {IID_IUnknown,
                             IID_ICoreWebView2EnvironmentOptions,
                             IID_ICoreWebView2EnvironmentOptions2,
                             IID_ICoreWebView2EnvironmentOptions3,
                             IID_ICoreWebView2EnvironmentOptions4,
                             IID_ICoreWebView2EnvironmentOptions5,
                             IID_ICoreWebView2EnvironmentOptions6,
                             IID_ICoreWebView2EnvironmentOptions7,
                             IID_ICoreWebView2EnvironmentOptions8};
    for (const GUID& id : answered) {
        IUnknown* p = nullptr;
        QCOMPARE(options->QueryInterface(id, reinterpret_cast<void**>(&p)), S_OK);
        QVERIFY(p);
        p->Release();
    }
    void* p = reinterpret_cast<void*>(1);
    QCOMPARE(options->QueryInterface(IID_ICoreWebView2Settings, &p), E_NOINTERFACE);
    QCOMPARE(p, nullptr);
    QCOMPARE(options->RefCount(), 1);

    // The runtime reads version 7 through its own interface pointer.
    TComPtr<ICoreWebView2EnvironmentOptions7> v7 =
        TComPtr<IUnknown>(static_cast<ICoreWebView2EnvironmentOptions*>(options.Get()))
            .As<ICoreWebView2EnvironmentOptions7>();
    QVERIFY(v7);
    COREWEBVIEW2_RELEASE_CHANNELS channels = 0;
    QCOMPARE(v7->Get_ReleaseChannels(&channels), S_OK);
    QCOMPARE(channels, 15);
}

void TestOptions::environmentOptionSchemes()
{
    auto first = Registration(QStringLiteral("a"));
    auto second = Registration(QStringLiteral("b"));
    {
        auto empty = MakeOptions();
        UINT32 count = 5;
        ICoreWebView2CustomSchemeRegistration** array =
            reinterpret_cast<ICoreWebView2CustomSchemeRegistration**>(1);
        QCOMPARE(empty->GetCustomSchemeRegistrations(&count, &array), S_OK);
        QCOMPARE(count, 0u);
        QCOMPARE(array, nullptr);
    }
    {
        TWVCustomSchemeRegistrationArray schemes{
            TComPtr<ICoreWebView2CustomSchemeRegistration>(first.Get()),
            TComPtr<ICoreWebView2CustomSchemeRegistration>(second.Get())};
        auto options = MakeOptions(schemes);
        schemes.clear(); // the caller's array and references are its own
        QCOMPARE(first->RefCount(), 2);

        UINT32 count = 0;
        ICoreWebView2CustomSchemeRegistration** array = nullptr;
        QCOMPARE(options->GetCustomSchemeRegistrations(&count, &array), S_OK);
        QCOMPARE(count, 2u);
        QCOMPARE(
            static_cast<void*>(array[0]),
            static_cast<void*>(static_cast<ICoreWebView2CustomSchemeRegistration*>(first.Get())));
        QCOMPARE(
            static_cast<void*>(array[1]),
            static_cast<void*>(static_cast<ICoreWebView2CustomSchemeRegistration*>(second.Get())));
        QCOMPARE(first->RefCount(), 3);
        array[0]->Release();
        array[1]->Release();
        CoTaskMemFree(array);
        QCOMPARE(first->RefCount(), 2); // the object still holds its own

        QCOMPARE(options->SetCustomSchemeRegistrations(0, nullptr), S_OK);
        QCOMPARE(first->RefCount(), 1);
        QCOMPARE(second->RefCount(), 1);

        ICoreWebView2CustomSchemeRegistration* given[] = {second.Get()};
        QCOMPARE(options->SetCustomSchemeRegistrations(1, given), S_OK);
        QCOMPARE(second->RefCount(), 2);
    }
    // Destroying the options released what they held, exactly once.
    QCOMPARE(first->RefCount(), 1);
    QCOMPARE(second->RefCount(), 1);
}

// ---- Custom scheme registration -------------------------------------------------------------

void TestOptions::allowedOrigins_data()
{
    QTest::addColumn<QString>("domains");
    QTest::addColumn<QStringList>("origins");
    QTest::newRow("comma and blank") << "https://a.example, https://b.example"
                                     << QStringList{"https://a.example", "https://b.example"};
    QTest::newRow("one character") << "*" << QStringList{"*"};
    QTest::newRow("last origin of one character")
        << "https://a.example,b" << QStringList{"https://a.example", "b"};
    QTest::newRow("empty item and trailing comma") << "a,,b," << QStringList{"a", "b"};
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("only commas and blanks") << " , ,," << QStringList{};
    QTest::newRow("tabs trimmed") << "\ta\t" << QStringList{"a"};
}

void TestOptions::allowedOrigins()
{
    QFETCH(QString, domains);
    QFETCH(QStringList, origins);
    QCOMPARE(Origins(Registration(domains).Get()), origins);
}

void TestOptions::setAllowedOrigins()
{
    auto registration = Registration(QStringLiteral("old"));
    LPCWSTR three[] = {u"https://a", u"https://b", u"https://c"};
    QCOMPARE(registration->SetAllowedOrigins(3, three), S_OK);
    QCOMPARE(Q(registration->CustomSchemeInfo().AllowedDomains),
             QStringLiteral("https://a,https://b,https://c"));
    QCOMPARE(Origins(registration.Get()), (QStringList{"https://a", "https://b", "https://c"}));
    LPCWSTR withNull[] = {nullptr, u"x", nullptr, u"y"};
    QCOMPARE(registration->SetAllowedOrigins(4, withNull), S_OK);
    QCOMPARE(Q(registration->CustomSchemeInfo().AllowedDomains), QStringLiteral("x,y"));
    QCOMPARE(registration->SetAllowedOrigins(0, nullptr), S_OK);
    QCOMPARE(Origins(registration.Get()), QStringList{});
}

void TestOptions::schemeNameAndFlags()
{
    TComPtr<TCoreWebView2CustomSchemeRegistration> registration(
        new TCoreWebView2CustomSchemeRegistration(TWVCustomSchemeInfo{}));
    LPWSTR name = reinterpret_cast<LPWSTR>(1);
    QCOMPARE(registration->Get_SchemeName(&name), S_OK);
    QCOMPARE(name, nullptr);
    QCOMPARE(Registration(QString())->Get_SchemeName(&name), S_OK);
    QCOMPARE(TakeString(name), QStringLiteral("app"));
    BOOL b = 9;
    QCOMPARE(registration->Set_TreatAsSecure(42), S_OK);
    QCOMPARE(registration->Get_TreatAsSecure(&b), S_OK);
    QCOMPARE(b, TRUE);
    QCOMPARE(registration->Get_HasAuthorityComponent(&b), S_OK);
    QCOMPARE(b, FALSE);
    void* other = nullptr;
    QCOMPARE(registration->QueryInterface(IID_ICoreWebView2EnvironmentOptions, &other),
             E_NOINTERFACE);
}

void TestOptions::controllerOptionsWithoutObject()
{
    TCoreWebView2ControllerOptions options(nullptr);
    QVERIFY(!options.Initialized());
    options.SetProfileName(u"p");
    options.SetIsInPrivateModeEnabled(true);
    options.SetScriptLocale(u"fr");
    options.SetDefaultBackgroundColor(0x80FFFFFF);
    options.SetAllowHostInputProcessing(true);
}

// ---- Callback delegates ---------------------------------------------------------------------

void TestDelegates::withoutTarget()
{
    TComPtr<ICoreWebView2NavigationStartingEventHandler> handler(
        new TCoreWebView2NavigationStartingEventHandler(nullptr));
    QCOMPARE(handler->Invoke(nullptr, nullptr), E_FAIL);
    IUnknown* p = nullptr;
    QCOMPARE(handler->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&p)), S_OK);
    p->Release();
    QCOMPARE(handler->QueryInterface(IID_ICoreWebView2NavigationStartingEventHandler,
                                     reinterpret_cast<void**>(&p)),
             S_OK);
    p->Release();
    QCOMPARE(handler->QueryInterface(IID_ICoreWebView2NavigationCompletedEventHandler,
                                     reinterpret_cast<void**>(&p)),
             E_NOINTERFACE);
    TComPtr<ICoreWebView2ProcessInfosChangedEventHandler> twoTargets(
        new TCoreWebView2ProcessInfosChangedEventHandler(static_cast<IWVLoaderEvents*>(nullptr)));
    QCOMPARE(twoTargets->Invoke(nullptr, nullptr), E_FAIL);
}

void TestDelegates::loaderTarget()
{
    TWVLoader loader;
    int exited = 0, infos = 0, errors = 0;
    loader.OnBrowserProcessExited = [&](TObject* sender, ICoreWebView2Environment*,
                                        ICoreWebView2BrowserProcessExitedEventArgs*) {
        QCOMPARE(sender, &loader);
        ++exited;
    };
    loader.OnProcessInfosChanged = [&](TObject*, ICoreWebView2Environment*) { ++infos; };
    loader.OnInitializationError = [&](TObject*) { ++errors; };

    TComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> completed(
        new TCoreWebView2EnvironmentCompletedHandler(static_cast<IWVLoaderEvents*>(&loader)));
    QCOMPARE(completed->Invoke(E_ACCESSDENIED, nullptr), S_OK);
    QCOMPARE(loader.Status(), wvlsError);
    QCOMPARE(loader.ErrorCode(), INT64(E_ACCESSDENIED));
    QCOMPARE(errors, 1);
    QCOMPARE(Q(loader.ErrorMessage()),
             QStringLiteral("There was a problem initializing the browser environment.\r\n"
                            "Error code : 0x80070005\r\n"
                            "Unable to create user data folder, Access Denied.\r\n"));

    TComPtr<ICoreWebView2BrowserProcessExitedEventHandler> exitedHandler(
        new TCoreWebView2BrowserProcessExitedEventHandler(static_cast<IWVLoaderEvents*>(&loader)));
    QCOMPARE(exitedHandler->Invoke(nullptr, nullptr), S_OK);
    TComPtr<ICoreWebView2ProcessInfosChangedEventHandler> infosHandler(
        new TCoreWebView2ProcessInfosChangedEventHandler(static_cast<IWVLoaderEvents*>(&loader)));
    QCOMPARE(infosHandler->Invoke(nullptr, nullptr), S_OK);
    QCOMPARE(exited, 1);
    QCOMPARE(infos, 1);
}

void TestDelegates::browserTarget()
{
    TWVBrowser browser;
    IWVBrowserEvents* events = &browser;
    QList<int> ids;
    int got = 0, lost = 0;
    browser.OnCallDevToolsProtocolMethodCompleted = [&](TObject*, HRESULT, const wvstring&,
                                                        INT32 id) { ids << id; };
    browser.OnGotFocus = [&](TObject*) { ++got; };
    browser.OnLostFocus = [&](TObject*) { ++lost; };

    for (INT32 id : {7, -3}) {
        TComPtr<ICoreWebView2CallDevToolsProtocolMethodCompletedHandler> handler(
            new TCoreWebView2CallDevToolsProtocolMethodCompletedHandler(events, id));
        QCOMPARE(handler->Invoke(S_OK, u"{}"), S_OK);
        QCOMPARE(handler->Invoke(E_FAIL, nullptr), S_OK);
    }
    QCOMPARE(ids, (QList<int>{7, 7, -3, -3}));

    // One platform interface, two operations of the target.
    TComPtr<ICoreWebView2FocusChangedEventHandler> gotFocus(
        new TCoreWebView2GotFocusEventHandler(events));
    TComPtr<ICoreWebView2FocusChangedEventHandler> lostFocus(
        new TCoreWebView2LostFocusEventHandler(events));
    gotFocus->Invoke(nullptr, nullptr);
    QCOMPARE(got, 1);
    QCOMPARE(lost, 0);
    lostFocus->Invoke(nullptr, nullptr);
    QCOMPARE(lost, 1);

    // A browser-made two-target delegate never reaches a loader.
    TWVLoader loader;
    int loaderInfos = 0;
    loader.OnProcessInfosChanged = [&](TObject*, ICoreWebView2Environment*) { ++loaderInfos; };
    TComPtr<ICoreWebView2ProcessInfosChangedEventHandler> infos(
        new TCoreWebView2ProcessInfosChangedEventHandler(events));
    QCOMPARE(infos->Invoke(nullptr, nullptr), S_OK);
    QCOMPARE(loaderInfos, 0);
}

void TestDelegates::targetGone()
{
    TComPtr<ICoreWebView2ProcessInfosChangedEventHandler> handler;
    {
        TWVLoader loader;
        handler = TComPtr<ICoreWebView2ProcessInfosChangedEventHandler>(
            new TCoreWebView2ProcessInfosChangedEventHandler(
                static_cast<IWVLoaderEvents*>(&loader)));
        QCOMPARE(handler->Invoke(nullptr, nullptr), S_OK);
    }
    // The loader is freed: the callback takes the no-target road instead of freed memory.
    QCOMPARE(handler->Invoke(nullptr, nullptr), E_FAIL);

    TComPtr<ICoreWebView2WebMessageReceivedEventHandler> message;
    {
        TWVBrowser browser;
        message = TComPtr<ICoreWebView2WebMessageReceivedEventHandler>(
            new TCoreWebView2WebMessageReceivedEventHandler(&browser));
    }
    QCOMPARE(message->Invoke(nullptr, nullptr), E_FAIL);
}

void TestDelegates::handlerExceptionReported()
{
    GReportedErrors->clear();
    TWVLoader loader;
    loader.OnProcessInfosChanged = [](TObject*, ICoreWebView2Environment*) {
        throw std::runtime_error("database is locked");
    };
    TComPtr<ICoreWebView2ProcessInfosChangedEventHandler> handler(
        new TCoreWebView2ProcessInfosChangedEventHandler(static_cast<IWVLoaderEvents*>(&loader)));
    QCOMPARE(handler->Invoke(nullptr, nullptr), S_OK);
    QVERIFY(GReportedErrors->isEmpty()); // reported later, from the event loop
    QVERIFY(WaitFor([] { return !GReportedErrors->isEmpty(); }, 2000));
    QCOMPARE(*GReportedErrors, QStringList{QStringLiteral("database is locked")});
}

void TestDelegates::platformHoldsDelegate()
{
    const long before = LiveDelegateCount();
    auto* delegate = new TCoreWebView2ZoomFactorChangedEventHandler(nullptr);
    QCOMPARE(delegate->RefCount(), 0);
    QCOMPARE(LiveDelegateCount(), before + 1);
    ICoreWebView2ZoomFactorChangedEventHandler* platformRef = nullptr;
    {
        TComPtr<ICoreWebView2ZoomFactorChangedEventHandler> owner(delegate);
        platformRef = owner.Get();
        platformRef->AddRef(); // what the runtime does when it keeps a handler
    }
    QCOMPARE(delegate->RefCount(), 1);
    QCOMPARE(platformRef->Invoke(nullptr, nullptr), E_FAIL);
    QCOMPARE(platformRef->Release(), 0u);
    QCOMPARE(LiveDelegateCount(), before);
}
