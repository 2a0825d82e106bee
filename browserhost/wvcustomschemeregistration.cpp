#include "wvcustomschemeregistration.h"

#include "wvmiscfunctions.h"

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
    if (!schemeName)
        return E_POINTER;
    *schemeName = AllocCoTaskMemStr(FCustomSchemeInfo.SchemeName);
    if (!*schemeName && !FCustomSchemeInfo.SchemeName.empty())
        return E_OUTOFMEMORY;
    return S_OK;
}

HRESULT TCoreWebView2CustomSchemeRegistration::Get_TreatAsSecure(BOOL* treatAsSecure)
{
    if (!treatAsSecure)
        return E_POINTER;
    *treatAsSecure = FCustomSchemeInfo.TreatAsSecure ? TRUE : FALSE;
    return S_OK;
}

HRESULT TCoreWebView2CustomSchemeRegistration::Set_TreatAsSecure(BOOL value)
{
    FCustomSchemeInfo.TreatAsSecure = value != 0;
    return S_OK;
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
    if (!hasAuthorityComponent)
        return E_POINTER;
    *hasAuthorityComponent = FCustomSchemeInfo.HasAuthorityComponent ? TRUE : FALSE;
    return S_OK;
}

HRESULT TCoreWebView2CustomSchemeRegistration::Set_HasAuthorityComponent(BOOL hasAuthorityComponent)
{
    FCustomSchemeInfo.HasAuthorityComponent = hasAuthorityComponent != 0;
    return S_OK;
}
