#include "wvloader.h"

#include "winapi.h"
#include "wvcallbacktarget.h"
#include "wvcorewebview2delegates.h"
#include "wvcorewebview2environment.h"
#include "wvcorewebview2environmentoptions.h"
#include "wvcustomschemeregistration.h"
#include "wvlibfunctions.h"
#include "wvloaderinternal.h"
#include "wvmiscfunctions.h"

#include <QString>

TWVLoader* GlobalWebView2Loader = nullptr;

void DestroyGlobalWebView2Loader()
{
    TWVLoader* loader = GlobalWebView2Loader;
    GlobalWebView2Loader = nullptr;
    delete loader;
}

namespace {

std::string HexCodeLine(DWORD aCode)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "Error code : 0x%08X", static_cast<unsigned>(aCode));
    return buf;
}

} // namespace

TWVLoader::TWVLoader(TComponent* AOwner) : TComponent(AOwner)
{
    FTargetCompatibleBrowserVersion = LowestChromiumVersion();
    FStatus = wvlsCreated;
    FError = 0;
    UpdateDeviceScaleFactor();
    SetExceptionMask(exAllArithmeticExceptions);
    FProxySettings = std::make_unique<TWVProxySettings>();
    FErrorLog.clear();
}

TWVLoader::~TWVLoader()
{
    ClearCallbackTarget(static_cast<IWVLoaderEvents*>(this));
    DestroyEnvironment();
    UnloadWebView2Library();
    if (FLocalCOMInitMade) {
        CoUninitialize();
        FLocalCOMInitMade = false;
    }
    FProxySettings.reset();
    FErrorLog.clear();
    if (GlobalWebView2Loader == this)
        GlobalWebView2Loader = nullptr;
}

HRESULT TWVLoader::QueryInterface(REFIID riid, void** ppvObject)
{
    if (!ppvObject)
        return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown || riid == IID_IWVLoaderEvents) {
        *ppvObject = static_cast<IWVLoaderEvents*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}

wvstring TWVLoader::ErrorMessage() const
{
    wvstring text;
    for (const std::string& line : FErrorLog)
        text += Utf8ToWV(line) + u"\r\n";
    return text;
}

void TWVLoader::AppendErrorLog(const std::string& aText)
{
    FErrorLog.push_back(aText);
    OutputDebugMessage(aText);
}

void TWVLoader::AppendErrorLog(const wvstring& aText)
{
    AppendErrorLog(WVToUtf8(aText));
}

bool TWVLoader::GetEnvironmentIsInitialized() const
{
    return FCoreWebView2Environment && FCoreWebView2Environment->GetInitialized();
}

ICoreWebView2Environment* TWVLoader::Environment() const
{
    return GetEnvironmentIsInitialized() ? FCoreWebView2Environment->BaseIntf() : nullptr;
}

void TWVLoader::UpdateDeviceScaleFactor()
{
    FDeviceScaleFactor =
        FForcedDeviceScaleFactor != 0.0f ? FForcedDeviceScaleFactor : GetDeviceScaleFactor();
}

void TWVLoader::ShowErrorMessageDlg(const wvstring& aError)
{
    if (FShowMessageDlg)
        MessageBoxW(nullptr, aError.c_str(), u"Error", MB_OK | MB_ICONERROR | MB_TOPMOST);
}

void TWVLoader::AppendCreationErrorLines(const char* aFirstLine, HRESULT aErrorCode)
{
    AppendErrorLog(std::string(aFirstLine));
    AppendErrorLog(HexCodeLine(static_cast<DWORD>(aErrorCode)));
    AppendErrorLog(EnvironmentCreationErrorToString(aErrorCode));
}

bool TWVLoader::StartWebView2()
{
    if (FStatus == wvlsInitialized || FCreationPending)
        return true;
    if (FInitCOMLibrary && !FLocalCOMInitMade) {
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (hr == S_OK || hr == S_FALSE) {
            FLocalCOMInitMade = true;
        } else {
            const char* line =
                hr == RPC_E_CHANGED_MODE
                    ? "A previous call to CoInitializeEx specified an incompatible concurrency "
                      "model for this thread."
                : hr == E_INVALIDARG ? "CoInitializeEx failed. One or more arguments are not valid."
                : hr == E_OUTOFMEMORY ? "CoInitializeEx failed to allocate necessary memory."
                : hr == E_UNEXPECTED  ? "Unexpected CoInitializeEx failure."
                                      : "Unknown CoInitializeEx failure.";
            FStatus = wvlsError;
            AppendErrorLog(std::string(line));
            ShowErrorMessageDlg(ErrorMessage());
            return false;
        }
    }
    return CheckWV2Library() && LoadWebView2Library() && LoadLibProcedures() &&
           CheckWebViewRuntimeVersion() && CreateEnvironment();
}

bool TWVLoader::LoadWebView2Library()
{
    try {
        if (FUseInternalLoader || FLibHandle)
            return true;
        const TCurrentDirScope currentDir(FSetCurrentDir);
        FStatus = wvlsLoading;
        const wvstring name =
            FLoaderDllPath.empty() ? wvstring(u"WebView2Loader.dll") : FLoaderDllPath;
        FLibHandle = LoadLibraryW(name.c_str());
        if (FLibHandle) {
            FStatus = wvlsLoaded;
            return true;
        }
        const DWORD error = GetLastError();
        FStatus = wvlsError;
        FError = static_cast<INT64>(error);
        AppendErrorLog(u"Error loading " + name);
        AppendErrorLog(HexCodeLine(error));
        AppendErrorLog(SysErrorMessage(error));
        ShowErrorMessageDlg(ErrorMessage());
    } catch (const std::exception& e) {
        if (CustomExceptionHandler("TWVLoader.LoadWebView2Library", e))
            throw;
    }
    return false;
}

bool TWVLoader::LoadLibProcedures()
{
    try {
        using namespace uWVLibFunctions;
        if (FUseInternalLoader) {
            CreateCoreWebView2EnvironmentWithOptions =
                &Internal_CreateCoreWebView2EnvironmentWithOptions;
            CreateCoreWebView2Environment = &Internal_CreateCoreWebView2Environment;
            GetAvailableCoreWebView2BrowserVersionString =
                &Internal_GetAvailableCoreWebView2BrowserVersionString;
            GetAvailableCoreWebView2BrowserVersionStringWithOptions =
                &Internal_GetAvailableCoreWebView2BrowserVersionStringWithOptions;
            CompareBrowserVersions = &Internal_CompareBrowserVersions;
            FStatus = wvlsImported;
            return true;
        }
        if (!FLibHandle)
            return false;
        CreateCoreWebView2EnvironmentWithOptions =
            ProcAs<TCreateCoreWebView2EnvironmentWithOptions>(
                GetProcAddress(FLibHandle, "CreateCoreWebView2EnvironmentWithOptions"));
        CreateCoreWebView2Environment = ProcAs<TCreateCoreWebView2Environment>(
            GetProcAddress(FLibHandle, "CreateCoreWebView2Environment"));
        GetAvailableCoreWebView2BrowserVersionString =
            ProcAs<TGetAvailableCoreWebView2BrowserVersionString>(
                GetProcAddress(FLibHandle, "GetAvailableCoreWebView2BrowserVersionString"));
        GetAvailableCoreWebView2BrowserVersionStringWithOptions =
            ProcAs<TGetAvailableCoreWebView2BrowserVersionStringWithOptions>(GetProcAddress(
                FLibHandle, "GetAvailableCoreWebView2BrowserVersionStringWithOptions"));
        CompareBrowserVersions =
            ProcAs<TCompareBrowserVersions>(GetProcAddress(FLibHandle, "CompareBrowserVersions"));
        if (CreateCoreWebView2EnvironmentWithOptions && CreateCoreWebView2Environment &&
            GetAvailableCoreWebView2BrowserVersionString &&
            GetAvailableCoreWebView2BrowserVersionStringWithOptions && CompareBrowserVersions) {
            FStatus = wvlsImported;
            return true;
        }
        FStatus = wvlsError;
        AppendErrorLog(std::string("There was a problem loading the library procedures"));
        ShowErrorMessageDlg(ErrorMessage());
    } catch (const std::exception& e) {
        if (CustomExceptionHandler("TWVLoader.LoadLibProcedures", e))
            throw;
    }
    return false;
}

void TWVLoader::UnloadWebView2Library()
{
    try {
        if (FUseInternalLoader || !FLibHandle)
            return;
        // The function variables point into the library: they go with it.
        using namespace uWVLibFunctions;
        CreateCoreWebView2EnvironmentWithOptions = nullptr;
        CreateCoreWebView2Environment = nullptr;
        GetAvailableCoreWebView2BrowserVersionString = nullptr;
        GetAvailableCoreWebView2BrowserVersionStringWithOptions = nullptr;
        CompareBrowserVersions = nullptr;
        FreeLibrary(FLibHandle);
        FLibHandle = nullptr;
        FStatus = wvlsUnloaded;
    } catch (const std::exception& e) {
        if (CustomExceptionHandler("TWVLoader.UnLoadWebView2Library", e))
            throw;
    }
}

void TWVLoader::DestroyEnvironment()
{
    FCoreWebView2Environment.reset();
}

bool TWVLoader::CreateEnvironment()
{
    TWVCustomSchemeRegistrationArray registrations;
    if (FStatus != wvlsImported || GetEnvironmentIsInitialized())
        return false;
    DoOnGetCustomSchemes(registrations);
    const TComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> callback(
        new TCoreWebView2EnvironmentCompletedHandler(static_cast<IWVLoaderEvents*>(this)));
    const TComPtr<ICoreWebView2EnvironmentOptions> options(new TCoreWebView2EnvironmentOptions(
        GetCustomCommandLineSwitches(), FLanguage, FTargetCompatibleBrowserVersion,
        FAllowSingleSignOnUsingOSPrimaryAccount, FExclusiveUserDataFolderAccess,
        FCustomCrashReportingEnabled, registrations, FEnableTrackingPrevention,
        FAreBrowserExtensionsEnabled, FChannelSearchKind, FReleaseChannels, FScrollBarStyle));
    const HRESULT hr =
        uWVLibFunctions::CreateCoreWebView2EnvironmentWithOptions
            ? uWVLibFunctions::CreateCoreWebView2EnvironmentWithOptions(
                  FBrowserExecPath.c_str(), FUserDataFolder.c_str(), options.Get(), callback.Get())
            : E_FAIL;
    if (SUCCEEDED(hr)) {
        FCreationPending = true;
        return true;
    }
    FStatus = wvlsError;
    FError = hr;
    AppendCreationErrorLines("There was an error creating the browser environment. (1)", hr);
    ShowErrorMessageDlg(ErrorMessage());
    return false;
}

HRESULT TWVLoader::EnvironmentCompletedHandler_Invoke(HRESULT errorCode,
                                                      ICoreWebView2Environment* result)
{
    FCreationPending = false;
    if (SUCCEEDED(errorCode) && result) {
        DestroyEnvironment();
        FCoreWebView2Environment = std::make_unique<TCoreWebView2Environment>(result);
        FCoreWebView2Environment->AddAllLoaderEvents(this);
        FStatus = wvlsInitialized;
        DoOnEnvironmentCreated();
    } else {
        FStatus = wvlsError;
        FError = errorCode;
        AppendCreationErrorLines("There was a problem initializing the browser environment.",
                                 errorCode);
        DoOnInitializationError();
    }
    return S_OK;
}

HRESULT TWVLoader::NewBrowserVersionAvailableEventHandler_Invoke(ICoreWebView2Environment* sender,
                                                                 IUnknown*)
{
    DoOnNewBrowserVersionAvailable(sender);
    return S_OK;
}

HRESULT
TWVLoader::BrowserProcessExitedEventHandler_Invoke(ICoreWebView2Environment* sender,
                                                   ICoreWebView2BrowserProcessExitedEventArgs* args)
{
    DoOnBrowserProcessExitedEvent(sender, args);
    return S_OK;
}

HRESULT TWVLoader::ProcessInfosChangedEventHandler_Invoke(ICoreWebView2Environment* sender,
                                                          IUnknown*)
{
    DoProcessInfosChangedEvent(sender);
    return S_OK;
}

void TWVLoader::DoOnInitializationError()
{
    if (OnInitializationError)
        OnInitializationError(this);
}

void TWVLoader::DoOnEnvironmentCreated()
{
    if (OnEnvironmentCreated)
        OnEnvironmentCreated(this);
}

void TWVLoader::DoOnNewBrowserVersionAvailable(ICoreWebView2Environment* aEnvironment)
{
    if (OnNewBrowserVersionAvailable)
        OnNewBrowserVersionAvailable(this, aEnvironment);
}

void TWVLoader::DoOnBrowserProcessExitedEvent(ICoreWebView2Environment* sender,
                                              ICoreWebView2BrowserProcessExitedEventArgs* args)
{
    if (OnBrowserProcessExited)
        OnBrowserProcessExited(this, sender, args);
}

void TWVLoader::DoProcessInfosChangedEvent(ICoreWebView2Environment* sender)
{
    if (OnProcessInfosChanged)
        OnProcessInfosChanged(this, sender);
}

void TWVLoader::DoOnGetCustomSchemes(TWVCustomSchemeRegistrationArray& aSchemeRegistrations)
{
    if (!OnGetCustomSchemes)
        return;
    TWVCustomSchemeInfoArray schemes;
    OnGetCustomSchemes(this, schemes);
    if (schemes.empty())
        return;
    aSchemeRegistrations.clear();
    aSchemeRegistrations.reserve(schemes.size());
    for (const TWVCustomSchemeInfo& info : schemes)
        aSchemeRegistrations.emplace_back(new TCoreWebView2CustomSchemeRegistration(info));
}
