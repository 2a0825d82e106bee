// The owner of one runtime controller (the webview's place in a host window): bounds, focus, zoom,
// closing, and the controller's event subscriptions for a browser component.
#pragma once

#include "wvwrapper.h"

// The controller's events in the order AddAllBrowserEvents subscribes them.
#define WV_CONTROLLER_EVENTS(X)                                                                    \
    X(AcceleratorKeyPressed, FBaseIntf, AddAcceleratorKeyPressedEvent)                             \
    X(GotFocus, FBaseIntf, AddGotFocusEvent)                                                       \
    X(LostFocus, FBaseIntf, AddLostFocusEvent)                                                     \
    X(MoveFocusRequested, FBaseIntf, AddMoveFocusRequestedEvent)                                   \
    X(ZoomFactorChanged, FBaseIntf, AddZoomFactorChangedEvent)                                     \
    X(RasterizationScaleChanged, FBaseIntf3, AddRasterizationScaleChangedEvent)

using TWVMoveFocusReason = COREWEBVIEW2_MOVE_FOCUS_REASON;

class TCoreWebView2Controller
{
public:
    explicit TCoreWebView2Controller(ICoreWebView2Controller* aBaseIntf);
    // Removes the subscriptions, closes the controller (and with it the webview) and releases the
    // interfaces.
    virtual ~TCoreWebView2Controller();
    TCoreWebView2Controller(const TCoreWebView2Controller&) = delete;
    TCoreWebView2Controller& operator=(const TCoreWebView2Controller&) = delete;

    bool GetInitialized() const { return static_cast<bool>(FBaseIntf); }
    bool Initialized() const { return GetInitialized(); }
    ICoreWebView2Controller* BaseIntf() const { return FBaseIntf.Get(); }
    int HighestVersion() const;

    void InitializeFields();
    void InitializeTokens();

#define WV_DECLARE_ADD(EVENT, FIELD, ROUTINE) bool ROUTINE(TComponent* aBrowserComponent);
    WV_CONTROLLER_EVENTS(WV_DECLARE_ADD)
#undef WV_DECLARE_ADD
    // Attempts every subscription; True when all succeeded.
    bool AddAllBrowserEvents(TComponent* aBrowserComponent);
    void RemoveAllEvents();
    int SubscribedEventCount() const;

    bool MoveFocus(TWVMoveFocusReason aReason);
    bool Close();
    // The controller's webview (a member of the base interface), or null.
    TComPtr<ICoreWebView2> GetCoreWebView2();
    double GetZoomFactor();
    void SetBounds(const RECT& aValue);

private:
    TComPtr<ICoreWebView2Controller> FBaseIntf;
    TComPtr<ICoreWebView2Controller2> FBaseIntf2;
    TComPtr<ICoreWebView2Controller3> FBaseIntf3;
    TComPtr<ICoreWebView2Controller4> FBaseIntf4;
#define WV_DECLARE_TOKEN(EVENT, FIELD, ROUTINE) EventRegistrationToken F##EVENT##Token{0};
    WV_CONTROLLER_EVENTS(WV_DECLARE_TOKEN)
#undef WV_DECLARE_TOKEN
};
