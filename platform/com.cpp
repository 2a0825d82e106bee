#include "com.h"

#include <cstdio>
#include <cstdlib>

namespace {

struct TApartment
{
    int Model = 0; // 0 none, else dwCoInit + 1
    int Count = 0;
};

thread_local TApartment GApartment;

} // namespace

std::u16string GuidToString(REFGUID g)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return std::u16string(buf, buf + 38);
}

int CurrentApartment()
{
    return GApartment.Model;
}

extern "C" {

int WINAPI StringFromGUID2(REFGUID rguid, LPWSTR lpsz, int cchMax)
{
    if (!lpsz || cchMax < 39)
        return 0;
    const std::u16string s = GuidToString(rguid);
    for (std::size_t i = 0; i < s.size(); ++i)
        lpsz[i] = s[i];
    lpsz[s.size()] = 0;
    return static_cast<int>(s.size() + 1);
}

BOOL WINAPI IsEqualGUID(REFGUID a, REFGUID b)
{
    return a == b ? TRUE : FALSE;
}

HRESULT WINAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit)
{
    if (pvReserved)
        return E_INVALIDARG;
    const DWORD model = dwCoInit & COINIT_APARTMENTTHREADED;
    if ((dwCoInit & ~0xFu) != 0)
        return E_INVALIDARG;
    const int wanted = static_cast<int>(model) + 1;
    if (GApartment.Model == 0) {
        GApartment.Model = wanted;
        GApartment.Count = 1;
        return S_OK;
    }
    if (GApartment.Model != wanted)
        return RPC_E_CHANGED_MODE;
    ++GApartment.Count;
    return S_FALSE;
}

void WINAPI CoUninitialize()
{
    if (GApartment.Count > 0 && --GApartment.Count == 0)
        GApartment.Model = 0;
}

LPVOID WINAPI CoTaskMemAlloc(SIZE_T cb)
{
    return std::malloc(cb ? cb : 1);
}

void WINAPI CoTaskMemFree(LPVOID pv)
{
    std::free(pv);
}
}
