// The owner of one runtime webview: its interface versions, its event subscriptions on behalf of a
// browser component, and the operations the component calls on it.
#pragma once

#include "wvwrapper.h"

#include <memory>
#include <string>
#include <vector>

// The webview's events in the order AddAllBrowserEvents subscribes them: the event, the interface
// version it needs and the name of its subscription routine.
#define WV_COREWEBVIEW2_EVENTS(X)                                                                  \
    X(NavigationStarting, FBaseIntf, AddNavigationStartingEvent)                                   \
    X(NavigationCompleted, FBaseIntf, AddNavigationCompletedEvent)                                 \
    X(SourceChanged, FBaseIntf, AddSourceChangedEvent)                                             \
    X(HistoryChanged, FBaseIntf, AddHistoryChangedEvent)                                           \
    X(ContentLoading, FBaseIntf, AddContentLoadingEvent)                                           \
    X(DocumentTitleChanged, FBaseIntf, AddDocumentTitleChangedEvent)                               \
    X(NewWindowRequested, FBaseIntf, AddNewWindowRequestedEvent)                                   \
    X(FrameNavigationStarting, FBaseIntf, AddFrameNavigationStartingEvent)                         \
    X(FrameNavigationCompleted, FBaseIntf, AddFrameNavigationCompletedEvent)                       \
    X(WebResourceRequested, FBaseIntf, AddWebResourceRequestedEvent)                               \
    X(ScriptDialogOpening, FBaseIntf, AddScriptDialogOpeningEvent)                                 \
    X(PermissionRequested, FBaseIntf, AddPermissionRequestedEvent)                                 \
    X(ProcessFailed, FBaseIntf, AddProcessFailedEvent)                                             \
    X(WebMessageReceived, FBaseIntf, AddWebMessageReceivedEvent)                                   \
    X(ContainsFullScreenElementChanged, FBaseIntf, AddContainsFullScreenElementChangedEvent)       \
    X(WindowCloseRequested, FBaseIntf, AddWindowCloseRequestedEvent)                               \
    X(WebResourceResponseReceived, FBaseIntf2, AddWebResourceResponseReceivedEvent)                \
    X(DOMContentLoaded, FBaseIntf2, AddDOMContentLoadedEvent)                                      \
    X(FrameCreated, FBaseIntf4, AddFrameCreatedEvent)                                              \
    X(DownloadStarting, FBaseIntf4, AddDownloadStartingEvent)                                      \
    X(ClientCertificateRequested, FBaseIntf5, AddClientCertificateRequestedEvent)                  \
    X(IsMutedChanged, FBaseIntf8, AddIsMutedChangedEvent)                                          \
    X(IsDocumentPlayingAudioChanged, FBaseIntf8, AddIsDocumentPlayingAudioChangedEvent)            \
    X(IsDefaultDownloadDialogOpenChanged, FBaseIntf9, AddIsDefaultDownloadDialogOpenChangedEvent)  \
    X(BasicAuthenticationRequested, FBaseIntf10, AddBasicAuthenticationRequestedEvent)             \
    X(ContextMenuRequested, FBaseIntf11, AddContextMenuRequestedEvent)                             \
    X(StatusBarTextChanged, FBaseIntf12, AddStatusBarTextChangedEvent)                             \
    X(ServerCertificateErrorDetected, FBaseIntf14, AddServerCertificateErrorDetectedEvent)         \
    X(FaviconChanged, FBaseIntf15, AddFaviconChanged)                                              \
    X(LaunchingExternalUriScheme, FBaseIntf18, AddLaunchingExternalUriScheme)                      \
    X(NotificationReceived, FBaseIntf24, AddNotificationReceived)                                  \
    X(SaveAsUIShowing, FBaseIntf25, AddSaveAsUIShowing)                                            \
    X(SaveFileSecurityCheckStarting, FBaseIntf26, AddSaveFileSecurityCheckStarting)                \
    X(ScreenCaptureStarting, FBaseIntf27, AddScreenCaptureStarting)

class TCoreWebView2
{
public:
    // Takes a reference on aBaseIntf (which may be null) and queries its later versions.
    explicit TCoreWebView2(ICoreWebView2* aBaseIntf);
    // Removes every live subscription, then releases the interfaces.
    virtual ~TCoreWebView2();
    TCoreWebView2(const TCoreWebView2&) = delete;
    TCoreWebView2& operator=(const TCoreWebView2&) = delete;

    bool GetInitialized() const { return static_cast<bool>(FBaseIntf); }
    bool Initialized() const { return GetInitialized(); }
    ICoreWebView2* BaseIntf() const { return FBaseIntf.Get(); }
    // The highest interface version held (0 for none, 1 for the base alone).
    int HighestVersion() const;

    void InitializeFields();
    void InitializeTokens();

#define WV_DECLARE_ADD(EVENT, FIELD, ROUTINE) bool ROUTINE(TComponent* aBrowserComponent);
    WV_COREWEBVIEW2_EVENTS(WV_DECLARE_ADD)
#undef WV_DECLARE_ADD

    // Attempts every subscription, also after one failed; True when all succeeded.
    bool AddAllBrowserEvents(TComponent* aBrowserComponent);
    void RemoveAllEvents();
    void UnsubscribeAllDevToolsProtocolEvents();
    // How many of the 34 events are subscribed (a token other than 0).
    int SubscribedEventCount() const;

    bool Navigate(const wvstring& aURI);
    bool NavigateToString(const wvstring& aHTMLContent);
    bool PostWebMessageAsString(const wvstring& aWebMessageAsString);
    bool CallDevToolsProtocolMethod(const wvstring& aMethodName, const wvstring& aParametersAsJson,
                                    INT32 aExecutionID, TComponent* aBrowserComponent);
    // The webview's settings (a member of the base interface), or null.
    TComPtr<ICoreWebView2Settings> GetSettings();
    TComPtr<ICoreWebView2Profile> GetProfile();

protected:
    virtual void AfterConstruction();

private:
    TComPtr<ICoreWebView2> FBaseIntf;
    TComPtr<ICoreWebView2_2> FBaseIntf2;
    TComPtr<ICoreWebView2_3> FBaseIntf3;
    TComPtr<ICoreWebView2_4> FBaseIntf4;
    TComPtr<ICoreWebView2_5> FBaseIntf5;
    TComPtr<ICoreWebView2_6> FBaseIntf6;
    TComPtr<ICoreWebView2_7> FBaseIntf7;
    TComPtr<ICoreWebView2_8> FBaseIntf8;
    TComPtr<ICoreWebView2_9> FBaseIntf9;
    TComPtr<ICoreWebView2_10> FBaseIntf10;
    TComPtr<ICoreWebView2_11> FBaseIntf11;
    TComPtr<ICoreWebView2_12> FBaseIntf12;
    TComPtr<ICoreWebView2_13> FBaseIntf13;
    TComPtr<ICoreWebView2_14> FBaseIntf14;
    TComPtr<ICoreWebView2_15> FBaseIntf15;
    TComPtr<ICoreWebView2_16> FBaseIntf16;
    TComPtr<ICoreWebView2_17> FBaseIntf17;
    TComPtr<ICoreWebView2_18> FBaseIntf18;
    TComPtr<ICoreWebView2_19> FBaseIntf19;
    TComPtr<ICoreWebView2_20> FBaseIntf20;
    TComPtr<ICoreWebView2_21> FBaseIntf21;
    TComPtr<ICoreWebView2_22> FBaseIntf22;
    TComPtr<ICoreWebView2_23> FBaseIntf23;
    TComPtr<ICoreWebView2_24> FBaseIntf24;
    TComPtr<ICoreWebView2_25> FBaseIntf25;
    TComPtr<ICoreWebView2_26> FBaseIntf26;
    TComPtr<ICoreWebView2_27> FBaseIntf27;
    TComPtr<ICoreWebView2_28> FBaseIntf28;

#define WV_DECLARE_TOKEN(EVENT, FIELD, ROUTINE) EventRegistrationToken F##EVENT##Token{0};
    WV_COREWEBVIEW2_EVENTS(WV_DECLARE_TOKEN)
#undef WV_DECLARE_TOKEN

    // DevTools protocol events subscribed through this wrapper (UTF-8 names) and their tokens.
    std::unique_ptr<std::vector<std::string>> FDevToolsEventNames;
    std::vector<EventRegistrationToken> FDevToolsEventTokens;
};
