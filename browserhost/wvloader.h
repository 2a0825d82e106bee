// The process-wide owner of the browser runtime: its settings, the checks that
// the loader library and an installed runtime are present and new enough, the
// loading of the loader library (or the built-in loader), and the asynchronous
// creation of the one shared browser environment. Browser components take the
// shared environment from GlobalWebView2Loader.
#pragma once

#include "wvloaderevents.h"
#include "wvtypes.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TCoreWebView2Environment;

enum TWV2LoaderStatus : std::uint8_t
{
    wvlsCreated = 0,
    wvlsLoading = 1,
    wvlsLoaded = 2,
    wvlsImported = 3,
    wvlsInitialized = 4,
    wvlsError = 5,
    wvlsUnloaded = 6
};

// The proxy part of the browser command line.
struct TWVProxySettings
{
    bool NoProxyServer = false;
    bool AutoDetect = false;
    wvstring ByPassList;
    wvstring PacURL;
    wvstring Server;
};

struct TFileVersionInfo
{
    std::uint16_t MajorVer = 0;
    std::uint16_t MinorVer = 0;
    std::uint16_t Release = 0;
    std::uint16_t Build = 0;
};

using TLoaderNotifyEvent = std::function<void(TObject* Sender)>;
using TLoaderGetCustomSchemesEvent =
    std::function<void(TObject* Sender, TWVCustomSchemeInfoArray& aCustomSchemes)>;
using TLoaderNewBrowserVersionAvailableEvent =
    std::function<void(TObject* Sender, ICoreWebView2Environment* aEnvironment)>;
using TLoaderBrowserProcessExitedEvent =
    std::function<void(TObject* Sender, ICoreWebView2Environment* aEnvironment,
                       ICoreWebView2BrowserProcessExitedEventArgs* aArgs)>;
using TLoaderProcessInfosChangedEvent =
    std::function<void(TObject* Sender, ICoreWebView2Environment* aEnvironment)>;

#define WV_LOADER_SETTING(TYPE, NAME, FIELD)                                                       \
public:                                                                                            \
    TYPE NAME() const                                                                              \
    {                                                                                              \
        return FIELD;                                                                              \
    }                                                                                              \
    void Set##NAME(TYPE AValue)                                                                    \
    {                                                                                              \
        FIELD = AValue;                                                                            \
    }                                                                                              \
                                                                                                   \
private:                                                                                           \
    TYPE FIELD

class TWVLoader : public TComponent, public IWVLoaderEvents
{
public:
    explicit TWVLoader(TComponent* AOwner = nullptr);
    ~TWVLoader() override;

    // The start sequence: COM, the checks, the loader library and its exports,
    // the runtime version and the start of environment creation. True when all of
    // it succeeded; the environment itself arrives later (Initialized or
    // InitializationError then holds).
    bool StartWebView2();

    bool Initialized() const { return FStatus == wvlsInitialized; }
    bool InitializationError() const { return FStatus == wvlsError; }
    TWV2LoaderStatus Status() const { return FStatus; }
    INT64 ErrorCode() const { return FError; }
    float DeviceScaleFactor() const { return FDeviceScaleFactor; }
    // The whole error log, every line followed by CR LF.
    wvstring ErrorMessage() const;
    void AppendErrorLog(const std::string& aText);
    void AppendErrorLog(const wvstring& aText);
    // The shared environment once it has been created, else null.
    ICoreWebView2Environment* Environment() const;
    bool GetEnvironmentIsInitialized() const;
    TCoreWebView2Environment* CoreWebView2Environment() const
    {
        return FCoreWebView2Environment.get();
    }

    // The browser command line built from the settings.
    wvstring GetCustomCommandLineSwitches() const;

    // Runtime discovery and version checks.
    bool CheckWV2Library();
    bool CheckBrowserExecPath();
    bool CheckWV2DLL();
    bool CheckWebViewRuntimeVersion();
    wvstring GetInstalledRuntimeVersion();
    bool CheckInstalledRuntimeRegEntry(bool aLocalMachine, const wvstring& aPath,
                                       wvstring& aVersion);
    bool SearchInstalledProgram(const wvstring& aDisplayName, const wvstring& aPublisher);
    bool SearchInstalledProgramInPath(const wvstring& aRegPath, const wvstring& aDisplayName,
                                      const wvstring& aPublisher, bool aLocalMachine);
    wvstring GetInternalAvailableBrowserVersion();
    bool CompareVersions(const wvstring& aVersion1, const wvstring& aVersion2, int& aCompRslt);
    bool CheckFileVersion(const wvstring& aFile, std::uint16_t aMajor, std::uint16_t aMinor,
                          std::uint16_t aRelease, std::uint16_t aBuild);
    bool GetFileVersion(const wvstring& aFile, TFileVersionInfo& aVersionInfo);
    UINT64 GetExtendedFileVersion(const wvstring& aFileName);
    bool GetDLLHeaderMachine(const wvstring& aDllFile, WORD& aMachine);
    bool Is32BitProcess() const { return false; }

    // IUnknown of the component: references count nothing, so only an explicit
    // free ends it.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(-1); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(-1); }

    // IWVLoaderEvents.
    HRESULT STDMETHODCALLTYPE EnvironmentCompletedHandler_Invoke(
        HRESULT errorCode, ICoreWebView2Environment* result) override;
    HRESULT STDMETHODCALLTYPE NewBrowserVersionAvailableEventHandler_Invoke(
        ICoreWebView2Environment* sender, IUnknown* args) override;
    HRESULT STDMETHODCALLTYPE BrowserProcessExitedEventHandler_Invoke(
        ICoreWebView2Environment* sender,
        ICoreWebView2BrowserProcessExitedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE ProcessInfosChangedEventHandler_Invoke(
        ICoreWebView2Environment* sender, IUnknown* args) override;

    TWVProxySettings* ProxySettings() const { return FProxySettings.get(); }

    TLoaderNotifyEvent OnEnvironmentCreated;
    TLoaderNotifyEvent OnInitializationError;
    TLoaderGetCustomSchemesEvent OnGetCustomSchemes;
    TLoaderNewBrowserVersionAvailableEvent OnNewBrowserVersionAvailable;
    TLoaderBrowserProcessExitedEvent OnBrowserProcessExited;
    TLoaderProcessInfosChangedEvent OnProcessInfosChanged;

protected:
    virtual void DoOnInitializationError();
    virtual void DoOnEnvironmentCreated();
    virtual void DoOnNewBrowserVersionAvailable(ICoreWebView2Environment* aEnvironment);
    virtual void DoOnBrowserProcessExitedEvent(ICoreWebView2Environment* sender,
                                               ICoreWebView2BrowserProcessExitedEventArgs* args);
    virtual void DoProcessInfosChangedEvent(ICoreWebView2Environment* sender);
    virtual void DoOnGetCustomSchemes(TWVCustomSchemeRegistrationArray& aSchemeRegistrations);
    virtual void UpdateDeviceScaleFactor();

    bool LoadWebView2Library();
    bool LoadLibProcedures();
    bool CreateEnvironment();
    void UnloadWebView2Library();
    void DestroyEnvironment();
    void ShowErrorMessageDlg(const wvstring& aError);
    void AppendCreationErrorLines(const char* aFirstLine, HRESULT aErrorCode);

private:
    std::unique_ptr<TCoreWebView2Environment> FCoreWebView2Environment;
    HMODULE FLibHandle = nullptr;
    std::vector<std::string> FErrorLog;
    INT64 FError = 0;
    TWV2LoaderStatus FStatus = wvlsCreated;
    bool FLocalCOMInitMade = false;
    bool FCreationPending = false; // environment creation started, completion not yet in
    float FDeviceScaleFactor = 1.0f;
    std::unique_ptr<TWVProxySettings> FProxySettings;

    WV_LOADER_SETTING(bool, SetCurrentDir, FSetCurrentDir) = true;
    WV_LOADER_SETTING(bool, CheckFiles, FCheckFiles) = true;
    WV_LOADER_SETTING(bool, ShowMessageDlg, FShowMessageDlg) = true;
    WV_LOADER_SETTING(bool, InitCOMLibrary, FInitCOMLibrary) = true;
    WV_LOADER_SETTING(bool, ReRaiseExceptions, FReRaiseExceptions) = false;
    WV_LOADER_SETTING(wvstring, LoaderDllPath, FLoaderDllPath);
    WV_LOADER_SETTING(bool, UseInternalLoader, FUseInternalLoader) = false;
    WV_LOADER_SETTING(bool, AllowOldRuntime, FAllowOldRuntime) = true;
    WV_LOADER_SETTING(wvstring, BrowserExecPath, FBrowserExecPath);
    WV_LOADER_SETTING(wvstring, UserDataFolder, FUserDataFolder);
    WV_LOADER_SETTING(wvstring, AdditionalBrowserArguments, FAdditionalBrowserArguments);
    WV_LOADER_SETTING(wvstring, Language, FLanguage);
    WV_LOADER_SETTING(wvstring, TargetCompatibleBrowserVersion, FTargetCompatibleBrowserVersion);
    WV_LOADER_SETTING(bool, AllowSingleSignOnUsingOSPrimaryAccount,
                      FAllowSingleSignOnUsingOSPrimaryAccount) = false;
    WV_LOADER_SETTING(bool, ExclusiveUserDataFolderAccess, FExclusiveUserDataFolderAccess) = false;
    WV_LOADER_SETTING(bool, CustomCrashReportingEnabled, FCustomCrashReportingEnabled) = false;
    WV_LOADER_SETTING(bool, EnableTrackingPrevention, FEnableTrackingPrevention) = true;
    WV_LOADER_SETTING(bool, AreBrowserExtensionsEnabled, FAreBrowserExtensionsEnabled) = false;
    WV_LOADER_SETTING(TWVChannelSearchKind, ChannelSearchKind,
                      FChannelSearchKind) = COREWEBVIEW2_CHANNEL_SEARCH_KIND_MOST_STABLE;
    WV_LOADER_SETTING(TWVReleaseChannels, ReleaseChannels, FReleaseChannels) = 15;
    WV_LOADER_SETTING(TWVScrollbarStyle, ScrollBarStyle,
                      FScrollBarStyle) = COREWEBVIEW2_SCROLLBAR_STYLE_DEFAULT;
    WV_LOADER_SETTING(bool, EnableGPU, FEnableGPU) = true;
    WV_LOADER_SETTING(wvstring, EnableFeatures, FEnableFeatures);
    WV_LOADER_SETTING(wvstring, DisableFeatures, FDisableFeatures);
    WV_LOADER_SETTING(wvstring, EnableBlinkFeatures, FEnableBlinkFeatures);
    WV_LOADER_SETTING(wvstring, DisableBlinkFeatures, FDisableBlinkFeatures);
    WV_LOADER_SETTING(wvstring, BlinkSettings, FBlinkSettings);
    WV_LOADER_SETTING(wvstring, ForceFieldTrials, FForceFieldTrials);
    WV_LOADER_SETTING(wvstring, ForceFieldTrialParams, FForceFieldTrialParams);
    WV_LOADER_SETTING(bool, SmartScreenProtectionEnabled, FSmartScreenProtectionEnabled) = true;
    WV_LOADER_SETTING(bool, AllowInsecureLocalhost, FAllowInsecureLocalhost) = false;
    WV_LOADER_SETTING(bool, DisableWebSecurity, FDisableWebSecurity) = false;
    WV_LOADER_SETTING(TWVState, TouchEvents, FTouchEvents) = STATE_DEFAULT;
    WV_LOADER_SETTING(bool, HyperlinkAuditing, FHyperlinkAuditing) = true;
    WV_LOADER_SETTING(TWVAutoplayPolicy, AutoplayPolicy, FAutoplayPolicy) = appDefault;
    WV_LOADER_SETTING(bool, MuteAudio, FMuteAudio) = false;
    WV_LOADER_SETTING(wvstring, DefaultEncoding, FDefaultEncoding);
    WV_LOADER_SETTING(bool, KioskPrinting, FKioskPrinting) = false;
    WV_LOADER_SETTING(bool, AllowFileAccessFromFiles, FAllowFileAccessFromFiles) = false;
    WV_LOADER_SETTING(bool, AllowRunningInsecureContent, FAllowRunningInsecureContent) = false;
    WV_LOADER_SETTING(bool, DisableBackgroundNetworking, FDisableBackgroundNetworking) = false;
    WV_LOADER_SETTING(float, ForcedDeviceScaleFactor, FForcedDeviceScaleFactor) = 0.0f;
    WV_LOADER_SETTING(INT32, RemoteDebuggingPort, FRemoteDebuggingPort) = 0;
    WV_LOADER_SETTING(wvstring, RemoteAllowOrigins, FRemoteAllowOrigins);
    WV_LOADER_SETTING(TWV2DebugLog, DebugLog, FDebugLog) = dlDisabled;
    WV_LOADER_SETTING(TWV2DebugLogLevel, DebugLogLevel, FDebugLogLevel) = dllDefault;
    WV_LOADER_SETTING(wvstring, JavaScriptFlags, FJavaScriptFlags);
    WV_LOADER_SETTING(bool, DisableEdgePitchNotification, FDisableEdgePitchNotification) = true;
    WV_LOADER_SETTING(wvstring, TreatInsecureOriginAsSecure, FTreatInsecureOriginAsSecure);
    WV_LOADER_SETTING(bool, OpenOfficeDocumentsInWebViewer,
                      FOpenOfficeDocumentsInWebViewer) = false;
    WV_LOADER_SETTING(bool, MicrosoftSignIn, FMicrosoftSignIn) = false;
    WV_LOADER_SETTING(TWVState, TLS13HybridizedKyberSupport, FPostQuantumKyber) = STATE_DEFAULT;
    WV_LOADER_SETTING(wvstring, UserAgent, FUserAgent);
    WV_LOADER_SETTING(bool, AutoAcceptCamAndMicCapture, FAutoAcceptCamAndMicCapture) = false;
};

#undef WV_LOADER_SETTING

// The process-wide loader; null until the note editor's start-up creates it.
extern TWVLoader* GlobalWebView2Loader;
// Frees GlobalWebView2Loader and sets it to null; nothing when it is already
// null.
void DestroyGlobalWebView2Loader();
