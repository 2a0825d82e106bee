// The owner of one runtime composition controller, for hosts that draw the webview through a visual
// tree of their own; it holds the object and its event subscriptions.
#pragma once

#include "wvwrapper.h"

class TCoreWebView2CompositionController
{
public:
    explicit TCoreWebView2CompositionController(ICoreWebView2CompositionController* aBaseIntf);
    // Removes the subscriptions and releases the interfaces; closes nothing.
    virtual ~TCoreWebView2CompositionController();
    TCoreWebView2CompositionController(const TCoreWebView2CompositionController&) = delete;
    TCoreWebView2CompositionController&
    operator=(const TCoreWebView2CompositionController&) = delete;

    bool GetInitialized() const { return static_cast<bool>(FBaseIntf); }
    bool Initialized() const { return GetInitialized(); }
    ICoreWebView2CompositionController* BaseIntf() const { return FBaseIntf.Get(); }

    void InitializeFields();
    void InitializeTokens();
    bool AddCursorChangedEvent(TComponent* aBrowserComponent);
    bool AddNonClientRegionChangedEvent(TComponent* aBrowserComponent);
    bool AddDragStartingEvent(TComponent* aBrowserComponent);
    // Attempts every subscription; True when all succeeded.
    bool AddAllBrowserEvents(TComponent* aBrowserComponent);
    void RemoveAllEvents();

private:
    TComPtr<ICoreWebView2CompositionController> FBaseIntf;
    TComPtr<ICoreWebView2CompositionController2> FBaseIntf2;
    TComPtr<ICoreWebView2CompositionController3> FBaseIntf3;
    TComPtr<ICoreWebView2CompositionController4> FBaseIntf4;
    TComPtr<ICoreWebView2CompositionController5> FBaseIntf5;
    EventRegistrationToken FCursorChangedToken{0};
    EventRegistrationToken FNonClientRegionChanged{0};
    EventRegistrationToken FDragStartingToken{0};
};
