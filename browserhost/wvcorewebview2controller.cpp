#include "wvcorewebview2controller.h"

#include "wvcorewebview2delegates.h"

TCoreWebView2Controller::TCoreWebView2Controller(ICoreWebView2Controller* aBaseIntf)
{
    InitializeFields();
    FBaseIntf = TComPtr<ICoreWebView2Controller>(aBaseIntf);
    QueryVersionChain(FBaseIntf.Get(), FBaseIntf2, FBaseIntf3, FBaseIntf4);
}

TCoreWebView2Controller::~TCoreWebView2Controller()
{
    RemoveAllEvents();
    Close();
    InitializeFields();
}

void TCoreWebView2Controller::InitializeFields()
{
    ReleaseVersionChain(FBaseIntf, FBaseIntf2, FBaseIntf3, FBaseIntf4);
    InitializeTokens();
}

void TCoreWebView2Controller::InitializeTokens()
{
#define WV_ZERO_TOKEN(EVENT, FIELD, ROUTINE) F##EVENT##Token.value = 0;
    WV_CONTROLLER_EVENTS(WV_ZERO_TOKEN)
#undef WV_ZERO_TOKEN
}

int TCoreWebView2Controller::HighestVersion() const
{
    return !FBaseIntf ? 0 : !FBaseIntf2 ? 1 : !FBaseIntf3 ? 2 : !FBaseIntf4 ? 3 : 4;
}

#define WV_DEFINE_ADD(EVENT, FIELD, ROUTINE)                                                       \
    bool TCoreWebView2Controller::ROUTINE(TComponent* aBrowserComponent)                           \
    {                                                                                              \
        return SubscribeEvent<TCoreWebView2##EVENT##EventHandler>(                                 \
            FIELD.Get(), F##EVENT##Token, BrowserEventsOf(aBrowserComponent),                      \
            &std::remove_pointer_t<decltype(FIELD.Get())>::add_##EVENT);                           \
    }
WV_CONTROLLER_EVENTS(WV_DEFINE_ADD)
#undef WV_DEFINE_ADD

bool TCoreWebView2Controller::AddAllBrowserEvents(TComponent* aBrowserComponent)
{
    bool all = true;
#define WV_ADD_ONE(EVENT, FIELD, ROUTINE) all = ROUTINE(aBrowserComponent) && all;
    WV_CONTROLLER_EVENTS(WV_ADD_ONE)
#undef WV_ADD_ONE
    return all;
}

int TCoreWebView2Controller::SubscribedEventCount() const
{
    int n = 0;
#define WV_COUNT_ONE(EVENT, FIELD, ROUTINE) n += F##EVENT##Token.value != 0 ? 1 : 0;
    WV_CONTROLLER_EVENTS(WV_COUNT_ONE)
#undef WV_COUNT_ONE
    return n;
}

void TCoreWebView2Controller::RemoveAllEvents()
{
    if (!GetInitialized())
        return;
#define WV_REMOVE_ONE(EVENT, FIELD, ROUTINE)                                                       \
    if (FIELD && F##EVENT##Token.value != 0)                                                       \
        FIELD->remove_##EVENT(F##EVENT##Token);
    WV_CONTROLLER_EVENTS(WV_REMOVE_ONE)
#undef WV_REMOVE_ONE
    InitializeTokens();
}

bool TCoreWebView2Controller::MoveFocus(TWVMoveFocusReason aReason)
{
    return GetInitialized() && Succeeded(FBaseIntf->MoveFocus(aReason));
}

bool TCoreWebView2Controller::Close()
{
    return GetInitialized() && Succeeded(FBaseIntf->Close());
}

TComPtr<ICoreWebView2> TCoreWebView2Controller::GetCoreWebView2()
{
    TComPtr<ICoreWebView2> webView;
    if (!GetInitialized() || !Succeeded(FBaseIntf->get_CoreWebView2(webView.Put())))
        webView.Reset();
    return webView;
}

double TCoreWebView2Controller::GetZoomFactor()
{
    double factor = 0;
    if (!GetInitialized() || !Succeeded(FBaseIntf->get_ZoomFactor(&factor)))
        return 0;
    return factor;
}

void TCoreWebView2Controller::SetBounds(const RECT& aValue)
{
    if (GetInitialized())
        FBaseIntf->put_Bounds(aValue);
}
