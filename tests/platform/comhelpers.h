// Small COM objects for the runtime tests: a custom scheme registration and an environment
// options object (handlers from lambdas come with testcom.h).
#pragma once

#include "testcom.h"

#include <QString>

inline QString TakeWide(LPWSTR s)
{
    const QString r = s ? QString::fromUtf16(s) : QString();
    CoTaskMemFree(s);
    return r;
}

// A custom scheme registration; the runtime must refuse environments that carry one.
class TTestScheme final : public TTestObject<ICoreWebView2CustomSchemeRegistration>
{
public:
    HRESULT STDMETHODCALLTYPE Get_SchemeName(LPWSTR* s) override
    {
        *s = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Get_TreatAsSecure(BOOL* v) override
    {
        *v = FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Set_TreatAsSecure(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetAllowedOrigins(UINT32* n, LPWSTR** o) override
    {
        *n = 0;
        *o = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetAllowedOrigins(UINT32, LPCWSTR*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Get_HasAuthorityComponent(BOOL* v) override
    {
        *v = FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Set_HasAuthorityComponent(BOOL) override { return S_OK; }
};

// The options a host hands to environment creation: versions 1 and 4 only.
class TTestOptions final
    : public TTestObject<ICoreWebView2EnvironmentOptions, ICoreWebView2EnvironmentOptions4>
{
public:
    explicit TTestOptions(QString arguments, int schemes = 0)
        : FArguments(std::move(arguments)), FSchemes(schemes)
    {}
    HRESULT STDMETHODCALLTYPE Get_AdditionalBrowserArguments(LPWSTR* v) override
    {
        return Out(FArguments, v);
    }
    HRESULT STDMETHODCALLTYPE Set_AdditionalBrowserArguments(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Get_Language(LPWSTR* v) override { return Out(QString(), v); }
    HRESULT STDMETHODCALLTYPE Set_Language(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Get_TargetCompatibleBrowserVersion(LPWSTR* v) override
    {
        return Out(QStringLiteral("148.0.3967.48"), v);
    }
    HRESULT STDMETHODCALLTYPE Set_TargetCompatibleBrowserVersion(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* v) override
    {
        *v = FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Set_AllowSingleSignOnUsingOSPrimaryAccount(BOOL) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCustomSchemeRegistrations(
        UINT32* count, ICoreWebView2CustomSchemeRegistration*** registrations) override
    {
        *count = static_cast<UINT32>(FSchemes);
        *registrations = nullptr;
        if (FSchemes > 0) {
            *registrations = static_cast<ICoreWebView2CustomSchemeRegistration**>(
                CoTaskMemAlloc(sizeof(void*) * static_cast<std::size_t>(FSchemes)));
            for (int i = 0; i < FSchemes; ++i)
                (*registrations)[i] = new TTestScheme;
        }
        GetterCalls++;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE
    SetCustomSchemeRegistrations(UINT32, ICoreWebView2CustomSchemeRegistration**) override
    {
        return S_OK;
    }
    int GetterCalls = 0;

private:
    static HRESULT Out(const QString& s, LPWSTR* v)
    {
        if (s.isEmpty()) {
            *v = nullptr;
            return S_OK;
        }
        const std::u16string w = s.toStdU16String();
        *v = static_cast<LPWSTR>(CoTaskMemAlloc((w.size() + 1) * 2));
        w.copy(*v, w.size());
        (*v)[w.size()] = 0;
        return S_OK;
    }
    QString FArguments;
    int FSchemes;
};
