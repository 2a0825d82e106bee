#include "wvcorewebview2controlleroptions.h"

#include "wvmiscfunctions.h"

TCoreWebView2ControllerOptions::TCoreWebView2ControllerOptions(
    ICoreWebView2ControllerOptions* ABaseIntf)
    : FBaseIntf(ABaseIntf)
{
    if (FBaseIntf && LoggedQueryInterface(FBaseIntf.Get(), FBaseIntf2) &&
        LoggedQueryInterface(FBaseIntf.Get(), FBaseIntf3))
        LoggedQueryInterface(FBaseIntf.Get(), FBaseIntf4);
}

TCoreWebView2ControllerOptions::~TCoreWebView2ControllerOptions()
{
    FBaseIntf.Reset();
    FBaseIntf2.Reset();
    FBaseIntf3.Reset();
    FBaseIntf4.Reset();
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
