#include "wvbrowserbase.h"

#include "wvbrowserbaseinternal.h"

#include <initializer_list>
#include <string_view>

namespace {

constexpr std::string_view Strip(std::string_view aName,
                                 std::initializer_list<std::string_view> aPrefixes,
                                 std::initializer_list<std::string_view> aSuffixes)
{
    for (const std::string_view prefix : aPrefixes)
        if (aName.starts_with(prefix)) {
            aName.remove_prefix(prefix.size());
            break;
        }
    for (const std::string_view suffix : aSuffixes)
        if (aName.ends_with(suffix)) {
            aName.remove_suffix(suffix.size());
            break;
        }
    return aName;
}

constexpr bool Within(std::string_view a, std::string_view b)
{
    return a.find(b) != std::string_view::npos || b.find(a) != std::string_view::npos;
}

// The names of one row tell of the same event: the dispatcher's and the event's stems, and the
// operation's and the dispatcher's (or the event's), contain one another. Two rows of the same
// shape and types with their events swapped fail this.
constexpr bool ChainNamesAgree(std::string_view aOperation, std::string_view aDispatcher,
                               std::string_view aEvent)
{
    const std::string_view op =
        Strip(aOperation, {}, {"EventHandler2_Invoke", "EventHandler_Invoke", "Handler_Invoke"});
    const std::string_view dispatcher = Strip(aDispatcher, {"DoOn", "Do"}, {"Event"});
    const std::string_view event = Strip(aEvent, {"On"}, {});
    return !op.empty() && !dispatcher.empty() && !event.empty() && Within(dispatcher, event) &&
           (Within(op, dispatcher) || event.find(op) != std::string_view::npos);
}

static_assert(ChainNamesAgree("HistoryChangedEventHandler_Invoke", "DoOnHistoryChanged",
                              "OnHistoryChanged"));
static_assert(!ChainNamesAgree("HistoryChangedEventHandler_Invoke", "DoOnDocumentTitleChanged",
                               "OnDocumentTitleChanged"));
static_assert(!ChainNamesAgree("GotFocusEventHandler_Invoke", "DoOnGotFocus", "OnLostFocus"));

} // namespace

// Every operation of the events interface that only passes on what the runtime reported: one row
// names the operation, the dispatcher it calls and the event that dispatcher raises, then the
// types of the operation's arguments. The shape says which of them travel on:
//   ALLn       all n arguments;
//   NOTIFY     nothing (the sender and the empty arguments object stay behind);
//   SENDER     the sender only;
//   SENDER_ID  the sender and the trailing id, without the empty arguments object;
//   FLAG       the error code and the integer result as a Boolean (not 0 = True);
//   TEXT       the error code and the runtime's text, copied.
// The dispatcher raises its event, when assigned, with the component as the sender first. Every
// name and type is checked against the interface and the component's declarations, so a row
// cannot wire one event's operation to another's dispatcher or event.
#define WV_BROWSER_EVENT_CHAINS(X)                                                                 \
    X(ALL1, CapturePreviewCompletedHandler_Invoke, DoCapturePreviewCompleted,                      \
      OnCapturePreviewCompleted, HRESULT)                                                          \
    X(ALL2, SourceChangedEventHandler_Invoke, DoOnSourceChanged, OnSourceChanged, ICoreWebView2*,  \
      ICoreWebView2SourceChangedEventArgs*)                                                        \
    X(NOTIFY, HistoryChangedEventHandler_Invoke, DoOnHistoryChanged, OnHistoryChanged,             \
      ICoreWebView2*)                                                                              \
    X(ALL2, ContentLoadingEventHandler_Invoke, DoOnContentLoading, OnContentLoading,               \
      ICoreWebView2*, ICoreWebView2ContentLoadingEventArgs*)                                       \
    X(NOTIFY, DocumentTitleChangedEventHandler_Invoke, DoOnDocumentTitleChanged,                   \
      OnDocumentTitleChanged, ICoreWebView2*)                                                      \
    X(ALL2, NewWindowRequestedEventHandler_Invoke, DoOnNewWindowRequested, OnNewWindowRequested,   \
      ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs*)                                   \
    X(ALL2, FrameNavigationStartingEventHandler_Invoke, DoOnFrameNavigationStarting,               \
      OnFrameNavigationStarting, ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs*)        \
    X(ALL2, FrameNavigationCompletedEventHandler_Invoke, DoOnFrameNavigationCompleted,             \
      OnFrameNavigationCompleted, ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs*)      \
    X(ALL2, WebResourceRequestedEventHandler_Invoke, DoOnWebResourceRequested,                     \
      OnWebResourceRequested, ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs*)         \
    X(ALL2, ScriptDialogOpeningEventHandler_Invoke, DoOnScriptDialogOpening,                       \
      OnScriptDialogOpening, ICoreWebView2*, ICoreWebView2ScriptDialogOpeningEventArgs*)           \
    X(ALL2, PermissionRequestedEventHandler_Invoke, DoOnPermissionRequested,                       \
      OnPermissionRequested, ICoreWebView2*, ICoreWebView2PermissionRequestedEventArgs*)           \
    X(ALL2, ProcessFailedEventHandler_Invoke, DoOnProcessFailed, OnProcessFailed, ICoreWebView2*,  \
      ICoreWebView2ProcessFailedEventArgs*)                                                        \
    X(ALL2, WebMessageReceivedEventHandler_Invoke, DoOnWebMessageReceived, OnWebMessageReceived,   \
      ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs*)                                   \
    X(NOTIFY, ContainsFullScreenElementChangedEventHandler_Invoke,                                 \
      DoOnContainsFullScreenElementChanged, OnContainsFullScreenElementChanged, ICoreWebView2*)    \
    X(NOTIFY, WindowCloseRequestedEventHandler_Invoke, DoOnWindowCloseRequested,                   \
      OnWindowCloseRequested, ICoreWebView2*)                                                      \
    X(ALL2, MoveFocusRequestedEventHandler_Invoke, DoOnMoveFocusRequested, OnMoveFocusRequested,   \
      ICoreWebView2Controller*, ICoreWebView2MoveFocusRequestedEventArgs*)                         \
    X(ALL2, AcceleratorKeyPressedEventHandler_Invoke, DoOnAcceleratorKeyPressed,                   \
      OnAcceleratorKeyPressed, ICoreWebView2Controller*,                                           \
      ICoreWebView2AcceleratorKeyPressedEventArgs*)                                                \
    X(NOTIFY, GotFocusEventHandler_Invoke, DoOnGotFocus, OnGotFocus, ICoreWebView2Controller*)     \
    X(NOTIFY, LostFocusEventHandler_Invoke, DoOnLostFocus, OnLostFocus, ICoreWebView2Controller*)  \
    X(ALL4, DevToolsProtocolEventReceivedEventHandler_Invoke, DoOnDevToolsProtocolEventReceived,   \
      OnDevToolsProtocolEventReceived, ICoreWebView2*,                                             \
      ICoreWebView2DevToolsProtocolEventReceivedEventArgs*, const wvstring&, INT32)                \
    X(NOTIFY, CursorChangedEventHandler_Invoke, DoOnCursorChangedEvent, OnCursorChanged,           \
      ICoreWebView2CompositionController*)                                                         \
    X(ALL2, BrowserProcessExitedEventHandler_Invoke, DoOnBrowserProcessExitedEvent,                \
      OnBrowserProcessExited, ICoreWebView2Environment*,                                           \
      ICoreWebView2BrowserProcessExitedEventArgs*)                                                 \
    X(NOTIFY, RasterizationScaleChangedEventHandler_Invoke, DoOnRasterizationScaleChangedEvent,    \
      OnRasterizationScaleChanged, ICoreWebView2Controller*)                                       \
    X(ALL2, WebResourceResponseReceivedEventHandler_Invoke, DoOnWebResourceResponseReceivedEvent,  \
      OnWebResourceResponseReceived, ICoreWebView2*,                                               \
      ICoreWebView2WebResourceResponseReceivedEventArgs*)                                          \
    X(ALL2, DOMContentLoadedEventHandler_Invoke, DoOnDOMContentLoadedEvent, OnDOMContentLoaded,    \
      ICoreWebView2*, ICoreWebView2DOMContentLoadedEventArgs*)                                     \
    X(ALL3, WebResourceResponseViewGetContentCompletedHandler_Invoke,                              \
      DoOnWebResourceResponseViewGetContentCompletedEvent,                                         \
      OnWebResourceResponseViewGetContentCompleted, HRESULT, IStream*, INT32)                      \
    X(ALL2, GetCookiesCompletedHandler_Invoke, DoOnGetCookiesCompletedEvent,                       \
      OnGetCookiesCompleted, HRESULT, ICoreWebView2CookieList*)                                    \
    X(FLAG, TrySuspendCompletedHandler_Invoke, DoOnTrySuspendCompletedEvent,                       \
      OnTrySuspendCompleted)                                                                       \
    X(ALL2, FrameCreatedEventHandler_Invoke, DoOnFrameCreatedEvent, OnFrameCreated,                \
      ICoreWebView2*, ICoreWebView2FrameCreatedEventArgs*)                                         \
    X(ALL2, DownloadStartingEventHandler_Invoke, DoOnDownloadStartingEvent, OnDownloadStarting,    \
      ICoreWebView2*, ICoreWebView2DownloadStartingEventArgs*)                                     \
    X(ALL2, ClientCertificateRequestedEventHandler_Invoke, DoOnClientCertificateRequestedEvent,    \
      OnClientCertificateRequested, ICoreWebView2*,                                                \
      ICoreWebView2ClientCertificateRequestedEventArgs*)                                           \
    X(FLAG, PrintToPdfCompletedHandler_Invoke, DoOnPrintToPdfCompletedEvent,                       \
      OnPrintToPdfCompleted)                                                                       \
    X(SENDER_ID, BytesReceivedChangedEventHandler_Invoke, DoOnBytesReceivedChangedEventEvent,      \
      OnBytesReceivedChanged, ICoreWebView2DownloadOperation*, INT32)                              \
    X(SENDER_ID, EstimatedEndTimeChangedEventHandler_Invoke, DoOnEstimatedEndTimeChangedEvent,     \
      OnEstimatedEndTimeChanged, ICoreWebView2DownloadOperation*, INT32)                           \
    X(SENDER_ID, StateChangedEventHandler_Invoke, DoOnStateChangedEvent, OnDownloadStateChanged,   \
      ICoreWebView2DownloadOperation*, INT32)                                                      \
    X(SENDER_ID, FrameNameChangedEventHandler_Invoke, DoOnFrameNameChangedEvent,                   \
      OnFrameNameChanged, ICoreWebView2Frame*, UINT32)                                             \
    X(SENDER_ID, FrameDestroyedEventHandler_Invoke, DoOnFrameDestroyedEvent, OnFrameDestroyed,     \
      ICoreWebView2Frame*, UINT32)                                                                 \
    X(TEXT, AddScriptToExecuteOnDocumentCreatedCompletedHandler_Invoke,                            \
      DoOnAddScriptToExecuteOnDocumentCreatedCompletedEvent,                                       \
      OnAddScriptToExecuteOnDocumentCreatedCompleted)                                              \
    X(SENDER, IsMutedChangedEventHandler_Invoke, DoOnIsMutedChanged, OnIsMutedChanged,             \
      ICoreWebView2*)                                                                              \
    X(SENDER, IsDocumentPlayingAudioChangedEventHandler_Invoke, DoOnIsDocumentPlayingAudioChanged, \
      OnIsDocumentPlayingAudioChanged, ICoreWebView2*)                                             \
    X(SENDER, IsDefaultDownloadDialogOpenChangedEventHandler_Invoke,                               \
      DoOnIsDefaultDownloadDialogOpenChanged, OnIsDefaultDownloadDialogOpenChanged,                \
      ICoreWebView2*)                                                                              \
    X(SENDER, ProcessInfosChangedEventHandler_Invoke, DoOnProcessInfosChangedEvent,                \
      OnProcessInfosChanged, ICoreWebView2Environment*)                                            \
    X(ALL3, FrameNavigationStartingEventHandler2_Invoke, DoOnFrameNavigationStarting2,             \
      OnFrameNavigationStarting2, ICoreWebView2Frame*, ICoreWebView2NavigationStartingEventArgs*,  \
      UINT32)                                                                                      \
    X(ALL3, FrameNavigationCompletedEventHandler2_Invoke, DoOnFrameNavigationCompleted2,           \
      OnFrameNavigationCompleted2, ICoreWebView2Frame*,                                            \
      ICoreWebView2NavigationCompletedEventArgs*, UINT32)                                          \
    X(ALL3, FrameContentLoadingEventHandler_Invoke, DoOnFrameContentLoadingEvent,                  \
      OnFrameContentLoading, ICoreWebView2Frame*, ICoreWebView2ContentLoadingEventArgs*, UINT32)   \
    X(ALL3, FrameDOMContentLoadedEventHandler_Invoke, DoOnFrameDOMContentLoadedEvent,              \
      OnFrameDOMContentLoaded, ICoreWebView2Frame*, ICoreWebView2DOMContentLoadedEventArgs*,       \
      UINT32)                                                                                      \
    X(ALL3, FrameWebMessageReceivedEventHandler_Invoke, DoOnFrameWebMessageReceivedEvent,          \
      OnFrameWebMessageReceived, ICoreWebView2Frame*, ICoreWebView2WebMessageReceivedEventArgs*,   \
      UINT32)                                                                                      \
    X(ALL2, BasicAuthenticationRequestedEventHandler_Invoke,                                       \
      DoOnBasicAuthenticationRequestedEvent, OnBasicAuthenticationRequested, ICoreWebView2*,       \
      ICoreWebView2BasicAuthenticationRequestedEventArgs*)                                         \
    X(ALL2, ContextMenuRequestedEventHandler_Invoke, DoOnContextMenuRequestedEvent,                \
      OnContextMenuRequested, ICoreWebView2*, ICoreWebView2ContextMenuRequestedEventArgs*)         \
    X(SENDER, CustomItemSelectedEventHandler_Invoke, DoOnCustomItemSelectedEvent,                  \
      OnCustomItemSelected, ICoreWebView2ContextMenuItem*)                                         \
    X(SENDER, StatusBarTextChangedEventHandler_Invoke, DoOnStatusBarTextChangedEvent,              \
      OnStatusBarTextChanged, ICoreWebView2*)                                                      \
    X(ALL3, FramePermissionRequestedEventHandler_Invoke, DoOnFramePermissionRequestedEvent,        \
      OnFramePermissionRequested, ICoreWebView2Frame*,                                             \
      ICoreWebView2PermissionRequestedEventArgs2*, UINT32)                                         \
    X(ALL1, ClearBrowsingDataCompletedHandler_Invoke, DoOnClearBrowsingDataCompletedEvent,         \
      OnClearBrowsingDataCompleted, HRESULT)                                                       \
    X(ALL1, ClearServerCertificateErrorActionsCompletedHandler_Invoke,                             \
      DoOnServerCertificateErrorActionsCompletedEvent, OnServerCertificateErrorActionsCompleted,   \
      HRESULT)                                                                                     \
    X(ALL2, ServerCertificateErrorDetectedEventHandler_Invoke,                                     \
      DoOnServerCertificateErrorDetectedEvent, OnServerCertificateErrorDetected, ICoreWebView2*,   \
      ICoreWebView2ServerCertificateErrorDetectedEventArgs*)                                       \
    X(ALL2, FaviconChangedEventHandler_Invoke, DoOnFaviconChangedEvent, OnFaviconChanged,          \
      ICoreWebView2*, IUnknown*)                                                                   \
    X(ALL2, GetFaviconCompletedHandler_Invoke, DoOnGetFaviconCompletedEvent,                       \
      OnGetFaviconCompleted, HRESULT, IStream*)                                                    \
    X(ALL2, PrintCompletedHandler_Invoke, DoOnPrintCompletedEvent, OnPrintCompleted, HRESULT,      \
      COREWEBVIEW2_PRINT_STATUS)                                                                   \
    X(ALL2, PrintToPdfStreamCompletedHandler_Invoke, DoOnPrintToPdfStreamCompletedEvent,           \
      OnPrintToPdfStreamCompleted, HRESULT, IStream*)                                              \
    X(ALL2, GetNonDefaultPermissionSettingsCompletedHandler_Invoke,                                \
      DoOnGetNonDefaultPermissionSettingsCompleted, OnGetNonDefaultPermissionSettingsCompleted,    \
      HRESULT, ICoreWebView2PermissionSettingCollectionView*)                                      \
    X(ALL1, SetPermissionStateCompletedHandler_Invoke, DoOnSetPermissionStateCompleted,            \
      OnSetPermissionStateCompleted, HRESULT)                                                      \
    X(ALL2, LaunchingExternalUriSchemeEventHandler_Invoke, DoOnLaunchingExternalUriSchemeEvent,    \
      OnLaunchingExternalUriScheme, ICoreWebView2*,                                                \
      ICoreWebView2LaunchingExternalUriSchemeEventArgs*)                                           \
    X(ALL2, GetProcessExtendedInfosCompletedHandler_Invoke,                                        \
      DoOnGetProcessExtendedInfosCompletedEvent, OnGetProcessExtendedInfosCompleted, HRESULT,      \
      ICoreWebView2ProcessExtendedInfoCollection*)                                                 \
    X(ALL2, BrowserExtensionRemoveCompletedHandler_Invoke,                                         \
      DoOnBrowserExtensionRemoveCompletedEvent, OnBrowserExtensionRemoveCompleted, HRESULT,        \
      const wvstring&)                                                                             \
    X(ALL2, BrowserExtensionEnableCompletedHandler_Invoke,                                         \
      DoOnBrowserExtensionEnableCompletedEvent, OnBrowserExtensionEnableCompleted, HRESULT,        \
      const wvstring&)                                                                             \
    X(ALL2, ProfileAddBrowserExtensionCompletedHandler_Invoke,                                     \
      DoOnProfileAddBrowserExtensionCompletedEvent, OnProfileAddBrowserExtensionCompleted,         \
      HRESULT, ICoreWebView2BrowserExtension*)                                                     \
    X(ALL2, ProfileGetBrowserExtensionsCompletedHandler_Invoke,                                    \
      DoOnProfileGetBrowserExtensionsCompletedEvent, OnProfileGetBrowserExtensionsCompleted,       \
      HRESULT, ICoreWebView2BrowserExtensionList*)                                                 \
    X(SENDER, ProfileDeletedEventHandler_Invoke, DoOnProfileDeletedEvent, OnProfileDeleted,        \
      ICoreWebView2Profile*)                                                                       \
    X(ALL3, ExecuteScriptWithResultCompletedHandler_Invoke,                                        \
      DoOnExecuteScriptWithResultCompletedEvent, OnExecuteScriptWithResultCompleted, HRESULT,      \
      ICoreWebView2ExecuteScriptResult*, INT32)                                                    \
    X(ALL2, NonClientRegionChangedEventHandler_Invoke, DoOnNonClientRegionChangedEvent,            \
      OnNonClientRegionChanged, ICoreWebView2CompositionController*,                               \
      ICoreWebView2NonClientRegionChangedEventArgs*)                                               \
    X(ALL2, NotificationReceivedEventHandler_Invoke, DoOnNotificationReceivedEvent,                \
      OnNotificationReceived, ICoreWebView2*, ICoreWebView2NotificationReceivedEventArgs*)         \
    X(ALL2, NotificationCloseRequestedEventHandler_Invoke, DoOnNotificationCloseRequestedEvent,    \
      OnNotificationCloseRequested, ICoreWebView2Notification*, IUnknown*)                         \
    X(ALL2, SaveAsUIShowingEventHandler_Invoke, DoOnSaveAsUIShowingEvent, OnSaveAsUIShowing,       \
      ICoreWebView2*, ICoreWebView2SaveAsUIShowingEventArgs*)                                      \
    X(ALL2, ShowSaveAsUICompletedHandler_Invoke, DoOnShowSaveAsUICompletedEvent,                   \
      OnShowSaveAsUICompleted, HRESULT, COREWEBVIEW2_SAVE_AS_UI_RESULT)                            \
    X(ALL2, SaveFileSecurityCheckStartingEventHandler_Invoke,                                      \
      DoOnSaveFileSecurityCheckStartingEvent, OnSaveFileSecurityCheckStarting, ICoreWebView2*,     \
      ICoreWebView2SaveFileSecurityCheckStartingEventArgs*)                                        \
    X(ALL2, ScreenCaptureStartingEventHandler_Invoke, DoOnScreenCaptureStartingEvent,              \
      OnScreenCaptureStarting, ICoreWebView2*, ICoreWebView2ScreenCaptureStartingEventArgs*)       \
    X(ALL3, FrameScreenCaptureStartingEventHandler_Invoke, DoOnFrameScreenCaptureStartingEvent,    \
      OnFrameScreenCaptureStarting, ICoreWebView2Frame*,                                           \
      ICoreWebView2ScreenCaptureStartingEventArgs*, UINT32)                                        \
    X(ALL3, FrameChildFrameCreatedEventHandler_Invoke, DoOnFrameChildFrameCreatedEvent,            \
      OnFrameChildFrameCreated, ICoreWebView2Frame*, ICoreWebView2FrameCreatedEventArgs*, UINT32)  \
    X(ALL2, FindActiveMatchIndexChangedEventHandler_Invoke, DoOnFindActiveMatchIndexChangedEvent,  \
      OnFindActiveMatchIndexChanged, ICoreWebView2Find*, IUnknown*)                                \
    X(ALL2, FindMatchCountChangedEventHandler_Invoke, DoOnFindMatchCountChangedEvent,              \
      OnFindMatchCountChanged, ICoreWebView2Find*, IUnknown*)                                      \
    X(ALL1, FindStartCompletedHandler_Invoke, DoOnFindStartCompletedEvent, OnFindStartCompleted,   \
      HRESULT)                                                                                     \
    X(ALL2, DragStartingEventHandler_Invoke, DoOnDragStartingEvent, OnDragStarting,                \
      ICoreWebView2CompositionController*, ICoreWebView2DragStartingEventArgs*)

#define WV_CHAIN_ALL1(OP, DISPATCH, EVENT, T1)                                                     \
    HRESULT STDMETHODCALLTYPE TWVBrowserBase::OP(T1 a1)                                            \
    {                                                                                              \
        DISPATCH(a1);                                                                              \
        return S_OK;                                                                               \
    }                                                                                              \
    void TWVBrowserBase::DISPATCH(T1 a1)                                                           \
    {                                                                                              \
        if (EVENT)                                                                                 \
            EVENT(this, a1);                                                                       \
    }
#define WV_CHAIN_ALL2(OP, DISPATCH, EVENT, T1, T2)                                                 \
    HRESULT STDMETHODCALLTYPE TWVBrowserBase::OP(T1 a1, T2 a2)                                     \
    {                                                                                              \
        DISPATCH(a1, a2);                                                                          \
        return S_OK;                                                                               \
    }                                                                                              \
    void TWVBrowserBase::DISPATCH(T1 a1, T2 a2)                                                    \
    {                                                                                              \
        if (EVENT)                                                                                 \
            EVENT(this, a1, a2);                                                                   \
    }
#define WV_CHAIN_ALL3(OP, DISPATCH, EVENT, T1, T2, T3)                                             \
    HRESULT STDMETHODCALLTYPE TWVBrowserBase::OP(T1 a1, T2 a2, T3 a3)                              \
    {                                                                                              \
        DISPATCH(a1, a2, a3);                                                                      \
        return S_OK;                                                                               \
    }                                                                                              \
    void TWVBrowserBase::DISPATCH(T1 a1, T2 a2, T3 a3)                                             \
    {                                                                                              \
        if (EVENT)                                                                                 \
            EVENT(this, a1, a2, a3);                                                               \
    }
#define WV_CHAIN_ALL4(OP, DISPATCH, EVENT, T1, T2, T3, T4)                                         \
    HRESULT STDMETHODCALLTYPE TWVBrowserBase::OP(T1 a1, T2 a2, T3 a3, T4 a4)                       \
    {                                                                                              \
        DISPATCH(a1, a2, a3, a4);                                                                  \
        return S_OK;                                                                               \
    }                                                                                              \
    void TWVBrowserBase::DISPATCH(T1 a1, T2 a2, T3 a3, T4 a4)                                      \
    {                                                                                              \
        if (EVENT)                                                                                 \
            EVENT(this, a1, a2, a3, a4);                                                           \
    }
#define WV_CHAIN_NOTIFY(OP, DISPATCH, EVENT, T1)                                                   \
    HRESULT STDMETHODCALLTYPE TWVBrowserBase::OP(T1, IUnknown*)                                    \
    {                                                                                              \
        DISPATCH();                                                                                \
        return S_OK;                                                                               \
    }                                                                                              \
    void TWVBrowserBase::DISPATCH()                                                                \
    {                                                                                              \
        if (EVENT)                                                                                 \
            EVENT(this);                                                                           \
    }
#define WV_CHAIN_SENDER(OP, DISPATCH, EVENT, T1)                                                   \
    HRESULT STDMETHODCALLTYPE TWVBrowserBase::OP(T1 a1, IUnknown*)                                 \
    {                                                                                              \
        DISPATCH(a1);                                                                              \
        return S_OK;                                                                               \
    }                                                                                              \
    void TWVBrowserBase::DISPATCH(T1 a1)                                                           \
    {                                                                                              \
        if (EVENT)                                                                                 \
            EVENT(this, a1);                                                                       \
    }
#define WV_CHAIN_SENDER_ID(OP, DISPATCH, EVENT, T1, TID)                                           \
    HRESULT STDMETHODCALLTYPE TWVBrowserBase::OP(T1 a1, IUnknown*, TID aID)                        \
    {                                                                                              \
        DISPATCH(a1, aID);                                                                         \
        return S_OK;                                                                               \
    }                                                                                              \
    void TWVBrowserBase::DISPATCH(T1 a1, TID aID)                                                  \
    {                                                                                              \
        if (EVENT)                                                                                 \
            EVENT(this, a1, aID);                                                                  \
    }
#define WV_CHAIN_FLAG(OP, DISPATCH, EVENT)                                                         \
    HRESULT STDMETHODCALLTYPE TWVBrowserBase::OP(HRESULT aErrorCode, BOOL aResult)                 \
    {                                                                                              \
        DISPATCH(aErrorCode, aResult != 0);                                                        \
        return S_OK;                                                                               \
    }                                                                                              \
    void TWVBrowserBase::DISPATCH(HRESULT aErrorCode, bool aResult)                                \
    {                                                                                              \
        if (EVENT)                                                                                 \
            EVENT(this, aErrorCode, aResult);                                                      \
    }
#define WV_CHAIN_TEXT(OP, DISPATCH, EVENT)                                                         \
    HRESULT STDMETHODCALLTYPE TWVBrowserBase::OP(HRESULT aErrorCode, LPCWSTR aText)                \
    {                                                                                              \
        DISPATCH(aErrorCode, TextOf(aText));                                                       \
        return S_OK;                                                                               \
    }                                                                                              \
    void TWVBrowserBase::DISPATCH(HRESULT aErrorCode, const wvstring& aText)                       \
    {                                                                                              \
        if (EVENT)                                                                                 \
            EVENT(this, aErrorCode, aText);                                                        \
    }

#define WV_DEFINE_CHAIN(SHAPE, OP, DISPATCH, EVENT, ...)                                           \
    static_assert(ChainNamesAgree(#OP, #DISPATCH, #EVENT), "one event's names in a row: " #OP);    \
    WV_CHAIN_##SHAPE(OP, DISPATCH, EVENT __VA_OPT__(, ) __VA_ARGS__)
WV_BROWSER_EVENT_CHAINS(WV_DEFINE_CHAIN)
#undef WV_DEFINE_CHAIN

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

// ---- Dispatchers of the operations above and of the creation road ---------------------------

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

void TWVBrowserBase::DoOnZoomFactorChanged()
{
    if (OnZoomFactorChanged)
        OnZoomFactorChanged(this);
}

void TWVBrowserBase::DoOnCompositionControllerCompleted()
{
    if (OnCompositionControllerCompleted)
        OnCompositionControllerCompleted(this);
}
