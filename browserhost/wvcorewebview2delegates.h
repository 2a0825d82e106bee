// The callback delegates: the host's implementations of the runtime's
// completion and event handler interfaces. Each is made for one target (a
// browser component through IWVBrowserEvents, or the loader through
// IWVLoaderEvents) and its Invoke forwards the call, with the same arguments,
// to one operation of that target. A delegate without a target (or whose target
// has gone) answers E_FAIL.
#pragma once

#include "wvcallbacktarget.h"
#include "wvloaderevents.h"
#include "wvrefcounted.h"

struct IWVBrowserEvents;

// Delegate objects alive in the process (made and not yet freed by their last
// release).
long LiveDelegateCount();
void CountLiveDelegate(int ADelta);

// A delegate with one target of events interface E, implementing handler
// interface H.
template <typename H, typename E> class TWVDelegate : public TWVRefCounted<H>
{
public:
    explicit TWVDelegate(E* AEvents) : FEvents(AEvents) { CountLiveDelegate(1); }

protected:
    ~TWVDelegate() override
    {
        FEvents.Reset();
        CountLiveDelegate(-1);
    }
    template <typename F> HRESULT Forward(const char* AWhere, F&& ACall)
    {
        E* events = FEvents.Get();
        if (!events)
            return E_FAIL;
        return InvokeContained(AWhere, [&] { return ACall(events); });
    }

    TWVTargetRef<E> FEvents;
};

// A delegate that serves either a browser component or the loader (at most one
// is set).
template <typename H> class TWVTwoTargetDelegate : public TWVRefCounted<H>
{
public:
    explicit TWVTwoTargetDelegate(IWVBrowserEvents* ABrowserEvents) : FBrowserEvents(ABrowserEvents)
    {
        CountLiveDelegate(1);
    }
    explicit TWVTwoTargetDelegate(IWVLoaderEvents* ALoaderEvents) : FLoaderEvents(ALoaderEvents)
    {
        CountLiveDelegate(1);
    }

protected:
    ~TWVTwoTargetDelegate() override
    {
        FBrowserEvents.Reset();
        FLoaderEvents.Reset();
        CountLiveDelegate(-1);
    }
    template <typename FB, typename FL>
    HRESULT Forward(const char* AWhere, FB&& ABrowserCall, FL&& ALoaderCall)
    {
        if (IWVBrowserEvents* browser = FBrowserEvents.Get())
            return InvokeContained(AWhere, [&] { return ABrowserCall(browser); });
        if (IWVLoaderEvents* loader = FLoaderEvents.Get())
            return InvokeContained(AWhere, [&] { return ALoaderCall(loader); });
        return E_FAIL;
    }

    TWVTargetRef<IWVBrowserEvents> FBrowserEvents;
    TWVTargetRef<IWVLoaderEvents> FLoaderEvents;
};

#define WV_DELEGATE(NAME, HANDLER, TARGET, ...)                                                    \
    class NAME final : public TWVDelegate<HANDLER, TARGET>                                         \
    {                                                                                              \
    public:                                                                                        \
        using TWVDelegate::TWVDelegate;                                                            \
        HRESULT STDMETHODCALLTYPE Invoke(__VA_ARGS__) override;                                    \
    }
#define WV_TWO_TARGET_DELEGATE(NAME, HANDLER, ...)                                                 \
    class NAME final : public TWVTwoTargetDelegate<HANDLER>                                        \
    {                                                                                              \
    public:                                                                                        \
        using TWVTwoTargetDelegate::TWVTwoTargetDelegate;                                          \
        HRESULT STDMETHODCALLTYPE Invoke(__VA_ARGS__) override;                                    \
    }
#define WV_WEBVIEW_DELEGATE(NAME, HANDLER, ARGS)                                                   \
    WV_DELEGATE(NAME, HANDLER, IWVBrowserEvents, ICoreWebView2* sender, ARGS* args)
#define WV_CONTROLLER_DELEGATE(NAME, HANDLER, ARGS)                                                \
    WV_DELEGATE(NAME, HANDLER, IWVBrowserEvents, ICoreWebView2Controller* sender, ARGS* args)
#define WV_COMPOSITION_DELEGATE(NAME, HANDLER, ARGS)                                               \
    WV_DELEGATE(NAME, HANDLER, IWVBrowserEvents, ICoreWebView2CompositionController* sender,       \
                ARGS* args)

// ---- Completions
// ----------------------------------------------------------------------------

WV_TWO_TARGET_DELEGATE(TCoreWebView2EnvironmentCompletedHandler,
                       ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                       HRESULT errorCode, ICoreWebView2Environment* result);
WV_DELEGATE(TCoreWebView2CreateCoreWebView2ControllerCompletedHandler,
            ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, IWVBrowserEvents,
            HRESULT errorCode, ICoreWebView2Controller* result);
WV_DELEGATE(TCoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler,
            ICoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler, IWVBrowserEvents,
            HRESULT errorCode, ICoreWebView2CompositionController* result);
WV_DELEGATE(TCoreWebView2ClearBrowsingDataCompletedHandler,
            ICoreWebView2ClearBrowsingDataCompletedHandler, IWVBrowserEvents, HRESULT errorCode);
WV_DELEGATE(TCoreWebView2SetPermissionStateCompletedHandler,
            ICoreWebView2SetPermissionStateCompletedHandler, IWVBrowserEvents, HRESULT errorCode);
WV_DELEGATE(TCoreWebView2GetNonDefaultPermissionSettingsCompletedHandler,
            ICoreWebView2GetNonDefaultPermissionSettingsCompletedHandler, IWVBrowserEvents,
            HRESULT errorCode, ICoreWebView2PermissionSettingCollectionView* result);
WV_DELEGATE(TCoreWebView2ProfileAddBrowserExtensionCompletedHandler,
            ICoreWebView2ProfileAddBrowserExtensionCompletedHandler, IWVBrowserEvents,
            HRESULT errorCode, ICoreWebView2BrowserExtension* result);
WV_DELEGATE(TCoreWebView2ProfileGetBrowserExtensionsCompletedHandler,
            ICoreWebView2ProfileGetBrowserExtensionsCompletedHandler, IWVBrowserEvents,
            HRESULT errorCode, ICoreWebView2BrowserExtensionList* result);

// Carries the execution id of the DevTools call it completes back to the
// component.
class TCoreWebView2CallDevToolsProtocolMethodCompletedHandler final
    : public TWVDelegate<ICoreWebView2CallDevToolsProtocolMethodCompletedHandler, IWVBrowserEvents>
{
public:
    TCoreWebView2CallDevToolsProtocolMethodCompletedHandler(IWVBrowserEvents* AEvents,
                                                            INT32 AExecutionID)
        : TWVDelegate(AEvents), FID(AExecutionID)
    {}
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, LPCWSTR returnObjectAsJson) override;

private:
    INT32 FID;
};

// ---- Webview events
// -------------------------------------------------------------------------

WV_WEBVIEW_DELEGATE(TCoreWebView2NavigationStartingEventHandler,
                    ICoreWebView2NavigationStartingEventHandler,
                    ICoreWebView2NavigationStartingEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2NavigationCompletedEventHandler,
                    ICoreWebView2NavigationCompletedEventHandler,
                    ICoreWebView2NavigationCompletedEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2FrameNavigationStartingEventHandler,
                    ICoreWebView2NavigationStartingEventHandler,
                    ICoreWebView2NavigationStartingEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2FrameNavigationCompletedEventHandler,
                    ICoreWebView2NavigationCompletedEventHandler,
                    ICoreWebView2NavigationCompletedEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2SourceChangedEventHandler, ICoreWebView2SourceChangedEventHandler,
                    ICoreWebView2SourceChangedEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2HistoryChangedEventHandler,
                    ICoreWebView2HistoryChangedEventHandler, IUnknown);
WV_WEBVIEW_DELEGATE(TCoreWebView2ContentLoadingEventHandler,
                    ICoreWebView2ContentLoadingEventHandler, ICoreWebView2ContentLoadingEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2DocumentTitleChangedEventHandler,
                    ICoreWebView2DocumentTitleChangedEventHandler, IUnknown);
WV_WEBVIEW_DELEGATE(TCoreWebView2NewWindowRequestedEventHandler,
                    ICoreWebView2NewWindowRequestedEventHandler,
                    ICoreWebView2NewWindowRequestedEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2WebResourceRequestedEventHandler,
                    ICoreWebView2WebResourceRequestedEventHandler,
                    ICoreWebView2WebResourceRequestedEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2ScriptDialogOpeningEventHandler,
                    ICoreWebView2ScriptDialogOpeningEventHandler,
                    ICoreWebView2ScriptDialogOpeningEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2PermissionRequestedEventHandler,
                    ICoreWebView2PermissionRequestedEventHandler,
                    ICoreWebView2PermissionRequestedEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2ProcessFailedEventHandler, ICoreWebView2ProcessFailedEventHandler,
                    ICoreWebView2ProcessFailedEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2WebMessageReceivedEventHandler,
                    ICoreWebView2WebMessageReceivedEventHandler,
                    ICoreWebView2WebMessageReceivedEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2ContainsFullScreenElementChangedEventHandler,
                    ICoreWebView2ContainsFullScreenElementChangedEventHandler, IUnknown);
WV_WEBVIEW_DELEGATE(TCoreWebView2WindowCloseRequestedEventHandler,
                    ICoreWebView2WindowCloseRequestedEventHandler, IUnknown);
WV_WEBVIEW_DELEGATE(TCoreWebView2WebResourceResponseReceivedEventHandler,
                    ICoreWebView2WebResourceResponseReceivedEventHandler,
                    ICoreWebView2WebResourceResponseReceivedEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2DOMContentLoadedEventHandler,
                    ICoreWebView2DOMContentLoadedEventHandler,
                    ICoreWebView2DOMContentLoadedEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2FrameCreatedEventHandler, ICoreWebView2FrameCreatedEventHandler,
                    ICoreWebView2FrameCreatedEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2DownloadStartingEventHandler,
                    ICoreWebView2DownloadStartingEventHandler,
                    ICoreWebView2DownloadStartingEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2ClientCertificateRequestedEventHandler,
                    ICoreWebView2ClientCertificateRequestedEventHandler,
                    ICoreWebView2ClientCertificateRequestedEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2IsMutedChangedEventHandler,
                    ICoreWebView2IsMutedChangedEventHandler, IUnknown);
WV_WEBVIEW_DELEGATE(TCoreWebView2IsDocumentPlayingAudioChangedEventHandler,
                    ICoreWebView2IsDocumentPlayingAudioChangedEventHandler, IUnknown);
WV_WEBVIEW_DELEGATE(TCoreWebView2IsDefaultDownloadDialogOpenChangedEventHandler,
                    ICoreWebView2IsDefaultDownloadDialogOpenChangedEventHandler, IUnknown);
WV_WEBVIEW_DELEGATE(TCoreWebView2BasicAuthenticationRequestedEventHandler,
                    ICoreWebView2BasicAuthenticationRequestedEventHandler,
                    ICoreWebView2BasicAuthenticationRequestedEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2ContextMenuRequestedEventHandler,
                    ICoreWebView2ContextMenuRequestedEventHandler,
                    ICoreWebView2ContextMenuRequestedEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2StatusBarTextChangedEventHandler,
                    ICoreWebView2StatusBarTextChangedEventHandler, IUnknown);
WV_WEBVIEW_DELEGATE(TCoreWebView2ServerCertificateErrorDetectedEventHandler,
                    ICoreWebView2ServerCertificateErrorDetectedEventHandler,
                    ICoreWebView2ServerCertificateErrorDetectedEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2FaviconChangedEventHandler,
                    ICoreWebView2FaviconChangedEventHandler, IUnknown);
WV_WEBVIEW_DELEGATE(TCoreWebView2LaunchingExternalUriSchemeEventHandler,
                    ICoreWebView2LaunchingExternalUriSchemeEventHandler,
                    ICoreWebView2LaunchingExternalUriSchemeEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2NotificationReceivedEventHandler,
                    ICoreWebView2NotificationReceivedEventHandler,
                    ICoreWebView2NotificationReceivedEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2SaveAsUIShowingEventHandler,
                    ICoreWebView2SaveAsUIShowingEventHandler,
                    ICoreWebView2SaveAsUIShowingEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2SaveFileSecurityCheckStartingEventHandler,
                    ICoreWebView2SaveFileSecurityCheckStartingEventHandler,
                    ICoreWebView2SaveFileSecurityCheckStartingEventArgs);
WV_WEBVIEW_DELEGATE(TCoreWebView2ScreenCaptureStartingEventHandler,
                    ICoreWebView2ScreenCaptureStartingEventHandler,
                    ICoreWebView2ScreenCaptureStartingEventArgs);

// ---- Controller events
// ----------------------------------------------------------------------

WV_CONTROLLER_DELEGATE(TCoreWebView2AcceleratorKeyPressedEventHandler,
                       ICoreWebView2AcceleratorKeyPressedEventHandler,
                       ICoreWebView2AcceleratorKeyPressedEventArgs);
WV_CONTROLLER_DELEGATE(TCoreWebView2GotFocusEventHandler, ICoreWebView2FocusChangedEventHandler,
                       IUnknown);
WV_CONTROLLER_DELEGATE(TCoreWebView2LostFocusEventHandler, ICoreWebView2FocusChangedEventHandler,
                       IUnknown);
WV_CONTROLLER_DELEGATE(TCoreWebView2MoveFocusRequestedEventHandler,
                       ICoreWebView2MoveFocusRequestedEventHandler,
                       ICoreWebView2MoveFocusRequestedEventArgs);
WV_CONTROLLER_DELEGATE(TCoreWebView2ZoomFactorChangedEventHandler,
                       ICoreWebView2ZoomFactorChangedEventHandler, IUnknown);
WV_CONTROLLER_DELEGATE(TCoreWebView2RasterizationScaleChangedEventHandler,
                       ICoreWebView2RasterizationScaleChangedEventHandler, IUnknown);

// ---- Composition controller events
// ----------------------------------------------------------

WV_COMPOSITION_DELEGATE(TCoreWebView2CursorChangedEventHandler,
                        ICoreWebView2CursorChangedEventHandler, IUnknown);
WV_COMPOSITION_DELEGATE(TCoreWebView2NonClientRegionChangedEventHandler,
                        ICoreWebView2NonClientRegionChangedEventHandler,
                        ICoreWebView2NonClientRegionChangedEventArgs);
WV_COMPOSITION_DELEGATE(TCoreWebView2DragStartingEventHandler,
                        ICoreWebView2DragStartingEventHandler, ICoreWebView2DragStartingEventArgs);

// ---- Environment and profile events
// ---------------------------------------------------------

WV_DELEGATE(TCoreWebView2NewBrowserVersionAvailableEventHandler,
            ICoreWebView2NewBrowserVersionAvailableEventHandler, IWVLoaderEvents,
            ICoreWebView2Environment* sender, IUnknown* args);
WV_TWO_TARGET_DELEGATE(TCoreWebView2BrowserProcessExitedEventHandler,
                       ICoreWebView2BrowserProcessExitedEventHandler,
                       ICoreWebView2Environment* sender,
                       ICoreWebView2BrowserProcessExitedEventArgs* args);
WV_TWO_TARGET_DELEGATE(TCoreWebView2ProcessInfosChangedEventHandler,
                       ICoreWebView2ProcessInfosChangedEventHandler,
                       ICoreWebView2Environment* sender, IUnknown* args);
WV_DELEGATE(TCoreWebView2ProfileDeletedEventHandler, ICoreWebView2ProfileDeletedEventHandler,
            IWVBrowserEvents, ICoreWebView2Profile* sender, IUnknown* args);

#undef WV_DELEGATE
#undef WV_TWO_TARGET_DELEGATE
#undef WV_WEBVIEW_DELEGATE
#undef WV_CONTROLLER_DELEGATE
#undef WV_COMPOSITION_DELEGATE
