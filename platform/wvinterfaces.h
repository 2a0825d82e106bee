// Our declarations of the browser runtime's interfaces, written from how the browser host
// calls them: the environment, controller, webview and their companion objects, the handler
// and event-argument interfaces, the option objects the host implements, and the exports of
// the loader library and the runtime client library.
//
// Members are declared only where the host calls them; a later interface version derives
// from the one before, so every version chain is unbroken. Interfaces the host implements
// (the environment options and the custom scheme registration) name their accessors
// Get_/Set_ as the host's classes do; the runtime's own use get_/put_/add_/remove_.
#pragma once

#include "com.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

#define QV_METHOD(NAME, ...) virtual HRESULT STDMETHODCALLTYPE NAME(__VA_ARGS__) = 0
#define QV_EVENT(NAME, HANDLER)                                                                    \
    QV_METHOD(add_##NAME, HANDLER* eventHandler, EventRegistrationToken* token);                   \
    QV_METHOD(remove_##NAME, EventRegistrationToken token)

// ---- Values ---------------------------------------------------------------------------------

struct COREWEBVIEW2_COLOR
{
    BYTE A;
    BYTE R;
    BYTE G;
    BYTE B;
};

using COREWEBVIEW2_MOVE_FOCUS_REASON = INT32;
constexpr COREWEBVIEW2_MOVE_FOCUS_REASON COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC = 0;
constexpr COREWEBVIEW2_MOVE_FOCUS_REASON COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT = 1;
constexpr COREWEBVIEW2_MOVE_FOCUS_REASON COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS = 2;

using COREWEBVIEW2_CHANNEL_SEARCH_KIND = INT32;
constexpr COREWEBVIEW2_CHANNEL_SEARCH_KIND COREWEBVIEW2_CHANNEL_SEARCH_KIND_MOST_STABLE = 0;
constexpr COREWEBVIEW2_CHANNEL_SEARCH_KIND COREWEBVIEW2_CHANNEL_SEARCH_KIND_LEAST_STABLE = 1;

using COREWEBVIEW2_RELEASE_CHANNELS = INT32;
constexpr COREWEBVIEW2_RELEASE_CHANNELS COREWEBVIEW2_RELEASE_CHANNELS_NONE = 0;
constexpr COREWEBVIEW2_RELEASE_CHANNELS COREWEBVIEW2_RELEASE_CHANNELS_STABLE = 1;
constexpr COREWEBVIEW2_RELEASE_CHANNELS COREWEBVIEW2_RELEASE_CHANNELS_BETA = 2;
constexpr COREWEBVIEW2_RELEASE_CHANNELS COREWEBVIEW2_RELEASE_CHANNELS_DEV = 4;
constexpr COREWEBVIEW2_RELEASE_CHANNELS COREWEBVIEW2_RELEASE_CHANNELS_CANARY = 8;

using COREWEBVIEW2_SCROLLBAR_STYLE = INT32;
constexpr COREWEBVIEW2_SCROLLBAR_STYLE COREWEBVIEW2_SCROLLBAR_STYLE_DEFAULT = 0;
constexpr COREWEBVIEW2_SCROLLBAR_STYLE COREWEBVIEW2_SCROLLBAR_STYLE_FLUENT_OVERLAY = 1;

// Passed on unchanged by the host; this runtime never reports them.
using COREWEBVIEW2_PRINT_STATUS = INT32;
using COREWEBVIEW2_SAVE_AS_UI_RESULT = INT32;

// ---- Forward declarations -------------------------------------------------------------------

struct ICoreWebView2;
struct ICoreWebView2Controller;
struct ICoreWebView2CompositionController;
struct ICoreWebView2Environment;
struct ICoreWebView2ControllerOptions;
struct ICoreWebView2Settings;
struct ICoreWebView2PrintSettings;
struct ICoreWebView2Profile;
struct ICoreWebView2FindOptions;
struct ICoreWebView2DevToolsProtocolEventReceiver;
struct ICoreWebView2CustomSchemeRegistration;

// ---- Objects the host only passes along -----------------------------------------------------

QUORVEL_INTERFACE(IStream, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2Frame, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2DownloadOperation, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2CookieList, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2PermissionSettingCollectionView, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2ProcessExtendedInfoCollection, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2BrowserExtension, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2BrowserExtensionList, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2ExecuteScriptResult, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2ContextMenuItem, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2Notification, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2Find, IUnknown){};

// ---- Event arguments ------------------------------------------------------------------------

QUORVEL_INTERFACE(ICoreWebView2NavigationStartingEventArgs, IUnknown)
{
    QV_METHOD(get_Uri, LPWSTR * uri);
    QV_METHOD(get_NavigationId, UINT64 * navigationId);
};
QUORVEL_INTERFACE(ICoreWebView2NavigationCompletedEventArgs, IUnknown)
{
    QV_METHOD(get_IsSuccess, BOOL * isSuccess);
    QV_METHOD(get_NavigationId, UINT64 * navigationId);
};
QUORVEL_INTERFACE(ICoreWebView2SourceChangedEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2ContentLoadingEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2NewWindowRequestedEventArgs, IUnknown)
{
    QV_METHOD(get_Uri, LPWSTR * uri);
};
QUORVEL_INTERFACE(ICoreWebView2WebResourceRequestedEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2ScriptDialogOpeningEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2PermissionRequestedEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2PermissionRequestedEventArgs2,
                  ICoreWebView2PermissionRequestedEventArgs){};
QUORVEL_INTERFACE(ICoreWebView2ProcessFailedEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2WebMessageReceivedEventArgs, IUnknown)
{
    QV_METHOD(get_Source, LPWSTR * source);
    QV_METHOD(get_WebMessageAsJson, LPWSTR * webMessageAsJson);
    // E_INVALIDARG when the message is not a string.
    QV_METHOD(TryGetWebMessageAsString, LPWSTR * webMessageAsString);
};
QUORVEL_INTERFACE(ICoreWebView2WebMessageReceivedEventArgs2,
                  ICoreWebView2WebMessageReceivedEventArgs){};
QUORVEL_INTERFACE(ICoreWebView2WebResourceResponseReceivedEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2DOMContentLoadedEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2FrameCreatedEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2DownloadStartingEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2ClientCertificateRequestedEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2BasicAuthenticationRequestedEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2ContextMenuRequestedEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2ServerCertificateErrorDetectedEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2LaunchingExternalUriSchemeEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2NotificationReceivedEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2SaveAsUIShowingEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2SaveFileSecurityCheckStartingEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2ScreenCaptureStartingEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2MoveFocusRequestedEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2AcceleratorKeyPressedEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2BrowserProcessExitedEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2DevToolsProtocolEventReceivedEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2NonClientRegionChangedEventArgs, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2DragStartingEventArgs, IUnknown){};

// ---- Handlers -------------------------------------------------------------------------------

#define QV_COMPLETION(NAME, ...)                                                                   \
    QUORVEL_INTERFACE(NAME, IUnknown)                                                              \
    {                                                                                              \
        QV_METHOD(Invoke, __VA_ARGS__);                                                            \
    }
#define QV_HANDLER(NAME, SENDER, ARGS)                                                             \
    QUORVEL_INTERFACE(NAME, IUnknown)                                                              \
    {                                                                                              \
        QV_METHOD(Invoke, SENDER* sender, ARGS* args);                                             \
    }

QV_COMPLETION(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, HRESULT errorCode,
              ICoreWebView2Environment* result);
QV_COMPLETION(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, HRESULT errorCode,
              ICoreWebView2Controller* result);
QV_COMPLETION(ICoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler,
              HRESULT errorCode, ICoreWebView2CompositionController* result);
QV_COMPLETION(ICoreWebView2ExecuteScriptCompletedHandler, HRESULT errorCode,
              LPCWSTR resultObjectAsJson);
QV_COMPLETION(ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler, HRESULT errorCode,
              LPCWSTR id);
QV_COMPLETION(ICoreWebView2CallDevToolsProtocolMethodCompletedHandler, HRESULT errorCode,
              LPCWSTR returnObjectAsJson);
QV_COMPLETION(ICoreWebView2CapturePreviewCompletedHandler, HRESULT errorCode);
QV_COMPLETION(ICoreWebView2ClearBrowsingDataCompletedHandler, HRESULT errorCode);
QV_COMPLETION(ICoreWebView2SetPermissionStateCompletedHandler, HRESULT errorCode);
QV_COMPLETION(ICoreWebView2GetNonDefaultPermissionSettingsCompletedHandler, HRESULT errorCode,
              ICoreWebView2PermissionSettingCollectionView* result);
QV_COMPLETION(ICoreWebView2ProfileAddBrowserExtensionCompletedHandler, HRESULT errorCode,
              ICoreWebView2BrowserExtension* result);
QV_COMPLETION(ICoreWebView2ProfileGetBrowserExtensionsCompletedHandler, HRESULT errorCode,
              ICoreWebView2BrowserExtensionList* result);

QV_HANDLER(ICoreWebView2NavigationStartingEventHandler, ICoreWebView2,
           ICoreWebView2NavigationStartingEventArgs);
QV_HANDLER(ICoreWebView2NavigationCompletedEventHandler, ICoreWebView2,
           ICoreWebView2NavigationCompletedEventArgs);
QV_HANDLER(ICoreWebView2SourceChangedEventHandler, ICoreWebView2,
           ICoreWebView2SourceChangedEventArgs);
QV_HANDLER(ICoreWebView2HistoryChangedEventHandler, ICoreWebView2, IUnknown);
QV_HANDLER(ICoreWebView2ContentLoadingEventHandler, ICoreWebView2,
           ICoreWebView2ContentLoadingEventArgs);
QV_HANDLER(ICoreWebView2DocumentTitleChangedEventHandler, ICoreWebView2, IUnknown);
QV_HANDLER(ICoreWebView2NewWindowRequestedEventHandler, ICoreWebView2,
           ICoreWebView2NewWindowRequestedEventArgs);
QV_HANDLER(ICoreWebView2WebResourceRequestedEventHandler, ICoreWebView2,
           ICoreWebView2WebResourceRequestedEventArgs);
QV_HANDLER(ICoreWebView2ScriptDialogOpeningEventHandler, ICoreWebView2,
           ICoreWebView2ScriptDialogOpeningEventArgs);
QV_HANDLER(ICoreWebView2PermissionRequestedEventHandler, ICoreWebView2,
           ICoreWebView2PermissionRequestedEventArgs);
QV_HANDLER(ICoreWebView2ProcessFailedEventHandler, ICoreWebView2,
           ICoreWebView2ProcessFailedEventArgs);
QV_HANDLER(ICoreWebView2WebMessageReceivedEventHandler, ICoreWebView2,
           ICoreWebView2WebMessageReceivedEventArgs);
QV_HANDLER(ICoreWebView2ContainsFullScreenElementChangedEventHandler, ICoreWebView2, IUnknown);
QV_HANDLER(ICoreWebView2WindowCloseRequestedEventHandler, ICoreWebView2, IUnknown);
QV_HANDLER(ICoreWebView2WebResourceResponseReceivedEventHandler, ICoreWebView2,
           ICoreWebView2WebResourceResponseReceivedEventArgs);
QV_HANDLER(ICoreWebView2DOMContentLoadedEventHandler, ICoreWebView2,
           ICoreWebView2DOMContentLoadedEventArgs);
QV_HANDLER(ICoreWebView2FrameCreatedEventHandler, ICoreWebView2,
           ICoreWebView2FrameCreatedEventArgs);
QV_HANDLER(ICoreWebView2DownloadStartingEventHandler, ICoreWebView2,
           ICoreWebView2DownloadStartingEventArgs);
QV_HANDLER(ICoreWebView2ClientCertificateRequestedEventHandler, ICoreWebView2,
           ICoreWebView2ClientCertificateRequestedEventArgs);
QV_HANDLER(ICoreWebView2IsMutedChangedEventHandler, ICoreWebView2, IUnknown);
QV_HANDLER(ICoreWebView2IsDocumentPlayingAudioChangedEventHandler, ICoreWebView2, IUnknown);
QV_HANDLER(ICoreWebView2IsDefaultDownloadDialogOpenChangedEventHandler, ICoreWebView2, IUnknown);
QV_HANDLER(ICoreWebView2BasicAuthenticationRequestedEventHandler, ICoreWebView2,
           ICoreWebView2BasicAuthenticationRequestedEventArgs);
QV_HANDLER(ICoreWebView2ContextMenuRequestedEventHandler, ICoreWebView2,
           ICoreWebView2ContextMenuRequestedEventArgs);
QV_HANDLER(ICoreWebView2StatusBarTextChangedEventHandler, ICoreWebView2, IUnknown);
QV_HANDLER(ICoreWebView2ServerCertificateErrorDetectedEventHandler, ICoreWebView2,
           ICoreWebView2ServerCertificateErrorDetectedEventArgs);
QV_HANDLER(ICoreWebView2FaviconChangedEventHandler, ICoreWebView2, IUnknown);
QV_HANDLER(ICoreWebView2LaunchingExternalUriSchemeEventHandler, ICoreWebView2,
           ICoreWebView2LaunchingExternalUriSchemeEventArgs);
QV_HANDLER(ICoreWebView2NotificationReceivedEventHandler, ICoreWebView2,
           ICoreWebView2NotificationReceivedEventArgs);
QV_HANDLER(ICoreWebView2SaveAsUIShowingEventHandler, ICoreWebView2,
           ICoreWebView2SaveAsUIShowingEventArgs);
QV_HANDLER(ICoreWebView2SaveFileSecurityCheckStartingEventHandler, ICoreWebView2,
           ICoreWebView2SaveFileSecurityCheckStartingEventArgs);
QV_HANDLER(ICoreWebView2ScreenCaptureStartingEventHandler, ICoreWebView2,
           ICoreWebView2ScreenCaptureStartingEventArgs);
QV_HANDLER(ICoreWebView2DevToolsProtocolEventReceivedEventHandler, ICoreWebView2,
           ICoreWebView2DevToolsProtocolEventReceivedEventArgs);

QV_HANDLER(ICoreWebView2AcceleratorKeyPressedEventHandler, ICoreWebView2Controller,
           ICoreWebView2AcceleratorKeyPressedEventArgs);
QV_HANDLER(ICoreWebView2FocusChangedEventHandler, ICoreWebView2Controller, IUnknown);
QV_HANDLER(ICoreWebView2MoveFocusRequestedEventHandler, ICoreWebView2Controller,
           ICoreWebView2MoveFocusRequestedEventArgs);
QV_HANDLER(ICoreWebView2ZoomFactorChangedEventHandler, ICoreWebView2Controller, IUnknown);
QV_HANDLER(ICoreWebView2RasterizationScaleChangedEventHandler, ICoreWebView2Controller, IUnknown);

QV_HANDLER(ICoreWebView2CursorChangedEventHandler, ICoreWebView2CompositionController, IUnknown);
QV_HANDLER(ICoreWebView2NonClientRegionChangedEventHandler, ICoreWebView2CompositionController,
           ICoreWebView2NonClientRegionChangedEventArgs);
QV_HANDLER(ICoreWebView2DragStartingEventHandler, ICoreWebView2CompositionController,
           ICoreWebView2DragStartingEventArgs);

QV_HANDLER(ICoreWebView2NewBrowserVersionAvailableEventHandler, ICoreWebView2Environment, IUnknown);
QV_HANDLER(ICoreWebView2BrowserProcessExitedEventHandler, ICoreWebView2Environment,
           ICoreWebView2BrowserProcessExitedEventArgs);
QV_HANDLER(ICoreWebView2ProcessInfosChangedEventHandler, ICoreWebView2Environment, IUnknown);
QV_HANDLER(ICoreWebView2ProfileDeletedEventHandler, ICoreWebView2Profile, IUnknown);

// ---- Companion objects ----------------------------------------------------------------------

QUORVEL_INTERFACE(ICoreWebView2Settings, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2Settings2, ICoreWebView2Settings){};
QUORVEL_INTERFACE(ICoreWebView2Settings3, ICoreWebView2Settings2){};
QUORVEL_INTERFACE(ICoreWebView2Settings4, ICoreWebView2Settings3){};
QUORVEL_INTERFACE(ICoreWebView2Settings5, ICoreWebView2Settings4){};
QUORVEL_INTERFACE(ICoreWebView2Settings6, ICoreWebView2Settings5){};
QUORVEL_INTERFACE(ICoreWebView2Settings7, ICoreWebView2Settings6){};
QUORVEL_INTERFACE(ICoreWebView2Settings8, ICoreWebView2Settings7){};
QUORVEL_INTERFACE(ICoreWebView2Settings9, ICoreWebView2Settings8){};

QUORVEL_INTERFACE(ICoreWebView2PrintSettings, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2PrintSettings2, ICoreWebView2PrintSettings){};

QUORVEL_INTERFACE(ICoreWebView2Profile, IUnknown){};
QUORVEL_INTERFACE(ICoreWebView2Profile2, ICoreWebView2Profile){};
QUORVEL_INTERFACE(ICoreWebView2Profile3, ICoreWebView2Profile2){};
QUORVEL_INTERFACE(ICoreWebView2Profile4, ICoreWebView2Profile3){};
QUORVEL_INTERFACE(ICoreWebView2Profile5, ICoreWebView2Profile4){};
QUORVEL_INTERFACE(ICoreWebView2Profile6, ICoreWebView2Profile5){};
QUORVEL_INTERFACE(ICoreWebView2Profile7, ICoreWebView2Profile6){};
QUORVEL_INTERFACE(ICoreWebView2Profile8, ICoreWebView2Profile7)
{
    QV_EVENT(Deleted, ICoreWebView2ProfileDeletedEventHandler);
};

QUORVEL_INTERFACE(ICoreWebView2FindOptions, IUnknown){};

QUORVEL_INTERFACE(ICoreWebView2DevToolsProtocolEventReceiver, IUnknown)
{
    QV_EVENT(DevToolsProtocolEventReceived, ICoreWebView2DevToolsProtocolEventReceivedEventHandler);
};

// ---- The webview ----------------------------------------------------------------------------

QUORVEL_INTERFACE(ICoreWebView2, IUnknown)
{
    QV_METHOD(get_Settings, ICoreWebView2Settings * *settings);
    // The current document's address; "about:blank" for a page shown from a string.
    QV_METHOD(get_Source, LPWSTR * uri);
    // E_INVALIDARG for a text that is not an absolute address.
    QV_METHOD(Navigate, LPCWSTR uri);
    QV_METHOD(NavigateToString, LPCWSTR htmlContent);
    QV_EVENT(NavigationStarting, ICoreWebView2NavigationStartingEventHandler);
    QV_EVENT(ContentLoading, ICoreWebView2ContentLoadingEventHandler);
    QV_EVENT(SourceChanged, ICoreWebView2SourceChangedEventHandler);
    QV_EVENT(HistoryChanged, ICoreWebView2HistoryChangedEventHandler);
    QV_EVENT(NavigationCompleted, ICoreWebView2NavigationCompletedEventHandler);
    QV_EVENT(FrameNavigationStarting, ICoreWebView2NavigationStartingEventHandler);
    QV_EVENT(FrameNavigationCompleted, ICoreWebView2NavigationCompletedEventHandler);
    QV_EVENT(ScriptDialogOpening, ICoreWebView2ScriptDialogOpeningEventHandler);
    QV_EVENT(PermissionRequested, ICoreWebView2PermissionRequestedEventHandler);
    QV_EVENT(ProcessFailed, ICoreWebView2ProcessFailedEventHandler);
    QV_METHOD(AddScriptToExecuteOnDocumentCreated, LPCWSTR javaScript,
              ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler * handler);
    QV_METHOD(RemoveScriptToExecuteOnDocumentCreated, LPCWSTR id);
    // The result is the script value's JSON text ("null" for undefined).
    QV_METHOD(ExecuteScript, LPCWSTR javaScript,
              ICoreWebView2ExecuteScriptCompletedHandler * handler);
    QV_METHOD(PostWebMessageAsJson, LPCWSTR webMessageAsJson);
    QV_METHOD(PostWebMessageAsString, LPCWSTR webMessageAsString);
    QV_EVENT(WebMessageReceived, ICoreWebView2WebMessageReceivedEventHandler);
    QV_METHOD(CallDevToolsProtocolMethod, LPCWSTR methodName, LPCWSTR parametersAsJson,
              ICoreWebView2CallDevToolsProtocolMethodCompletedHandler * handler);
    QV_METHOD(GetDevToolsProtocolEventReceiver, LPCWSTR eventName,
              ICoreWebView2DevToolsProtocolEventReceiver * *receiver);
    QV_EVENT(NewWindowRequested, ICoreWebView2NewWindowRequestedEventHandler);
    QV_EVENT(DocumentTitleChanged, ICoreWebView2DocumentTitleChangedEventHandler);
    QV_EVENT(ContainsFullScreenElementChanged,
             ICoreWebView2ContainsFullScreenElementChangedEventHandler);
    QV_EVENT(WebResourceRequested, ICoreWebView2WebResourceRequestedEventHandler);
    QV_EVENT(WindowCloseRequested, ICoreWebView2WindowCloseRequestedEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2_2, ICoreWebView2)
{
    QV_EVENT(WebResourceResponseReceived, ICoreWebView2WebResourceResponseReceivedEventHandler);
    QV_EVENT(DOMContentLoaded, ICoreWebView2DOMContentLoadedEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2_3, ICoreWebView2_2){};
QUORVEL_INTERFACE(ICoreWebView2_4, ICoreWebView2_3)
{
    QV_EVENT(FrameCreated, ICoreWebView2FrameCreatedEventHandler);
    QV_EVENT(DownloadStarting, ICoreWebView2DownloadStartingEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2_5, ICoreWebView2_4)
{
    QV_EVENT(ClientCertificateRequested, ICoreWebView2ClientCertificateRequestedEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2_6, ICoreWebView2_5){};
QUORVEL_INTERFACE(ICoreWebView2_7, ICoreWebView2_6){};
QUORVEL_INTERFACE(ICoreWebView2_8, ICoreWebView2_7)
{
    QV_EVENT(IsMutedChanged, ICoreWebView2IsMutedChangedEventHandler);
    QV_EVENT(IsDocumentPlayingAudioChanged, ICoreWebView2IsDocumentPlayingAudioChangedEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2_9, ICoreWebView2_8)
{
    QV_EVENT(IsDefaultDownloadDialogOpenChanged,
             ICoreWebView2IsDefaultDownloadDialogOpenChangedEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2_10, ICoreWebView2_9)
{
    QV_EVENT(BasicAuthenticationRequested, ICoreWebView2BasicAuthenticationRequestedEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2_11, ICoreWebView2_10)
{
    QV_EVENT(ContextMenuRequested, ICoreWebView2ContextMenuRequestedEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2_12, ICoreWebView2_11)
{
    QV_EVENT(StatusBarTextChanged, ICoreWebView2StatusBarTextChangedEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2_13, ICoreWebView2_12)
{
    QV_METHOD(get_Profile, ICoreWebView2Profile * *value);
};
QUORVEL_INTERFACE(ICoreWebView2_14, ICoreWebView2_13)
{
    QV_EVENT(ServerCertificateErrorDetected,
             ICoreWebView2ServerCertificateErrorDetectedEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2_15, ICoreWebView2_14)
{
    QV_EVENT(FaviconChanged, ICoreWebView2FaviconChangedEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2_16, ICoreWebView2_15){};
QUORVEL_INTERFACE(ICoreWebView2_17, ICoreWebView2_16){};
QUORVEL_INTERFACE(ICoreWebView2_18, ICoreWebView2_17)
{
    QV_EVENT(LaunchingExternalUriScheme, ICoreWebView2LaunchingExternalUriSchemeEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2_19, ICoreWebView2_18){};
QUORVEL_INTERFACE(ICoreWebView2_20, ICoreWebView2_19){};
QUORVEL_INTERFACE(ICoreWebView2_21, ICoreWebView2_20){};
QUORVEL_INTERFACE(ICoreWebView2_22, ICoreWebView2_21){};
QUORVEL_INTERFACE(ICoreWebView2_23, ICoreWebView2_22){};
QUORVEL_INTERFACE(ICoreWebView2_24, ICoreWebView2_23)
{
    QV_EVENT(NotificationReceived, ICoreWebView2NotificationReceivedEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2_25, ICoreWebView2_24)
{
    QV_EVENT(SaveAsUIShowing, ICoreWebView2SaveAsUIShowingEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2_26, ICoreWebView2_25)
{
    QV_EVENT(SaveFileSecurityCheckStarting, ICoreWebView2SaveFileSecurityCheckStartingEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2_27, ICoreWebView2_26)
{
    QV_EVENT(ScreenCaptureStarting, ICoreWebView2ScreenCaptureStartingEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2_28, ICoreWebView2_27){};

// ---- Controllers ----------------------------------------------------------------------------

QUORVEL_INTERFACE(ICoreWebView2Controller, IUnknown)
{
    QV_METHOD(get_IsVisible, BOOL * isVisible);
    QV_METHOD(put_IsVisible, BOOL isVisible);
    // In the parent window's client coordinates.
    QV_METHOD(get_Bounds, RECT * bounds);
    QV_METHOD(put_Bounds, RECT bounds);
    QV_METHOD(get_ZoomFactor, double* zoomFactor);
    QV_EVENT(ZoomFactorChanged, ICoreWebView2ZoomFactorChangedEventHandler);
    QV_METHOD(MoveFocus, COREWEBVIEW2_MOVE_FOCUS_REASON reason);
    QV_EVENT(MoveFocusRequested, ICoreWebView2MoveFocusRequestedEventHandler);
    QV_EVENT(GotFocus, ICoreWebView2FocusChangedEventHandler);
    QV_EVENT(LostFocus, ICoreWebView2FocusChangedEventHandler);
    QV_EVENT(AcceleratorKeyPressed, ICoreWebView2AcceleratorKeyPressedEventHandler);
    QV_METHOD(Close);
    QV_METHOD(get_CoreWebView2, ICoreWebView2 * *coreWebView2);
};
QUORVEL_INTERFACE(ICoreWebView2Controller2, ICoreWebView2Controller){};
QUORVEL_INTERFACE(ICoreWebView2Controller3, ICoreWebView2Controller2)
{
    QV_EVENT(RasterizationScaleChanged, ICoreWebView2RasterizationScaleChangedEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2Controller4, ICoreWebView2Controller3){};

QUORVEL_INTERFACE(ICoreWebView2CompositionController, IUnknown)
{
    QV_EVENT(CursorChanged, ICoreWebView2CursorChangedEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2CompositionController2, ICoreWebView2CompositionController){};
QUORVEL_INTERFACE(ICoreWebView2CompositionController3, ICoreWebView2CompositionController2){};
QUORVEL_INTERFACE(ICoreWebView2CompositionController4, ICoreWebView2CompositionController3)
{
    QV_EVENT(NonClientRegionChanged, ICoreWebView2NonClientRegionChangedEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2CompositionController5, ICoreWebView2CompositionController4)
{
    QV_EVENT(DragStarting, ICoreWebView2DragStartingEventHandler);
};

QUORVEL_INTERFACE(ICoreWebView2ControllerOptions, IUnknown)
{
    // E_INVALIDARG for a name the runtime does not accept.
    QV_METHOD(put_ProfileName, LPCWSTR value);
    QV_METHOD(put_IsInPrivateModeEnabled, BOOL value);
};
QUORVEL_INTERFACE(ICoreWebView2ControllerOptions2, ICoreWebView2ControllerOptions)
{
    QV_METHOD(put_ScriptLocale, LPCWSTR value);
};
QUORVEL_INTERFACE(ICoreWebView2ControllerOptions3, ICoreWebView2ControllerOptions2)
{
    QV_METHOD(put_DefaultBackgroundColor, COREWEBVIEW2_COLOR value);
};
QUORVEL_INTERFACE(ICoreWebView2ControllerOptions4, ICoreWebView2ControllerOptions3)
{
    QV_METHOD(put_AllowHostInputProcessing, BOOL value);
};

// ---- The environment ------------------------------------------------------------------------

QUORVEL_INTERFACE(ICoreWebView2Environment, IUnknown)
{
    // The controller arrives through the handler; E_ABORT there when the parent window goes
    // before creation finished.
    QV_METHOD(CreateCoreWebView2Controller, HWND parentWindow,
              ICoreWebView2CreateCoreWebView2ControllerCompletedHandler * handler);
    QV_EVENT(NewBrowserVersionAvailable, ICoreWebView2NewBrowserVersionAvailableEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2Environment2, ICoreWebView2Environment){};
QUORVEL_INTERFACE(ICoreWebView2Environment3, ICoreWebView2Environment2)
{
    QV_METHOD(CreateCoreWebView2CompositionController, HWND parentWindow,
              ICoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler * handler);
};
QUORVEL_INTERFACE(ICoreWebView2Environment4, ICoreWebView2Environment3){};
QUORVEL_INTERFACE(ICoreWebView2Environment5, ICoreWebView2Environment4)
{
    QV_EVENT(BrowserProcessExited, ICoreWebView2BrowserProcessExitedEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2Environment6, ICoreWebView2Environment5)
{
    QV_METHOD(CreatePrintSettings, ICoreWebView2PrintSettings * *printSettings);
};
QUORVEL_INTERFACE(ICoreWebView2Environment7, ICoreWebView2Environment6)
{
    QV_METHOD(get_UserDataFolder, LPWSTR * value);
};
QUORVEL_INTERFACE(ICoreWebView2Environment8, ICoreWebView2Environment7)
{
    QV_EVENT(ProcessInfosChanged, ICoreWebView2ProcessInfosChangedEventHandler);
};
QUORVEL_INTERFACE(ICoreWebView2Environment9, ICoreWebView2Environment8){};
QUORVEL_INTERFACE(ICoreWebView2Environment10, ICoreWebView2Environment9)
{
    QV_METHOD(CreateCoreWebView2ControllerOptions, ICoreWebView2ControllerOptions * *options);
    QV_METHOD(CreateCoreWebView2ControllerWithOptions, HWND parentWindow,
              ICoreWebView2ControllerOptions * options,
              ICoreWebView2CreateCoreWebView2ControllerCompletedHandler * handler);
    QV_METHOD(CreateCoreWebView2CompositionControllerWithOptions, HWND parentWindow,
              ICoreWebView2ControllerOptions * options,
              ICoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler * handler);
};
QUORVEL_INTERFACE(ICoreWebView2Environment11, ICoreWebView2Environment10){};
QUORVEL_INTERFACE(ICoreWebView2Environment12, ICoreWebView2Environment11){};
QUORVEL_INTERFACE(ICoreWebView2Environment13, ICoreWebView2Environment12){};
QUORVEL_INTERFACE(ICoreWebView2Environment14, ICoreWebView2Environment13){};
QUORVEL_INTERFACE(ICoreWebView2Environment15, ICoreWebView2Environment14)
{
    QV_METHOD(CreateFindOptions, ICoreWebView2FindOptions * *value);
};

// ---- Option objects the host implements -----------------------------------------------------

QUORVEL_INTERFACE(ICoreWebView2CustomSchemeRegistration, IUnknown)
{
    QV_METHOD(Get_SchemeName, LPWSTR * schemeName);
    QV_METHOD(Get_TreatAsSecure, BOOL * treatAsSecure);
    QV_METHOD(Set_TreatAsSecure, BOOL value);
    QV_METHOD(GetAllowedOrigins, UINT32 * allowedOriginsCount, LPWSTR * *allowedOrigins);
    QV_METHOD(SetAllowedOrigins, UINT32 allowedOriginsCount, LPCWSTR * allowedOrigins);
    QV_METHOD(Get_HasAuthorityComponent, BOOL * hasAuthorityComponent);
    QV_METHOD(Set_HasAuthorityComponent, BOOL hasAuthorityComponent);
};

QUORVEL_INTERFACE(ICoreWebView2EnvironmentOptions, IUnknown)
{
    QV_METHOD(Get_AdditionalBrowserArguments, LPWSTR * value);
    QV_METHOD(Set_AdditionalBrowserArguments, LPCWSTR value);
    QV_METHOD(Get_Language, LPWSTR * value);
    QV_METHOD(Set_Language, LPCWSTR value);
    QV_METHOD(Get_TargetCompatibleBrowserVersion, LPWSTR * value);
    QV_METHOD(Set_TargetCompatibleBrowserVersion, LPCWSTR value);
    QV_METHOD(Get_AllowSingleSignOnUsingOSPrimaryAccount, BOOL * allow);
    QV_METHOD(Set_AllowSingleSignOnUsingOSPrimaryAccount, BOOL allow);
};
QUORVEL_INTERFACE(ICoreWebView2EnvironmentOptions2, IUnknown)
{
    QV_METHOD(Get_ExclusiveUserDataFolderAccess, BOOL * value);
    QV_METHOD(Set_ExclusiveUserDataFolderAccess, BOOL value);
};
QUORVEL_INTERFACE(ICoreWebView2EnvironmentOptions3, IUnknown)
{
    QV_METHOD(Get_IsCustomCrashReportingEnabled, BOOL * value);
    QV_METHOD(Set_IsCustomCrashReportingEnabled, BOOL value);
};
QUORVEL_INTERFACE(ICoreWebView2EnvironmentOptions4, IUnknown)
{
    QV_METHOD(GetCustomSchemeRegistrations, UINT32 * count,
              ICoreWebView2CustomSchemeRegistration * **schemeRegistrations);
    QV_METHOD(SetCustomSchemeRegistrations, UINT32 count,
              ICoreWebView2CustomSchemeRegistration * *schemeRegistrations);
};
QUORVEL_INTERFACE(ICoreWebView2EnvironmentOptions5, IUnknown)
{
    QV_METHOD(Get_EnableTrackingPrevention, BOOL * value);
    QV_METHOD(Set_EnableTrackingPrevention, BOOL value);
};
QUORVEL_INTERFACE(ICoreWebView2EnvironmentOptions6, IUnknown)
{
    QV_METHOD(Get_AreBrowserExtensionsEnabled, BOOL * value);
    QV_METHOD(Set_AreBrowserExtensionsEnabled, BOOL value);
};
QUORVEL_INTERFACE(ICoreWebView2EnvironmentOptions7, IUnknown)
{
    QV_METHOD(Get_ChannelSearchKind, COREWEBVIEW2_CHANNEL_SEARCH_KIND * value);
    QV_METHOD(Set_ChannelSearchKind, COREWEBVIEW2_CHANNEL_SEARCH_KIND value);
    QV_METHOD(Get_ReleaseChannels, COREWEBVIEW2_RELEASE_CHANNELS * value);
    QV_METHOD(Set_ReleaseChannels, COREWEBVIEW2_RELEASE_CHANNELS value);
};
QUORVEL_INTERFACE(ICoreWebView2EnvironmentOptions8, IUnknown)
{
    QV_METHOD(Get_ScrollBarStyle, COREWEBVIEW2_SCROLLBAR_STYLE * value);
    QV_METHOD(Set_ScrollBarStyle, COREWEBVIEW2_SCROLLBAR_STYLE value);
};

#undef QV_COMPLETION
#undef QV_HANDLER

#pragma GCC diagnostic pop

// ---- The libraries' exports -----------------------------------------------------------------

// "WebView2Loader.dll"
using TCreateCoreWebView2EnvironmentWithOptions = HRESULT(STDMETHODCALLTYPE*)(
    LPCWSTR browserExecutableFolder, LPCWSTR userDataFolder,
    ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler);
using TCreateCoreWebView2Environment = HRESULT(STDMETHODCALLTYPE*)(
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler);
using TGetAvailableCoreWebView2BrowserVersionString =
    HRESULT(STDMETHODCALLTYPE*)(LPCWSTR browserExecutableFolder, LPWSTR* versionInfo);
using TGetAvailableCoreWebView2BrowserVersionStringWithOptions = HRESULT(STDMETHODCALLTYPE*)(
    LPCWSTR browserExecutableFolder, ICoreWebView2EnvironmentOptions* environmentOptions,
    LPWSTR* versionInfo);
using TCompareBrowserVersions = HRESULT(STDMETHODCALLTYPE*)(LPCWSTR version1, LPCWSTR version2,
                                                            int* result);

// "EmbeddedBrowserWebView.dll"; runtimeType 0 is an installed runtime, 1 a fixed-version folder.
using TCreateWebViewEnvironmentWithOptionsInternal = HRESULT(STDMETHODCALLTYPE*)(
    BOOL checkRunningInstance, INT32 runtimeType, LPCWSTR userDataFolder,
    IUnknown* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler);
using TDllCanUnloadNow = HRESULT(STDMETHODCALLTYPE*)();
