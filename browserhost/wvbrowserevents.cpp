#include "wvbrowserbase.h"

#include "wvbrowserbaseinternal.h"

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
