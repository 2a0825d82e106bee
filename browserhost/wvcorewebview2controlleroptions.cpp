#include "wvcorewebview2controlleroptions.h"

#include "wvmiscfunctions.h"
#include "wvwrapper.h"

TCoreWebView2ControllerOptions::TCoreWebView2ControllerOptions(
    ICoreWebView2ControllerOptions* ABaseIntf)
    : FBaseIntf(ABaseIntf)
{
    QueryVersionChain(FBaseIntf.Get(), FBaseIntf2, FBaseIntf3, FBaseIntf4);
}

TCoreWebView2ControllerOptions::~TCoreWebView2ControllerOptions()
{
    ReleaseVersionChain(FBaseIntf, FBaseIntf2, FBaseIntf3, FBaseIntf4);
}

void TCoreWebView2ControllerOptions::SetProfileName(const wvstring& AValue)
{
    if (FBaseIntf)
        FBaseIntf->put_ProfileName(AValue.c_str());
}

void TCoreWebView2ControllerOptions::SetIsInPrivateModeEnabled(bool AValue)
{
    if (FBaseIntf)
        FBaseIntf->put_IsInPrivateModeEnabled(AValue ? TRUE : FALSE);
}

void TCoreWebView2ControllerOptions::SetScriptLocale(const wvstring& AValue)
{
    if (FBaseIntf2)
        FBaseIntf2->put_ScriptLocale(AValue.c_str());
}

void TCoreWebView2ControllerOptions::SetDefaultBackgroundColor(TGraphicsColor AValue)
{
    if (!FBaseIntf3)
        return;
    COREWEBVIEW2_COLOR color = ColorToCoreWebViewColor(AValue);
    if (color.A != 0 && color.A != 255)
        color.A = 255;
    FBaseIntf3->put_DefaultBackgroundColor(color);
}

void TCoreWebView2ControllerOptions::SetAllowHostInputProcessing(bool AValue)
{
    if (FBaseIntf4)
        FBaseIntf4->put_AllowHostInputProcessing(AValue ? TRUE : FALSE);
}
