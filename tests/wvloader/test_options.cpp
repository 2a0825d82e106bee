#include "test_wvloader.h"

#include "wvbrowser.h"
#include "wvcorewebview2controlleroptions.h"
#include "wvcorewebview2delegates.h"
#include "wvcorewebview2environmentoptions.h"
#include "wvcustomschemeregistration.h"
#include "wvloader.h"
#include "wvmiscfunctions.h"

#include "recordingtargets.h"

#include <QTest>

#include <functional>
#include <optional>
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

namespace {

// The runtime's controller options object, offering version 1 and the later versions asked for;
// it records every value it is given.
class TFakeControllerOptions final : public ICoreWebView2ControllerOptions4
{
public:
    explicit TFakeControllerOptions(QList<int> aVersions) : FVersions(std::move(aVersions)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override
    {
        *ppvObject = nullptr;
        if (riid == IID_IUnknown || riid == IID_ICoreWebView2ControllerOptions ||
            (riid == IID_ICoreWebView2ControllerOptions2 && FVersions.contains(2)) ||
            (riid == IID_ICoreWebView2ControllerOptions3 && FVersions.contains(3)) ||
            (riid == IID_ICoreWebView2ControllerOptions4 && FVersions.contains(4))) {
            *ppvObject = static_cast<ICoreWebView2ControllerOptions4*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++References; }
    ULONG STDMETHODCALLTYPE Release() override { return --References; }
    HRESULT STDMETHODCALLTYPE put_ProfileName(LPCWSTR value) override
    {
        Calls << (value ? QStringLiteral("profile '%1'").arg(QString::fromUtf16(value))
                        : QStringLiteral("profile null"));
        return E_INVALIDARG; // ignored by the setter
    }
    HRESULT STDMETHODCALLTYPE put_IsInPrivateModeEnabled(BOOL value) override
    {
        Calls << QStringLiteral("private %1").arg(value);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_ScriptLocale(LPCWSTR value) override
    {
        Calls << QStringLiteral("locale '%1'").arg(QString::fromUtf16(value));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_DefaultBackgroundColor(COREWEBVIEW2_COLOR value) override
    {
        Calls << QStringLiteral("colour %1 %2 %3 %4")
                     .arg(value.A)
                     .arg(value.R)
                     .arg(value.G)
                     .arg(value.B);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_AllowHostInputProcessing(BOOL value) override
    {
        Calls << QStringLiteral("input %1").arg(value);
        return S_OK;
    }

    QStringList Calls;
    long References = 1;

private:
    QList<int> FVersions;
};

// Every setter with the component's kind of values.
void SetAll(TCoreWebView2ControllerOptions& aOptions)
{
    aOptions.SetProfileName(u"work");
    aOptions.SetIsInPrivateModeEnabled(true);
    aOptions.SetScriptLocale(u"fr-CA");
    aOptions.SetDefaultBackgroundColor(0x80FF8040);
    aOptions.SetAllowHostInputProcessing(true);
}

} // namespace

void TestOptions::controllerOptionsWithoutObject()
{
    GlobalWebView2Loader = new TWVLoader;
    {
        TCoreWebView2ControllerOptions options(nullptr);
        QVERIFY(!options.Initialized());
        SetAll(options);
    }
    // Nothing was queried, so nothing was logged.
    QCOMPARE(Q(GlobalWebView2Loader->ErrorMessage()), QString());
    DestroyGlobalWebView2Loader();
}

void TestOptions::controllerOptionVersions_data()
{
    QTest::addColumn<QList<int>>("versions");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QStringList>("missing");
    const QStringList first{"profile 'work'", "private 1"};
    QTest::newRow("version 1 only") << QList<int>{} << first << QStringList{"2"};
    QTest::newRow("versions 1 and 3: the chain stops at 2")
        << QList<int>{3, 4} << first << QStringList{"2"};
    QTest::newRow("up to version 2")
        << QList<int>{2} << first + QStringList{"locale 'fr-CA'"} << QStringList{"3"};
    QTest::newRow("up to version 3")
        << QList<int>{2, 3} << first + QStringList{"locale 'fr-CA'", "colour 255 64 128 255"}
        << QStringList{"4"};
    QTest::newRow("every version")
        << QList<int>{2, 3, 4}
        << first + QStringList{"locale 'fr-CA'", "colour 255 64 128 255", "input 1"}
        << QStringList{};
}

void TestOptions::controllerOptionVersions()
{
    QFETCH(QList<int>, versions);
    QFETCH(QStringList, calls);
    QFETCH(QStringList, missing);
    ResetLoggedQueryFailures();
    GlobalWebView2Loader = new TWVLoader;
    TFakeControllerOptions platform(versions);
    {
        TCoreWebView2ControllerOptions options(&platform);
        QVERIFY(options.Initialized());
        SetAll(options);
    }
    QCOMPARE(platform.Calls, calls);
    QCOMPARE(platform.References, 1L); // every version taken was released
    QStringList logged;
    for (const QString& version : missing) {
        const GUID id = version == u"2"   ? IID_ICoreWebView2ControllerOptions2
                        : version == u"3" ? IID_ICoreWebView2ControllerOptions3
                                          : IID_ICoreWebView2ControllerOptions4;
        logged << QStringLiteral("The QueryInterface call for %1 failed. Error code : 0x80004002")
                      .arg(Q(GuidToString(id)));
    }
    QStringList lines = Q(GlobalWebView2Loader->ErrorMessage()).split(QStringLiteral("\r\n"));
    lines.removeAll(QString());
    QCOMPARE(lines, logged);
    DestroyGlobalWebView2Loader();
}

void TestOptions::controllerOptionValues_data()
{
    QTest::addColumn<quint32>("colour");
    QTest::addColumn<QString>("passed");
    QTest::newRow("transparent") << quint32(0x00FF8040) << "colour 0 64 128 255";
    QTest::newRow("opaque") << quint32(0xFF102030) << "colour 255 48 32 16";
    QTest::newRow("half transparent becomes opaque") << quint32(0x80010203) << "colour 255 3 2 1";
    QTest::newRow("nearly transparent becomes opaque") << quint32(0x01000000) << "colour 255 0 0 0";
}

void TestOptions::controllerOptionValues()
{
    QFETCH(quint32, colour);
    QFETCH(QString, passed);
    TFakeControllerOptions platform({2, 3, 4});
    TCoreWebView2ControllerOptions options(&platform);
    options.SetDefaultBackgroundColor(TGraphicsColor(colour));
    // An empty text is an empty text, never a null pointer; false is 0.
    options.SetProfileName(wvstring());
    options.SetScriptLocale(wvstring());
    options.SetIsInPrivateModeEnabled(false);
    options.SetAllowHostInputProcessing(false);
    QCOMPARE(platform.Calls,
             (QStringList{passed, "profile ''", "locale ''", "private 0", "input 0"}));
}

// ---- Callback delegates ---------------------------------------------------------------------

namespace {

// Calls a new delegate's Invoke for one of the two targets given.
using TForwardCall = std::function<HRESULT(IWVBrowserEvents*, IWVLoaderEvents*)>;

const HRESULT kCode = HRESULT(0x8007000E);

// A stand-in pointer that no one may follow: the delegates only pass their arguments on.
template <typename T> T* P(int n)
{
    return reinterpret_cast<T*>(quintptr(0x1000 + n));
}

template <typename D, typename... A>
void Browser(const char* aTag, const char* aOperation, const QStringList& aArguments, A... aValues)
{
    QTest::newRow(aTag) << TForwardCall([=](IWVBrowserEvents* aBrowser, IWVLoaderEvents*) {
        TComPtr<D> delegate(new D(aBrowser));
        return delegate->Invoke(aValues...);
    }) << false << QString::fromLatin1(aOperation)
                        << aArguments;
}

template <typename D, typename... A>
void Loader(const char* aTag, const char* aOperation, const QStringList& aArguments, A... aValues)
{
    QTest::newRow(aTag) << TForwardCall([=](IWVBrowserEvents*, IWVLoaderEvents* aLoader) {
        TComPtr<D> delegate(new D(aLoader));
        return delegate->Invoke(aValues...);
    }) << true << QString::fromLatin1(aOperation)
                        << aArguments;
}

} // namespace

Q_DECLARE_METATYPE(TForwardCall)

void TestDelegates::init()
{
    ResetCallbackTargets();
}

// Every delegate, made for a recording target: what the target saw is the operation the
// delegate's kind calls, with the arguments of Invoke unchanged and in order, and the delegate
// answers what the target answered.
void TestDelegates::everyForwarder_data()
{
    QTest::addColumn<TForwardCall>("call");
    QTest::addColumn<bool>("loader");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QStringList>("arguments");
    Browser<TCoreWebView2EnvironmentCompletedHandler>(
        "TCoreWebView2EnvironmentCompletedHandler for a browser",
        "EnvironmentCompletedHandler_Invoke", {Arg(kCode), "@1002"}, kCode,
        P<ICoreWebView2Environment>(2));
    Loader<TCoreWebView2EnvironmentCompletedHandler>(
        "TCoreWebView2EnvironmentCompletedHandler for the loader",
        "EnvironmentCompletedHandler_Invoke", {Arg(kCode), "@1002"}, kCode,
        P<ICoreWebView2Environment>(2));
    Browser<TCoreWebView2NavigationStartingEventHandler>(
        "TCoreWebView2NavigationStartingEventHandler", "NavigationStartingEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<ICoreWebView2NavigationStartingEventArgs>(2));
    Browser<TCoreWebView2NavigationCompletedEventHandler>(
        "TCoreWebView2NavigationCompletedEventHandler", "NavigationCompletedEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<ICoreWebView2NavigationCompletedEventArgs>(2));
    Browser<TCoreWebView2FrameNavigationStartingEventHandler>(
        "TCoreWebView2FrameNavigationStartingEventHandler",
        "FrameNavigationStartingEventHandler_Invoke", {"@1001", "@1002"}, P<ICoreWebView2>(1),
        P<ICoreWebView2NavigationStartingEventArgs>(2));
    Browser<TCoreWebView2FrameNavigationCompletedEventHandler>(
        "TCoreWebView2FrameNavigationCompletedEventHandler",
        "FrameNavigationCompletedEventHandler_Invoke", {"@1001", "@1002"}, P<ICoreWebView2>(1),
        P<ICoreWebView2NavigationCompletedEventArgs>(2));
    Browser<TCoreWebView2SourceChangedEventHandler>(
        "TCoreWebView2SourceChangedEventHandler", "SourceChangedEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<ICoreWebView2SourceChangedEventArgs>(2));
    Browser<TCoreWebView2HistoryChangedEventHandler>(
        "TCoreWebView2HistoryChangedEventHandler", "HistoryChangedEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<IUnknown>(2));
    Browser<TCoreWebView2ContentLoadingEventHandler>(
        "TCoreWebView2ContentLoadingEventHandler", "ContentLoadingEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<ICoreWebView2ContentLoadingEventArgs>(2));
    Browser<TCoreWebView2DocumentTitleChangedEventHandler>(
        "TCoreWebView2DocumentTitleChangedEventHandler", "DocumentTitleChangedEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<IUnknown>(2));
    Browser<TCoreWebView2NewWindowRequestedEventHandler>(
        "TCoreWebView2NewWindowRequestedEventHandler", "NewWindowRequestedEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<ICoreWebView2NewWindowRequestedEventArgs>(2));
    Browser<TCoreWebView2WebResourceRequestedEventHandler>(
        "TCoreWebView2WebResourceRequestedEventHandler", "WebResourceRequestedEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<ICoreWebView2WebResourceRequestedEventArgs>(2));
    Browser<TCoreWebView2ScriptDialogOpeningEventHandler>(
        "TCoreWebView2ScriptDialogOpeningEventHandler", "ScriptDialogOpeningEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<ICoreWebView2ScriptDialogOpeningEventArgs>(2));
    Browser<TCoreWebView2PermissionRequestedEventHandler>(
        "TCoreWebView2PermissionRequestedEventHandler", "PermissionRequestedEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<ICoreWebView2PermissionRequestedEventArgs>(2));
    Browser<TCoreWebView2ProcessFailedEventHandler>(
        "TCoreWebView2ProcessFailedEventHandler", "ProcessFailedEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<ICoreWebView2ProcessFailedEventArgs>(2));
    Browser<TCoreWebView2WebMessageReceivedEventHandler>(
        "TCoreWebView2WebMessageReceivedEventHandler", "WebMessageReceivedEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<ICoreWebView2WebMessageReceivedEventArgs>(2));
    Browser<TCoreWebView2ContainsFullScreenElementChangedEventHandler>(
        "TCoreWebView2ContainsFullScreenElementChangedEventHandler",
        "ContainsFullScreenElementChangedEventHandler_Invoke", {"@1001", "@1002"},
        P<ICoreWebView2>(1), P<IUnknown>(2));
    Browser<TCoreWebView2WindowCloseRequestedEventHandler>(
        "TCoreWebView2WindowCloseRequestedEventHandler", "WindowCloseRequestedEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<IUnknown>(2));
    Browser<TCoreWebView2WebResourceResponseReceivedEventHandler>(
        "TCoreWebView2WebResourceResponseReceivedEventHandler",
        "WebResourceResponseReceivedEventHandler_Invoke", {"@1001", "@1002"}, P<ICoreWebView2>(1),
        P<ICoreWebView2WebResourceResponseReceivedEventArgs>(2));
    Browser<TCoreWebView2DOMContentLoadedEventHandler>(
        "TCoreWebView2DOMContentLoadedEventHandler", "DOMContentLoadedEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<ICoreWebView2DOMContentLoadedEventArgs>(2));
    Browser<TCoreWebView2FrameCreatedEventHandler>(
        "TCoreWebView2FrameCreatedEventHandler", "FrameCreatedEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<ICoreWebView2FrameCreatedEventArgs>(2));
    Browser<TCoreWebView2DownloadStartingEventHandler>(
        "TCoreWebView2DownloadStartingEventHandler", "DownloadStartingEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<ICoreWebView2DownloadStartingEventArgs>(2));
    Browser<TCoreWebView2ClientCertificateRequestedEventHandler>(
        "TCoreWebView2ClientCertificateRequestedEventHandler",
        "ClientCertificateRequestedEventHandler_Invoke", {"@1001", "@1002"}, P<ICoreWebView2>(1),
        P<ICoreWebView2ClientCertificateRequestedEventArgs>(2));
    Browser<TCoreWebView2IsMutedChangedEventHandler>(
        "TCoreWebView2IsMutedChangedEventHandler", "IsMutedChangedEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<IUnknown>(2));
    Browser<TCoreWebView2IsDocumentPlayingAudioChangedEventHandler>(
        "TCoreWebView2IsDocumentPlayingAudioChangedEventHandler",
        "IsDocumentPlayingAudioChangedEventHandler_Invoke", {"@1001", "@1002"}, P<ICoreWebView2>(1),
        P<IUnknown>(2));
    Browser<TCoreWebView2IsDefaultDownloadDialogOpenChangedEventHandler>(
        "TCoreWebView2IsDefaultDownloadDialogOpenChangedEventHandler",
        "IsDefaultDownloadDialogOpenChangedEventHandler_Invoke", {"@1001", "@1002"},
        P<ICoreWebView2>(1), P<IUnknown>(2));
    Browser<TCoreWebView2BasicAuthenticationRequestedEventHandler>(
        "TCoreWebView2BasicAuthenticationRequestedEventHandler",
        "BasicAuthenticationRequestedEventHandler_Invoke", {"@1001", "@1002"}, P<ICoreWebView2>(1),
        P<ICoreWebView2BasicAuthenticationRequestedEventArgs>(2));
    Browser<TCoreWebView2ContextMenuRequestedEventHandler>(
        "TCoreWebView2ContextMenuRequestedEventHandler", "ContextMenuRequestedEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<ICoreWebView2ContextMenuRequestedEventArgs>(2));
    Browser<TCoreWebView2StatusBarTextChangedEventHandler>(
        "TCoreWebView2StatusBarTextChangedEventHandler", "StatusBarTextChangedEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<IUnknown>(2));
    Browser<TCoreWebView2ServerCertificateErrorDetectedEventHandler>(
        "TCoreWebView2ServerCertificateErrorDetectedEventHandler",
        "ServerCertificateErrorDetectedEventHandler_Invoke", {"@1001", "@1002"},
        P<ICoreWebView2>(1), P<ICoreWebView2ServerCertificateErrorDetectedEventArgs>(2));
    Browser<TCoreWebView2FaviconChangedEventHandler>(
        "TCoreWebView2FaviconChangedEventHandler", "FaviconChangedEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<IUnknown>(2));
    Browser<TCoreWebView2LaunchingExternalUriSchemeEventHandler>(
        "TCoreWebView2LaunchingExternalUriSchemeEventHandler",
        "LaunchingExternalUriSchemeEventHandler_Invoke", {"@1001", "@1002"}, P<ICoreWebView2>(1),
        P<ICoreWebView2LaunchingExternalUriSchemeEventArgs>(2));
    Browser<TCoreWebView2NotificationReceivedEventHandler>(
        "TCoreWebView2NotificationReceivedEventHandler", "NotificationReceivedEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<ICoreWebView2NotificationReceivedEventArgs>(2));
    Browser<TCoreWebView2SaveAsUIShowingEventHandler>(
        "TCoreWebView2SaveAsUIShowingEventHandler", "SaveAsUIShowingEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2>(1), P<ICoreWebView2SaveAsUIShowingEventArgs>(2));
    Browser<TCoreWebView2SaveFileSecurityCheckStartingEventHandler>(
        "TCoreWebView2SaveFileSecurityCheckStartingEventHandler",
        "SaveFileSecurityCheckStartingEventHandler_Invoke", {"@1001", "@1002"}, P<ICoreWebView2>(1),
        P<ICoreWebView2SaveFileSecurityCheckStartingEventArgs>(2));
    Browser<TCoreWebView2ScreenCaptureStartingEventHandler>(
        "TCoreWebView2ScreenCaptureStartingEventHandler",
        "ScreenCaptureStartingEventHandler_Invoke", {"@1001", "@1002"}, P<ICoreWebView2>(1),
        P<ICoreWebView2ScreenCaptureStartingEventArgs>(2));
    Browser<TCoreWebView2AcceleratorKeyPressedEventHandler>(
        "TCoreWebView2AcceleratorKeyPressedEventHandler",
        "AcceleratorKeyPressedEventHandler_Invoke", {"@1001", "@1002"},
        P<ICoreWebView2Controller>(1), P<ICoreWebView2AcceleratorKeyPressedEventArgs>(2));
    Browser<TCoreWebView2GotFocusEventHandler>("TCoreWebView2GotFocusEventHandler",
                                               "GotFocusEventHandler_Invoke", {"@1001", "@1002"},
                                               P<ICoreWebView2Controller>(1), P<IUnknown>(2));
    Browser<TCoreWebView2LostFocusEventHandler>("TCoreWebView2LostFocusEventHandler",
                                                "LostFocusEventHandler_Invoke", {"@1001", "@1002"},
                                                P<ICoreWebView2Controller>(1), P<IUnknown>(2));
    Browser<TCoreWebView2MoveFocusRequestedEventHandler>(
        "TCoreWebView2MoveFocusRequestedEventHandler", "MoveFocusRequestedEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2Controller>(1),
        P<ICoreWebView2MoveFocusRequestedEventArgs>(2));
    Browser<TCoreWebView2ZoomFactorChangedEventHandler>(
        "TCoreWebView2ZoomFactorChangedEventHandler", "ZoomFactorChangedEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2Controller>(1), P<IUnknown>(2));
    Browser<TCoreWebView2RasterizationScaleChangedEventHandler>(
        "TCoreWebView2RasterizationScaleChangedEventHandler",
        "RasterizationScaleChangedEventHandler_Invoke", {"@1001", "@1002"},
        P<ICoreWebView2Controller>(1), P<IUnknown>(2));
    Browser<TCoreWebView2CursorChangedEventHandler>(
        "TCoreWebView2CursorChangedEventHandler", "CursorChangedEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2CompositionController>(1), P<IUnknown>(2));
    Browser<TCoreWebView2NonClientRegionChangedEventHandler>(
        "TCoreWebView2NonClientRegionChangedEventHandler",
        "NonClientRegionChangedEventHandler_Invoke", {"@1001", "@1002"},
        P<ICoreWebView2CompositionController>(1),
        P<ICoreWebView2NonClientRegionChangedEventArgs>(2));
    Browser<TCoreWebView2DragStartingEventHandler>(
        "TCoreWebView2DragStartingEventHandler", "DragStartingEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2CompositionController>(1),
        P<ICoreWebView2DragStartingEventArgs>(2));
    Browser<TCoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
        "TCoreWebView2CreateCoreWebView2ControllerCompletedHandler",
        "ControllerCompletedHandler_Invoke", {Arg(kCode), "@1002"}, kCode,
        P<ICoreWebView2Controller>(2));
    Browser<TCoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler>(
        "TCoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler",
        "CreateCoreWebView2CompositionControllerCompletedHandler_Invoke", {Arg(kCode), "@1002"},
        kCode, P<ICoreWebView2CompositionController>(2));
    Browser<TCoreWebView2ClearBrowsingDataCompletedHandler>(
        "TCoreWebView2ClearBrowsingDataCompletedHandler",
        "ClearBrowsingDataCompletedHandler_Invoke", {Arg(kCode)}, kCode);
    Browser<TCoreWebView2SetPermissionStateCompletedHandler>(
        "TCoreWebView2SetPermissionStateCompletedHandler",
        "SetPermissionStateCompletedHandler_Invoke", {Arg(kCode)}, kCode);
    Browser<TCoreWebView2GetNonDefaultPermissionSettingsCompletedHandler>(
        "TCoreWebView2GetNonDefaultPermissionSettingsCompletedHandler",
        "GetNonDefaultPermissionSettingsCompletedHandler_Invoke", {Arg(kCode), "@1002"}, kCode,
        P<ICoreWebView2PermissionSettingCollectionView>(2));
    Browser<TCoreWebView2ProfileAddBrowserExtensionCompletedHandler>(
        "TCoreWebView2ProfileAddBrowserExtensionCompletedHandler",
        "ProfileAddBrowserExtensionCompletedHandler_Invoke", {Arg(kCode), "@1002"}, kCode,
        P<ICoreWebView2BrowserExtension>(2));
    Browser<TCoreWebView2ProfileGetBrowserExtensionsCompletedHandler>(
        "TCoreWebView2ProfileGetBrowserExtensionsCompletedHandler",
        "ProfileGetBrowserExtensionsCompletedHandler_Invoke", {Arg(kCode), "@1002"}, kCode,
        P<ICoreWebView2BrowserExtensionList>(2));
    Loader<TCoreWebView2NewBrowserVersionAvailableEventHandler>(
        "TCoreWebView2NewBrowserVersionAvailableEventHandler",
        "NewBrowserVersionAvailableEventHandler_Invoke", {"@1001", "@1002"},
        P<ICoreWebView2Environment>(1), P<IUnknown>(2));
    Browser<TCoreWebView2ProfileDeletedEventHandler>(
        "TCoreWebView2ProfileDeletedEventHandler", "ProfileDeletedEventHandler_Invoke",
        {"@1001", "@1002"}, P<ICoreWebView2Profile>(1), P<IUnknown>(2));
    Browser<TCoreWebView2BrowserProcessExitedEventHandler>(
        "TCoreWebView2BrowserProcessExitedEventHandler for a browser",
        "BrowserProcessExitedEventHandler_Invoke", {"@1001", "@1002"},
        P<ICoreWebView2Environment>(1), P<ICoreWebView2BrowserProcessExitedEventArgs>(2));
    Loader<TCoreWebView2BrowserProcessExitedEventHandler>(
        "TCoreWebView2BrowserProcessExitedEventHandler for the loader",
        "BrowserProcessExitedEventHandler_Invoke", {"@1001", "@1002"},
        P<ICoreWebView2Environment>(1), P<ICoreWebView2BrowserProcessExitedEventArgs>(2));
    Browser<TCoreWebView2ProcessInfosChangedEventHandler>(
        "TCoreWebView2ProcessInfosChangedEventHandler for a browser",
        "ProcessInfosChangedEventHandler_Invoke", {"@1001", "@1002"},
        P<ICoreWebView2Environment>(1), P<IUnknown>(2));
    Loader<TCoreWebView2ProcessInfosChangedEventHandler>(
        "TCoreWebView2ProcessInfosChangedEventHandler for the loader",
        "ProcessInfosChangedEventHandler_Invoke", {"@1001", "@1002"},
        P<ICoreWebView2Environment>(1), P<IUnknown>(2));
    QTest::newRow("TCoreWebView2CallDevToolsProtocolMethodCompletedHandler")
        << TForwardCall([](IWVBrowserEvents* aBrowser, IWVLoaderEvents*) {
               TComPtr<TCoreWebView2CallDevToolsProtocolMethodCompletedHandler> delegate(
                   new TCoreWebView2CallDevToolsProtocolMethodCompletedHandler(aBrowser, -77));
               return delegate->Invoke(kCode, u"{\"a\":1}");
           })
        << false << QStringLiteral("CallDevToolsProtocolMethodCompletedHandler_Invoke")
        << QStringList{Arg(kCode), QStringLiteral("'{\"a\":1}'"), QStringLiteral("-77")};
}

void TestDelegates::everyForwarder()
{
    QFETCH(TForwardCall, call);
    QFETCH(bool, loader);
    QFETCH(QString, operation);
    QFETCH(QStringList, arguments);
    TRecordingBrowserTarget browserTarget;
    TRecordingLoaderTarget loaderTarget;
    const HRESULT result = call(&browserTarget, &loaderTarget);
    TRecording& target = loader ? static_cast<TRecording&>(loaderTarget) : browserTarget;
    const TRecording& other = loader ? static_cast<TRecording&>(browserTarget) : loaderTarget;
    QCOMPARE(target.Operations, QStringList{operation});
    QCOMPARE(target.Arguments, QList<QStringList>{arguments});
    QCOMPARE(result, target.Result);
    QVERIFY(other.Operations.isEmpty());
}

void TestDelegates::targetClearedByItsBase()
{
    // The recording target clears nothing itself: its interface's base does.
    QCOMPARE(CallbackTargetCount(), std::size_t(0));
    std::optional<TRecordingBrowserTarget> target(std::in_place);
    IWVBrowserEvents* events = &*target;
    const TWVTargetRef<IWVBrowserEvents> reference(events);
    TComPtr<ICoreWebView2HistoryChangedEventHandler> delegate(
        new TCoreWebView2HistoryChangedEventHandler(events));
    QCOMPARE(reference.Get(), events);
    QCOMPARE(CallbackTargetCount(), std::size_t(1));
    target.reset();
    QCOMPARE(reference.Get(), nullptr);
    QCOMPARE(CallbackTargetCount(), std::size_t(0));
    QCOMPARE(delegate->Invoke(nullptr, nullptr), E_FAIL);

    // A reset forgets every cell, and no callback reaches a target afterwards.
    TRecordingLoaderTarget loader;
    const TWVTargetRef<IWVLoaderEvents> loaderReference(&loader);
    QCOMPARE(CallbackTargetCount(), std::size_t(1));
    ResetCallbackTargets();
    QCOMPARE(CallbackTargetCount(), std::size_t(0));
    QCOMPARE(loaderReference.Get(), nullptr);
}

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
