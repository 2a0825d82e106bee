// The interface through which the callback objects reach a browser component: one operation per
// completion and event the runtime reports, each returning an HRESULT.
#pragma once

#include "wvtypes.h"

#include "wvcallbacktarget.h"
#include "wvinterfaces.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

#define WVB_OP(NAME, ...) virtual HRESULT STDMETHODCALLTYPE NAME(__VA_ARGS__) = 0

QUORVEL_INTERFACE(IWVBrowserEvents, IWVCallbackTarget)
{
    WVB_OP(EnvironmentCompletedHandler_Invoke, HRESULT errorCode,
           ICoreWebView2Environment * result);
    WVB_OP(ControllerCompletedHandler_Invoke, HRESULT errorCode, ICoreWebView2Controller * result);
    WVB_OP(ExecuteScriptCompletedHandler_Invoke, HRESULT errorCode, LPCWSTR resultObjectAsJson,
           INT32 aExecutionID);
    WVB_OP(CapturePreviewCompletedHandler_Invoke, HRESULT errorCode);
    WVB_OP(NavigationStartingEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2NavigationStartingEventArgs * args);
    WVB_OP(NavigationCompletedEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2NavigationCompletedEventArgs * args);
    WVB_OP(SourceChangedEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2SourceChangedEventArgs * args);
    WVB_OP(HistoryChangedEventHandler_Invoke, ICoreWebView2 * sender, IUnknown * args);
    WVB_OP(ContentLoadingEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2ContentLoadingEventArgs * args);
    WVB_OP(DocumentTitleChangedEventHandler_Invoke, ICoreWebView2 * sender, IUnknown * args);
    WVB_OP(NewWindowRequestedEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2NewWindowRequestedEventArgs * args);
    WVB_OP(FrameNavigationStartingEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2NavigationStartingEventArgs * args);
    WVB_OP(FrameNavigationCompletedEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2NavigationCompletedEventArgs * args);
    WVB_OP(WebResourceRequestedEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2WebResourceRequestedEventArgs * args);
    WVB_OP(ScriptDialogOpeningEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2ScriptDialogOpeningEventArgs * args);
    WVB_OP(PermissionRequestedEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2PermissionRequestedEventArgs * args);
    WVB_OP(ProcessFailedEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2ProcessFailedEventArgs * args);
    WVB_OP(WebMessageReceivedEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2WebMessageReceivedEventArgs * args);
    WVB_OP(ContainsFullScreenElementChangedEventHandler_Invoke, ICoreWebView2 * sender,
           IUnknown * args);
    WVB_OP(WindowCloseRequestedEventHandler_Invoke, ICoreWebView2 * sender, IUnknown * args);
    WVB_OP(ZoomFactorChangedEventHandler_Invoke, ICoreWebView2Controller * sender, IUnknown * args);
    WVB_OP(MoveFocusRequestedEventHandler_Invoke, ICoreWebView2Controller * sender,
           ICoreWebView2MoveFocusRequestedEventArgs * args);
    WVB_OP(AcceleratorKeyPressedEventHandler_Invoke, ICoreWebView2Controller * sender,
           ICoreWebView2AcceleratorKeyPressedEventArgs * args);
    WVB_OP(GotFocusEventHandler_Invoke, ICoreWebView2Controller * sender, IUnknown * args);
    WVB_OP(LostFocusEventHandler_Invoke, ICoreWebView2Controller * sender, IUnknown * args);
    WVB_OP(DevToolsProtocolEventReceivedEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2DevToolsProtocolEventReceivedEventArgs * args, const wvstring& aEventName,
           INT32 aEventID);
    WVB_OP(CreateCoreWebView2CompositionControllerCompletedHandler_Invoke, HRESULT errorCode,
           ICoreWebView2CompositionController * result);
    WVB_OP(CursorChangedEventHandler_Invoke, ICoreWebView2CompositionController * sender,
           IUnknown * args);
    WVB_OP(BrowserProcessExitedEventHandler_Invoke, ICoreWebView2Environment * sender,
           ICoreWebView2BrowserProcessExitedEventArgs * args);
    WVB_OP(RasterizationScaleChangedEventHandler_Invoke, ICoreWebView2Controller * sender,
           IUnknown * args);
    WVB_OP(WebResourceResponseReceivedEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2WebResourceResponseReceivedEventArgs * args);
    WVB_OP(DOMContentLoadedEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2DOMContentLoadedEventArgs * args);
    WVB_OP(WebResourceResponseViewGetContentCompletedHandler_Invoke, HRESULT errorCode,
           IStream * result, INT32 aResourceID);
    WVB_OP(GetCookiesCompletedHandler_Invoke, HRESULT errorCode, ICoreWebView2CookieList * result);
    WVB_OP(TrySuspendCompletedHandler_Invoke, HRESULT errorCode, BOOL result);
    WVB_OP(FrameCreatedEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2FrameCreatedEventArgs * args);
    WVB_OP(DownloadStartingEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2DownloadStartingEventArgs * args);
    WVB_OP(ClientCertificateRequestedEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2ClientCertificateRequestedEventArgs * args);
    WVB_OP(PrintToPdfCompletedHandler_Invoke, HRESULT errorCode, BOOL result);
    WVB_OP(BytesReceivedChangedEventHandler_Invoke, ICoreWebView2DownloadOperation * sender,
           IUnknown * args, INT32 aDownloadID);
    WVB_OP(EstimatedEndTimeChangedEventHandler_Invoke, ICoreWebView2DownloadOperation * sender,
           IUnknown * args, INT32 aDownloadID);
    WVB_OP(StateChangedEventHandler_Invoke, ICoreWebView2DownloadOperation * sender,
           IUnknown * args, INT32 aDownloadID);
    WVB_OP(FrameNameChangedEventHandler_Invoke, ICoreWebView2Frame * sender, IUnknown * args,
           UINT32 aFrameID);
    WVB_OP(FrameDestroyedEventHandler_Invoke, ICoreWebView2Frame * sender, IUnknown * args,
           UINT32 aFrameID);
    WVB_OP(CallDevToolsProtocolMethodCompletedHandler_Invoke, HRESULT errorCode,
           LPCWSTR returnObjectAsJson, INT32 aExecutionID);
    WVB_OP(AddScriptToExecuteOnDocumentCreatedCompletedHandler_Invoke, HRESULT errorCode,
           LPCWSTR id);
    WVB_OP(IsMutedChangedEventHandler_Invoke, ICoreWebView2 * sender, IUnknown * args);
    WVB_OP(IsDocumentPlayingAudioChangedEventHandler_Invoke, ICoreWebView2 * sender,
           IUnknown * args);
    WVB_OP(IsDefaultDownloadDialogOpenChangedEventHandler_Invoke, ICoreWebView2 * sender,
           IUnknown * args);
    WVB_OP(ProcessInfosChangedEventHandler_Invoke, ICoreWebView2Environment * sender,
           IUnknown * args);
    WVB_OP(FrameNavigationStartingEventHandler2_Invoke, ICoreWebView2Frame * sender,
           ICoreWebView2NavigationStartingEventArgs * args, UINT32 aFrameID);
    WVB_OP(FrameNavigationCompletedEventHandler2_Invoke, ICoreWebView2Frame * sender,
           ICoreWebView2NavigationCompletedEventArgs * args, UINT32 aFrameID);
    WVB_OP(FrameContentLoadingEventHandler_Invoke, ICoreWebView2Frame * sender,
           ICoreWebView2ContentLoadingEventArgs * args, UINT32 aFrameID);
    WVB_OP(FrameDOMContentLoadedEventHandler_Invoke, ICoreWebView2Frame * sender,
           ICoreWebView2DOMContentLoadedEventArgs * args, UINT32 aFrameID);
    WVB_OP(FrameWebMessageReceivedEventHandler_Invoke, ICoreWebView2Frame * sender,
           ICoreWebView2WebMessageReceivedEventArgs * args, UINT32 aFrameID);
    WVB_OP(BasicAuthenticationRequestedEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2BasicAuthenticationRequestedEventArgs * args);
    WVB_OP(ContextMenuRequestedEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2ContextMenuRequestedEventArgs * args);
    WVB_OP(CustomItemSelectedEventHandler_Invoke, ICoreWebView2ContextMenuItem * sender,
           IUnknown * args);
    WVB_OP(StatusBarTextChangedEventHandler_Invoke, ICoreWebView2 * sender, IUnknown * args);
    WVB_OP(FramePermissionRequestedEventHandler_Invoke, ICoreWebView2Frame * sender,
           ICoreWebView2PermissionRequestedEventArgs2 * args, UINT32 aFrameID);
    WVB_OP(ClearBrowsingDataCompletedHandler_Invoke, HRESULT errorCode);
    WVB_OP(ClearServerCertificateErrorActionsCompletedHandler_Invoke, HRESULT errorCode);
    WVB_OP(ServerCertificateErrorDetectedEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2ServerCertificateErrorDetectedEventArgs * args);
    WVB_OP(FaviconChangedEventHandler_Invoke, ICoreWebView2 * sender, IUnknown * args);
    WVB_OP(GetFaviconCompletedHandler_Invoke, HRESULT errorCode, IStream * result);
    WVB_OP(PrintCompletedHandler_Invoke, HRESULT errorCode, COREWEBVIEW2_PRINT_STATUS result);
    WVB_OP(PrintToPdfStreamCompletedHandler_Invoke, HRESULT errorCode, IStream * result);
    WVB_OP(GetNonDefaultPermissionSettingsCompletedHandler_Invoke, HRESULT errorCode,
           ICoreWebView2PermissionSettingCollectionView * result);
    WVB_OP(SetPermissionStateCompletedHandler_Invoke, HRESULT errorCode);
    WVB_OP(LaunchingExternalUriSchemeEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2LaunchingExternalUriSchemeEventArgs * args);
    WVB_OP(GetProcessExtendedInfosCompletedHandler_Invoke, HRESULT errorCode,
           ICoreWebView2ProcessExtendedInfoCollection * result);
    WVB_OP(BrowserExtensionRemoveCompletedHandler_Invoke, HRESULT errorCode,
           const wvstring& aExtensionID);
    WVB_OP(BrowserExtensionEnableCompletedHandler_Invoke, HRESULT errorCode,
           const wvstring& aExtensionID);
    WVB_OP(ProfileAddBrowserExtensionCompletedHandler_Invoke, HRESULT errorCode,
           ICoreWebView2BrowserExtension * result);
    WVB_OP(ProfileGetBrowserExtensionsCompletedHandler_Invoke, HRESULT errorCode,
           ICoreWebView2BrowserExtensionList * result);
    WVB_OP(ProfileDeletedEventHandler_Invoke, ICoreWebView2Profile * sender, IUnknown * args);
    WVB_OP(ExecuteScriptWithResultCompletedHandler_Invoke, HRESULT errorCode,
           ICoreWebView2ExecuteScriptResult * result, INT32 aExecutionID);
    WVB_OP(NonClientRegionChangedEventHandler_Invoke, ICoreWebView2CompositionController * sender,
           ICoreWebView2NonClientRegionChangedEventArgs * args);
    WVB_OP(NotificationReceivedEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2NotificationReceivedEventArgs * args);
    WVB_OP(NotificationCloseRequestedEventHandler_Invoke, ICoreWebView2Notification * sender,
           IUnknown * args);
    WVB_OP(SaveAsUIShowingEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2SaveAsUIShowingEventArgs * args);
    WVB_OP(ShowSaveAsUICompletedHandler_Invoke, HRESULT errorCode,
           COREWEBVIEW2_SAVE_AS_UI_RESULT result);
    WVB_OP(SaveFileSecurityCheckStartingEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2SaveFileSecurityCheckStartingEventArgs * args);
    WVB_OP(ScreenCaptureStartingEventHandler_Invoke, ICoreWebView2 * sender,
           ICoreWebView2ScreenCaptureStartingEventArgs * args);
    WVB_OP(FrameScreenCaptureStartingEventHandler_Invoke, ICoreWebView2Frame * sender,
           ICoreWebView2ScreenCaptureStartingEventArgs * args, UINT32 aFrameID);
    WVB_OP(FrameChildFrameCreatedEventHandler_Invoke, ICoreWebView2Frame * sender,
           ICoreWebView2FrameCreatedEventArgs * args, UINT32 aFrameID);
    WVB_OP(FindActiveMatchIndexChangedEventHandler_Invoke, ICoreWebView2Find * sender,
           IUnknown * args);
    WVB_OP(FindMatchCountChangedEventHandler_Invoke, ICoreWebView2Find * sender, IUnknown * args);
    WVB_OP(FindStartCompletedHandler_Invoke, HRESULT errorCode);
    WVB_OP(DragStartingEventHandler_Invoke, ICoreWebView2CompositionController * sender,
           ICoreWebView2DragStartingEventArgs * args);
};

#undef WVB_OP

#pragma GCC diagnostic pop
