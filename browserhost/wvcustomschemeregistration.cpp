#include "wvcustomschemeregistration.h"

#include "wvproperties.h"

#include <cstring>
#include <vector>

namespace {

bool IsBlank(char16_t c)
{
    return c <= 32;
}

} // namespace

TCoreWebView2CustomSchemeRegistration::TCoreWebView2CustomSchemeRegistration(
    const TWVCustomSchemeInfo& ACustomSchemeInfo)
    : FCustomSchemeInfo(ACustomSchemeInfo)
{}

HRESULT TCoreWebView2CustomSchemeRegistration::Get_SchemeName(LPWSTR* schemeName)
{
    return wvproperty::GetString(FCustomSchemeInfo.SchemeName, schemeName);
}

HRESULT TCoreWebView2CustomSchemeRegistration::Get_TreatAsSecure(BOOL* treatAsSecure)
{
    return wvproperty::GetBool(FCustomSchemeInfo.TreatAsSecure, treatAsSecure);
}

HRESULT TCoreWebView2CustomSchemeRegistration::Set_TreatAsSecure(BOOL value)
{
    return wvproperty::SetBool(FCustomSchemeInfo.TreatAsSecure, value);
}

HRESULT TCoreWebView2CustomSchemeRegistration::GetAllowedOrigins(UINT32* allowedOriginsCount,
                                                                 LPWSTR** allowedOrigins)
{
    if (!allowedOriginsCount || !allowedOrigins)
        return E_POINTER;
    *allowedOriginsCount = 0;
    *allowedOrigins = nullptr;
    const wvstring& all = FCustomSchemeInfo.AllowedDomains;
    if (all.empty())
        return S_OK;

    std::vector<wvstring> items;
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = all.find(u',', start);
        if (end == wvstring::npos)
            end = all.size();
        std::size_t a = start, b = end;
        while (a < b && IsBlank(all[a]))
            ++a;
        while (b > a && IsBlank(all[b - 1]))
            --b;
        if (b > a)
            items.emplace_back(all, a, b - a);
        start = end + 1;
    }
    if (items.empty())
        return S_OK;

    auto* array = static_cast<LPWSTR*>(CoTaskMemAlloc(items.size() * sizeof(LPWSTR)));
    if (!array)
        return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < items.size(); ++i) {
        array[i] = AllocCoTaskMemStr(items[i]);
        if (!array[i]) {
            for (std::size_t j = 0; j < i; ++j)
                CoTaskMemFree(array[j]);
            CoTaskMemFree(array);
            return E_OUTOFMEMORY;
        }
    }
    *allowedOriginsCount = static_cast<UINT32>(items.size());
    *allowedOrigins = array;
    return S_OK;
}

HRESULT TCoreWebView2CustomSchemeRegistration::SetAllowedOrigins(UINT32 allowedOriginsCount,
                                                                 LPCWSTR* allowedOrigins)
{
    wvstring& all = FCustomSchemeInfo.AllowedDomains;
    all.clear();
    for (UINT32 i = 0; allowedOrigins && i < allowedOriginsCount; ++i) {
        if (!allowedOrigins[i])
            continue;
        if (!all.empty())
            all += u',';
        all += allowedOrigins[i];
    }
    return S_OK;
}

HRESULT
TCoreWebView2CustomSchemeRegistration::Get_HasAuthorityComponent(BOOL* hasAuthorityComponent)
{
    return wvproperty::GetBool(FCustomSchemeInfo.HasAuthorityComponent, hasAuthorityComponent);
}

HRESULT TCoreWebView2CustomSchemeRegistration::Set_HasAuthorityComponent(BOOL hasAuthorityComponent)
{
    return wvproperty::SetBool(FCustomSchemeInfo.HasAuthorityComponent, hasAuthorityComponent);
}
