// Runtime fixtures: real runtime objects seen through an older interface version.
#pragma once

#include "testcom.h"

// The runtime's environment as a runtime of version 9 shows it: every call reaches the real
// environment; versions 10 and later (controller options, find options) are not offered.
class TEnvironment9 final : public TTestObject<ICoreWebView2Environment9>
{
public:
    explicit TEnvironment9(ICoreWebView2Environment* aReal)
    {
        aReal->QueryInterface(IID_ICoreWebView2Environment9, reinterpret_cast<void**>(&FReal));
    }
    ~TEnvironment9() override
    {
        if (FReal)
            FReal->Release();
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        return QueryInterfaces<
            ICoreWebView2Environment, ICoreWebView2Environment2, ICoreWebView2Environment3,
            ICoreWebView2Environment4, ICoreWebView2Environment5, ICoreWebView2Environment6,
            ICoreWebView2Environment7, ICoreWebView2Environment8, ICoreWebView2Environment9>(riid,
                                                                                             ppv);
    }
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parentWindow,
        ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override
    {
        return FReal->CreateCoreWebView2Controller(parentWindow, handler);
    }
    HRESULT STDMETHODCALLTYPE add_NewBrowserVersionAvailable(
        ICoreWebView2NewBrowserVersionAvailableEventHandler* h, EventRegistrationToken* t) override
    {
        return FReal->add_NewBrowserVersionAvailable(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_NewBrowserVersionAvailable(EventRegistrationToken t) override
    {
        return FReal->remove_NewBrowserVersionAvailable(t);
    }
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2CompositionController(
        HWND parentWindow,
        ICoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler* handler) override
    {
        return FReal->CreateCoreWebView2CompositionController(parentWindow, handler);
    }
    HRESULT STDMETHODCALLTYPE add_BrowserProcessExited(
        ICoreWebView2BrowserProcessExitedEventHandler* h, EventRegistrationToken* t) override
    {
        return FReal->add_BrowserProcessExited(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_BrowserProcessExited(EventRegistrationToken t) override
    {
        return FReal->remove_BrowserProcessExited(t);
    }
    HRESULT STDMETHODCALLTYPE CreatePrintSettings(ICoreWebView2PrintSettings** out) override
    {
        return FReal->CreatePrintSettings(out);
    }
    HRESULT STDMETHODCALLTYPE get_UserDataFolder(LPWSTR* value) override
    {
        return FReal->get_UserDataFolder(value);
    }
    HRESULT STDMETHODCALLTYPE add_ProcessInfosChanged(
        ICoreWebView2ProcessInfosChangedEventHandler* h, EventRegistrationToken* t) override
    {
        return FReal->add_ProcessInfosChanged(h, t);
    }
    HRESULT STDMETHODCALLTYPE remove_ProcessInfosChanged(EventRegistrationToken t) override
    {
        return FReal->remove_ProcessInfosChanged(t);
    }

private:
    ICoreWebView2Environment9* FReal = nullptr;
};
