// Unwraps a message a page posted: its JSON text.
#pragma once

#include "wvtypes.h"

class TCoreWebView2WebMessageReceivedEventArgs
{
public:
    explicit TCoreWebView2WebMessageReceivedEventArgs(
        ICoreWebView2WebMessageReceivedEventArgs* aArgs);
    ~TCoreWebView2WebMessageReceivedEventArgs();
    TCoreWebView2WebMessageReceivedEventArgs(const TCoreWebView2WebMessageReceivedEventArgs&) =
        delete;
    TCoreWebView2WebMessageReceivedEventArgs&
    operator=(const TCoreWebView2WebMessageReceivedEventArgs&) = delete;

    bool Initialized() const { return static_cast<bool>(FBaseIntf); }
    ICoreWebView2WebMessageReceivedEventArgs* BaseIntf() const { return FBaseIntf.Get(); }
    // The message as JSON text; empty without arguments or when the runtime cannot give it.
    wvstring GetWebMessageAsJson();
    wvstring WebMessageAsJson() { return GetWebMessageAsJson(); }

private:
    TComPtr<ICoreWebView2WebMessageReceivedEventArgs> FBaseIntf;
    TComPtr<ICoreWebView2WebMessageReceivedEventArgs2> FBaseIntf2;
};
