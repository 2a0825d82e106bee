// The controller (the webview's place in a host window) and the webview itself.
#pragma once

#include "runtime.h"

#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWidget>

class QWebEngineLoadingInfo;

namespace wvruntime {

// An event of the controller or the webview: its add_ and remove_ routines, answered on the
// object's own thread only, and the list of its handlers.
#define WV_EVENT_MEMBERS(NAME, HANDLER)                                                            \
    HRESULT STDMETHODCALLTYPE add_##NAME(HANDLER* h, EventRegistrationToken* t) override           \
    {                                                                                              \
        WV_CHECK_THREAD();                                                                         \
        return F##NAME.Add(h, t);                                                                  \
    }                                                                                              \
    HRESULT STDMETHODCALLTYPE remove_##NAME(EventRegistrationToken t) override                     \
    {                                                                                              \
        WV_CHECK_THREAD();                                                                         \
        return F##NAME.Remove(t);                                                                  \
    }                                                                                              \
    TEventList<HANDLER> F##NAME;

// The object a page's window.chrome.webview talks to over the web channel.
class TBridge : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    Q_INVOKABLE void postMessage(const QString& json, const QString& source)
    {
        if (OnMessage)
            OnMessage(json, source);
    }
    Q_INVOKABLE void pageReady()
    {
        if (OnReady)
            OnReady();
    }
    std::function<void(const QString&, const QString&)> OnMessage;
    std::function<void()> OnReady;
Q_SIGNALS:
    void messageToPage(const QString& json);
};

class TController;

class TWebView final : public TComObject<ICoreWebView2_28>
{
public:
    TWebView(TController* controller, QWebEngineView* view, QWebEngineProfile* profile,
             const TControllerSettings& options);
    ~TWebView() override;
    // The controller closed: the page is gone and every later call fails.
    void Closed();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) override;
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) override;
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override;
    HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR htmlContent) override;
    HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
        LPCWSTR javaScript,
        ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id) override;
    HRESULT STDMETHODCALLTYPE
    ExecuteScript(LPCWSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR webMessageAsJson) override;
    HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR webMessageAsString) override;
    HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethod(
        LPCWSTR methodName, LPCWSTR parametersAsJson,
        ICoreWebView2CallDevToolsProtocolMethodCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE GetDevToolsProtocolEventReceiver(
        LPCWSTR eventName, ICoreWebView2DevToolsProtocolEventReceiver** receiver) override;
    HRESULT STDMETHODCALLTYPE get_Profile(ICoreWebView2Profile** value) override;

    // Raised from the engine.
    WV_EVENT_MEMBERS(NavigationStarting, ICoreWebView2NavigationStartingEventHandler)
    WV_EVENT_MEMBERS(ContentLoading, ICoreWebView2ContentLoadingEventHandler)
    WV_EVENT_MEMBERS(SourceChanged, ICoreWebView2SourceChangedEventHandler)
    WV_EVENT_MEMBERS(HistoryChanged, ICoreWebView2HistoryChangedEventHandler)
    WV_EVENT_MEMBERS(NavigationCompleted, ICoreWebView2NavigationCompletedEventHandler)
    WV_EVENT_MEMBERS(ProcessFailed, ICoreWebView2ProcessFailedEventHandler)
    WV_EVENT_MEMBERS(WebMessageReceived, ICoreWebView2WebMessageReceivedEventHandler)
    WV_EVENT_MEMBERS(NewWindowRequested, ICoreWebView2NewWindowRequestedEventHandler)
    WV_EVENT_MEMBERS(DocumentTitleChanged, ICoreWebView2DocumentTitleChangedEventHandler)
    WV_EVENT_MEMBERS(WindowCloseRequested, ICoreWebView2WindowCloseRequestedEventHandler)
    WV_EVENT_MEMBERS(IsMutedChanged, ICoreWebView2IsMutedChangedEventHandler)
    WV_EVENT_MEMBERS(IsDocumentPlayingAudioChanged,
                     ICoreWebView2IsDocumentPlayingAudioChangedEventHandler)
    WV_EVENT_MEMBERS(StatusBarTextChanged, ICoreWebView2StatusBarTextChangedEventHandler)
    WV_EVENT_MEMBERS(FaviconChanged, ICoreWebView2FaviconChangedEventHandler)
    // Accepted and never raised: the engine has no such event, or the runtime keeps the
    // default behaviour that the event would let the host replace.
    WV_EVENT_MEMBERS(FrameNavigationStarting, ICoreWebView2NavigationStartingEventHandler)
    WV_EVENT_MEMBERS(FrameNavigationCompleted, ICoreWebView2NavigationCompletedEventHandler)
    WV_EVENT_MEMBERS(ScriptDialogOpening, ICoreWebView2ScriptDialogOpeningEventHandler)
    WV_EVENT_MEMBERS(PermissionRequested, ICoreWebView2PermissionRequestedEventHandler)
    WV_EVENT_MEMBERS(ContainsFullScreenElementChanged,
                     ICoreWebView2ContainsFullScreenElementChangedEventHandler)
    WV_EVENT_MEMBERS(WebResourceRequested, ICoreWebView2WebResourceRequestedEventHandler)
    WV_EVENT_MEMBERS(WebResourceResponseReceived,
                     ICoreWebView2WebResourceResponseReceivedEventHandler)
    WV_EVENT_MEMBERS(DOMContentLoaded, ICoreWebView2DOMContentLoadedEventHandler)
    WV_EVENT_MEMBERS(FrameCreated, ICoreWebView2FrameCreatedEventHandler)
    WV_EVENT_MEMBERS(DownloadStarting, ICoreWebView2DownloadStartingEventHandler)
    WV_EVENT_MEMBERS(ClientCertificateRequested,
                     ICoreWebView2ClientCertificateRequestedEventHandler)
    WV_EVENT_MEMBERS(IsDefaultDownloadDialogOpenChanged,
                     ICoreWebView2IsDefaultDownloadDialogOpenChangedEventHandler)
    WV_EVENT_MEMBERS(BasicAuthenticationRequested,
                     ICoreWebView2BasicAuthenticationRequestedEventHandler)
    WV_EVENT_MEMBERS(ContextMenuRequested, ICoreWebView2ContextMenuRequestedEventHandler)
    WV_EVENT_MEMBERS(ServerCertificateErrorDetected,
                     ICoreWebView2ServerCertificateErrorDetectedEventHandler)
    WV_EVENT_MEMBERS(LaunchingExternalUriScheme,
                     ICoreWebView2LaunchingExternalUriSchemeEventHandler)
    WV_EVENT_MEMBERS(NotificationReceived, ICoreWebView2NotificationReceivedEventHandler)
    WV_EVENT_MEMBERS(SaveAsUIShowing, ICoreWebView2SaveAsUIShowingEventHandler)
    WV_EVENT_MEMBERS(SaveFileSecurityCheckStarting,
                     ICoreWebView2SaveFileSecurityCheckStartingEventHandler)
    WV_EVENT_MEMBERS(ScreenCaptureStarting, ICoreWebView2ScreenCaptureStartingEventHandler)

private:
    void Load(const QUrl& url);
    void OnLoadingChanged(const QWebEngineLoadingInfo& info);
    void OnUrlChanged(const QUrl& url);
    void Commit(const QUrl& url);
    void Complete(bool success);
    void SendToPage(const QString& json);
    HRESULT CheckUsable() const;

    TController* FController; // not counted: the controller owns this object's page
    QPointer<QWebEngineView> FView;
    QPointer<QWebEnginePage> FPage;
    QWebEngineProfile* FProfile;
    QObject* FContext;
    TBridge* FBridge = nullptr;
    QWebChannel* FChannel = nullptr;
    TComPtr<TSettings> FSettings;
    TComPtr<TProfile> FProfileObject;
    bool FClosed = false;

    QString FSource = QStringLiteral("about:blank");
    QUrl FStringDocument;
    UINT64 FNextNavigationId = 0;
    UINT64 FNavigationId = 0;
    bool FNavigating = false;
    bool FCommitted = false;
    bool FExpectingLoad = false;
    bool FPageReady = false;
    QStringList FPendingToPage;
    int FNextScriptId = 0;
};

class TController final : public TComObject<ICoreWebView2Controller4>
{
public:
    TController(TEnvironment* environment, QWidget* parent, const TControllerSettings& options);
    ~TController() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* isVisible) override;
    HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL isVisible) override;
    HRESULT STDMETHODCALLTYPE get_Bounds(RECT* bounds) override;
    HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) override;
    HRESULT STDMETHODCALLTYPE get_ZoomFactor(double* zoomFactor) override;
    HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override;
    HRESULT STDMETHODCALLTYPE Close() override;
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** coreWebView2) override;

    WV_EVENT_MEMBERS(GotFocus, ICoreWebView2FocusChangedEventHandler)
    WV_EVENT_MEMBERS(LostFocus, ICoreWebView2FocusChangedEventHandler)
    // Never raised: zoom changes only when the host sets it, focus never asks to leave the
    // page, and key presses are not offered to the host first.
    WV_EVENT_MEMBERS(ZoomFactorChanged, ICoreWebView2ZoomFactorChangedEventHandler)
    WV_EVENT_MEMBERS(MoveFocusRequested, ICoreWebView2MoveFocusRequestedEventHandler)
    WV_EVENT_MEMBERS(AcceleratorKeyPressed, ICoreWebView2AcceleratorKeyPressedEventHandler)
    WV_EVENT_MEMBERS(RasterizationScaleChanged, ICoreWebView2RasterizationScaleChangedEventHandler)

    bool IsClosed() const { return FClosed; }

private:
    HRESULT CheckUsable() const;
    bool Contains(QWidget* w) const;

    TComPtr<TEnvironment> FEnvironment;
    QPointer<QWidget> FWidget0;
    QPointer<QWebEngineView> FView;
    QWebEngineProfile* FProfile;
    TComPtr<TWebView> FWebView;
    QObject* FContext;
    bool FClosed = false;
    // Whether the keyboard focus is inside the controller's widgets, as last reported.
    bool FFocusInside = false;
};

#undef WV_EVENT_MEMBERS

} // namespace wvruntime
