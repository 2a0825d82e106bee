// The owner of one browser environment (ICoreWebView2Environment and its later
// versions up to 15): the factory of controllers and option objects, and the
// subscriptions of the environment's events for the loader or for one browser
// component.
#pragma once

#include "wvtypes.h"

struct IWVBrowserEvents;

class TCoreWebView2Environment
{
public:
    explicit TCoreWebView2Environment(ICoreWebView2Environment* aBaseIntf);
    virtual ~TCoreWebView2Environment();
    TCoreWebView2Environment(const TCoreWebView2Environment&) = delete;
    TCoreWebView2Environment& operator=(const TCoreWebView2Environment&) = delete;

    bool GetInitialized() const { return static_cast<bool>(FBaseIntf); }
    bool Initialized() const { return GetInitialized(); }
    ICoreWebView2Environment* BaseIntf() const { return FBaseIntf.Get(); }

    // The loader's subscriptions (new browser version, browser process exited,
    // process infos changed) and a browser component's (the last two); each stops
    // at the first that fails.
    bool AddAllLoaderEvents(TComponent* aLoaderComponent);
    bool AddAllBrowserEvents(TComponent* aBrowserComponent);
    bool AddNewBrowserVersionAvailableEvent(TComponent* aLoaderComponent);
    bool AddBrowserProcessExitedLoaderEvent(TComponent* aLoaderComponent);
    bool AddBrowserProcessExitedBrowserEvent(TComponent* aBrowserComponent);
    bool AddProcessInfosChangedLoaderEvent(TComponent* aLoaderComponent);
    bool AddProcessInfosChangedBrowserEvent(TComponent* aBrowserComponent);
    void RemoveAllEvents();

    // Start asynchronous creation; the result arrives through aBrowserEvents.
    // aResult is E_FAIL when the interface version needed is absent, else the
    // runtime's HRESULT.
    bool CreateCoreWebView2Controller(HWND aParentWindow, IWVBrowserEvents* aBrowserEvents,
                                      HRESULT& aResult);
    bool CreateCoreWebView2CompositionController(HWND aParentWindow,
                                                 IWVBrowserEvents* aBrowserEvents,
                                                 HRESULT& aResult);
    // E_NOTIMPL in aResult when the environment offers no controller options
    // (version 10).
    bool CreateCoreWebView2ControllerOptions(TComPtr<ICoreWebView2ControllerOptions>& aOptions,
                                             HRESULT& aResult);
    bool CreateCoreWebView2ControllerWithOptions(HWND aParentWindow,
                                                 ICoreWebView2ControllerOptions* aOptions,
                                                 IWVBrowserEvents* aBrowserEvents,
                                                 HRESULT& aResult);
    bool CreateCoreWebView2CompositionControllerWithOptions(
        HWND aParentWindow, ICoreWebView2ControllerOptions* aOptions,
        IWVBrowserEvents* aBrowserEvents, HRESULT& aResult);
    bool CreatePrintSettings(TComPtr<ICoreWebView2PrintSettings>& aPrintSettings);
    bool CreateFindOptions(TComPtr<ICoreWebView2FindOptions>& aFindOptions);

    wvstring GetUserDataFolder();

protected:
    void InitializeFields();
    void InitializeTokens();

private:
    TComPtr<ICoreWebView2Environment> FBaseIntf;
    TComPtr<ICoreWebView2Environment2> FBaseIntf2;
    TComPtr<ICoreWebView2Environment3> FBaseIntf3;
    TComPtr<ICoreWebView2Environment4> FBaseIntf4;
    TComPtr<ICoreWebView2Environment5> FBaseIntf5;
    TComPtr<ICoreWebView2Environment6> FBaseIntf6;
    TComPtr<ICoreWebView2Environment7> FBaseIntf7;
    TComPtr<ICoreWebView2Environment8> FBaseIntf8;
    TComPtr<ICoreWebView2Environment9> FBaseIntf9;
    TComPtr<ICoreWebView2Environment10> FBaseIntf10;
    TComPtr<ICoreWebView2Environment11> FBaseIntf11;
    TComPtr<ICoreWebView2Environment12> FBaseIntf12;
    TComPtr<ICoreWebView2Environment13> FBaseIntf13;
    TComPtr<ICoreWebView2Environment14> FBaseIntf14;
    TComPtr<ICoreWebView2Environment15> FBaseIntf15;

    EventRegistrationToken FNewBrowserVersionAvailableEventToken{};
    EventRegistrationToken FBrowserProcessExitedEventToken{};
    EventRegistrationToken FProcessInfosChangedEventToken{};
};
