#include "wvwebmessagereceivedeventargs.h"

#include "wvwrapper.h"

TCoreWebView2WebMessageReceivedEventArgs::TCoreWebView2WebMessageReceivedEventArgs(
    ICoreWebView2WebMessageReceivedEventArgs* aArgs)
    : FBaseIntf(aArgs)
{
    // LoggedQueryInterface logs a missing version once per process, not once per message.
    QueryVersionChain(FBaseIntf.Get(), FBaseIntf2);
}

TCoreWebView2WebMessageReceivedEventArgs::~TCoreWebView2WebMessageReceivedEventArgs()
{
    FBaseIntf2.Reset();
    FBaseIntf.Reset();
}

wvstring TCoreWebView2WebMessageReceivedEventArgs::GetWebMessageAsJson()
{
    if (!Initialized())
        return {};
    LPWSTR text = nullptr;
    if (FAILED(FBaseIntf->get_WebMessageAsJson(&text)))
        return {};
    return TakeCoTaskMemString(text);
}
