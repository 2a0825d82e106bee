#include "wvcorewebview2.h"

#include "wvcorewebview2delegates.h"

TCoreWebView2::TCoreWebView2(ICoreWebView2* aBaseIntf)
{
    InitializeFields();
    FBaseIntf = TComPtr<ICoreWebView2>(aBaseIntf);
    QueryVersionChain(FBaseIntf.Get(), FBaseIntf2, FBaseIntf3, FBaseIntf4, FBaseIntf5, FBaseIntf6,
                      FBaseIntf7, FBaseIntf8, FBaseIntf9, FBaseIntf10, FBaseIntf11, FBaseIntf12,
                      FBaseIntf13, FBaseIntf14, FBaseIntf15, FBaseIntf16, FBaseIntf17, FBaseIntf18,
                      FBaseIntf19, FBaseIntf20, FBaseIntf21, FBaseIntf22, FBaseIntf23, FBaseIntf24,
                      FBaseIntf25, FBaseIntf26, FBaseIntf27, FBaseIntf28);
    AfterConstruction();
}

void TCoreWebView2::AfterConstruction()
{
    FDevToolsEventNames = std::make_unique<std::vector<std::string>>();
}

TCoreWebView2::~TCoreWebView2()
{
    // A destructor cannot pass an exception on; the removals have already been attempted.
    try {
        RemoveAllEvents();
    } catch (...) {
    }
    FDevToolsEventTokens.clear();
    FDevToolsEventNames.reset();
    InitializeFields();
}

void TCoreWebView2::InitializeFields()
{
    ReleaseVersionChain(
        FBaseIntf, FBaseIntf2, FBaseIntf3, FBaseIntf4, FBaseIntf5, FBaseIntf6, FBaseIntf7,
        FBaseIntf8, FBaseIntf9, FBaseIntf10, FBaseIntf11, FBaseIntf12, FBaseIntf13, FBaseIntf14,
        FBaseIntf15, FBaseIntf16, FBaseIntf17, FBaseIntf18, FBaseIntf19, FBaseIntf20, FBaseIntf21,
        FBaseIntf22, FBaseIntf23, FBaseIntf24, FBaseIntf25, FBaseIntf26, FBaseIntf27, FBaseIntf28);
    InitializeTokens();
    FDevToolsEventTokens.clear();
}

void TCoreWebView2::InitializeTokens()
{
#define WV_ZERO_TOKEN(EVENT, FIELD, ROUTINE) F##EVENT##Token.value = 0;
    WV_COREWEBVIEW2_EVENTS(WV_ZERO_TOKEN)
#undef WV_ZERO_TOKEN
}

int TCoreWebView2::HighestVersion() const
{
    const bool held[] = {
        bool(FBaseIntf),   bool(FBaseIntf2),  bool(FBaseIntf3),  bool(FBaseIntf4),
        bool(FBaseIntf5),  bool(FBaseIntf6),  bool(FBaseIntf7),  bool(FBaseIntf8),
        bool(FBaseIntf9),  bool(FBaseIntf10), bool(FBaseIntf11), bool(FBaseIntf12),
        bool(FBaseIntf13), bool(FBaseIntf14), bool(FBaseIntf15), bool(FBaseIntf16),
        bool(FBaseIntf17), bool(FBaseIntf18), bool(FBaseIntf19), bool(FBaseIntf20),
        bool(FBaseIntf21), bool(FBaseIntf22), bool(FBaseIntf23), bool(FBaseIntf24),
        bool(FBaseIntf25), bool(FBaseIntf26), bool(FBaseIntf27), bool(FBaseIntf28)};
    int n = 0;
    while (n < 28 && held[n])
        ++n;
    return n;
}

#define WV_DEFINE_ADD(EVENT, FIELD, ROUTINE)                                                       \
    bool TCoreWebView2::ROUTINE(TComponent* aBrowserComponent)                                     \
    {                                                                                              \
        return SubscribeEvent<TCoreWebView2##EVENT##EventHandler>(                                 \
            FIELD.Get(), F##EVENT##Token, BrowserEventsOf(aBrowserComponent),                      \
            &std::remove_pointer_t<decltype(FIELD.Get())>::add_##EVENT);                           \
    }
WV_COREWEBVIEW2_EVENTS(WV_DEFINE_ADD)
#undef WV_DEFINE_ADD

bool TCoreWebView2::AddAllBrowserEvents(TComponent* aBrowserComponent)
{
    // Every event is attempted: one that fails must not cost the ones after it.
    bool all = true;
#define WV_ADD_ONE(EVENT, FIELD, ROUTINE) all = ROUTINE(aBrowserComponent) && all;
    WV_COREWEBVIEW2_EVENTS(WV_ADD_ONE)
#undef WV_ADD_ONE
    return all;
}

int TCoreWebView2::SubscribedEventCount() const
{
    int n = 0;
#define WV_COUNT_ONE(EVENT, FIELD, ROUTINE) n += F##EVENT##Token.value != 0 ? 1 : 0;
    WV_COREWEBVIEW2_EVENTS(WV_COUNT_ONE)
#undef WV_COUNT_ONE
    return n;
}

void TCoreWebView2::RemoveAllEvents()
{
    try {
        if (GetInitialized()) {
#define WV_REMOVE_ONE(EVENT, FIELD, ROUTINE)                                                       \
    if (FIELD && F##EVENT##Token.value != 0)                                                       \
        FIELD->remove_##EVENT(F##EVENT##Token);
            WV_COREWEBVIEW2_EVENTS(WV_REMOVE_ONE)
#undef WV_REMOVE_ONE
            UnsubscribeAllDevToolsProtocolEvents();
        }
    } catch (...) {
        InitializeTokens();
        if (CustomExceptionHandler("TCoreWebView2.RemoveAllEvents", std::current_exception()))
            throw;
        return;
    }
    InitializeTokens();
}

void TCoreWebView2::UnsubscribeAllDevToolsProtocolEvents()
{
    if (!FDevToolsEventNames || FDevToolsEventNames->empty() || !GetInitialized())
        return;
    try {
        for (std::size_t i = FDevToolsEventNames->size(); i-- > 0;) {
            const wvstring name =
                QString::fromStdString((*FDevToolsEventNames)[i]).toStdU16String();
            TComPtr<ICoreWebView2DevToolsProtocolEventReceiver> receiver;
            if (Succeeded(
                    FBaseIntf->GetDevToolsProtocolEventReceiver(name.c_str(), receiver.Put())) &&
                receiver && i < FDevToolsEventTokens.size())
                receiver->remove_DevToolsProtocolEventReceived(FDevToolsEventTokens[i]);
        }
    } catch (...) {
        FDevToolsEventNames->clear();
        FDevToolsEventTokens.clear();
        if (CustomExceptionHandler("TCoreWebView2.UnsubscribeAllDevToolsProtocolEvents",
                                   std::current_exception()))
            throw;
        return;
    }
    FDevToolsEventNames->clear();
    FDevToolsEventTokens.clear();
}

bool TCoreWebView2::Navigate(const wvstring& aURI)
{
    return GetInitialized() && Succeeded(FBaseIntf->Navigate(aURI.c_str()));
}

bool TCoreWebView2::NavigateToString(const wvstring& aHTMLContent)
{
    return GetInitialized() && Succeeded(FBaseIntf->NavigateToString(aHTMLContent.c_str()));
}

bool TCoreWebView2::PostWebMessageAsString(const wvstring& aWebMessageAsString)
{
    return GetInitialized() &&
           Succeeded(FBaseIntf->PostWebMessageAsString(aWebMessageAsString.c_str()));
}

bool TCoreWebView2::CallDevToolsProtocolMethod(const wvstring& aMethodName,
                                               const wvstring& aParametersAsJson,
                                               INT32 aExecutionID, TComponent* aBrowserComponent)
{
    if (!GetInitialized())
        return false;
    TComPtr<TCoreWebView2CallDevToolsProtocolMethodCompletedHandler> handler(
        new TCoreWebView2CallDevToolsProtocolMethodCompletedHandler(
            BrowserEventsOf(aBrowserComponent), aExecutionID));
    return Succeeded(FBaseIntf->CallDevToolsProtocolMethod(
        aMethodName.c_str(), aParametersAsJson.c_str(), handler.Get()));
}

TComPtr<ICoreWebView2Settings> TCoreWebView2::GetSettings()
{
    TComPtr<ICoreWebView2Settings> settings;
    if (!GetInitialized() || !Succeeded(FBaseIntf->get_Settings(settings.Put())))
        settings.Reset();
    return settings;
}

TComPtr<ICoreWebView2Profile> TCoreWebView2::GetProfile()
{
    TComPtr<ICoreWebView2Profile> profile;
    if (!FBaseIntf13 || !Succeeded(FBaseIntf13->get_Profile(profile.Put())))
        profile.Reset();
    return profile;
}
