#include "wvbrowserbase.h"

#include "wvcorewebview2.h"
#include "wvcorewebview2controller.h"
#include "wvcorewebview2controlleroptions.h"
#include "wvcorewebview2delegates.h"
#include "wvcorewebview2environment.h"
#include "wvcorewebview2environmentoptions.h"
#include "wvcorewebview2settings.h"
#include "wvlibfunctions.h"
#include "wvloader.h"
#include "wvmiscfunctions.h"

#include "winapi.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <cmath>

namespace {

// Execution ids of the component's own script and DevTools jobs.
constexpr INT32 kRetrieveHTMLID = 10000;
constexpr INT32 kRetrieveTextID = 10001;
constexpr INT32 kRetrieveMHTMLID = 10000;
constexpr INT32 kClearCacheID = 10001;
constexpr INT32 kClearDataForOriginID = 10002;
constexpr INT32 kOfflineID = 10003;
constexpr INT32 kIgnoreCertificateErrorsID = 10004;
constexpr INT32 kSimulateKeyEventID = 10005;
constexpr INT32 kRefreshIgnoreCacheID = 10006;

constexpr UINT_PTR kCompSubclassID = 1;

wvstring TextOf(LPCWSTR aText)
{
    return aText ? wvstring(aText) : wvstring();
}

template <typename T> void FreeAndNil(T*& aObject)
{
    T* object = aObject;
    aObject = nullptr;
    delete object;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The subclass procedure of every hooked inner window: the reference data is the stub of the kind,
// a method bound to its component.
LRESULT CALLBACK CompSubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR uIdSubclass, DWORD_PTR dwRefData)
{
    (void)hWnd;
    (void)uIdSubclass;
    TMessage message;
    message.Msg = uMsg;
    message.WParam = wParam;
    message.LParam = lParam;
    message.Result = 0;
    if (auto* method = reinterpret_cast<std::function<void(TMessage&)>*>(dwRefData))
        (*method)(message);
    return message.Result;
}

} // namespace

wvstring ExtractEncodedJson(const wvstring& aJson)
{
    const QByteArray text = QString::fromStdU16String(aJson).toUtf8();
    QByteArray bytes;
    bytes.reserve(text.size());
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const char c = text[i];
        if (c == '+') {
            bytes.append(' ');
            ++i;
        } else if (c != '%') {
            bytes.append(c);
            ++i;
        } else if (i + 1 < n && text[i + 1] == '%') {
            bytes.append('%');
            i += 2;
        } else if (i + 2 < n && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            bytes.append(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 3;
        } else if (i + 1 < n) {
            // "%" followed by anything else.
            bytes.append(' ');
            i += 2;
        } else {
            // A "%" that ends the text has nothing to decode and stays.
            bytes.append('%');
            ++i;
        }
    }
    wvstring result = QString::fromUtf8(bytes).toStdU16String();
    if (result.size() >= 2 && result.front() == u'"' && result.back() == u'"')
        result = result.substr(1, result.size() - 2);
    return result;
}

// ---- Construction and destruction -----------------------------------------------------------

TWVBrowserBase::TWVBrowserBase(TComponent* AOwner)
    : QObject(AOwner), FTargetCompatibleBrowserVersion(LowestChromiumVersion())
{
    // The five long-lived completion objects; nothing in this program hands them to the runtime.
    auto* events = static_cast<IWVBrowserEvents*>(this);
    FClearBrowsingDataCompletedHandler = TComPtr<ICoreWebView2ClearBrowsingDataCompletedHandler>(
        new TCoreWebView2ClearBrowsingDataCompletedHandler(events));
    FSetPermissionStateCompletedHandler = TComPtr<ICoreWebView2SetPermissionStateCompletedHandler>(
        new TCoreWebView2SetPermissionStateCompletedHandler(events));
    FGetNonDefaultPermissionSettingsCompletedHandler =
        TComPtr<ICoreWebView2GetNonDefaultPermissionSettingsCompletedHandler>(
            new TCoreWebView2GetNonDefaultPermissionSettingsCompletedHandler(events));
    FProfileAddBrowserExtensionCompletedHandler =
        TComPtr<ICoreWebView2ProfileAddBrowserExtensionCompletedHandler>(
            new TCoreWebView2ProfileAddBrowserExtensionCompletedHandler(events));
    FProfileGetBrowserExtensionsCompletedHandler =
        TComPtr<ICoreWebView2ProfileGetBrowserExtensionsCompletedHandler>(
            new TCoreWebView2ProfileGetBrowserExtensionsCompletedHandler(events));
}

TWVBrowserBase::~TWVBrowserBase()
{
    // From here on no callback object reaches this component, also one whose completion is still on
    // its way.
    ClearCallbackTarget(static_cast<IWVBrowserEvents*>(this));
    RestoreOldCompWndProc();
    FreeAndNil(FCoreWebView2Profile);
    FreeAndNil(FCoreWebView2FindOptions);
    FreeAndNil(FCoreWebView2PrintSettings);
    FreeAndNil(FCoreWebView2Settings);
    FreeAndNil(FCoreWebView2Environment);
    FreeAndNil(FCoreWebView2);
    FreeAndNil(FCoreWebView2Controller);
    FClearBrowsingDataCompletedHandler.Reset();
    FSetPermissionStateCompletedHandler.Reset();
    FGetNonDefaultPermissionSettingsCompletedHandler.Reset();
    FProfileAddBrowserExtensionCompletedHandler.Reset();
    FProfileGetBrowserExtensionsCompletedHandler.Reset();
}

HRESULT STDMETHODCALLTYPE TWVBrowserBase::QueryInterface(REFIID riid, void** ppvObject)
{
    if (!ppvObject)
        return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown || riid == IID_IWVBrowserEvents)
        *ppvObject = static_cast<IWVBrowserEvents*>(this);
    return *ppvObject ? S_OK : E_NOINTERFACE;
}

bool TWVBrowserBase::Initialized() const
{
    return FCoreWebView2Environment && FCoreWebView2Environment->GetInitialized() &&
           FCoreWebView2 && FCoreWebView2->GetInitialized() && FCoreWebView2Settings &&
           FCoreWebView2Settings->GetInitialized() && FCoreWebView2Controller &&
           FCoreWebView2Controller->GetInitialized();
}

wvstring TWVBrowserBase::UserDataFolder() const
{
    if (Initialized())
        return FCoreWebView2Environment->GetUserDataFolder();
    return FUserDataFolder;
}

// ---- Creation -------------------------------------------------------------------------------

bool TWVBrowserBase::CreateBrowser(HWND aHandle, bool aUseDefaultEnvironment)
{
    ICoreWebView2Environment* environment = nullptr;
    if (aUseDefaultEnvironment && GlobalWebView2Loader)
        environment = GlobalWebView2Loader->Environment();
    return CreateBrowser(aHandle, environment);
}

bool TWVBrowserBase::CreateBrowser(HWND aHandle, ICoreWebView2Environment* aEnvironment)
{
    if (!aHandle || !GlobalWebView2Loader || !GlobalWebView2Loader->Initialized() || Initialized())
        return false;
    FWindowParentHandle = aHandle;
    if (aEnvironment) {
        FreeAndNil(FCoreWebView2Environment);
        FUseDefaultEnvironment = true;
        FCoreWebView2Environment = new TCoreWebView2Environment(aEnvironment);
        return CreateController();
    }
    return CreateEnvironment();
}

void TWVBrowserBase::RaiseInitializationError(HRESULT aErrorCode, const char16_t* aPrefix,
                                              const wvstring& aDescription)
{
    wvstring message = aPrefix;
    message += u"\r\n";
    message += ErrorCodeText(aErrorCode);
    message += u"\r\n";
    message += aDescription;
    DoOnInitializationError(aErrorCode, message);
}

bool TWVBrowserBase::CreateEnvironment()
{
    TWVCustomSchemeRegistrationArray registrations;
    DoOnGetCustomSchemes(registrations);
    TComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> handler(
        new TCoreWebView2EnvironmentCompletedHandler(static_cast<IWVBrowserEvents*>(this)));
    TComPtr<ICoreWebView2EnvironmentOptions> options(new TCoreWebView2EnvironmentOptions(
        FAdditionalBrowserArguments, FLanguage, FTargetCompatibleBrowserVersion,
        FAllowSingleSignOnUsingOSPrimaryAccount, FExclusiveUserDataFolderAccess,
        FCustomCrashReportingEnabled, registrations, FEnableTrackingPrevention,
        FAreBrowserExtensionsEnabled, FChannelSearchKind, FReleaseChannels, FScrollBarStyle));
    HRESULT hr = E_FAIL;
    if (uWVLibFunctions::CreateCoreWebView2EnvironmentWithOptions)
        hr = uWVLibFunctions::CreateCoreWebView2EnvironmentWithOptions(
            FBrowserExecPath.c_str(), FUserDataFolder.c_str(), options.Get(), handler.Get());
    if (SUCCEEDED(hr))
        return true;
    RaiseInitializationError(hr, u"There was an error creating the browser environment. (2)",
                             EnvironmentCreationErrorToString(hr));
    return false;
}

HRESULT STDMETHODCALLTYPE TWVBrowserBase::EnvironmentCompletedHandler_Invoke(
    HRESULT errorCode, ICoreWebView2Environment* result)
{
    if (SUCCEEDED(errorCode) && result) {
        FreeAndNil(FCoreWebView2Environment);
        FCoreWebView2Environment = new TCoreWebView2Environment(result);
        DoOnEnvironmentCompleted();
        CreateController();
    } else {
        RaiseInitializationError(errorCode,
                                 u"There was an error creating the browser environment. (3)",
                                 EnvironmentCreationErrorToString(errorCode));
    }
    return S_OK;
}

bool TWVBrowserBase::CreateController()
{
    TComPtr<ICoreWebView2ControllerOptions> options;
    HRESULT hr = E_FAIL;
    bool result = false;
    if (FCoreWebView2Environment->CreateCoreWebView2ControllerOptions(options, hr) && options) {
        TCoreWebView2ControllerOptions controllerOptions(options.Get());
        controllerOptions.SetProfileName(FProfileName);
        controllerOptions.SetIsInPrivateModeEnabled(FIsInPrivateModeEnabled);
        controllerOptions.SetScriptLocale(FScriptLocale);
        controllerOptions.SetDefaultBackgroundColor(FDefaultBackgroundColor);
        controllerOptions.SetAllowHostInputProcessing(FAllowHostInputProcessing);
        result = FCoreWebView2Environment->CreateCoreWebView2ControllerWithOptions(
            FWindowParentHandle, options.Get(), static_cast<IWVBrowserEvents*>(this), hr);
    } else if (hr == E_NOTIMPL) {
        // The environment offers no controller options: the plain factory, without them.
        FProfileName.clear();
        FIsInPrivateModeEnabled = false;
        result = FCoreWebView2Environment->CreateCoreWebView2Controller(
            FWindowParentHandle, static_cast<IWVBrowserEvents*>(this), hr);
    } else {
        RaiseInitializationError(hr, u"There was an error creating the controller options. (2)",
                                 ControllerOptionsCreationErrorToString(hr));
        return false;
    }
    if (!result)
        RaiseInitializationError(hr, u"There was an error creating the controller. (4)",
                                 ControllerCreationErrorToString(hr));
    return result;
}

HRESULT STDMETHODCALLTYPE TWVBrowserBase::ControllerCompletedHandler_Invoke(
    HRESULT errorCode, ICoreWebView2Controller* result)
{
    if (FAILED(errorCode) || !result) {
        RaiseInitializationError(errorCode, u"There was an error creating the controller. (2)",
                                 ControllerCreationErrorToString(errorCode));
        return S_OK;
    }
    FreeAndNil(FCoreWebView2Controller);
    FCoreWebView2Controller = new TCoreWebView2Controller(result);
    DoOnControllerCompleted();

    TComPtr<ICoreWebView2> webView = FCoreWebView2Controller->GetCoreWebView2();
    if (!webView) {
        DoOnInitializationError(E_FAIL, u"There was an error getting the browser webview.");
        return S_OK;
    }
    FreeAndNil(FCoreWebView2);
    FCoreWebView2 = new TCoreWebView2(webView.Get());
    TComPtr<ICoreWebView2Settings> settings = FCoreWebView2->GetSettings();
    if (!settings) {
        DoOnInitializationError(E_FAIL, u"There was an error getting the browser settings.");
        return S_OK;
    }

    FreeAndNil(FCoreWebView2Profile);
    FCoreWebView2Profile = new TCoreWebView2Profile(FCoreWebView2->GetProfile().Get());
    FCoreWebView2Profile->AddAllBrowserEvents(this);

    FreeAndNil(FCoreWebView2Settings);
    FCoreWebView2Settings = new TCoreWebView2Settings(settings.Get());

    TComPtr<ICoreWebView2PrintSettings> printSettings;
    if (FCoreWebView2Environment->CreatePrintSettings(printSettings)) {
        FreeAndNil(FCoreWebView2PrintSettings);
        FCoreWebView2PrintSettings = new TCoreWebView2PrintSettings(printSettings.Get());
    }

    if (!FUseDefaultEnvironment)
        FCoreWebView2Environment->AddAllBrowserEvents(this);
    FCoreWebView2->AddAllBrowserEvents(this);
    FCoreWebView2Controller->AddAllBrowserEvents(this);

    TComPtr<ICoreWebView2FindOptions> findOptions;
    if (FCoreWebView2Environment->CreateFindOptions(findOptions)) {
        FreeAndNil(FCoreWebView2FindOptions);
        FCoreWebView2FindOptions = new TCoreWebView2FindOptions(findOptions.Get());
    }

    DoOnAfterCreated();
    if (!FDefaultURL.empty())
        Navigate(FDefaultURL);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE
TWVBrowserBase::CreateCoreWebView2CompositionControllerCompletedHandler_Invoke(
    HRESULT errorCode, ICoreWebView2CompositionController* result)
{
    // No composition controller is ever requested; a completion is only reported.
    if (SUCCEEDED(errorCode) && result)
        DoOnCompositionControllerCompleted();
    return S_OK;
}

// ---- Operations -----------------------------------------------------------------------------

bool TWVBrowserBase::Navigate(const wvstring& aURI)
{
    return Initialized() && FCoreWebView2->Navigate(aURI);
}

bool TWVBrowserBase::NavigateToString(const wvstring& aHTMLContent)
{
    if (!Initialized())
        return false;
    return FCoreWebView2->NavigateToString(aHTMLContent.substr(0, aHTMLContent.find(u'\0')));
}

bool TWVBrowserBase::PostWebMessageAsString(const wvstring& aWebMessageAsString)
{
    return Initialized() && FCoreWebView2->PostWebMessageAsString(aWebMessageAsString);
}

void TWVBrowserBase::SetBounds(const RECT& aValue)
{
    if (Initialized())
        FCoreWebView2Controller->SetBounds(aValue);
}

bool TWVBrowserBase::SetFocus()
{
    return Initialized() &&
           FCoreWebView2Controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
}

bool TWVBrowserBase::CallDevToolsProtocolMethod(const wvstring& aMethodName,
                                                const wvstring& aParametersAsJson,
                                                INT32 aExecutionID)
{
    return Initialized() && FCoreWebView2->CallDevToolsProtocolMethod(
                                aMethodName, aParametersAsJson, aExecutionID, this);
}

double TWVBrowserBase::GetZoomFactor()
{
    return Initialized() ? FCoreWebView2Controller->GetZoomFactor() : 0;
}

double TWVBrowserBase::GetZoomPct()
{
    return GetZoomFactor() * 100;
}

float TWVBrowserBase::GetScreenScale()
{
    return GlobalWebView2Loader ? GlobalWebView2Loader->DeviceScaleFactor() : 1.0f;
}

std::uint8_t ZoomStepForPct(double aPct)
{
    int best = 6;
    double bestDistance = 10000.0;
    for (int i = 0; i < 16; ++i) {
        const double distance = std::fabs(ZoomStepValues[i] - aPct);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        } else if (distance > bestDistance) {
            break;
        }
    }
    return static_cast<std::uint8_t>(best);
}

void TWVBrowserBase::CalculateZoomStep()
{
    FZoomStep = ZoomStepForPct(GetZoomPct());
}

wvstring KeyEventJson(TWV2KeyEventType type_, INT32 modifiers, INT32 windowsVirtualKeyCode,
                      INT32 nativeVirtualKeyCode, INT32 timestamp, INT32 location, bool autoRepeat,
                      bool isKeypad, bool isSystemKey, const wvstring& text,
                      const wvstring& unmodifiedText, const wvstring& keyIdentifier,
                      const wvstring& code, const wvstring& key)
{
    static const char16_t* const kTypes[] = {u"keyDown", u"keyUp", u"rawKeyDown", u"char"};
    wvstring json = u"{\"type\": \"";
    json += kTypes[static_cast<int>(type_) & 3];
    json += u"\"";
    auto number = [&json](const char16_t* aName, INT32 aValue) {
        if (aValue == 0)
            return;
        json += u", \"";
        json += aName;
        json += u"\": ";
        json += QString::number(aValue).toStdU16String();
    };
    auto string = [&json](const char16_t* aName, const wvstring& aValue) {
        if (aValue.empty())
            return;
        json += u", \"";
        json += aName;
        json += u"\": \"";
        json += JSONEscape(aValue);
        json += u"\"";
    };
    auto flag = [&json](const char16_t* aName, bool aValue) {
        if (!aValue)
            return;
        json += u", \"";
        json += aName;
        json += u"\": true";
    };
    number(u"modifiers", modifiers);
    number(u"timestamp", timestamp);
    string(u"text", text);
    string(u"unmodifiedText", unmodifiedText);
    string(u"keyIdentifier", keyIdentifier);
    string(u"code", code);
    string(u"key", key);
    number(u"windowsVirtualKeyCode", windowsVirtualKeyCode);
    number(u"nativeVirtualKeyCode", nativeVirtualKeyCode);
    flag(u"autoRepeat", autoRepeat);
    flag(u"isKeypad", isKeypad);
    flag(u"isSystemKey", isSystemKey);
    number(u"location", location);
    json += u"}";
    return json;
}

bool TWVBrowserBase::SimulateKeyEvent(TWV2KeyEventType type_, INT32 modifiers,
                                      INT32 windowsVirtualKeyCode, INT32 nativeVirtualKeyCode,
                                      INT32 timestamp, INT32 location, bool autoRepeat,
                                      bool isKeypad, bool isSystemKey, const wvstring& text,
                                      const wvstring& unmodifiedText, const wvstring& keyIdentifier,
                                      const wvstring& code, const wvstring& key)
{
    return CallDevToolsProtocolMethod(u"Input.dispatchKeyEvent",
                                      KeyEventJson(type_, modifiers, windowsVirtualKeyCode,
                                                   nativeVirtualKeyCode, timestamp, location,
                                                   autoRepeat, isKeypad, isSystemKey, text,
                                                   unmodifiedText, keyIdentifier, code, key),
                                      kSimulateKeyEventID);
}

namespace {

struct TKeyCall
{
    TWV2KeyEventType Type;
    INT32 Modifiers;
    INT32 WindowsVirtualKeyCode;
    std::uint32_t NativeVirtualKeyCode;
};

} // namespace

bool TWVBrowserBase::KeyboardShortcutSearch()
{
    static const TKeyCall kCalls[] = {{ketRawKeyDown, 256, 114, 0x003D0001u},
                                      {ketKeyUp, 256, 114, 0xC03D0001u}};
    for (const TKeyCall& c : kCalls)
        if (!SimulateKeyEvent(c.Type, c.Modifiers, c.WindowsVirtualKeyCode,
                              static_cast<INT32>(c.NativeVirtualKeyCode), 0, 0, false, false, false,
                              {}, {}, {}, {}, {}))
            return false;
    return true;
}

bool TWVBrowserBase::KeyboardShortcutRefreshIgnoreCache()
{
    static const TKeyCall kCalls[] = {{ketRawKeyDown, 0x502, 16, 0x002A0001u},
                                      {ketRawKeyDown, 0x102, 116, 0x003F0001u},
                                      {ketKeyUp, 0x102, 116, 0xC03F0001u},
                                      {ketKeyUp, 256, 16, 0xC02A0001u}};
    for (const TKeyCall& c : kCalls)
        if (!SimulateKeyEvent(c.Type, c.Modifiers, c.WindowsVirtualKeyCode,
                              static_cast<INT32>(c.NativeVirtualKeyCode), 0, 0, false, false, false,
                              {}, {}, {}, {}, {}))
            return false;
    return true;
}

// ---- Completions routed by execution id -----------------------------------------------------

HRESULT STDMETHODCALLTYPE TWVBrowserBase::ExecuteScriptCompletedHandler_Invoke(
    HRESULT errorCode, LPCWSTR resultObjectAsJson, INT32 aExecutionID)
{
    const wvstring result = TextOf(resultObjectAsJson);
    switch (aExecutionID) {
    case kRetrieveHTMLID:
        DoOnRetrieveHTMLCompleted(errorCode, result);
        break;
    case kRetrieveTextID:
        DoOnRetrieveTextCompleted(errorCode, result);
        break;
    default:
        DoOnExecuteScriptCompleted(errorCode, result, aExecutionID);
        break;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TWVBrowserBase::CallDevToolsProtocolMethodCompletedHandler_Invoke(
    HRESULT errorCode, LPCWSTR returnObjectAsJson, INT32 aExecutionID)
{
    const wvstring result = TextOf(returnObjectAsJson);
    switch (aExecutionID) {
    case kRetrieveMHTMLID:
        DoOnRetrieveMHTMLCompleted(errorCode, result);
        break;
    case kClearCacheID:
        DoOnClearCacheCompleted(errorCode);
        break;
    case kClearDataForOriginID:
        DoOnClearDataForOriginCompleted(errorCode);
        break;
    case kOfflineID:
        DoOnOfflineCompleted(errorCode);
        break;
    case kIgnoreCertificateErrorsID:
        DoOnIgnoreCertificateErrorsCompleted(errorCode);
        break;
    case kSimulateKeyEventID:
        DoOnSimulateKeyEventCompleted(errorCode);
        break;
    case kRefreshIgnoreCacheID:
        DoOnRefreshIgnoreCacheCompleted(errorCode, result);
        break;
    default:
        DoOnCallDevToolsProtocolMethodCompletedEvent(errorCode, result, aExecutionID);
        break;
    }
    return S_OK;
}

bool TWVBrowserBase::ExtractJsonData(const wvstring& aJson, wvstring& aData)
{
    if (aJson.empty())
        return false;
    const QJsonDocument doc = QJsonDocument::fromJson(QString::fromStdU16String(aJson).toUtf8());
    if (!doc.isObject() || !doc.object().contains(QStringLiteral("data")))
        return false;
    const QJsonValue data = doc.object().value(QStringLiteral("data"));
    QString text;
    if (data.isString())
        text = data.toString();
    else if (data.isDouble())
        text = QString::number(data.toDouble(), 'g', 17);
    else if (data.isBool())
        text = data.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    else if (data.isObject())
        text = QString::fromUtf8(QJsonDocument(data.toObject()).toJson(QJsonDocument::Compact));
    else if (data.isArray())
        text = QString::fromUtf8(QJsonDocument(data.toArray()).toJson(QJsonDocument::Compact));
    else
        text = QStringLiteral("null");
    aData = text.toStdU16String();
    return true;
}

void TWVBrowserBase::DoOnRetrieveHTMLCompleted(HRESULT aErrorCode,
                                               const wvstring& aResultObjectAsJson)
{
    if (SUCCEEDED(aErrorCode) && OnRetrieveHTMLCompleted) {
        const wvstring text = ExtractEncodedJson(aResultObjectAsJson);
        OnRetrieveHTMLCompleted(this, !text.empty(), text);
    }
}

void TWVBrowserBase::DoOnRetrieveTextCompleted(HRESULT aErrorCode,
                                               const wvstring& aResultObjectAsJson)
{
    if (SUCCEEDED(aErrorCode) && OnRetrieveTextCompleted) {
        const wvstring text = ExtractEncodedJson(aResultObjectAsJson);
        OnRetrieveTextCompleted(this, !text.empty(), text);
    }
}

void TWVBrowserBase::DoOnRetrieveMHTMLCompleted(HRESULT aErrorCode,
                                                const wvstring& aReturnObjectAsJson)
{
    if (!OnRetrieveMHTMLCompleted)
        return;
    wvstring text;
    const bool result = SUCCEEDED(aErrorCode) && ExtractJsonData(aReturnObjectAsJson, text);
    OnRetrieveMHTMLCompleted(this, result, text);
}

#define WV_BOOL_COMPLETION(NAME)                                                                   \
    void TWVBrowserBase::DoOn##NAME(HRESULT aErrorCode)                                            \
    {                                                                                              \
        if (On##NAME)                                                                              \
            On##NAME(this, SUCCEEDED(aErrorCode));                                                 \
    }
WV_BOOL_COMPLETION(ClearCacheCompleted)
WV_BOOL_COMPLETION(ClearDataForOriginCompleted)
WV_BOOL_COMPLETION(OfflineCompleted)
WV_BOOL_COMPLETION(IgnoreCertificateErrorsCompleted)
WV_BOOL_COMPLETION(SimulateKeyEventCompleted)
#undef WV_BOOL_COMPLETION

void TWVBrowserBase::DoOnRefreshIgnoreCacheCompleted(HRESULT aErrorCode,
                                                     const wvstring& aResultObjectAsJson)
{
    if (OnRefreshIgnoreCacheCompleted)
        OnRefreshIgnoreCacheCompleted(this, aErrorCode, aResultObjectAsJson);
}

void TWVBrowserBase::DoOnExecuteScriptCompleted(HRESULT aErrorCode,
                                                const wvstring& aResultObjectAsJson,
                                                INT32 aExecutionID)
{
    if (OnExecuteScriptCompleted)
        OnExecuteScriptCompleted(this, aErrorCode, aResultObjectAsJson, aExecutionID);
}

void TWVBrowserBase::DoOnCallDevToolsProtocolMethodCompletedEvent(HRESULT aErrorCode,
                                                                  const wvstring& aResult,
                                                                  INT32 aExecutionID)
{
    if (OnCallDevToolsProtocolMethodCompleted)
        OnCallDevToolsProtocolMethodCompleted(this, aErrorCode, aResult, aExecutionID);
}

// ---- Dispatchers of the creation road -------------------------------------------------------

void TWVBrowserBase::DoOnInitializationError(HRESULT aErrorCode, const wvstring& aErrorMessage)
{
    if (OnInitializationError)
        OnInitializationError(this, aErrorCode, aErrorMessage);
}

void TWVBrowserBase::DoOnEnvironmentCompleted()
{
    if (OnEnvironmentCompleted)
        OnEnvironmentCompleted(this);
}

void TWVBrowserBase::DoOnControllerCompleted()
{
    if (OnControllerCompleted)
        OnControllerCompleted(this);
}

void TWVBrowserBase::DoOnAfterCreated()
{
    if (OnAfterCreated)
        OnAfterCreated(this);
}

void TWVBrowserBase::DoOnGetCustomSchemes(TWVCustomSchemeRegistrationArray& aSchemeRegistrations)
{
    if (!OnGetCustomSchemes)
        return;
    TWVCustomSchemeInfoArray schemes;
    OnGetCustomSchemes(this, schemes);
    for (const TWVCustomSchemeInfo& info : schemes)
        aSchemeRegistrations.push_back(TComPtr<ICoreWebView2CustomSchemeRegistration>(
            new TCoreWebView2CustomSchemeRegistration(info)));
}

// ---- Operations with bookkeeping ------------------------------------------------------------

HRESULT STDMETHODCALLTYPE TWVBrowserBase::NavigationStartingEventHandler_Invoke(
    ICoreWebView2* sender, ICoreWebView2NavigationStartingEventArgs* args)
{
    FIsNavigating = true;
    ReplaceWndProcs();
    DoOnNavigationStarting(sender, args);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TWVBrowserBase::NavigationCompletedEventHandler_Invoke(
    ICoreWebView2* sender, ICoreWebView2NavigationCompletedEventArgs* args)
{
    FIsNavigating = false;
    DoOnNavigationCompleted(sender, args);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TWVBrowserBase::ZoomFactorChangedEventHandler_Invoke(
    ICoreWebView2Controller* sender, IUnknown* args)
{
    (void)sender;
    (void)args;
    CalculateZoomStep();
    DoOnZoomFactorChanged();
    return S_OK;
}

// ---- Compositor window watching -------------------------------------------------------------

void TWVBrowserBase::CreateStub(const TWndMethod& aMethod, void*& aStub)
{
    if (!aStub)
        aStub = new TWndMethod(aMethod);
}

void TWVBrowserBase::FreeAndNilStub(void*& aStub)
{
    if (aStub) {
        delete static_cast<TWndMethod*>(aStub);
        aStub = nullptr;
    }
}

void* TWVBrowserBase::InstallCompWndProc(HWND aWnd, void* aStub)
{
    if (!aWnd || !aStub)
        return nullptr;
    SetWindowSubclass(aWnd, CompSubclassProc, kCompSubclassID, reinterpret_cast<DWORD_PTR>(aStub));
    return reinterpret_cast<void*>(1);
}

void TWVBrowserBase::RestoreCompWndProc(HWND& aOldWnd, HWND aNewWnd, void*& aProc)
{
    if (aOldWnd && aOldWnd != aNewWnd && aProc) {
        RemoveWindowSubclass(aOldWnd, CompSubclassProc, kCompSubclassID);
        aProc = nullptr;
        aOldWnd = nullptr;
    }
}

void TWVBrowserBase::CallOldCompWndProc(void* aProc, HWND aWnd, TMessage& aMessage)
{
    if (aProc && aWnd)
        aMessage.Result = DefSubclassProc(aWnd, aMessage.Msg, aMessage.WParam, aMessage.LParam);
}

void TWVBrowserBase::LookUpKind(HWND aParent, const char* aClass, const char* aTitle, HWND& aWnd,
                                void*& aMarker, void*& aStub, const TOnCompMsgEvent& aEvent,
                                void (TWVBrowserBase::*aProc)(TMessage&))
{
    const HWND found = FindWindowExA(aParent, nullptr, aClass, aTitle);
    if (found == aWnd)
        return;
    HWND old = aWnd;
    aWnd = found;
    RestoreCompWndProc(old, found, aMarker);
    if (aEvent && aWnd && !aMarker) {
        CreateStub([this, aProc](TMessage& aMessage) { (this->*aProc)(aMessage); }, aStub);
        aMarker = InstallCompWndProc(aWnd, aStub);
    }
}

void TWVBrowserBase::ReplaceWndProcs()
{
    if (!FWindowParentHandle)
        return;
    LookUpKind(FWindowParentHandle, "Chrome_WidgetWin_0", "", FWidget0CompHWND,
               FOldWidget0CompWndPrc, FWidget0CompStub, OnWidget0CompMsg,
               &TWVBrowserBase::Widget0CompWndProc);
    if (!FWidget0CompHWND)
        return;
    LookUpKind(FWidget0CompHWND, "Chrome_WidgetWin_1", nullptr, FWidget1CompHWND,
               FOldWidget1CompWndPrc, FWidget1CompStub, OnWidget1CompMsg,
               &TWVBrowserBase::Widget1CompWndProc);
    if (!FWidget1CompHWND)
        return;
    LookUpKind(FWidget1CompHWND, "Chrome_RenderWidgetHostHWND", "Chrome Legacy Window",
               FRenderCompHWND, FOldRenderCompWndPrc, FRenderCompStub, OnRenderCompMsg,
               &TWVBrowserBase::RenderCompWndProc);
    LookUpKind(FWidget1CompHWND, "Intermediate D3D Window", nullptr, FD3DWindowCompHWND,
               FOldD3DWindowCompWndPrc, FD3DWindowCompStub, OnD3DWindowCompMsg,
               &TWVBrowserBase::D3DWindowCompWndProc);
}

void TWVBrowserBase::RestoreOldCompWndProc()
{
    RestoreCompWndProc(FWidget0CompHWND, nullptr, FOldWidget0CompWndPrc);
    FreeAndNilStub(FWidget0CompStub);
    RestoreCompWndProc(FWidget1CompHWND, nullptr, FOldWidget1CompWndPrc);
    FreeAndNilStub(FWidget1CompStub);
    RestoreCompWndProc(FRenderCompHWND, nullptr, FOldRenderCompWndPrc);
    FreeAndNilStub(FRenderCompStub);
    RestoreCompWndProc(FD3DWindowCompHWND, nullptr, FOldD3DWindowCompWndPrc);
    FreeAndNilStub(FD3DWindowCompStub);
}

void TWVBrowserBase::CompWndProc(TMessage& aMessage, HWND& aWnd, void*& aMarker,
                                 const TOnCompMsgEvent& aEvent, const char* aName)
{
    try {
        try {
            bool handled = false;
            if (aEvent)
                aEvent(this, aMessage, handled);
            if (!handled)
                CallOldCompWndProc(aMarker, aWnd, aMessage);
        } catch (...) {
            if (aMessage.Msg == WM_DESTROY)
                RestoreCompWndProc(aWnd, nullptr, aMarker);
            throw;
        }
        if (aMessage.Msg == WM_DESTROY)
            RestoreCompWndProc(aWnd, nullptr, aMarker);
    } catch (...) {
        if (CustomExceptionHandler(aName, std::current_exception()))
            throw;
    }
}

void TWVBrowserBase::Widget0CompWndProc(TMessage& aMessage)
{
    CompWndProc(aMessage, FWidget0CompHWND, FOldWidget0CompWndPrc, OnWidget0CompMsg,
                "TWVBrowserBase.Widget0CompWndProc");
}

void TWVBrowserBase::Widget1CompWndProc(TMessage& aMessage)
{
    CompWndProc(aMessage, FWidget1CompHWND, FOldWidget1CompWndPrc, OnWidget1CompMsg,
                "TWVBrowserBase.Widget1CompWndProc");
}

void TWVBrowserBase::RenderCompWndProc(TMessage& aMessage)
{
    CompWndProc(aMessage, FRenderCompHWND, FOldRenderCompWndPrc, OnRenderCompMsg,
                "TWVBrowserBase.RenderCompWndProc");
}

void TWVBrowserBase::D3DWindowCompWndProc(TMessage& aMessage)
{
    CompWndProc(aMessage, FD3DWindowCompHWND, FOldD3DWindowCompWndPrc, OnD3DWindowCompMsg,
                "TWVBrowserBase.D3DWindowCompWndProc");
}

// ---- The other operations and their dispatchers ---------------------------------------------

void TWVBrowserBase::DoOnNavigationStarting(ICoreWebView2* aWebView,
                                            ICoreWebView2NavigationStartingEventArgs* aArgs)
{
    if (OnNavigationStarting)
        OnNavigationStarting(this, aWebView, aArgs);
}

void TWVBrowserBase::DoOnNavigationCompleted(ICoreWebView2* aWebView,
                                             ICoreWebView2NavigationCompletedEventArgs* aArgs)
{
    if (OnNavigationCompleted)
        OnNavigationCompleted(this, aWebView, aArgs);
}

HRESULT TWVBrowserBase::SourceChangedEventHandler_Invoke(ICoreWebView2* sender,
                                                         ICoreWebView2SourceChangedEventArgs* args)
{
    DoOnSourceChanged(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnSourceChanged(ICoreWebView2* aWebView,
                                       ICoreWebView2SourceChangedEventArgs* aArgs)
{
    if (OnSourceChanged)
        OnSourceChanged(this, aWebView, aArgs);
}

HRESULT TWVBrowserBase::HistoryChangedEventHandler_Invoke(ICoreWebView2* sender, IUnknown* args)
{
    (void)sender;
    (void)args;
    DoOnHistoryChanged();
    return S_OK;
}

void TWVBrowserBase::DoOnHistoryChanged()
{
    if (OnHistoryChanged)
        OnHistoryChanged(this);
}

HRESULT
TWVBrowserBase::ContentLoadingEventHandler_Invoke(ICoreWebView2* sender,
                                                  ICoreWebView2ContentLoadingEventArgs* args)
{
    DoOnContentLoading(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnContentLoading(ICoreWebView2* aWebView,
                                        ICoreWebView2ContentLoadingEventArgs* aArgs)
{
    if (OnContentLoading)
        OnContentLoading(this, aWebView, aArgs);
}

HRESULT
TWVBrowserBase::DocumentTitleChangedEventHandler_Invoke(ICoreWebView2* sender, IUnknown* args)
{
    (void)sender;
    (void)args;
    DoOnDocumentTitleChanged();
    return S_OK;
}

void TWVBrowserBase::DoOnDocumentTitleChanged()
{
    if (OnDocumentTitleChanged)
        OnDocumentTitleChanged(this);
}

HRESULT TWVBrowserBase::NewWindowRequestedEventHandler_Invoke(
    ICoreWebView2* sender, ICoreWebView2NewWindowRequestedEventArgs* args)
{
    DoOnNewWindowRequested(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnNewWindowRequested(ICoreWebView2* aWebView,
                                            ICoreWebView2NewWindowRequestedEventArgs* aArgs)
{
    if (OnNewWindowRequested)
        OnNewWindowRequested(this, aWebView, aArgs);
}

HRESULT TWVBrowserBase::FrameNavigationStartingEventHandler_Invoke(
    ICoreWebView2* sender, ICoreWebView2NavigationStartingEventArgs* args)
{
    DoOnFrameNavigationStarting(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnFrameNavigationStarting(ICoreWebView2* aWebView,
                                                 ICoreWebView2NavigationStartingEventArgs* aArgs)
{
    if (OnFrameNavigationStarting)
        OnFrameNavigationStarting(this, aWebView, aArgs);
}

HRESULT TWVBrowserBase::FrameNavigationCompletedEventHandler_Invoke(
    ICoreWebView2* sender, ICoreWebView2NavigationCompletedEventArgs* args)
{
    DoOnFrameNavigationCompleted(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnFrameNavigationCompleted(ICoreWebView2* aWebView,
                                                  ICoreWebView2NavigationCompletedEventArgs* aArgs)
{
    if (OnFrameNavigationCompleted)
        OnFrameNavigationCompleted(this, aWebView, aArgs);
}

HRESULT TWVBrowserBase::WebResourceRequestedEventHandler_Invoke(
    ICoreWebView2* sender, ICoreWebView2WebResourceRequestedEventArgs* args)
{
    DoOnWebResourceRequested(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnWebResourceRequested(ICoreWebView2* aWebView,
                                              ICoreWebView2WebResourceRequestedEventArgs* aArgs)
{
    if (OnWebResourceRequested)
        OnWebResourceRequested(this, aWebView, aArgs);
}

HRESULT TWVBrowserBase::ScriptDialogOpeningEventHandler_Invoke(
    ICoreWebView2* sender, ICoreWebView2ScriptDialogOpeningEventArgs* args)
{
    DoOnScriptDialogOpening(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnScriptDialogOpening(ICoreWebView2* aWebView,
                                             ICoreWebView2ScriptDialogOpeningEventArgs* aArgs)
{
    if (OnScriptDialogOpening)
        OnScriptDialogOpening(this, aWebView, aArgs);
}

HRESULT TWVBrowserBase::PermissionRequestedEventHandler_Invoke(
    ICoreWebView2* sender, ICoreWebView2PermissionRequestedEventArgs* args)
{
    DoOnPermissionRequested(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnPermissionRequested(ICoreWebView2* aWebView,
                                             ICoreWebView2PermissionRequestedEventArgs* aArgs)
{
    if (OnPermissionRequested)
        OnPermissionRequested(this, aWebView, aArgs);
}

HRESULT TWVBrowserBase::ProcessFailedEventHandler_Invoke(ICoreWebView2* sender,
                                                         ICoreWebView2ProcessFailedEventArgs* args)
{
    DoOnProcessFailed(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnProcessFailed(ICoreWebView2* aWebView,
                                       ICoreWebView2ProcessFailedEventArgs* aArgs)
{
    if (OnProcessFailed)
        OnProcessFailed(this, aWebView, aArgs);
}

HRESULT TWVBrowserBase::WebMessageReceivedEventHandler_Invoke(
    ICoreWebView2* sender, ICoreWebView2WebMessageReceivedEventArgs* args)
{
    DoOnWebMessageReceived(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnWebMessageReceived(ICoreWebView2* aWebView,
                                            ICoreWebView2WebMessageReceivedEventArgs* aArgs)
{
    if (OnWebMessageReceived)
        OnWebMessageReceived(this, aWebView, aArgs);
}

HRESULT TWVBrowserBase::ContainsFullScreenElementChangedEventHandler_Invoke(ICoreWebView2* sender,
                                                                            IUnknown* args)
{
    (void)sender;
    (void)args;
    DoOnContainsFullScreenElementChanged();
    return S_OK;
}

void TWVBrowserBase::DoOnContainsFullScreenElementChanged()
{
    if (OnContainsFullScreenElementChanged)
        OnContainsFullScreenElementChanged(this);
}

HRESULT
TWVBrowserBase::WindowCloseRequestedEventHandler_Invoke(ICoreWebView2* sender, IUnknown* args)
{
    (void)sender;
    (void)args;
    DoOnWindowCloseRequested();
    return S_OK;
}

void TWVBrowserBase::DoOnWindowCloseRequested()
{
    if (OnWindowCloseRequested)
        OnWindowCloseRequested(this);
}

void TWVBrowserBase::DoOnZoomFactorChanged()
{
    if (OnZoomFactorChanged)
        OnZoomFactorChanged(this);
}

HRESULT TWVBrowserBase::MoveFocusRequestedEventHandler_Invoke(
    ICoreWebView2Controller* sender, ICoreWebView2MoveFocusRequestedEventArgs* args)
{
    DoOnMoveFocusRequested(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnMoveFocusRequested(ICoreWebView2Controller* aController,
                                            ICoreWebView2MoveFocusRequestedEventArgs* aArgs)
{
    if (OnMoveFocusRequested)
        OnMoveFocusRequested(this, aController, aArgs);
}

HRESULT TWVBrowserBase::AcceleratorKeyPressedEventHandler_Invoke(
    ICoreWebView2Controller* sender, ICoreWebView2AcceleratorKeyPressedEventArgs* args)
{
    DoOnAcceleratorKeyPressed(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnAcceleratorKeyPressed(ICoreWebView2Controller* aController,
                                               ICoreWebView2AcceleratorKeyPressedEventArgs* aArgs)
{
    if (OnAcceleratorKeyPressed)
        OnAcceleratorKeyPressed(this, aController, aArgs);
}

HRESULT
TWVBrowserBase::GotFocusEventHandler_Invoke(ICoreWebView2Controller* sender, IUnknown* args)
{
    (void)sender;
    (void)args;
    DoOnGotFocus();
    return S_OK;
}

void TWVBrowserBase::DoOnGotFocus()
{
    if (OnGotFocus)
        OnGotFocus(this);
}

HRESULT
TWVBrowserBase::LostFocusEventHandler_Invoke(ICoreWebView2Controller* sender, IUnknown* args)
{
    (void)sender;
    (void)args;
    DoOnLostFocus();
    return S_OK;
}

void TWVBrowserBase::DoOnLostFocus()
{
    if (OnLostFocus)
        OnLostFocus(this);
}

HRESULT TWVBrowserBase::DevToolsProtocolEventReceivedEventHandler_Invoke(
    ICoreWebView2* sender, ICoreWebView2DevToolsProtocolEventReceivedEventArgs* args,
    const wvstring& aEventName, INT32 aEventID)
{
    DoOnDevToolsProtocolEventReceived(sender, args, aEventName, aEventID);
    return S_OK;
}

void TWVBrowserBase::DoOnDevToolsProtocolEventReceived(
    ICoreWebView2* aWebView, ICoreWebView2DevToolsProtocolEventReceivedEventArgs* aArgs,
    const wvstring& aEventName, INT32 aEventID)
{
    if (OnDevToolsProtocolEventReceived)
        OnDevToolsProtocolEventReceived(this, aWebView, aArgs, aEventName, aEventID);
}

void TWVBrowserBase::DoOnCompositionControllerCompleted()
{
    if (OnCompositionControllerCompleted)
        OnCompositionControllerCompleted(this);
}

HRESULT TWVBrowserBase::CursorChangedEventHandler_Invoke(ICoreWebView2CompositionController* sender,
                                                         IUnknown* args)
{
    (void)sender;
    (void)args;
    DoOnCursorChangedEvent();
    return S_OK;
}

void TWVBrowserBase::DoOnCursorChangedEvent()
{
    if (OnCursorChanged)
        OnCursorChanged(this);
}

HRESULT TWVBrowserBase::BrowserProcessExitedEventHandler_Invoke(
    ICoreWebView2Environment* sender, ICoreWebView2BrowserProcessExitedEventArgs* args)
{
    DoOnBrowserProcessExitedEvent(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnBrowserProcessExitedEvent(
    ICoreWebView2Environment* aEnvironment, ICoreWebView2BrowserProcessExitedEventArgs* aArgs)
{
    if (OnBrowserProcessExited)
        OnBrowserProcessExited(this, aEnvironment, aArgs);
}

HRESULT
TWVBrowserBase::RasterizationScaleChangedEventHandler_Invoke(ICoreWebView2Controller* sender,
                                                             IUnknown* args)
{
    (void)sender;
    (void)args;
    DoOnRasterizationScaleChangedEvent();
    return S_OK;
}

void TWVBrowserBase::DoOnRasterizationScaleChangedEvent()
{
    if (OnRasterizationScaleChanged)
        OnRasterizationScaleChanged(this);
}

HRESULT TWVBrowserBase::WebResourceResponseReceivedEventHandler_Invoke(
    ICoreWebView2* sender, ICoreWebView2WebResourceResponseReceivedEventArgs* args)
{
    DoOnWebResourceResponseReceivedEvent(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnWebResourceResponseReceivedEvent(
    ICoreWebView2* aWebView, ICoreWebView2WebResourceResponseReceivedEventArgs* aArgs)
{
    if (OnWebResourceResponseReceived)
        OnWebResourceResponseReceived(this, aWebView, aArgs);
}

HRESULT
TWVBrowserBase::DOMContentLoadedEventHandler_Invoke(ICoreWebView2* sender,
                                                    ICoreWebView2DOMContentLoadedEventArgs* args)
{
    DoOnDOMContentLoadedEvent(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnDOMContentLoadedEvent(ICoreWebView2* aWebView,
                                               ICoreWebView2DOMContentLoadedEventArgs* aArgs)
{
    if (OnDOMContentLoaded)
        OnDOMContentLoaded(this, aWebView, aArgs);
}

HRESULT
TWVBrowserBase::WebResourceResponseViewGetContentCompletedHandler_Invoke(HRESULT errorCode,
                                                                         IStream* result,
                                                                         INT32 aResourceID)
{
    DoOnWebResourceResponseViewGetContentCompletedEvent(errorCode, result, aResourceID);
    return S_OK;
}

void TWVBrowserBase::DoOnWebResourceResponseViewGetContentCompletedEvent(HRESULT aErrorCode,
                                                                         IStream* aResult,
                                                                         INT32 aResourceID)
{
    if (OnWebResourceResponseViewGetContentCompleted)
        OnWebResourceResponseViewGetContentCompleted(this, aErrorCode, aResult, aResourceID);
}

HRESULT TWVBrowserBase::GetCookiesCompletedHandler_Invoke(HRESULT errorCode,
                                                          ICoreWebView2CookieList* result)
{
    DoOnGetCookiesCompletedEvent(errorCode, result);
    return S_OK;
}

void TWVBrowserBase::DoOnGetCookiesCompletedEvent(HRESULT aErrorCode,
                                                  ICoreWebView2CookieList* aResult)
{
    if (OnGetCookiesCompleted)
        OnGetCookiesCompleted(this, aErrorCode, aResult);
}

HRESULT TWVBrowserBase::TrySuspendCompletedHandler_Invoke(HRESULT errorCode, BOOL result)
{
    DoOnTrySuspendCompletedEvent(errorCode, result != 0);
    return S_OK;
}

void TWVBrowserBase::DoOnTrySuspendCompletedEvent(HRESULT aErrorCode, bool aResult)
{
    if (OnTrySuspendCompleted)
        OnTrySuspendCompleted(this, aErrorCode, aResult);
}

HRESULT TWVBrowserBase::FrameCreatedEventHandler_Invoke(ICoreWebView2* sender,
                                                        ICoreWebView2FrameCreatedEventArgs* args)
{
    DoOnFrameCreatedEvent(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnFrameCreatedEvent(ICoreWebView2* aWebView,
                                           ICoreWebView2FrameCreatedEventArgs* aArgs)
{
    if (OnFrameCreated)
        OnFrameCreated(this, aWebView, aArgs);
}

HRESULT
TWVBrowserBase::DownloadStartingEventHandler_Invoke(ICoreWebView2* sender,
                                                    ICoreWebView2DownloadStartingEventArgs* args)
{
    DoOnDownloadStartingEvent(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnDownloadStartingEvent(ICoreWebView2* aWebView,
                                               ICoreWebView2DownloadStartingEventArgs* aArgs)
{
    if (OnDownloadStarting)
        OnDownloadStarting(this, aWebView, aArgs);
}

HRESULT TWVBrowserBase::ClientCertificateRequestedEventHandler_Invoke(
    ICoreWebView2* sender, ICoreWebView2ClientCertificateRequestedEventArgs* args)
{
    DoOnClientCertificateRequestedEvent(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnClientCertificateRequestedEvent(
    ICoreWebView2* aWebView, ICoreWebView2ClientCertificateRequestedEventArgs* aArgs)
{
    if (OnClientCertificateRequested)
        OnClientCertificateRequested(this, aWebView, aArgs);
}

HRESULT TWVBrowserBase::PrintToPdfCompletedHandler_Invoke(HRESULT errorCode, BOOL result)
{
    DoOnPrintToPdfCompletedEvent(errorCode, result != 0);
    return S_OK;
}

void TWVBrowserBase::DoOnPrintToPdfCompletedEvent(HRESULT aErrorCode, bool aResult)
{
    if (OnPrintToPdfCompleted)
        OnPrintToPdfCompleted(this, aErrorCode, aResult);
}

HRESULT
TWVBrowserBase::BytesReceivedChangedEventHandler_Invoke(ICoreWebView2DownloadOperation* sender,
                                                        IUnknown* args, INT32 aDownloadID)
{
    (void)args;
    DoOnBytesReceivedChangedEventEvent(sender, aDownloadID);
    return S_OK;
}

void TWVBrowserBase::DoOnBytesReceivedChangedEventEvent(
    ICoreWebView2DownloadOperation* aDownloadOperation, INT32 aDownloadID)
{
    if (OnBytesReceivedChanged)
        OnBytesReceivedChanged(this, aDownloadOperation, aDownloadID);
}

HRESULT
TWVBrowserBase::EstimatedEndTimeChangedEventHandler_Invoke(ICoreWebView2DownloadOperation* sender,
                                                           IUnknown* args, INT32 aDownloadID)
{
    (void)args;
    DoOnEstimatedEndTimeChangedEvent(sender, aDownloadID);
    return S_OK;
}

void TWVBrowserBase::DoOnEstimatedEndTimeChangedEvent(
    ICoreWebView2DownloadOperation* aDownloadOperation, INT32 aDownloadID)
{
    if (OnEstimatedEndTimeChanged)
        OnEstimatedEndTimeChanged(this, aDownloadOperation, aDownloadID);
}

HRESULT TWVBrowserBase::StateChangedEventHandler_Invoke(ICoreWebView2DownloadOperation* sender,
                                                        IUnknown* args, INT32 aDownloadID)
{
    (void)args;
    DoOnStateChangedEvent(sender, aDownloadID);
    return S_OK;
}

void TWVBrowserBase::DoOnStateChangedEvent(ICoreWebView2DownloadOperation* aDownloadOperation,
                                           INT32 aDownloadID)
{
    if (OnDownloadStateChanged)
        OnDownloadStateChanged(this, aDownloadOperation, aDownloadID);
}

HRESULT TWVBrowserBase::FrameNameChangedEventHandler_Invoke(ICoreWebView2Frame* sender,
                                                            IUnknown* args, UINT32 aFrameID)
{
    (void)args;
    DoOnFrameNameChangedEvent(sender, aFrameID);
    return S_OK;
}

void TWVBrowserBase::DoOnFrameNameChangedEvent(ICoreWebView2Frame* aFrame, UINT32 aFrameID)
{
    if (OnFrameNameChanged)
        OnFrameNameChanged(this, aFrame, aFrameID);
}

HRESULT TWVBrowserBase::FrameDestroyedEventHandler_Invoke(ICoreWebView2Frame* sender,
                                                          IUnknown* args, UINT32 aFrameID)
{
    (void)args;
    DoOnFrameDestroyedEvent(sender, aFrameID);
    return S_OK;
}

void TWVBrowserBase::DoOnFrameDestroyedEvent(ICoreWebView2Frame* aFrame, UINT32 aFrameID)
{
    if (OnFrameDestroyed)
        OnFrameDestroyed(this, aFrame, aFrameID);
}

HRESULT
TWVBrowserBase::AddScriptToExecuteOnDocumentCreatedCompletedHandler_Invoke(HRESULT errorCode,
                                                                           LPCWSTR id)
{
    DoOnAddScriptToExecuteOnDocumentCreatedCompletedEvent(errorCode, TextOf(id));
    return S_OK;
}

void TWVBrowserBase::DoOnAddScriptToExecuteOnDocumentCreatedCompletedEvent(HRESULT aErrorCode,
                                                                           const wvstring& aResult)
{
    if (OnAddScriptToExecuteOnDocumentCreatedCompleted)
        OnAddScriptToExecuteOnDocumentCreatedCompleted(this, aErrorCode, aResult);
}

HRESULT TWVBrowserBase::IsMutedChangedEventHandler_Invoke(ICoreWebView2* sender, IUnknown* args)
{
    (void)args;
    DoOnIsMutedChanged(sender);
    return S_OK;
}

void TWVBrowserBase::DoOnIsMutedChanged(ICoreWebView2* aWebView)
{
    if (OnIsMutedChanged)
        OnIsMutedChanged(this, aWebView);
}

HRESULT TWVBrowserBase::IsDocumentPlayingAudioChangedEventHandler_Invoke(ICoreWebView2* sender,
                                                                         IUnknown* args)
{
    (void)args;
    DoOnIsDocumentPlayingAudioChanged(sender);
    return S_OK;
}

void TWVBrowserBase::DoOnIsDocumentPlayingAudioChanged(ICoreWebView2* aWebView)
{
    if (OnIsDocumentPlayingAudioChanged)
        OnIsDocumentPlayingAudioChanged(this, aWebView);
}

HRESULT TWVBrowserBase::IsDefaultDownloadDialogOpenChangedEventHandler_Invoke(ICoreWebView2* sender,
                                                                              IUnknown* args)
{
    (void)args;
    DoOnIsDefaultDownloadDialogOpenChanged(sender);
    return S_OK;
}

void TWVBrowserBase::DoOnIsDefaultDownloadDialogOpenChanged(ICoreWebView2* aWebView)
{
    if (OnIsDefaultDownloadDialogOpenChanged)
        OnIsDefaultDownloadDialogOpenChanged(this, aWebView);
}

HRESULT TWVBrowserBase::ProcessInfosChangedEventHandler_Invoke(ICoreWebView2Environment* sender,
                                                               IUnknown* args)
{
    (void)args;
    DoOnProcessInfosChangedEvent(sender);
    return S_OK;
}

void TWVBrowserBase::DoOnProcessInfosChangedEvent(ICoreWebView2Environment* aEnvironment)
{
    if (OnProcessInfosChanged)
        OnProcessInfosChanged(this, aEnvironment);
}

HRESULT TWVBrowserBase::FrameNavigationStartingEventHandler2_Invoke(
    ICoreWebView2Frame* sender, ICoreWebView2NavigationStartingEventArgs* args, UINT32 aFrameID)
{
    DoOnFrameNavigationStarting2(sender, args, aFrameID);
    return S_OK;
}

void TWVBrowserBase::DoOnFrameNavigationStarting2(ICoreWebView2Frame* aFrame,
                                                  ICoreWebView2NavigationStartingEventArgs* aArgs,
                                                  UINT32 aFrameID)
{
    if (OnFrameNavigationStarting2)
        OnFrameNavigationStarting2(this, aFrame, aArgs, aFrameID);
}

HRESULT TWVBrowserBase::FrameNavigationCompletedEventHandler2_Invoke(
    ICoreWebView2Frame* sender, ICoreWebView2NavigationCompletedEventArgs* args, UINT32 aFrameID)
{
    DoOnFrameNavigationCompleted2(sender, args, aFrameID);
    return S_OK;
}

void TWVBrowserBase::DoOnFrameNavigationCompleted2(ICoreWebView2Frame* aFrame,
                                                   ICoreWebView2NavigationCompletedEventArgs* aArgs,
                                                   UINT32 aFrameID)
{
    if (OnFrameNavigationCompleted2)
        OnFrameNavigationCompleted2(this, aFrame, aArgs, aFrameID);
}

HRESULT TWVBrowserBase::FrameContentLoadingEventHandler_Invoke(
    ICoreWebView2Frame* sender, ICoreWebView2ContentLoadingEventArgs* args, UINT32 aFrameID)
{
    DoOnFrameContentLoadingEvent(sender, args, aFrameID);
    return S_OK;
}

void TWVBrowserBase::DoOnFrameContentLoadingEvent(ICoreWebView2Frame* aFrame,
                                                  ICoreWebView2ContentLoadingEventArgs* aArgs,
                                                  UINT32 aFrameID)
{
    if (OnFrameContentLoading)
        OnFrameContentLoading(this, aFrame, aArgs, aFrameID);
}

HRESULT TWVBrowserBase::FrameDOMContentLoadedEventHandler_Invoke(
    ICoreWebView2Frame* sender, ICoreWebView2DOMContentLoadedEventArgs* args, UINT32 aFrameID)
{
    DoOnFrameDOMContentLoadedEvent(sender, args, aFrameID);
    return S_OK;
}

void TWVBrowserBase::DoOnFrameDOMContentLoadedEvent(ICoreWebView2Frame* aFrame,
                                                    ICoreWebView2DOMContentLoadedEventArgs* aArgs,
                                                    UINT32 aFrameID)
{
    if (OnFrameDOMContentLoaded)
        OnFrameDOMContentLoaded(this, aFrame, aArgs, aFrameID);
}

HRESULT TWVBrowserBase::FrameWebMessageReceivedEventHandler_Invoke(
    ICoreWebView2Frame* sender, ICoreWebView2WebMessageReceivedEventArgs* args, UINT32 aFrameID)
{
    DoOnFrameWebMessageReceivedEvent(sender, args, aFrameID);
    return S_OK;
}

void TWVBrowserBase::DoOnFrameWebMessageReceivedEvent(
    ICoreWebView2Frame* aFrame, ICoreWebView2WebMessageReceivedEventArgs* aArgs, UINT32 aFrameID)
{
    if (OnFrameWebMessageReceived)
        OnFrameWebMessageReceived(this, aFrame, aArgs, aFrameID);
}

HRESULT TWVBrowserBase::BasicAuthenticationRequestedEventHandler_Invoke(
    ICoreWebView2* sender, ICoreWebView2BasicAuthenticationRequestedEventArgs* args)
{
    DoOnBasicAuthenticationRequestedEvent(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnBasicAuthenticationRequestedEvent(
    ICoreWebView2* aWebView, ICoreWebView2BasicAuthenticationRequestedEventArgs* aArgs)
{
    if (OnBasicAuthenticationRequested)
        OnBasicAuthenticationRequested(this, aWebView, aArgs);
}

HRESULT TWVBrowserBase::ContextMenuRequestedEventHandler_Invoke(
    ICoreWebView2* sender, ICoreWebView2ContextMenuRequestedEventArgs* args)
{
    DoOnContextMenuRequestedEvent(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnContextMenuRequestedEvent(
    ICoreWebView2* aWebView, ICoreWebView2ContextMenuRequestedEventArgs* aArgs)
{
    if (OnContextMenuRequested)
        OnContextMenuRequested(this, aWebView, aArgs);
}

HRESULT TWVBrowserBase::CustomItemSelectedEventHandler_Invoke(ICoreWebView2ContextMenuItem* sender,
                                                              IUnknown* args)
{
    (void)args;
    DoOnCustomItemSelectedEvent(sender);
    return S_OK;
}

void TWVBrowserBase::DoOnCustomItemSelectedEvent(ICoreWebView2ContextMenuItem* aMenuItem)
{
    if (OnCustomItemSelected)
        OnCustomItemSelected(this, aMenuItem);
}

HRESULT
TWVBrowserBase::StatusBarTextChangedEventHandler_Invoke(ICoreWebView2* sender, IUnknown* args)
{
    (void)args;
    DoOnStatusBarTextChangedEvent(sender);
    return S_OK;
}

void TWVBrowserBase::DoOnStatusBarTextChangedEvent(ICoreWebView2* aWebView)
{
    if (OnStatusBarTextChanged)
        OnStatusBarTextChanged(this, aWebView);
}

HRESULT TWVBrowserBase::FramePermissionRequestedEventHandler_Invoke(
    ICoreWebView2Frame* sender, ICoreWebView2PermissionRequestedEventArgs2* args, UINT32 aFrameID)
{
    DoOnFramePermissionRequestedEvent(sender, args, aFrameID);
    return S_OK;
}

void TWVBrowserBase::DoOnFramePermissionRequestedEvent(
    ICoreWebView2Frame* aFrame, ICoreWebView2PermissionRequestedEventArgs2* aArgs, UINT32 aFrameID)
{
    if (OnFramePermissionRequested)
        OnFramePermissionRequested(this, aFrame, aArgs, aFrameID);
}

HRESULT
TWVBrowserBase::ClearBrowsingDataCompletedHandler_Invoke(HRESULT errorCode)
{
    DoOnClearBrowsingDataCompletedEvent(errorCode);
    return S_OK;
}

void TWVBrowserBase::DoOnClearBrowsingDataCompletedEvent(HRESULT aErrorCode)
{
    if (OnClearBrowsingDataCompleted)
        OnClearBrowsingDataCompleted(this, aErrorCode);
}

HRESULT
TWVBrowserBase::ClearServerCertificateErrorActionsCompletedHandler_Invoke(HRESULT errorCode)
{
    DoOnServerCertificateErrorActionsCompletedEvent(errorCode);
    return S_OK;
}

void TWVBrowserBase::DoOnServerCertificateErrorActionsCompletedEvent(HRESULT aErrorCode)
{
    if (OnServerCertificateErrorActionsCompleted)
        OnServerCertificateErrorActionsCompleted(this, aErrorCode);
}

HRESULT TWVBrowserBase::ServerCertificateErrorDetectedEventHandler_Invoke(
    ICoreWebView2* sender, ICoreWebView2ServerCertificateErrorDetectedEventArgs* args)
{
    DoOnServerCertificateErrorDetectedEvent(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnServerCertificateErrorDetectedEvent(
    ICoreWebView2* aWebView, ICoreWebView2ServerCertificateErrorDetectedEventArgs* aArgs)
{
    if (OnServerCertificateErrorDetected)
        OnServerCertificateErrorDetected(this, aWebView, aArgs);
}

HRESULT TWVBrowserBase::FaviconChangedEventHandler_Invoke(ICoreWebView2* sender, IUnknown* args)
{
    DoOnFaviconChangedEvent(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnFaviconChangedEvent(ICoreWebView2* aWebView, IUnknown* aArgs)
{
    if (OnFaviconChanged)
        OnFaviconChanged(this, aWebView, aArgs);
}

HRESULT TWVBrowserBase::GetFaviconCompletedHandler_Invoke(HRESULT errorCode, IStream* result)
{
    DoOnGetFaviconCompletedEvent(errorCode, result);
    return S_OK;
}

void TWVBrowserBase::DoOnGetFaviconCompletedEvent(HRESULT aErrorCode, IStream* aResult)
{
    if (OnGetFaviconCompleted)
        OnGetFaviconCompleted(this, aErrorCode, aResult);
}

HRESULT
TWVBrowserBase::PrintCompletedHandler_Invoke(HRESULT errorCode, COREWEBVIEW2_PRINT_STATUS result)
{
    DoOnPrintCompletedEvent(errorCode, result);
    return S_OK;
}

void TWVBrowserBase::DoOnPrintCompletedEvent(HRESULT aErrorCode, TWVPrintStatus aResult)
{
    if (OnPrintCompleted)
        OnPrintCompleted(this, aErrorCode, aResult);
}

HRESULT
TWVBrowserBase::PrintToPdfStreamCompletedHandler_Invoke(HRESULT errorCode, IStream* result)
{
    DoOnPrintToPdfStreamCompletedEvent(errorCode, result);
    return S_OK;
}

void TWVBrowserBase::DoOnPrintToPdfStreamCompletedEvent(HRESULT aErrorCode, IStream* aResult)
{
    if (OnPrintToPdfStreamCompleted)
        OnPrintToPdfStreamCompleted(this, aErrorCode, aResult);
}

HRESULT TWVBrowserBase::GetNonDefaultPermissionSettingsCompletedHandler_Invoke(
    HRESULT errorCode, ICoreWebView2PermissionSettingCollectionView* result)
{
    DoOnGetNonDefaultPermissionSettingsCompleted(errorCode, result);
    return S_OK;
}

void TWVBrowserBase::DoOnGetNonDefaultPermissionSettingsCompleted(
    HRESULT aErrorCode, ICoreWebView2PermissionSettingCollectionView* aResult)
{
    if (OnGetNonDefaultPermissionSettingsCompleted)
        OnGetNonDefaultPermissionSettingsCompleted(this, aErrorCode, aResult);
}

HRESULT
TWVBrowserBase::SetPermissionStateCompletedHandler_Invoke(HRESULT errorCode)
{
    DoOnSetPermissionStateCompleted(errorCode);
    return S_OK;
}

void TWVBrowserBase::DoOnSetPermissionStateCompleted(HRESULT aErrorCode)
{
    if (OnSetPermissionStateCompleted)
        OnSetPermissionStateCompleted(this, aErrorCode);
}

HRESULT TWVBrowserBase::LaunchingExternalUriSchemeEventHandler_Invoke(
    ICoreWebView2* sender, ICoreWebView2LaunchingExternalUriSchemeEventArgs* args)
{
    DoOnLaunchingExternalUriSchemeEvent(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnLaunchingExternalUriSchemeEvent(
    ICoreWebView2* aWebView, ICoreWebView2LaunchingExternalUriSchemeEventArgs* aArgs)
{
    if (OnLaunchingExternalUriScheme)
        OnLaunchingExternalUriScheme(this, aWebView, aArgs);
}

HRESULT TWVBrowserBase::GetProcessExtendedInfosCompletedHandler_Invoke(
    HRESULT errorCode, ICoreWebView2ProcessExtendedInfoCollection* result)
{
    DoOnGetProcessExtendedInfosCompletedEvent(errorCode, result);
    return S_OK;
}

void TWVBrowserBase::DoOnGetProcessExtendedInfosCompletedEvent(
    HRESULT aErrorCode, ICoreWebView2ProcessExtendedInfoCollection* aResult)
{
    if (OnGetProcessExtendedInfosCompleted)
        OnGetProcessExtendedInfosCompleted(this, aErrorCode, aResult);
}

HRESULT TWVBrowserBase::BrowserExtensionRemoveCompletedHandler_Invoke(HRESULT errorCode,
                                                                      const wvstring& aExtensionID)
{
    DoOnBrowserExtensionRemoveCompletedEvent(errorCode, aExtensionID);
    return S_OK;
}

void TWVBrowserBase::DoOnBrowserExtensionRemoveCompletedEvent(HRESULT aErrorCode,
                                                              const wvstring& aExtensionID)
{
    if (OnBrowserExtensionRemoveCompleted)
        OnBrowserExtensionRemoveCompleted(this, aErrorCode, aExtensionID);
}

HRESULT TWVBrowserBase::BrowserExtensionEnableCompletedHandler_Invoke(HRESULT errorCode,
                                                                      const wvstring& aExtensionID)
{
    DoOnBrowserExtensionEnableCompletedEvent(errorCode, aExtensionID);
    return S_OK;
}

void TWVBrowserBase::DoOnBrowserExtensionEnableCompletedEvent(HRESULT aErrorCode,
                                                              const wvstring& aExtensionID)
{
    if (OnBrowserExtensionEnableCompleted)
        OnBrowserExtensionEnableCompleted(this, aErrorCode, aExtensionID);
}

HRESULT TWVBrowserBase::ProfileAddBrowserExtensionCompletedHandler_Invoke(
    HRESULT errorCode, ICoreWebView2BrowserExtension* result)
{
    DoOnProfileAddBrowserExtensionCompletedEvent(errorCode, result);
    return S_OK;
}

void TWVBrowserBase::DoOnProfileAddBrowserExtensionCompletedEvent(
    HRESULT aErrorCode, ICoreWebView2BrowserExtension* aResult)
{
    if (OnProfileAddBrowserExtensionCompleted)
        OnProfileAddBrowserExtensionCompleted(this, aErrorCode, aResult);
}

HRESULT TWVBrowserBase::ProfileGetBrowserExtensionsCompletedHandler_Invoke(
    HRESULT errorCode, ICoreWebView2BrowserExtensionList* result)
{
    DoOnProfileGetBrowserExtensionsCompletedEvent(errorCode, result);
    return S_OK;
}

void TWVBrowserBase::DoOnProfileGetBrowserExtensionsCompletedEvent(
    HRESULT aErrorCode, ICoreWebView2BrowserExtensionList* aResult)
{
    if (OnProfileGetBrowserExtensionsCompleted)
        OnProfileGetBrowserExtensionsCompleted(this, aErrorCode, aResult);
}

HRESULT
TWVBrowserBase::ProfileDeletedEventHandler_Invoke(ICoreWebView2Profile* sender, IUnknown* args)
{
    (void)args;
    DoOnProfileDeletedEvent(sender);
    return S_OK;
}

void TWVBrowserBase::DoOnProfileDeletedEvent(ICoreWebView2Profile* aProfile)
{
    if (OnProfileDeleted)
        OnProfileDeleted(this, aProfile);
}

HRESULT TWVBrowserBase::ExecuteScriptWithResultCompletedHandler_Invoke(
    HRESULT errorCode, ICoreWebView2ExecuteScriptResult* result, INT32 aExecutionID)
{
    DoOnExecuteScriptWithResultCompletedEvent(errorCode, result, aExecutionID);
    return S_OK;
}

void TWVBrowserBase::DoOnExecuteScriptWithResultCompletedEvent(
    HRESULT errorCode, ICoreWebView2ExecuteScriptResult* aResult, INT32 aExecutionID)
{
    if (OnExecuteScriptWithResultCompleted)
        OnExecuteScriptWithResultCompleted(this, errorCode, aResult, aExecutionID);
}

HRESULT TWVBrowserBase::NonClientRegionChangedEventHandler_Invoke(
    ICoreWebView2CompositionController* sender, ICoreWebView2NonClientRegionChangedEventArgs* args)
{
    DoOnNonClientRegionChangedEvent(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnNonClientRegionChangedEvent(
    ICoreWebView2CompositionController* aController,
    ICoreWebView2NonClientRegionChangedEventArgs* aArgs)
{
    if (OnNonClientRegionChanged)
        OnNonClientRegionChanged(this, aController, aArgs);
}

HRESULT TWVBrowserBase::NotificationReceivedEventHandler_Invoke(
    ICoreWebView2* sender, ICoreWebView2NotificationReceivedEventArgs* args)
{
    DoOnNotificationReceivedEvent(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnNotificationReceivedEvent(
    ICoreWebView2* aWebView, ICoreWebView2NotificationReceivedEventArgs* aArgs)
{
    if (OnNotificationReceived)
        OnNotificationReceived(this, aWebView, aArgs);
}

HRESULT
TWVBrowserBase::NotificationCloseRequestedEventHandler_Invoke(ICoreWebView2Notification* sender,
                                                              IUnknown* args)
{
    DoOnNotificationCloseRequestedEvent(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnNotificationCloseRequestedEvent(ICoreWebView2Notification* aNotification,
                                                         IUnknown* aArgs)
{
    if (OnNotificationCloseRequested)
        OnNotificationCloseRequested(this, aNotification, aArgs);
}

HRESULT
TWVBrowserBase::SaveAsUIShowingEventHandler_Invoke(ICoreWebView2* sender,
                                                   ICoreWebView2SaveAsUIShowingEventArgs* args)
{
    DoOnSaveAsUIShowingEvent(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnSaveAsUIShowingEvent(ICoreWebView2* aWebView,
                                              ICoreWebView2SaveAsUIShowingEventArgs* aArgs)
{
    if (OnSaveAsUIShowing)
        OnSaveAsUIShowing(this, aWebView, aArgs);
}

HRESULT TWVBrowserBase::ShowSaveAsUICompletedHandler_Invoke(HRESULT errorCode,
                                                            COREWEBVIEW2_SAVE_AS_UI_RESULT result)
{
    DoOnShowSaveAsUICompletedEvent(errorCode, result);
    return S_OK;
}

void TWVBrowserBase::DoOnShowSaveAsUICompletedEvent(HRESULT aErrorCode, TWVSaveAsUIResult aResult)
{
    if (OnShowSaveAsUICompleted)
        OnShowSaveAsUICompleted(this, aErrorCode, aResult);
}

HRESULT TWVBrowserBase::SaveFileSecurityCheckStartingEventHandler_Invoke(
    ICoreWebView2* sender, ICoreWebView2SaveFileSecurityCheckStartingEventArgs* args)
{
    DoOnSaveFileSecurityCheckStartingEvent(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnSaveFileSecurityCheckStartingEvent(
    ICoreWebView2* aWebView, ICoreWebView2SaveFileSecurityCheckStartingEventArgs* aArgs)
{
    if (OnSaveFileSecurityCheckStarting)
        OnSaveFileSecurityCheckStarting(this, aWebView, aArgs);
}

HRESULT TWVBrowserBase::ScreenCaptureStartingEventHandler_Invoke(
    ICoreWebView2* sender, ICoreWebView2ScreenCaptureStartingEventArgs* args)
{
    DoOnScreenCaptureStartingEvent(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnScreenCaptureStartingEvent(
    ICoreWebView2* aWebView, ICoreWebView2ScreenCaptureStartingEventArgs* aArgs)
{
    if (OnScreenCaptureStarting)
        OnScreenCaptureStarting(this, aWebView, aArgs);
}

HRESULT TWVBrowserBase::FrameScreenCaptureStartingEventHandler_Invoke(
    ICoreWebView2Frame* sender, ICoreWebView2ScreenCaptureStartingEventArgs* args, UINT32 aFrameID)
{
    DoOnFrameScreenCaptureStartingEvent(sender, args, aFrameID);
    return S_OK;
}

void TWVBrowserBase::DoOnFrameScreenCaptureStartingEvent(
    ICoreWebView2Frame* aFrame, ICoreWebView2ScreenCaptureStartingEventArgs* aArgs, UINT32 aFrameID)
{
    if (OnFrameScreenCaptureStarting)
        OnFrameScreenCaptureStarting(this, aFrame, aArgs, aFrameID);
}

HRESULT TWVBrowserBase::FrameChildFrameCreatedEventHandler_Invoke(
    ICoreWebView2Frame* sender, ICoreWebView2FrameCreatedEventArgs* args, UINT32 aFrameID)
{
    DoOnFrameChildFrameCreatedEvent(sender, args, aFrameID);
    return S_OK;
}

void TWVBrowserBase::DoOnFrameChildFrameCreatedEvent(ICoreWebView2Frame* aFrame,
                                                     ICoreWebView2FrameCreatedEventArgs* aArgs,
                                                     UINT32 aFrameID)
{
    if (OnFrameChildFrameCreated)
        OnFrameChildFrameCreated(this, aFrame, aArgs, aFrameID);
}

HRESULT TWVBrowserBase::FindActiveMatchIndexChangedEventHandler_Invoke(ICoreWebView2Find* sender,
                                                                       IUnknown* args)
{
    DoOnFindActiveMatchIndexChangedEvent(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnFindActiveMatchIndexChangedEvent(ICoreWebView2Find* aFindSession,
                                                          IUnknown* aArgs)
{
    if (OnFindActiveMatchIndexChanged)
        OnFindActiveMatchIndexChanged(this, aFindSession, aArgs);
}

HRESULT TWVBrowserBase::FindMatchCountChangedEventHandler_Invoke(ICoreWebView2Find* sender,
                                                                 IUnknown* args)
{
    DoOnFindMatchCountChangedEvent(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnFindMatchCountChangedEvent(ICoreWebView2Find* aFindSession,
                                                    IUnknown* aArgs)
{
    if (OnFindMatchCountChanged)
        OnFindMatchCountChanged(this, aFindSession, aArgs);
}

HRESULT TWVBrowserBase::FindStartCompletedHandler_Invoke(HRESULT errorCode)
{
    DoOnFindStartCompletedEvent(errorCode);
    return S_OK;
}

void TWVBrowserBase::DoOnFindStartCompletedEvent(HRESULT aErrorCode)
{
    if (OnFindStartCompleted)
        OnFindStartCompleted(this, aErrorCode);
}

HRESULT TWVBrowserBase::DragStartingEventHandler_Invoke(ICoreWebView2CompositionController* sender,
                                                        ICoreWebView2DragStartingEventArgs* args)
{
    DoOnDragStartingEvent(sender, args);
    return S_OK;
}

void TWVBrowserBase::DoOnDragStartingEvent(ICoreWebView2CompositionController* aController,
                                           ICoreWebView2DragStartingEventArgs* aArgs)
{
    if (OnDragStarting)
        OnDragStarting(this, aController, aArgs);
}

HRESULT
TWVBrowserBase::CapturePreviewCompletedHandler_Invoke(HRESULT errorCode)
{
    DoCapturePreviewCompleted(errorCode);
    return S_OK;
}

void TWVBrowserBase::DoCapturePreviewCompleted(HRESULT aErrorCode)
{
    if (OnCapturePreviewCompleted)
        OnCapturePreviewCompleted(this, aErrorCode);
}
