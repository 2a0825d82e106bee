// One custom URI scheme handed to the runtime inside the environment options.
#pragma once

#include "wvrefcounted.h"
#include "wvtypes.h"

class TCoreWebView2CustomSchemeRegistration final
    : public TWVRefCounted<ICoreWebView2CustomSchemeRegistration>
{
public:
    explicit TCoreWebView2CustomSchemeRegistration(const TWVCustomSchemeInfo& ACustomSchemeInfo);

    HRESULT STDMETHODCALLTYPE Get_SchemeName(LPWSTR* schemeName) override;
    HRESULT STDMETHODCALLTYPE Get_TreatAsSecure(BOOL* treatAsSecure) override;
    HRESULT STDMETHODCALLTYPE Set_TreatAsSecure(BOOL value) override;
    // The origins, trimmed and without empty items, as task-allocator copies in a
    // task-allocator array; count 0 and a null array for none.
    HRESULT STDMETHODCALLTYPE GetAllowedOrigins(UINT32* allowedOriginsCount,
                                                LPWSTR** allowedOrigins) override;
    HRESULT STDMETHODCALLTYPE SetAllowedOrigins(UINT32 allowedOriginsCount,
                                                LPCWSTR* allowedOrigins) override;
    HRESULT STDMETHODCALLTYPE Get_HasAuthorityComponent(BOOL* hasAuthorityComponent) override;
    HRESULT STDMETHODCALLTYPE Set_HasAuthorityComponent(BOOL hasAuthorityComponent) override;

    const TWVCustomSchemeInfo& CustomSchemeInfo() const { return FCustomSchemeInfo; }

private:
    TWVCustomSchemeInfo FCustomSchemeInfo;
};
