#include "wvcorewebview2environment.h"

#include "wvbrowserevents.h"
#include "wvcorewebview2delegates.h"
#include "wvmiscfunctions.h"
#include "wvwrapper.h"

TCoreWebView2Environment::TCoreWebView2Environment(ICoreWebView2Environment* aBaseIntf)
{
    InitializeFields();
    FBaseIntf = TComPtr<ICoreWebView2Environment>(aBaseIntf);
    QueryVersionChain(FBaseIntf.Get(), FBaseIntf2, FBaseIntf3, FBaseIntf4, FBaseIntf5, FBaseIntf6,
                      FBaseIntf7, FBaseIntf8, FBaseIntf9, FBaseIntf10, FBaseIntf11, FBaseIntf12,
                      FBaseIntf13, FBaseIntf14, FBaseIntf15);
}

TCoreWebView2Environment::~TCoreWebView2Environment()
{
    RemoveAllEvents();
    InitializeFields();
}

void TCoreWebView2Environment::InitializeFields()
{
    ReleaseVersionChain(FBaseIntf, FBaseIntf2, FBaseIntf3, FBaseIntf4, FBaseIntf5, FBaseIntf6,
                        FBaseIntf7, FBaseIntf8, FBaseIntf9, FBaseIntf10, FBaseIntf11, FBaseIntf12,
                        FBaseIntf13, FBaseIntf14, FBaseIntf15);
    InitializeTokens();
}

void TCoreWebView2Environment::InitializeTokens()
{
    FNewBrowserVersionAvailableEventToken.value = 0;
    FBrowserProcessExitedEventToken.value = 0;
    FProcessInfosChangedEventToken.value = 0;
}

bool TCoreWebView2Environment::AddNewBrowserVersionAvailableEvent(TComponent* aLoaderComponent)
{
    return SubscribeEvent<TCoreWebView2NewBrowserVersionAvailableEventHandler>(
        FBaseIntf.Get(), FNewBrowserVersionAvailableEventToken, LoaderEventsOf(aLoaderComponent),
        &ICoreWebView2Environment::add_NewBrowserVersionAvailable);
}

bool TCoreWebView2Environment::AddBrowserProcessExitedLoaderEvent(TComponent* aLoaderComponent)
{
    return SubscribeEvent<TCoreWebView2BrowserProcessExitedEventHandler>(
        FBaseIntf5.Get(), FBrowserProcessExitedEventToken, LoaderEventsOf(aLoaderComponent),
        &ICoreWebView2Environment5::add_BrowserProcessExited);
}

bool TCoreWebView2Environment::AddBrowserProcessExitedBrowserEvent(TComponent* aBrowserComponent)
{
    return SubscribeEvent<TCoreWebView2BrowserProcessExitedEventHandler>(
        FBaseIntf5.Get(), FBrowserProcessExitedEventToken, BrowserEventsOf(aBrowserComponent),
        &ICoreWebView2Environment5::add_BrowserProcessExited);
}

bool TCoreWebView2Environment::AddProcessInfosChangedLoaderEvent(TComponent* aLoaderComponent)
{
    return SubscribeEvent<TCoreWebView2ProcessInfosChangedEventHandler>(
        FBaseIntf8.Get(), FProcessInfosChangedEventToken, LoaderEventsOf(aLoaderComponent),
        &ICoreWebView2Environment8::add_ProcessInfosChanged);
}

bool TCoreWebView2Environment::AddProcessInfosChangedBrowserEvent(TComponent* aBrowserComponent)
{
    return SubscribeEvent<TCoreWebView2ProcessInfosChangedEventHandler>(
        FBaseIntf8.Get(), FProcessInfosChangedEventToken, BrowserEventsOf(aBrowserComponent),
        &ICoreWebView2Environment8::add_ProcessInfosChanged);
}

bool TCoreWebView2Environment::AddAllLoaderEvents(TComponent* aLoaderComponent)
{
    return AddNewBrowserVersionAvailableEvent(aLoaderComponent) &&
           AddBrowserProcessExitedLoaderEvent(aLoaderComponent) &&
           AddProcessInfosChangedLoaderEvent(aLoaderComponent);
}

bool TCoreWebView2Environment::AddAllBrowserEvents(TComponent* aBrowserComponent)
{
    return AddBrowserProcessExitedBrowserEvent(aBrowserComponent) &&
           AddProcessInfosChangedBrowserEvent(aBrowserComponent);
}

void TCoreWebView2Environment::RemoveAllEvents()
{
    if (!GetInitialized())
        return;
    if (FNewBrowserVersionAvailableEventToken.value != 0)
        FBaseIntf->remove_NewBrowserVersionAvailable(FNewBrowserVersionAvailableEventToken);
    if (FBaseIntf5 && FBrowserProcessExitedEventToken.value != 0)
        FBaseIntf5->remove_BrowserProcessExited(FBrowserProcessExitedEventToken);
    if (FBaseIntf8 && FProcessInfosChangedEventToken.value != 0)
        FBaseIntf8->remove_ProcessInfosChanged(FProcessInfosChangedEventToken);
    InitializeTokens();
}

bool TCoreWebView2Environment::CreateCoreWebView2Controller(HWND aParentWindow,
                                                            IWVBrowserEvents* aBrowserEvents,
                                                            HRESULT& aResult)
{
    aResult = E_FAIL;
    if (!GetInitialized())
        return false;
    const TComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> handler(
        new TCoreWebView2CreateCoreWebView2ControllerCompletedHandler(aBrowserEvents));
    aResult = FBaseIntf->CreateCoreWebView2Controller(aParentWindow, handler.Get());
    return SUCCEEDED(aResult);
}

bool TCoreWebView2Environment::CreateCoreWebView2CompositionController(
    HWND aParentWindow, IWVBrowserEvents* aBrowserEvents, HRESULT& aResult)
{
    aResult = E_FAIL;
    if (!FBaseIntf3)
        return false;
    const TComPtr<ICoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler> handler(
        new TCoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler(aBrowserEvents));
    aResult = FBaseIntf3->CreateCoreWebView2CompositionController(aParentWindow, handler.Get());
    return SUCCEEDED(aResult);
}

bool TCoreWebView2Environment::CreateCoreWebView2ControllerOptions(
    TComPtr<ICoreWebView2ControllerOptions>& aOptions, HRESULT& aResult)
{
    aOptions.Reset();
    aResult = E_FAIL;
    if (!FBaseIntf10) {
        aResult = E_NOTIMPL;
        return false;
    }
    aResult = FBaseIntf10->CreateCoreWebView2ControllerOptions(aOptions.Put());
    return SUCCEEDED(aResult);
}

bool TCoreWebView2Environment::CreateCoreWebView2ControllerWithOptions(
    HWND aParentWindow, ICoreWebView2ControllerOptions* aOptions, IWVBrowserEvents* aBrowserEvents,
    HRESULT& aResult)
{
    aResult = E_FAIL;
    if (!FBaseIntf10)
        return false;
    const TComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> handler(
        new TCoreWebView2CreateCoreWebView2ControllerCompletedHandler(aBrowserEvents));
    aResult = FBaseIntf10->CreateCoreWebView2ControllerWithOptions(aParentWindow, aOptions,
                                                                   handler.Get());
    return SUCCEEDED(aResult);
}

bool TCoreWebView2Environment::CreateCoreWebView2CompositionControllerWithOptions(
    HWND aParentWindow, ICoreWebView2ControllerOptions* aOptions, IWVBrowserEvents* aBrowserEvents,
    HRESULT& aResult)
{
    aResult = E_FAIL;
    if (!FBaseIntf10)
        return false;
    const TComPtr<ICoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler> handler(
        new TCoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler(aBrowserEvents));
    aResult = FBaseIntf10->CreateCoreWebView2CompositionControllerWithOptions(
        aParentWindow, aOptions, handler.Get());
    return SUCCEEDED(aResult);
}

bool TCoreWebView2Environment::CreatePrintSettings(
    TComPtr<ICoreWebView2PrintSettings>& aPrintSettings)
{
    aPrintSettings.Reset();
    if (!FBaseIntf6)
        return false;
    if (FAILED(FBaseIntf6->CreatePrintSettings(aPrintSettings.Put())))
        aPrintSettings.Reset();
    return static_cast<bool>(aPrintSettings);
}

bool TCoreWebView2Environment::CreateFindOptions(TComPtr<ICoreWebView2FindOptions>& aFindOptions)
{
    aFindOptions.Reset();
    if (!FBaseIntf15)
        return false;
    if (FAILED(FBaseIntf15->CreateFindOptions(aFindOptions.Put())))
        aFindOptions.Reset();
    return static_cast<bool>(aFindOptions);
}

wvstring TCoreWebView2Environment::GetUserDataFolder()
{
    if (!FBaseIntf7)
        return wvstring();
    LPWSTR folder = nullptr;
    if (FAILED(FBaseIntf7->get_UserDataFolder(&folder)))
        return wvstring();
    wvstring result = folder ? wvstring(folder) : wvstring();
    CoTaskMemFree(folder);
    return result;
}
