// The browser component: owns one embedded browser (controller and webview) shown in a host window,
// creates it asynchronously, offers the operations that act on it and turns every completion and
// event of the runtime into an event of its own.
#pragma once

#include "wvbrowserevents.h"
#include "wvcustomschemeregistration.h"
#include "wvtypes.h"

#include <QObject>

#include <functional>
#include <memory>

class TCoreWebView2;
class TCoreWebView2Controller;
class TCoreWebView2Environment;
class TCoreWebView2FindOptions;
class TCoreWebView2PrintSettings;
class TCoreWebView2Profile;
class TCoreWebView2Settings;

// The class library's message record, as a window procedure sees it.
struct TMessage
{
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

using TWVPrintStatus = COREWEBVIEW2_PRINT_STATUS;
using TWVSaveAsUIResult = COREWEBVIEW2_SAVE_AS_UI_RESULT;

enum TWV2KeyEventType : std::uint8_t
{
    ketKeyDown = 0,
    ketKeyUp = 1,
    ketRawKeyDown = 2,
    ketChar = 3
};

// Zoom percentages of the zoom steps; step 6 is 100 %.
inline constexpr int ZoomStepValues[16] = {25,  33,  50,  67,  75,  90,  100, 110,
                                           125, 150, 175, 200, 250, 300, 400, 500};

// The text of a script or DevTools result, percent-decoded and without its enclosing quotes.
wvstring ExtractEncodedJson(const wvstring& aJson);

// The zoom step nearest to a zoom percentage (the earlier one on a tie).
std::uint8_t ZoomStepForPct(double aPct);

// The parameters of the DevTools call "Input.dispatchKeyEvent" for one key event: only the members
// that carry something, in the protocol's order.
wvstring KeyEventJson(TWV2KeyEventType type_, INT32 modifiers, INT32 windowsVirtualKeyCode,
                      INT32 nativeVirtualKeyCode, INT32 timestamp, INT32 location, bool autoRepeat,
                      bool isKeypad, bool isSystemKey, const wvstring& text,
                      const wvstring& unmodifiedText, const wvstring& keyIdentifier,
                      const wvstring& code, const wvstring& key);

// ---- Event types (the sender first) ---------------------------------------------------------

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TOnInitializationErrorEvent =
    std::function<void(TObject* Sender, HRESULT aErrorCode, const wvstring& aErrorMessage)>;
using TOnGetCustomSchemesEvent =
    std::function<void(TObject* Sender, TWVCustomSchemeInfoArray& aCustomSchemes)>;
using TOnExecuteScriptCompletedEvent = std::function<void(
    TObject* Sender, HRESULT aErrorCode, const wvstring& aResultObjectAsJson, INT32 aExecutionID)>;
using TOnCallDevToolsProtocolMethodCompletedEvent = std::function<void(
    TObject* Sender, HRESULT aErrorCode, const wvstring& aResult, INT32 aExecutionID)>;
using TOnRetrieveHTMLCompletedEvent =
    std::function<void(TObject* Sender, bool aResult, const wvstring& aHTML)>;
using TOnRetrieveTextCompletedEvent =
    std::function<void(TObject* Sender, bool aResult, const wvstring& aText)>;
using TOnRetrieveMHTMLCompletedEvent =
    std::function<void(TObject* Sender, bool aResult, const wvstring& aMHTML)>;
using TOnClearCacheCompletedEvent = std::function<void(TObject* Sender, bool aResult)>;
using TOnClearDataForOriginCompletedEvent = std::function<void(TObject* Sender, bool aResult)>;
using TOnOfflineCompletedEvent = std::function<void(TObject* Sender, bool aResult)>;
using TOnIgnoreCertificateErrorsCompletedEvent = std::function<void(TObject* Sender, bool aResult)>;
using TOnSimulateKeyEventCompletedEvent = std::function<void(TObject* Sender, bool aResult)>;
using TOnRefreshIgnoreCacheCompletedEvent =
    std::function<void(TObject* Sender, HRESULT aErrorCode, const wvstring& aResultObjectAsJson)>;
using TOnCompMsgEvent = std::function<void(TObject* Sender, TMessage& aMessage, bool& aHandled)>;
using TOnNavigationStartingEvent = std::function<void(
    TObject* Sender, ICoreWebView2* aWebView, ICoreWebView2NavigationStartingEventArgs* aArgs)>;
using TOnNavigationCompletedEvent = std::function<void(
    TObject* Sender, ICoreWebView2* aWebView, ICoreWebView2NavigationCompletedEventArgs* aArgs)>;
using TOnSourceChangedEvent = std::function<void(TObject* Sender, ICoreWebView2* aWebView,
                                                 ICoreWebView2SourceChangedEventArgs* aArgs)>;
using TOnContentLoadingEvent = std::function<void(TObject* Sender, ICoreWebView2* aWebView,
                                                  ICoreWebView2ContentLoadingEventArgs* aArgs)>;
using TOnNewWindowRequestedEvent = std::function<void(
    TObject* Sender, ICoreWebView2* aWebView, ICoreWebView2NewWindowRequestedEventArgs* aArgs)>;
using TOnWebResourceRequestedEvent = std::function<void(
    TObject* Sender, ICoreWebView2* aWebView, ICoreWebView2WebResourceRequestedEventArgs* aArgs)>;
using TOnScriptDialogOpeningEvent = std::function<void(
    TObject* Sender, ICoreWebView2* aWebView, ICoreWebView2ScriptDialogOpeningEventArgs* aArgs)>;
using TOnPermissionRequestedEvent = std::function<void(
    TObject* Sender, ICoreWebView2* aWebView, ICoreWebView2PermissionRequestedEventArgs* aArgs)>;
using TOnProcessFailedEvent = std::function<void(TObject* Sender, ICoreWebView2* aWebView,
                                                 ICoreWebView2ProcessFailedEventArgs* aArgs)>;
using TOnWebMessageReceivedEvent = std::function<void(
    TObject* Sender, ICoreWebView2* aWebView, ICoreWebView2WebMessageReceivedEventArgs* aArgs)>;
using TOnMoveFocusRequestedEvent =
    std::function<void(TObject* Sender, ICoreWebView2Controller* aController,
                       ICoreWebView2MoveFocusRequestedEventArgs* aArgs)>;
using TOnAcceleratorKeyPressedEvent =
    std::function<void(TObject* Sender, ICoreWebView2Controller* aController,
                       ICoreWebView2AcceleratorKeyPressedEventArgs* aArgs)>;
using TOnDevToolsProtocolEventReceivedEvent =
    std::function<void(TObject* Sender, ICoreWebView2* aWebView,
                       ICoreWebView2DevToolsProtocolEventReceivedEventArgs* aArgs,
                       const wvstring& aEventName, INT32 aEventID)>;
using TOnBrowserProcessExitedEvent =
    std::function<void(TObject* Sender, ICoreWebView2Environment* aEnvironment,
                       ICoreWebView2BrowserProcessExitedEventArgs* aArgs)>;
using TOnWebResourceResponseReceivedEvent =
    std::function<void(TObject* Sender, ICoreWebView2* aWebView,
                       ICoreWebView2WebResourceResponseReceivedEventArgs* aArgs)>;
using TOnDOMContentLoadedEvent = std::function<void(TObject* Sender, ICoreWebView2* aWebView,
                                                    ICoreWebView2DOMContentLoadedEventArgs* aArgs)>;
using TOnWebResourceResponseViewGetContentCompletedEvent =
    std::function<void(TObject* Sender, HRESULT aErrorCode, IStream* aResult, INT32 aResourceID)>;
using TOnGetCookiesCompletedEvent =
    std::function<void(TObject* Sender, HRESULT aErrorCode, ICoreWebView2CookieList* aResult)>;
using TOnTrySuspendCompletedEvent =
    std::function<void(TObject* Sender, HRESULT aErrorCode, bool aResult)>;
using TOnFrameCreatedEvent = std::function<void(TObject* Sender, ICoreWebView2* aWebView,
                                                ICoreWebView2FrameCreatedEventArgs* aArgs)>;
using TOnDownloadStartingEvent = std::function<void(TObject* Sender, ICoreWebView2* aWebView,
                                                    ICoreWebView2DownloadStartingEventArgs* aArgs)>;
using TOnClientCertificateRequestedEvent =
    std::function<void(TObject* Sender, ICoreWebView2* aWebView,
                       ICoreWebView2ClientCertificateRequestedEventArgs* aArgs)>;
using TOnPrintToPdfCompletedEvent =
    std::function<void(TObject* Sender, HRESULT aErrorCode, bool aResult)>;
using TOnBytesReceivedChangedEvent = std::function<void(
    TObject* Sender, ICoreWebView2DownloadOperation* aDownloadOperation, INT32 aDownloadID)>;
using TOnEstimatedEndTimeChangedEvent = std::function<void(
    TObject* Sender, ICoreWebView2DownloadOperation* aDownloadOperation, INT32 aDownloadID)>;
using TOnDownloadStateChangedEvent = std::function<void(
    TObject* Sender, ICoreWebView2DownloadOperation* aDownloadOperation, INT32 aDownloadID)>;
using TOnFrameNameChangedEvent =
    std::function<void(TObject* Sender, ICoreWebView2Frame* aFrame, UINT32 aFrameID)>;
using TOnFrameDestroyedEvent =
    std::function<void(TObject* Sender, ICoreWebView2Frame* aFrame, UINT32 aFrameID)>;
using TOnAddScriptToExecuteOnDocumentCreatedCompletedEvent =
    std::function<void(TObject* Sender, HRESULT aErrorCode, const wvstring& aResult)>;
using TOnIsMutedChangedEvent = std::function<void(TObject* Sender, ICoreWebView2* aWebView)>;
using TOnIsDocumentPlayingAudioChangedEvent =
    std::function<void(TObject* Sender, ICoreWebView2* aWebView)>;
using TOnIsDefaultDownloadDialogOpenChangedEvent =
    std::function<void(TObject* Sender, ICoreWebView2* aWebView)>;
using TOnProcessInfosChangedEvent =
    std::function<void(TObject* Sender, ICoreWebView2Environment* aEnvironment)>;
using TOnFrameNavigationStartingEvent =
    std::function<void(TObject* Sender, ICoreWebView2Frame* aFrame,
                       ICoreWebView2NavigationStartingEventArgs* aArgs, UINT32 aFrameID)>;
using TOnFrameNavigationCompletedEvent =
    std::function<void(TObject* Sender, ICoreWebView2Frame* aFrame,
                       ICoreWebView2NavigationCompletedEventArgs* aArgs, UINT32 aFrameID)>;
using TOnFrameContentLoadingEvent =
    std::function<void(TObject* Sender, ICoreWebView2Frame* aFrame,
                       ICoreWebView2ContentLoadingEventArgs* aArgs, UINT32 aFrameID)>;
using TOnFrameDOMContentLoadedEvent =
    std::function<void(TObject* Sender, ICoreWebView2Frame* aFrame,
                       ICoreWebView2DOMContentLoadedEventArgs* aArgs, UINT32 aFrameID)>;
using TOnFrameWebMessageReceivedEvent =
    std::function<void(TObject* Sender, ICoreWebView2Frame* aFrame,
                       ICoreWebView2WebMessageReceivedEventArgs* aArgs, UINT32 aFrameID)>;
using TOnBasicAuthenticationRequestedEvent =
    std::function<void(TObject* Sender, ICoreWebView2* aWebView,
                       ICoreWebView2BasicAuthenticationRequestedEventArgs* aArgs)>;
using TOnContextMenuRequestedEvent = std::function<void(
    TObject* Sender, ICoreWebView2* aWebView, ICoreWebView2ContextMenuRequestedEventArgs* aArgs)>;
using TOnCustomItemSelectedEvent =
    std::function<void(TObject* Sender, ICoreWebView2ContextMenuItem* aMenuItem)>;
using TOnStatusBarTextChangedEvent = std::function<void(TObject* Sender, ICoreWebView2* aWebView)>;
using TOnFramePermissionRequestedEvent =
    std::function<void(TObject* Sender, ICoreWebView2Frame* aFrame,
                       ICoreWebView2PermissionRequestedEventArgs2* aArgs, UINT32 aFrameID)>;
using TOnClearBrowsingDataCompletedEvent = std::function<void(TObject* Sender, HRESULT aErrorCode)>;
using TOnServerCertificateErrorActionsCompletedEvent =
    std::function<void(TObject* Sender, HRESULT aErrorCode)>;
using TOnServerCertificateErrorDetectedEvent =
    std::function<void(TObject* Sender, ICoreWebView2* aWebView,
                       ICoreWebView2ServerCertificateErrorDetectedEventArgs* aArgs)>;
using TOnFaviconChangedEvent =
    std::function<void(TObject* Sender, ICoreWebView2* aWebView, IUnknown* aArgs)>;
using TOnGetFaviconCompletedEvent =
    std::function<void(TObject* Sender, HRESULT aErrorCode, IStream* aResult)>;
using TOnPrintCompletedEvent =
    std::function<void(TObject* Sender, HRESULT aErrorCode, TWVPrintStatus aResult)>;
using TOnPrintToPdfStreamCompletedEvent =
    std::function<void(TObject* Sender, HRESULT aErrorCode, IStream* aResult)>;
using TOnGetNonDefaultPermissionSettingsCompletedEvent = std::function<void(
    TObject* Sender, HRESULT aErrorCode, ICoreWebView2PermissionSettingCollectionView* aResult)>;
using TOnSetPermissionStateCompletedEvent =
    std::function<void(TObject* Sender, HRESULT aErrorCode)>;
using TOnLaunchingExternalUriSchemeEvent =
    std::function<void(TObject* Sender, ICoreWebView2* aWebView,
                       ICoreWebView2LaunchingExternalUriSchemeEventArgs* aArgs)>;
using TOnGetProcessExtendedInfosCompletedEvent = std::function<void(
    TObject* Sender, HRESULT aErrorCode, ICoreWebView2ProcessExtendedInfoCollection* aResult)>;
using TOnBrowserExtensionRemoveCompletedEvent =
    std::function<void(TObject* Sender, HRESULT aErrorCode, const wvstring& aExtensionID)>;
using TOnBrowserExtensionEnableCompletedEvent =
    std::function<void(TObject* Sender, HRESULT aErrorCode, const wvstring& aExtensionID)>;
using TOnProfileAddBrowserExtensionCompletedEvent = std::function<void(
    TObject* Sender, HRESULT aErrorCode, ICoreWebView2BrowserExtension* aResult)>;
using TOnProfileGetBrowserExtensionsCompletedEvent = std::function<void(
    TObject* Sender, HRESULT aErrorCode, ICoreWebView2BrowserExtensionList* aResult)>;
using TOnProfileDeletedEvent = std::function<void(TObject* Sender, ICoreWebView2Profile* aProfile)>;
using TOnExecuteScriptWithResultCompletedEvent =
    std::function<void(TObject* Sender, HRESULT errorCode,
                       ICoreWebView2ExecuteScriptResult* aResult, INT32 aExecutionID)>;
using TOnNonClientRegionChangedEvent =
    std::function<void(TObject* Sender, ICoreWebView2CompositionController* aController,
                       ICoreWebView2NonClientRegionChangedEventArgs* aArgs)>;
using TOnNotificationReceivedEvent = std::function<void(
    TObject* Sender, ICoreWebView2* aWebView, ICoreWebView2NotificationReceivedEventArgs* aArgs)>;
using TOnNotificationCloseRequestedEvent =
    std::function<void(TObject* Sender, ICoreWebView2Notification* aNotification, IUnknown* aArgs)>;
using TOnSaveAsUIShowingEvent = std::function<void(TObject* Sender, ICoreWebView2* aWebView,
                                                   ICoreWebView2SaveAsUIShowingEventArgs* aArgs)>;
using TOnShowSaveAsUICompletedEvent =
    std::function<void(TObject* Sender, HRESULT aErrorCode, TWVSaveAsUIResult aResult)>;
using TOnSaveFileSecurityCheckStartingEvent =
    std::function<void(TObject* Sender, ICoreWebView2* aWebView,
                       ICoreWebView2SaveFileSecurityCheckStartingEventArgs* aArgs)>;
using TOnScreenCaptureStartingEvent = std::function<void(
    TObject* Sender, ICoreWebView2* aWebView, ICoreWebView2ScreenCaptureStartingEventArgs* aArgs)>;
using TOnFrameScreenCaptureStartingEvent =
    std::function<void(TObject* Sender, ICoreWebView2Frame* aFrame,
                       ICoreWebView2ScreenCaptureStartingEventArgs* aArgs, UINT32 aFrameID)>;
using TOnFrameChildFrameCreatedEvent =
    std::function<void(TObject* Sender, ICoreWebView2Frame* aFrame,
                       ICoreWebView2FrameCreatedEventArgs* aArgs, UINT32 aFrameID)>;
using TOnFindActiveMatchIndexChangedEvent =
    std::function<void(TObject* Sender, ICoreWebView2Find* aFindSession, IUnknown* aArgs)>;
using TOnFindMatchCountChangedEvent =
    std::function<void(TObject* Sender, ICoreWebView2Find* aFindSession, IUnknown* aArgs)>;
using TOnFindStartCompletedEvent = std::function<void(TObject* Sender, HRESULT aErrorCode)>;
using TOnDragStartingEvent =
    std::function<void(TObject* Sender, ICoreWebView2CompositionController* aController,
                       ICoreWebView2DragStartingEventArgs* aArgs)>;
using TOnCapturePreviewCompletedEvent = std::function<void(TObject* Sender, HRESULT aErrorCode)>;

class TWVBrowserBase : public QObject, public IWVBrowserEvents
{
public:
    explicit TWVBrowserBase(TComponent* AOwner = nullptr);
    // Removes the watched windows' hooks, frees the wrappers (which removes every subscription and
    // closes the controller) and releases the completion objects.
    ~TWVBrowserBase() override;
    TWVBrowserBase(const TWVBrowserBase&) = delete;
    TWVBrowserBase& operator=(const TWVBrowserBase&) = delete;

    // Starts creating the browser in the window aHandle, with the loader's shared environment
    // (aUseDefaultEnvironment) or one of the component's own. True when the request was accepted;
    // OnAfterCreated follows once the browser exists.
    bool CreateBrowser(HWND aHandle, bool aUseDefaultEnvironment = true);
    bool CreateBrowser(HWND aHandle, ICoreWebView2Environment* aEnvironment);

    bool Initialized() const;

    // ---- Operations on the created browser (False or nothing before it exists) ----
    bool Navigate(const wvstring& aURI);
    // Shows the text up to its first NUL character.
    bool NavigateToString(const wvstring& aHTMLContent);
    bool PostWebMessageAsString(const wvstring& aWebMessageAsString);
    void SetBounds(const RECT& aValue);
    bool SetFocus();
    bool CallDevToolsProtocolMethod(const wvstring& aMethodName, const wvstring& aParametersAsJson,
                                    INT32 aExecutionID);
    double GetZoomFactor();
    double GetZoomPct();
    virtual float GetScreenScale();
    virtual bool SimulateKeyEvent(TWV2KeyEventType type_, INT32 modifiers,
                                  INT32 windowsVirtualKeyCode, INT32 nativeVirtualKeyCode,
                                  INT32 timestamp, INT32 location, bool autoRepeat, bool isKeypad,
                                  bool isSystemKey, const wvstring& text,
                                  const wvstring& unmodifiedText, const wvstring& keyIdentifier,
                                  const wvstring& code, const wvstring& key);
    virtual bool KeyboardShortcutSearch();
    virtual bool KeyboardShortcutRefreshIgnoreCache();

    // ---- Properties ----
    wvstring BrowserExecPath() const { return FBrowserExecPath; }
    void SetBrowserExecPath(const wvstring& aValue) { FBrowserExecPath = aValue; }
    // The environment's folder once the browser is initialized, the stored folder before.
    wvstring UserDataFolder() const;
    void SetUserDataFolder(const wvstring& aValue) { FUserDataFolder = aValue; }
    wvstring DefaultURL() const { return FDefaultURL; }
    void SetDefaultURL(const wvstring& aValue) { FDefaultURL = aValue; }
    wvstring AdditionalBrowserArguments() const { return FAdditionalBrowserArguments; }
    void SetAdditionalBrowserArguments(const wvstring& aValue)
    {
        FAdditionalBrowserArguments = aValue;
    }
    wvstring Language() const { return FLanguage; }
    void SetLanguage(const wvstring& aValue) { FLanguage = aValue; }
    wvstring TargetCompatibleBrowserVersion() const { return FTargetCompatibleBrowserVersion; }
    void SetTargetCompatibleBrowserVersion(const wvstring& aValue)
    {
        FTargetCompatibleBrowserVersion = aValue;
    }
    bool AllowSingleSignOnUsingOSPrimaryAccount() const
    {
        return FAllowSingleSignOnUsingOSPrimaryAccount;
    }
    void SetAllowSingleSignOnUsingOSPrimaryAccount(bool aValue)
    {
        FAllowSingleSignOnUsingOSPrimaryAccount = aValue;
    }
    // Controller options.
    wvstring ProfileName() const { return FProfileName; }
    void SetProfileName(const wvstring& aValue) { FProfileName = aValue; }
    bool IsInPrivateModeEnabled() const { return FIsInPrivateModeEnabled; }
    void SetIsInPrivateModeEnabled(bool aValue) { FIsInPrivateModeEnabled = aValue; }
    wvstring ScriptLocale() const { return FScriptLocale; }
    void SetScriptLocale(const wvstring& aValue) { FScriptLocale = aValue; }
    std::uint32_t DefaultBackgroundColor() const { return FDefaultBackgroundColor; }
    void SetDefaultBackgroundColor(std::uint32_t aValue) { FDefaultBackgroundColor = aValue; }
    bool AllowHostInputProcessing() const { return FAllowHostInputProcessing; }
    void SetAllowHostInputProcessing(bool aValue) { FAllowHostInputProcessing = aValue; }

    TCoreWebView2Environment* CoreWebView2Environment() const
    {
        return FCoreWebView2Environment.get();
    }
    TCoreWebView2Controller* CoreWebView2Controller() const
    {
        return FCoreWebView2Controller.get();
    }
    TCoreWebView2* CoreWebView2() const { return FCoreWebView2.get(); }
    TCoreWebView2Settings* CoreWebView2Settings() const { return FCoreWebView2Settings.get(); }
    TCoreWebView2PrintSettings* CoreWebView2PrintSettings() const
    {
        return FCoreWebView2PrintSettings.get();
    }
    TCoreWebView2Profile* Profile() const { return FCoreWebView2Profile.get(); }
    TCoreWebView2FindOptions* FindOptions() const { return FCoreWebView2FindOptions.get(); }
    bool IsNavigating() const { return FIsNavigating; }
    std::uint8_t ZoomStep() const { return FZoomStep; }
    HWND WindowParentHandle() const { return FWindowParentHandle; }

    // The runtime's inner windows last found under the host window.
    HWND Widget0CompHWND() const { return FWidget0CompHWND; }
    HWND Widget1CompHWND() const { return FWidget1CompHWND; }
    HWND RenderCompHWND() const { return FRenderCompHWND; }
    HWND D3DWindowCompHWND() const { return FD3DWindowCompHWND; }

    // ---- Events ----
    TOnInitializationErrorEvent OnInitializationError;
    TNotifyEvent OnEnvironmentCompleted;
    TNotifyEvent OnControllerCompleted;
    TNotifyEvent OnAfterCreated;
    TOnExecuteScriptCompletedEvent OnExecuteScriptCompleted;
    TOnCallDevToolsProtocolMethodCompletedEvent OnCallDevToolsProtocolMethodCompleted;
    TOnRetrieveHTMLCompletedEvent OnRetrieveHTMLCompleted;
    TOnRetrieveTextCompletedEvent OnRetrieveTextCompleted;
    TOnRetrieveMHTMLCompletedEvent OnRetrieveMHTMLCompleted;
    TOnClearCacheCompletedEvent OnClearCacheCompleted;
    TOnClearDataForOriginCompletedEvent OnClearDataForOriginCompleted;
    TOnOfflineCompletedEvent OnOfflineCompleted;
    TOnIgnoreCertificateErrorsCompletedEvent OnIgnoreCertificateErrorsCompleted;
    TOnRefreshIgnoreCacheCompletedEvent OnRefreshIgnoreCacheCompleted;
    TOnSimulateKeyEventCompletedEvent OnSimulateKeyEventCompleted;
    TOnGetCustomSchemesEvent OnGetCustomSchemes;
    TOnCompMsgEvent OnWidget0CompMsg;
    TOnCompMsgEvent OnWidget1CompMsg;
    TOnCompMsgEvent OnRenderCompMsg;
    TOnCompMsgEvent OnD3DWindowCompMsg;
    TOnNavigationStartingEvent OnNavigationStarting;
    TOnNavigationCompletedEvent OnNavigationCompleted;
    TOnSourceChangedEvent OnSourceChanged;
    TNotifyEvent OnHistoryChanged;
    TOnContentLoadingEvent OnContentLoading;
    TNotifyEvent OnDocumentTitleChanged;
    TOnNewWindowRequestedEvent OnNewWindowRequested;
    TOnNavigationStartingEvent OnFrameNavigationStarting;
    TOnNavigationCompletedEvent OnFrameNavigationCompleted;
    TOnWebResourceRequestedEvent OnWebResourceRequested;
    TOnScriptDialogOpeningEvent OnScriptDialogOpening;
    TOnPermissionRequestedEvent OnPermissionRequested;
    TOnProcessFailedEvent OnProcessFailed;
    TOnWebMessageReceivedEvent OnWebMessageReceived;
    TNotifyEvent OnContainsFullScreenElementChanged;
    TNotifyEvent OnWindowCloseRequested;
    TNotifyEvent OnZoomFactorChanged;
    TOnMoveFocusRequestedEvent OnMoveFocusRequested;
    TOnAcceleratorKeyPressedEvent OnAcceleratorKeyPressed;
    TNotifyEvent OnGotFocus;
    TNotifyEvent OnLostFocus;
    TOnDevToolsProtocolEventReceivedEvent OnDevToolsProtocolEventReceived;
    TNotifyEvent OnCompositionControllerCompleted;
    TNotifyEvent OnCursorChanged;
    TOnBrowserProcessExitedEvent OnBrowserProcessExited;
    TNotifyEvent OnRasterizationScaleChanged;
    TOnWebResourceResponseReceivedEvent OnWebResourceResponseReceived;
    TOnDOMContentLoadedEvent OnDOMContentLoaded;
    TOnWebResourceResponseViewGetContentCompletedEvent OnWebResourceResponseViewGetContentCompleted;
    TOnGetCookiesCompletedEvent OnGetCookiesCompleted;
    TOnTrySuspendCompletedEvent OnTrySuspendCompleted;
    TOnFrameCreatedEvent OnFrameCreated;
    TOnDownloadStartingEvent OnDownloadStarting;
    TOnClientCertificateRequestedEvent OnClientCertificateRequested;
    TOnPrintToPdfCompletedEvent OnPrintToPdfCompleted;
    TOnBytesReceivedChangedEvent OnBytesReceivedChanged;
    TOnEstimatedEndTimeChangedEvent OnEstimatedEndTimeChanged;
    TOnDownloadStateChangedEvent OnDownloadStateChanged;
    TOnFrameNameChangedEvent OnFrameNameChanged;
    TOnFrameDestroyedEvent OnFrameDestroyed;
    TOnAddScriptToExecuteOnDocumentCreatedCompletedEvent
        OnAddScriptToExecuteOnDocumentCreatedCompleted;
    TOnIsMutedChangedEvent OnIsMutedChanged;
    TOnIsDocumentPlayingAudioChangedEvent OnIsDocumentPlayingAudioChanged;
    TOnIsDefaultDownloadDialogOpenChangedEvent OnIsDefaultDownloadDialogOpenChanged;
    TOnProcessInfosChangedEvent OnProcessInfosChanged;
    TOnFrameNavigationStartingEvent OnFrameNavigationStarting2;
    TOnFrameNavigationCompletedEvent OnFrameNavigationCompleted2;
    TOnFrameContentLoadingEvent OnFrameContentLoading;
    TOnFrameDOMContentLoadedEvent OnFrameDOMContentLoaded;
    TOnFrameWebMessageReceivedEvent OnFrameWebMessageReceived;
    TOnBasicAuthenticationRequestedEvent OnBasicAuthenticationRequested;
    TOnContextMenuRequestedEvent OnContextMenuRequested;
    TOnCustomItemSelectedEvent OnCustomItemSelected;
    TOnStatusBarTextChangedEvent OnStatusBarTextChanged;
    TOnFramePermissionRequestedEvent OnFramePermissionRequested;
    TOnClearBrowsingDataCompletedEvent OnClearBrowsingDataCompleted;
    TOnServerCertificateErrorActionsCompletedEvent OnServerCertificateErrorActionsCompleted;
    TOnServerCertificateErrorDetectedEvent OnServerCertificateErrorDetected;
    TOnFaviconChangedEvent OnFaviconChanged;
    TOnGetFaviconCompletedEvent OnGetFaviconCompleted;
    TOnPrintCompletedEvent OnPrintCompleted;
    TOnPrintToPdfStreamCompletedEvent OnPrintToPdfStreamCompleted;
    TOnGetNonDefaultPermissionSettingsCompletedEvent OnGetNonDefaultPermissionSettingsCompleted;
    TOnSetPermissionStateCompletedEvent OnSetPermissionStateCompleted;
    TOnLaunchingExternalUriSchemeEvent OnLaunchingExternalUriScheme;
    TOnGetProcessExtendedInfosCompletedEvent OnGetProcessExtendedInfosCompleted;
    TOnBrowserExtensionRemoveCompletedEvent OnBrowserExtensionRemoveCompleted;
    TOnBrowserExtensionEnableCompletedEvent OnBrowserExtensionEnableCompleted;
    TOnProfileAddBrowserExtensionCompletedEvent OnProfileAddBrowserExtensionCompleted;
    TOnProfileGetBrowserExtensionsCompletedEvent OnProfileGetBrowserExtensionsCompleted;
    TOnProfileDeletedEvent OnProfileDeleted;
    TOnExecuteScriptWithResultCompletedEvent OnExecuteScriptWithResultCompleted;
    TOnNonClientRegionChangedEvent OnNonClientRegionChanged;
    TOnNotificationReceivedEvent OnNotificationReceived;
    TOnNotificationCloseRequestedEvent OnNotificationCloseRequested;
    TOnSaveAsUIShowingEvent OnSaveAsUIShowing;
    TOnShowSaveAsUICompletedEvent OnShowSaveAsUICompleted;
    TOnSaveFileSecurityCheckStartingEvent OnSaveFileSecurityCheckStarting;
    TOnScreenCaptureStartingEvent OnScreenCaptureStarting;
    TOnFrameScreenCaptureStartingEvent OnFrameScreenCaptureStarting;
    TOnFrameChildFrameCreatedEvent OnFrameChildFrameCreated;
    TOnFindActiveMatchIndexChangedEvent OnFindActiveMatchIndexChanged;
    TOnFindMatchCountChangedEvent OnFindMatchCountChanged;
    TOnFindStartCompletedEvent OnFindStartCompleted;
    TOnDragStartingEvent OnDragStarting;
    TOnCapturePreviewCompletedEvent OnCapturePreviewCompleted;

    // ---- IUnknown: counts nothing; the owner alone frees the component ----
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(-1); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(-1); }

    // ---- IWVBrowserEvents ----
    HRESULT STDMETHODCALLTYPE EnvironmentCompletedHandler_Invoke(
        HRESULT errorCode, ICoreWebView2Environment* result) override;
    HRESULT STDMETHODCALLTYPE
    ControllerCompletedHandler_Invoke(HRESULT errorCode, ICoreWebView2Controller* result) override;
    HRESULT STDMETHODCALLTYPE ExecuteScriptCompletedHandler_Invoke(HRESULT errorCode,
                                                                   LPCWSTR resultObjectAsJson,
                                                                   INT32 aExecutionID) override;
    HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethodCompletedHandler_Invoke(
        HRESULT errorCode, LPCWSTR returnObjectAsJson, INT32 aExecutionID) override;
    HRESULT STDMETHODCALLTYPE NavigationStartingEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2NavigationStartingEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE NavigationCompletedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2NavigationCompletedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE SourceChangedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2SourceChangedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE HistoryChangedEventHandler_Invoke(ICoreWebView2* sender,
                                                                IUnknown* args) override;
    HRESULT STDMETHODCALLTYPE ContentLoadingEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2ContentLoadingEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE DocumentTitleChangedEventHandler_Invoke(ICoreWebView2* sender,
                                                                      IUnknown* args) override;
    HRESULT STDMETHODCALLTYPE NewWindowRequestedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2NewWindowRequestedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE FrameNavigationStartingEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2NavigationStartingEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE FrameNavigationCompletedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2NavigationCompletedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE WebResourceRequestedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2WebResourceRequestedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE ScriptDialogOpeningEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2ScriptDialogOpeningEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE PermissionRequestedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2PermissionRequestedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE ProcessFailedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2ProcessFailedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE WebMessageReceivedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2WebMessageReceivedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE ContainsFullScreenElementChangedEventHandler_Invoke(
        ICoreWebView2* sender, IUnknown* args) override;
    HRESULT STDMETHODCALLTYPE WindowCloseRequestedEventHandler_Invoke(ICoreWebView2* sender,
                                                                      IUnknown* args) override;
    HRESULT STDMETHODCALLTYPE ZoomFactorChangedEventHandler_Invoke(ICoreWebView2Controller* sender,
                                                                   IUnknown* args) override;
    HRESULT STDMETHODCALLTYPE MoveFocusRequestedEventHandler_Invoke(
        ICoreWebView2Controller* sender, ICoreWebView2MoveFocusRequestedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE AcceleratorKeyPressedEventHandler_Invoke(
        ICoreWebView2Controller* sender,
        ICoreWebView2AcceleratorKeyPressedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE GotFocusEventHandler_Invoke(ICoreWebView2Controller* sender,
                                                          IUnknown* args) override;
    HRESULT STDMETHODCALLTYPE LostFocusEventHandler_Invoke(ICoreWebView2Controller* sender,
                                                           IUnknown* args) override;
    HRESULT STDMETHODCALLTYPE DevToolsProtocolEventReceivedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2DevToolsProtocolEventReceivedEventArgs* args,
        const wvstring& aEventName, INT32 aEventID) override;
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2CompositionControllerCompletedHandler_Invoke(
        HRESULT errorCode, ICoreWebView2CompositionController* result) override;
    HRESULT STDMETHODCALLTYPE CursorChangedEventHandler_Invoke(
        ICoreWebView2CompositionController* sender, IUnknown* args) override;
    HRESULT STDMETHODCALLTYPE BrowserProcessExitedEventHandler_Invoke(
        ICoreWebView2Environment* sender,
        ICoreWebView2BrowserProcessExitedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE RasterizationScaleChangedEventHandler_Invoke(
        ICoreWebView2Controller* sender, IUnknown* args) override;
    HRESULT STDMETHODCALLTYPE WebResourceResponseReceivedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2WebResourceResponseReceivedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE DOMContentLoadedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2DOMContentLoadedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE WebResourceResponseViewGetContentCompletedHandler_Invoke(
        HRESULT errorCode, IStream* result, INT32 aResourceID) override;
    HRESULT STDMETHODCALLTYPE
    GetCookiesCompletedHandler_Invoke(HRESULT errorCode, ICoreWebView2CookieList* result) override;
    HRESULT STDMETHODCALLTYPE TrySuspendCompletedHandler_Invoke(HRESULT errorCode,
                                                                BOOL result) override;
    HRESULT STDMETHODCALLTYPE FrameCreatedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2FrameCreatedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE DownloadStartingEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2DownloadStartingEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE ClientCertificateRequestedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2ClientCertificateRequestedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE PrintToPdfCompletedHandler_Invoke(HRESULT errorCode,
                                                                BOOL result) override;
    HRESULT STDMETHODCALLTYPE BytesReceivedChangedEventHandler_Invoke(
        ICoreWebView2DownloadOperation* sender, IUnknown* args, INT32 aDownloadID) override;
    HRESULT STDMETHODCALLTYPE EstimatedEndTimeChangedEventHandler_Invoke(
        ICoreWebView2DownloadOperation* sender, IUnknown* args, INT32 aDownloadID) override;
    HRESULT STDMETHODCALLTYPE StateChangedEventHandler_Invoke(
        ICoreWebView2DownloadOperation* sender, IUnknown* args, INT32 aDownloadID) override;
    HRESULT STDMETHODCALLTYPE FrameNameChangedEventHandler_Invoke(ICoreWebView2Frame* sender,
                                                                  IUnknown* args,
                                                                  UINT32 aFrameID) override;
    HRESULT STDMETHODCALLTYPE FrameDestroyedEventHandler_Invoke(ICoreWebView2Frame* sender,
                                                                IUnknown* args,
                                                                UINT32 aFrameID) override;
    HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreatedCompletedHandler_Invoke(
        HRESULT errorCode, LPCWSTR id) override;
    HRESULT STDMETHODCALLTYPE IsMutedChangedEventHandler_Invoke(ICoreWebView2* sender,
                                                                IUnknown* args) override;
    HRESULT STDMETHODCALLTYPE IsDocumentPlayingAudioChangedEventHandler_Invoke(
        ICoreWebView2* sender, IUnknown* args) override;
    HRESULT STDMETHODCALLTYPE IsDefaultDownloadDialogOpenChangedEventHandler_Invoke(
        ICoreWebView2* sender, IUnknown* args) override;
    HRESULT STDMETHODCALLTYPE ProcessInfosChangedEventHandler_Invoke(
        ICoreWebView2Environment* sender, IUnknown* args) override;
    HRESULT STDMETHODCALLTYPE FrameNavigationStartingEventHandler2_Invoke(
        ICoreWebView2Frame* sender, ICoreWebView2NavigationStartingEventArgs* args,
        UINT32 aFrameID) override;
    HRESULT STDMETHODCALLTYPE FrameNavigationCompletedEventHandler2_Invoke(
        ICoreWebView2Frame* sender, ICoreWebView2NavigationCompletedEventArgs* args,
        UINT32 aFrameID) override;
    HRESULT STDMETHODCALLTYPE FrameContentLoadingEventHandler_Invoke(
        ICoreWebView2Frame* sender, ICoreWebView2ContentLoadingEventArgs* args,
        UINT32 aFrameID) override;
    HRESULT STDMETHODCALLTYPE FrameDOMContentLoadedEventHandler_Invoke(
        ICoreWebView2Frame* sender, ICoreWebView2DOMContentLoadedEventArgs* args,
        UINT32 aFrameID) override;
    HRESULT STDMETHODCALLTYPE FrameWebMessageReceivedEventHandler_Invoke(
        ICoreWebView2Frame* sender, ICoreWebView2WebMessageReceivedEventArgs* args,
        UINT32 aFrameID) override;
    HRESULT STDMETHODCALLTYPE BasicAuthenticationRequestedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2BasicAuthenticationRequestedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE ContextMenuRequestedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2ContextMenuRequestedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE CustomItemSelectedEventHandler_Invoke(
        ICoreWebView2ContextMenuItem* sender, IUnknown* args) override;
    HRESULT STDMETHODCALLTYPE StatusBarTextChangedEventHandler_Invoke(ICoreWebView2* sender,
                                                                      IUnknown* args) override;
    HRESULT STDMETHODCALLTYPE FramePermissionRequestedEventHandler_Invoke(
        ICoreWebView2Frame* sender, ICoreWebView2PermissionRequestedEventArgs2* args,
        UINT32 aFrameID) override;
    HRESULT STDMETHODCALLTYPE ClearBrowsingDataCompletedHandler_Invoke(HRESULT errorCode) override;
    HRESULT STDMETHODCALLTYPE
    ClearServerCertificateErrorActionsCompletedHandler_Invoke(HRESULT errorCode) override;
    HRESULT STDMETHODCALLTYPE ServerCertificateErrorDetectedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2ServerCertificateErrorDetectedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE FaviconChangedEventHandler_Invoke(ICoreWebView2* sender,
                                                                IUnknown* args) override;
    HRESULT STDMETHODCALLTYPE GetFaviconCompletedHandler_Invoke(HRESULT errorCode,
                                                                IStream* result) override;
    HRESULT STDMETHODCALLTYPE
    PrintCompletedHandler_Invoke(HRESULT errorCode, COREWEBVIEW2_PRINT_STATUS result) override;
    HRESULT STDMETHODCALLTYPE PrintToPdfStreamCompletedHandler_Invoke(HRESULT errorCode,
                                                                      IStream* result) override;
    HRESULT STDMETHODCALLTYPE GetNonDefaultPermissionSettingsCompletedHandler_Invoke(
        HRESULT errorCode, ICoreWebView2PermissionSettingCollectionView* result) override;
    HRESULT STDMETHODCALLTYPE SetPermissionStateCompletedHandler_Invoke(HRESULT errorCode) override;
    HRESULT STDMETHODCALLTYPE LaunchingExternalUriSchemeEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2LaunchingExternalUriSchemeEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE GetProcessExtendedInfosCompletedHandler_Invoke(
        HRESULT errorCode, ICoreWebView2ProcessExtendedInfoCollection* result) override;
    HRESULT STDMETHODCALLTYPE BrowserExtensionRemoveCompletedHandler_Invoke(
        HRESULT errorCode, const wvstring& aExtensionID) override;
    HRESULT STDMETHODCALLTYPE BrowserExtensionEnableCompletedHandler_Invoke(
        HRESULT errorCode, const wvstring& aExtensionID) override;
    HRESULT STDMETHODCALLTYPE ProfileAddBrowserExtensionCompletedHandler_Invoke(
        HRESULT errorCode, ICoreWebView2BrowserExtension* result) override;
    HRESULT STDMETHODCALLTYPE ProfileGetBrowserExtensionsCompletedHandler_Invoke(
        HRESULT errorCode, ICoreWebView2BrowserExtensionList* result) override;
    HRESULT STDMETHODCALLTYPE ProfileDeletedEventHandler_Invoke(ICoreWebView2Profile* sender,
                                                                IUnknown* args) override;
    HRESULT STDMETHODCALLTYPE ExecuteScriptWithResultCompletedHandler_Invoke(
        HRESULT errorCode, ICoreWebView2ExecuteScriptResult* result, INT32 aExecutionID) override;
    HRESULT STDMETHODCALLTYPE NonClientRegionChangedEventHandler_Invoke(
        ICoreWebView2CompositionController* sender,
        ICoreWebView2NonClientRegionChangedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE NotificationReceivedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2NotificationReceivedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE NotificationCloseRequestedEventHandler_Invoke(
        ICoreWebView2Notification* sender, IUnknown* args) override;
    HRESULT STDMETHODCALLTYPE SaveAsUIShowingEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2SaveAsUIShowingEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE ShowSaveAsUICompletedHandler_Invoke(
        HRESULT errorCode, COREWEBVIEW2_SAVE_AS_UI_RESULT result) override;
    HRESULT STDMETHODCALLTYPE SaveFileSecurityCheckStartingEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2SaveFileSecurityCheckStartingEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE ScreenCaptureStartingEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2ScreenCaptureStartingEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE FrameScreenCaptureStartingEventHandler_Invoke(
        ICoreWebView2Frame* sender, ICoreWebView2ScreenCaptureStartingEventArgs* args,
        UINT32 aFrameID) override;
    HRESULT STDMETHODCALLTYPE FrameChildFrameCreatedEventHandler_Invoke(
        ICoreWebView2Frame* sender, ICoreWebView2FrameCreatedEventArgs* args,
        UINT32 aFrameID) override;
    HRESULT STDMETHODCALLTYPE FindActiveMatchIndexChangedEventHandler_Invoke(
        ICoreWebView2Find* sender, IUnknown* args) override;
    HRESULT STDMETHODCALLTYPE FindMatchCountChangedEventHandler_Invoke(ICoreWebView2Find* sender,
                                                                       IUnknown* args) override;
    HRESULT STDMETHODCALLTYPE FindStartCompletedHandler_Invoke(HRESULT errorCode) override;
    HRESULT STDMETHODCALLTYPE
    DragStartingEventHandler_Invoke(ICoreWebView2CompositionController* sender,
                                    ICoreWebView2DragStartingEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE CapturePreviewCompletedHandler_Invoke(HRESULT errorCode) override;

protected:
    virtual bool ExtractJsonData(const wvstring& aJson, wvstring& aData);
    virtual void DoOnInitializationError(HRESULT aErrorCode, const wvstring& aErrorMessage);
    virtual void DoOnEnvironmentCompleted();
    virtual void DoOnControllerCompleted();
    virtual void DoOnAfterCreated();
    virtual void DoOnExecuteScriptCompleted(HRESULT aErrorCode, const wvstring& aResultObjectAsJson,
                                            INT32 aExecutionID);
    virtual void DoOnCallDevToolsProtocolMethodCompletedEvent(HRESULT aErrorCode,
                                                              const wvstring& aResult,
                                                              INT32 aExecutionID);
    virtual void DoOnRetrieveHTMLCompleted(HRESULT aErrorCode, const wvstring& aResultObjectAsJson);
    virtual void DoOnRetrieveTextCompleted(HRESULT aErrorCode, const wvstring& aResultObjectAsJson);
    virtual void DoOnRetrieveMHTMLCompleted(HRESULT aErrorCode,
                                            const wvstring& aReturnObjectAsJson);
    virtual void DoOnClearCacheCompleted(HRESULT aErrorCode);
    virtual void DoOnClearDataForOriginCompleted(HRESULT aErrorCode);
    virtual void DoOnOfflineCompleted(HRESULT aErrorCode);
    virtual void DoOnIgnoreCertificateErrorsCompleted(HRESULT aErrorCode);
    virtual void DoOnSimulateKeyEventCompleted(HRESULT aErrorCode);
    virtual void DoOnRefreshIgnoreCacheCompleted(HRESULT aErrorCode,
                                                 const wvstring& aResultObjectAsJson);
    virtual void DoOnGetCustomSchemes(TWVCustomSchemeRegistrationArray& aSchemeRegistrations);
    virtual void DoOnNavigationStarting(ICoreWebView2* aWebView,
                                        ICoreWebView2NavigationStartingEventArgs* aArgs);
    virtual void DoOnNavigationCompleted(ICoreWebView2* aWebView,
                                         ICoreWebView2NavigationCompletedEventArgs* aArgs);
    virtual void DoOnSourceChanged(ICoreWebView2* aWebView,
                                   ICoreWebView2SourceChangedEventArgs* aArgs);
    virtual void DoOnHistoryChanged();
    virtual void DoOnContentLoading(ICoreWebView2* aWebView,
                                    ICoreWebView2ContentLoadingEventArgs* aArgs);
    virtual void DoOnDocumentTitleChanged();
    virtual void DoOnNewWindowRequested(ICoreWebView2* aWebView,
                                        ICoreWebView2NewWindowRequestedEventArgs* aArgs);
    virtual void DoOnFrameNavigationStarting(ICoreWebView2* aWebView,
                                             ICoreWebView2NavigationStartingEventArgs* aArgs);
    virtual void DoOnFrameNavigationCompleted(ICoreWebView2* aWebView,
                                              ICoreWebView2NavigationCompletedEventArgs* aArgs);
    virtual void DoOnWebResourceRequested(ICoreWebView2* aWebView,
                                          ICoreWebView2WebResourceRequestedEventArgs* aArgs);
    virtual void DoOnScriptDialogOpening(ICoreWebView2* aWebView,
                                         ICoreWebView2ScriptDialogOpeningEventArgs* aArgs);
    virtual void DoOnPermissionRequested(ICoreWebView2* aWebView,
                                         ICoreWebView2PermissionRequestedEventArgs* aArgs);
    virtual void DoOnProcessFailed(ICoreWebView2* aWebView,
                                   ICoreWebView2ProcessFailedEventArgs* aArgs);
    virtual void DoOnWebMessageReceived(ICoreWebView2* aWebView,
                                        ICoreWebView2WebMessageReceivedEventArgs* aArgs);
    virtual void DoOnContainsFullScreenElementChanged();
    virtual void DoOnWindowCloseRequested();
    virtual void DoOnZoomFactorChanged();
    virtual void DoOnMoveFocusRequested(ICoreWebView2Controller* aController,
                                        ICoreWebView2MoveFocusRequestedEventArgs* aArgs);
    virtual void DoOnAcceleratorKeyPressed(ICoreWebView2Controller* aController,
                                           ICoreWebView2AcceleratorKeyPressedEventArgs* aArgs);
    virtual void DoOnGotFocus();
    virtual void DoOnLostFocus();
    virtual void
    DoOnDevToolsProtocolEventReceived(ICoreWebView2* aWebView,
                                      ICoreWebView2DevToolsProtocolEventReceivedEventArgs* aArgs,
                                      const wvstring& aEventName, INT32 aEventID);
    virtual void DoOnCompositionControllerCompleted();
    virtual void DoOnCursorChangedEvent();
    virtual void DoOnBrowserProcessExitedEvent(ICoreWebView2Environment* aEnvironment,
                                               ICoreWebView2BrowserProcessExitedEventArgs* aArgs);
    virtual void DoOnRasterizationScaleChangedEvent();
    virtual void
    DoOnWebResourceResponseReceivedEvent(ICoreWebView2* aWebView,
                                         ICoreWebView2WebResourceResponseReceivedEventArgs* aArgs);
    virtual void DoOnDOMContentLoadedEvent(ICoreWebView2* aWebView,
                                           ICoreWebView2DOMContentLoadedEventArgs* aArgs);
    virtual void DoOnWebResourceResponseViewGetContentCompletedEvent(HRESULT aErrorCode,
                                                                     IStream* aResult,
                                                                     INT32 aResourceID);
    virtual void DoOnGetCookiesCompletedEvent(HRESULT aErrorCode, ICoreWebView2CookieList* aResult);
    virtual void DoOnTrySuspendCompletedEvent(HRESULT aErrorCode, bool aResult);
    virtual void DoOnFrameCreatedEvent(ICoreWebView2* aWebView,
                                       ICoreWebView2FrameCreatedEventArgs* aArgs);
    virtual void DoOnDownloadStartingEvent(ICoreWebView2* aWebView,
                                           ICoreWebView2DownloadStartingEventArgs* aArgs);
    virtual void
    DoOnClientCertificateRequestedEvent(ICoreWebView2* aWebView,
                                        ICoreWebView2ClientCertificateRequestedEventArgs* aArgs);
    virtual void DoOnPrintToPdfCompletedEvent(HRESULT aErrorCode, bool aResult);
    virtual void
    DoOnBytesReceivedChangedEventEvent(ICoreWebView2DownloadOperation* aDownloadOperation,
                                       INT32 aDownloadID);
    virtual void
    DoOnEstimatedEndTimeChangedEvent(ICoreWebView2DownloadOperation* aDownloadOperation,
                                     INT32 aDownloadID);
    virtual void DoOnStateChangedEvent(ICoreWebView2DownloadOperation* aDownloadOperation,
                                       INT32 aDownloadID);
    virtual void DoOnFrameNameChangedEvent(ICoreWebView2Frame* aFrame, UINT32 aFrameID);
    virtual void DoOnFrameDestroyedEvent(ICoreWebView2Frame* aFrame, UINT32 aFrameID);
    virtual void DoOnAddScriptToExecuteOnDocumentCreatedCompletedEvent(HRESULT aErrorCode,
                                                                       const wvstring& aResult);
    virtual void DoOnIsMutedChanged(ICoreWebView2* aWebView);
    virtual void DoOnIsDocumentPlayingAudioChanged(ICoreWebView2* aWebView);
    virtual void DoOnIsDefaultDownloadDialogOpenChanged(ICoreWebView2* aWebView);
    virtual void DoOnProcessInfosChangedEvent(ICoreWebView2Environment* aEnvironment);
    virtual void DoOnFrameNavigationStarting2(ICoreWebView2Frame* aFrame,
                                              ICoreWebView2NavigationStartingEventArgs* aArgs,
                                              UINT32 aFrameID);
    virtual void DoOnFrameNavigationCompleted2(ICoreWebView2Frame* aFrame,
                                               ICoreWebView2NavigationCompletedEventArgs* aArgs,
                                               UINT32 aFrameID);
    virtual void DoOnFrameContentLoadingEvent(ICoreWebView2Frame* aFrame,
                                              ICoreWebView2ContentLoadingEventArgs* aArgs,
                                              UINT32 aFrameID);
    virtual void DoOnFrameDOMContentLoadedEvent(ICoreWebView2Frame* aFrame,
                                                ICoreWebView2DOMContentLoadedEventArgs* aArgs,
                                                UINT32 aFrameID);
    virtual void DoOnFrameWebMessageReceivedEvent(ICoreWebView2Frame* aFrame,
                                                  ICoreWebView2WebMessageReceivedEventArgs* aArgs,
                                                  UINT32 aFrameID);
    virtual void DoOnBasicAuthenticationRequestedEvent(
        ICoreWebView2* aWebView, ICoreWebView2BasicAuthenticationRequestedEventArgs* aArgs);
    virtual void DoOnContextMenuRequestedEvent(ICoreWebView2* aWebView,
                                               ICoreWebView2ContextMenuRequestedEventArgs* aArgs);
    virtual void DoOnCustomItemSelectedEvent(ICoreWebView2ContextMenuItem* aMenuItem);
    virtual void DoOnStatusBarTextChangedEvent(ICoreWebView2* aWebView);
    virtual void
    DoOnFramePermissionRequestedEvent(ICoreWebView2Frame* aFrame,
                                      ICoreWebView2PermissionRequestedEventArgs2* aArgs,
                                      UINT32 aFrameID);
    virtual void DoOnClearBrowsingDataCompletedEvent(HRESULT aErrorCode);
    virtual void DoOnServerCertificateErrorActionsCompletedEvent(HRESULT aErrorCode);
    virtual void DoOnServerCertificateErrorDetectedEvent(
        ICoreWebView2* aWebView, ICoreWebView2ServerCertificateErrorDetectedEventArgs* aArgs);
    virtual void DoOnFaviconChangedEvent(ICoreWebView2* aWebView, IUnknown* aArgs);
    virtual void DoOnGetFaviconCompletedEvent(HRESULT aErrorCode, IStream* aResult);
    virtual void DoOnPrintCompletedEvent(HRESULT aErrorCode, TWVPrintStatus aResult);
    virtual void DoOnPrintToPdfStreamCompletedEvent(HRESULT aErrorCode, IStream* aResult);
    virtual void DoOnGetNonDefaultPermissionSettingsCompleted(
        HRESULT aErrorCode, ICoreWebView2PermissionSettingCollectionView* aResult);
    virtual void DoOnSetPermissionStateCompleted(HRESULT aErrorCode);
    virtual void
    DoOnLaunchingExternalUriSchemeEvent(ICoreWebView2* aWebView,
                                        ICoreWebView2LaunchingExternalUriSchemeEventArgs* aArgs);
    virtual void
    DoOnGetProcessExtendedInfosCompletedEvent(HRESULT aErrorCode,
                                              ICoreWebView2ProcessExtendedInfoCollection* aResult);
    virtual void DoOnBrowserExtensionRemoveCompletedEvent(HRESULT aErrorCode,
                                                          const wvstring& aExtensionID);
    virtual void DoOnBrowserExtensionEnableCompletedEvent(HRESULT aErrorCode,
                                                          const wvstring& aExtensionID);
    virtual void
    DoOnProfileAddBrowserExtensionCompletedEvent(HRESULT aErrorCode,
                                                 ICoreWebView2BrowserExtension* aResult);
    virtual void
    DoOnProfileGetBrowserExtensionsCompletedEvent(HRESULT aErrorCode,
                                                  ICoreWebView2BrowserExtensionList* aResult);
    virtual void DoOnProfileDeletedEvent(ICoreWebView2Profile* aProfile);
    virtual void DoOnExecuteScriptWithResultCompletedEvent(
        HRESULT errorCode, ICoreWebView2ExecuteScriptResult* aResult, INT32 aExecutionID);
    virtual void
    DoOnNonClientRegionChangedEvent(ICoreWebView2CompositionController* aController,
                                    ICoreWebView2NonClientRegionChangedEventArgs* aArgs);
    virtual void DoOnNotificationReceivedEvent(ICoreWebView2* aWebView,
                                               ICoreWebView2NotificationReceivedEventArgs* aArgs);
    virtual void DoOnNotificationCloseRequestedEvent(ICoreWebView2Notification* aNotification,
                                                     IUnknown* aArgs);
    virtual void DoOnSaveAsUIShowingEvent(ICoreWebView2* aWebView,
                                          ICoreWebView2SaveAsUIShowingEventArgs* aArgs);
    virtual void DoOnShowSaveAsUICompletedEvent(HRESULT aErrorCode, TWVSaveAsUIResult aResult);
    virtual void DoOnSaveFileSecurityCheckStartingEvent(
        ICoreWebView2* aWebView, ICoreWebView2SaveFileSecurityCheckStartingEventArgs* aArgs);
    virtual void DoOnScreenCaptureStartingEvent(ICoreWebView2* aWebView,
                                                ICoreWebView2ScreenCaptureStartingEventArgs* aArgs);
    virtual void
    DoOnFrameScreenCaptureStartingEvent(ICoreWebView2Frame* aFrame,
                                        ICoreWebView2ScreenCaptureStartingEventArgs* aArgs,
                                        UINT32 aFrameID);
    virtual void DoOnFrameChildFrameCreatedEvent(ICoreWebView2Frame* aFrame,
                                                 ICoreWebView2FrameCreatedEventArgs* aArgs,
                                                 UINT32 aFrameID);
    virtual void DoOnFindActiveMatchIndexChangedEvent(ICoreWebView2Find* aFindSession,
                                                      IUnknown* aArgs);
    virtual void DoOnFindMatchCountChangedEvent(ICoreWebView2Find* aFindSession, IUnknown* aArgs);
    virtual void DoOnFindStartCompletedEvent(HRESULT aErrorCode);
    virtual void DoOnDragStartingEvent(ICoreWebView2CompositionController* aController,
                                       ICoreWebView2DragStartingEventArgs* aArgs);
    virtual void DoCapturePreviewCompleted(HRESULT aErrorCode);

    // Form moving, done by the concrete class.
    virtual void MoveFormTo(int X, int Y) = 0;
    virtual void MoveFormBy(int X, int Y) = 0;
    virtual void ResizeFormWidthTo(int X) = 0;
    virtual void ResizeFormHeightTo(int Y) = 0;
    virtual void SetFormLeftTo(int X) = 0;
    virtual void SetFormTopTo(int Y) = 0;

    // ---- Compositor window watching ----
    void ReplaceWndProcs();
    void RestoreOldCompWndProc();
    using TWndMethod = std::function<void(TMessage&)>;
    void CreateStub(const TWndMethod& aMethod, std::unique_ptr<TWndMethod>& aStub);
    void FreeAndNilStub(std::unique_ptr<TWndMethod>& aStub);
    void* InstallCompWndProc(HWND aWnd, TWndMethod* aStub);
    void RestoreCompWndProc(HWND& aOldWnd, HWND aNewWnd, void*& aProc);
    void CallOldCompWndProc(void* aProc, HWND aWnd, TMessage& aMessage);
    void Widget0CompWndProc(TMessage& aMessage);
    void Widget1CompWndProc(TMessage& aMessage);
    void RenderCompWndProc(TMessage& aMessage);
    void D3DWindowCompWndProc(TMessage& aMessage);

private:
    bool CreateEnvironment();
    bool CreateController();
    void CalculateZoomStep();
    void RaiseInitializationError(HRESULT aErrorCode, const char16_t* aPrefix,
                                  const wvstring& aDescription);
    void CompWndProc(TMessage& aMessage, HWND& aWnd, void*& aMarker, const TOnCompMsgEvent& aEvent,
                     const char* aName);
    void LookUpKind(HWND aParent, const char* aClass, const char* aTitle, HWND& aWnd,
                    void*& aMarker, std::unique_ptr<TWndMethod>& aStub,
                    const TOnCompMsgEvent& aEvent, void (TWVBrowserBase::*aProc)(TMessage&));

    std::unique_ptr<TCoreWebView2PrintSettings> FCoreWebView2PrintSettings;
    std::unique_ptr<TCoreWebView2Settings> FCoreWebView2Settings;
    std::unique_ptr<TCoreWebView2Environment> FCoreWebView2Environment;
    std::unique_ptr<TCoreWebView2Controller> FCoreWebView2Controller;
    std::unique_ptr<TCoreWebView2> FCoreWebView2;
    std::unique_ptr<TCoreWebView2Profile> FCoreWebView2Profile;
    std::unique_ptr<TCoreWebView2FindOptions> FCoreWebView2FindOptions;
    HWND FWindowParentHandle = nullptr;
    bool FUseDefaultEnvironment = false;
    wvstring FDefaultURL;
    wvstring FBrowserExecPath;
    wvstring FUserDataFolder;
    std::uint8_t FZoomStep = 6;
    bool FIsNavigating = false;
    wvstring FProfileName;
    bool FIsInPrivateModeEnabled = false;
    wvstring FScriptLocale;
    std::uint32_t FDefaultBackgroundColor = 0xFFFFFFFF;
    bool FAllowHostInputProcessing = false;
    wvstring FAdditionalBrowserArguments;
    wvstring FLanguage;
    wvstring FTargetCompatibleBrowserVersion;
    bool FAllowSingleSignOnUsingOSPrimaryAccount = false;
    bool FExclusiveUserDataFolderAccess = false;
    bool FCustomCrashReportingEnabled = false;
    bool FEnableTrackingPrevention = true;
    bool FAreBrowserExtensionsEnabled = false;
    TWVChannelSearchKind FChannelSearchKind = 0;
    TWVReleaseChannels FReleaseChannels = 15;
    TWVScrollbarStyle FScrollBarStyle = 0;

    HWND FWidget0CompHWND = nullptr;
    HWND FWidget1CompHWND = nullptr;
    HWND FRenderCompHWND = nullptr;
    HWND FD3DWindowCompHWND = nullptr;
    void* FOldWidget0CompWndPrc = nullptr;
    void* FOldWidget1CompWndPrc = nullptr;
    void* FOldRenderCompWndPrc = nullptr;
    void* FOldD3DWindowCompWndPrc = nullptr;
    std::unique_ptr<TWndMethod> FWidget0CompStub;
    std::unique_ptr<TWndMethod> FWidget1CompStub;
    std::unique_ptr<TWndMethod> FRenderCompStub;
    std::unique_ptr<TWndMethod> FD3DWindowCompStub;

    TComPtr<ICoreWebView2ClearBrowsingDataCompletedHandler> FClearBrowsingDataCompletedHandler;
    TComPtr<ICoreWebView2SetPermissionStateCompletedHandler> FSetPermissionStateCompletedHandler;
    TComPtr<ICoreWebView2GetNonDefaultPermissionSettingsCompletedHandler>
        FGetNonDefaultPermissionSettingsCompletedHandler;
    TComPtr<ICoreWebView2ProfileAddBrowserExtensionCompletedHandler>
        FProfileAddBrowserExtensionCompletedHandler;
    TComPtr<ICoreWebView2ProfileGetBrowserExtensionsCompletedHandler>
        FProfileGetBrowserExtensionsCompletedHandler;
};
