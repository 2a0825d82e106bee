// The interface through which the runtime's callback objects reach the
// process-wide loader.
#pragma once

#include "wvcallbacktarget.h"
#include "wvinterfaces.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

QUORVEL_INTERFACE(IWVLoaderEvents, IWVCallbackTarget)
{
    virtual HRESULT STDMETHODCALLTYPE EnvironmentCompletedHandler_Invoke(
        HRESULT errorCode, ICoreWebView2Environment * result) = 0;
    virtual HRESULT STDMETHODCALLTYPE NewBrowserVersionAvailableEventHandler_Invoke(
        ICoreWebView2Environment * sender, IUnknown * args) = 0;
    virtual HRESULT STDMETHODCALLTYPE BrowserProcessExitedEventHandler_Invoke(
        ICoreWebView2Environment * sender, ICoreWebView2BrowserProcessExitedEventArgs * args) = 0;
    virtual HRESULT STDMETHODCALLTYPE ProcessInfosChangedEventHandler_Invoke(
        ICoreWebView2Environment * sender, IUnknown * args) = 0;
};

#pragma GCC diagnostic pop
