#include "wvcorewebview2compositioncontroller.h"

#include "wvcorewebview2delegates.h"

TCoreWebView2CompositionController::TCoreWebView2CompositionController(
    ICoreWebView2CompositionController* aBaseIntf)
{
    InitializeFields();
    FBaseIntf = TComPtr<ICoreWebView2CompositionController>(aBaseIntf);
    QueryVersionChain(FBaseIntf.Get(), FBaseIntf2, FBaseIntf3, FBaseIntf4, FBaseIntf5);
}

TCoreWebView2CompositionController::~TCoreWebView2CompositionController()
{
    RemoveAllEvents();
    InitializeFields();
}

void TCoreWebView2CompositionController::InitializeFields()
{
    ReleaseVersionChain(FBaseIntf, FBaseIntf2, FBaseIntf3, FBaseIntf4, FBaseIntf5);
    InitializeTokens();
}

void TCoreWebView2CompositionController::InitializeTokens()
{
    FCursorChangedToken.value = 0;
    FNonClientRegionChanged.value = 0;
    FDragStartingToken.value = 0;
}

bool TCoreWebView2CompositionController::AddCursorChangedEvent(TComponent* aBrowserComponent)
{
    return SubscribeEvent<TCoreWebView2CursorChangedEventHandler>(
        FBaseIntf.Get(), FCursorChangedToken, BrowserEventsOf(aBrowserComponent),
        &ICoreWebView2CompositionController::add_CursorChanged);
}

bool TCoreWebView2CompositionController::AddNonClientRegionChangedEvent(
    TComponent* aBrowserComponent)
{
    return SubscribeEvent<TCoreWebView2NonClientRegionChangedEventHandler>(
        FBaseIntf4.Get(), FNonClientRegionChanged, BrowserEventsOf(aBrowserComponent),
        &ICoreWebView2CompositionController4::add_NonClientRegionChanged);
}

bool TCoreWebView2CompositionController::AddDragStartingEvent(TComponent* aBrowserComponent)
{
    return SubscribeEvent<TCoreWebView2DragStartingEventHandler>(
        FBaseIntf5.Get(), FDragStartingToken, BrowserEventsOf(aBrowserComponent),
        &ICoreWebView2CompositionController5::add_DragStarting);
}

bool TCoreWebView2CompositionController::AddAllBrowserEvents(TComponent* aBrowserComponent)
{
    bool all = AddCursorChangedEvent(aBrowserComponent);
    all = AddNonClientRegionChangedEvent(aBrowserComponent) && all;
    all = AddDragStartingEvent(aBrowserComponent) && all;
    return all;
}

void TCoreWebView2CompositionController::RemoveAllEvents()
{
    if (!GetInitialized())
        return;
    if (FCursorChangedToken.value != 0)
        FBaseIntf->remove_CursorChanged(FCursorChangedToken);
    if (FBaseIntf4 && FNonClientRegionChanged.value != 0)
        FBaseIntf4->remove_NonClientRegionChanged(FNonClientRegionChanged);
    if (FBaseIntf5 && FDragStartingToken.value != 0)
        FBaseIntf5->remove_DragStarting(FDragStartingToken);
    InitializeTokens();
}
