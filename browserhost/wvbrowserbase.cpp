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

#include <memory>

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
    FCoreWebView2Profile.reset();
    FCoreWebView2FindOptions.reset();
    FCoreWebView2PrintSettings.reset();
    FCoreWebView2Settings.reset();
    FCoreWebView2Environment.reset();
    FCoreWebView2.reset();
    FCoreWebView2Controller.reset();
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
        FCoreWebView2Environment.reset();
        FUseDefaultEnvironment = true;
        FCoreWebView2Environment = std::make_unique<TCoreWebView2Environment>(aEnvironment);
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
        FCoreWebView2Environment.reset();
        FCoreWebView2Environment = std::make_unique<TCoreWebView2Environment>(result);
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
    FCoreWebView2Controller.reset();
    FCoreWebView2Controller = std::make_unique<TCoreWebView2Controller>(result);
    DoOnControllerCompleted();

    TComPtr<ICoreWebView2> webView = FCoreWebView2Controller->GetCoreWebView2();
    if (!webView) {
        DoOnInitializationError(E_FAIL, u"There was an error getting the browser webview.");
        return S_OK;
    }
    FCoreWebView2.reset();
    FCoreWebView2 = std::make_unique<TCoreWebView2>(webView.Get());
    TComPtr<ICoreWebView2Settings> settings = FCoreWebView2->GetSettings();
    if (!settings) {
        DoOnInitializationError(E_FAIL, u"There was an error getting the browser settings.");
        return S_OK;
    }

    FCoreWebView2Profile.reset();
    FCoreWebView2Profile =
        std::make_unique<TCoreWebView2Profile>(FCoreWebView2->GetProfile().Get());
    FCoreWebView2Profile->AddAllBrowserEvents(this);

    FCoreWebView2Settings.reset();
    FCoreWebView2Settings = std::make_unique<TCoreWebView2Settings>(settings.Get());

    TComPtr<ICoreWebView2PrintSettings> printSettings;
    if (FCoreWebView2Environment->CreatePrintSettings(printSettings)) {
        FCoreWebView2PrintSettings.reset();
        FCoreWebView2PrintSettings =
            std::make_unique<TCoreWebView2PrintSettings>(printSettings.Get());
    }

    if (!FUseDefaultEnvironment)
        FCoreWebView2Environment->AddAllBrowserEvents(this);
    FCoreWebView2->AddAllBrowserEvents(this);
    FCoreWebView2Controller->AddAllBrowserEvents(this);

    TComPtr<ICoreWebView2FindOptions> findOptions;
    if (FCoreWebView2Environment->CreateFindOptions(findOptions)) {
        FCoreWebView2FindOptions.reset();
        FCoreWebView2FindOptions = std::make_unique<TCoreWebView2FindOptions>(findOptions.Get());
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
