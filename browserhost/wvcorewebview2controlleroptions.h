// Owner of the runtime's controller options object (versions 1 to 4): the
// per-controller settings a browser component sets before it creates its
// controller.
#pragma once

#include "wvtypes.h"

class TCoreWebView2ControllerOptions
{
public:
    explicit TCoreWebView2ControllerOptions(ICoreWebView2ControllerOptions* ABaseIntf);
    ~TCoreWebView2ControllerOptions();
    TCoreWebView2ControllerOptions(const TCoreWebView2ControllerOptions&) = delete;
    TCoreWebView2ControllerOptions& operator=(const TCoreWebView2ControllerOptions&) = delete;

    bool Initialized() const { return static_cast<bool>(FBaseIntf); }
    ICoreWebView2ControllerOptions* BaseIntf() const { return FBaseIntf.Get(); }

    // Each does nothing when its interface version is missing; results are not
    // reported.
    void SetProfileName(const wvstring& AValue);
    void SetIsInPrivateModeEnabled(bool AValue);
    void SetScriptLocale(const wvstring& AValue);
    // A partly transparent colour is made opaque.
    void SetDefaultBackgroundColor(TGraphicsColor AValue);
    void SetAllowHostInputProcessing(bool AValue);

private:
    TComPtr<ICoreWebView2ControllerOptions> FBaseIntf;
    TComPtr<ICoreWebView2ControllerOptions2> FBaseIntf2;
    TComPtr<ICoreWebView2ControllerOptions3> FBaseIntf3;
    TComPtr<ICoreWebView2ControllerOptions4> FBaseIntf4;
};
