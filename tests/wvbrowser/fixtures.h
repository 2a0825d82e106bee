// Runtime fixtures: real runtime objects seen through an older interface version.
#pragma once

#include "wvinterfaces.h"

#include <atomic>

// The runtime's environment as a runtime of version 9 shows it: every call reaches the real
// environment; versions 10 and later (controller options, find options) are not offered.
class TEnvironment9 final : public ICoreWebView2Environment9
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
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_ICoreWebView2Environment ||
            riid == IID_ICoreWebView2Environment2 || riid == IID_ICoreWebView2Environment3 ||
            riid == IID_ICoreWebView2Environment4 || riid == IID_ICoreWebView2Environment5 ||
            riid == IID_ICoreWebView2Environment6 || riid == IID_ICoreWebView2Environment7 ||
            riid == IID_ICoreWebView2Environment8 || riid == IID_ICoreWebView2Environment9)
            *ppv = static_cast<ICoreWebView2Environment9*>(this);
        if (!*ppv)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG r = --FRefs;
        if (r == 0)
            delete this;
        return r;
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
    std::atomic<ULONG> FRefs{1};
};
