// COM basics: interface ids, IUnknown, apartments, the task allocator and a counted pointer.
#pragma once

#include "wintypes.h"

#include <string>
#include <utility>

struct GUID
{
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];

    friend constexpr bool operator==(const GUID& a, const GUID& b)
    {
        if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
            return false;
        for (int i = 0; i < 8; ++i)
            if (a.Data4[i] != b.Data4[i])
                return false;
        return true;
    }
};
using IID = GUID;
using REFIID = const IID&;
using REFGUID = const GUID&;

// Interface ids of this system's interfaces are derived from the interface's name, so every
// declaration gets a stable, distinct id without a table of numbers (a name-based UUID,
// version 8, from two FNV-1a hashes).
constexpr GUID GuidFromName(const char* name)
{
    std::uint64_t h1 = 0xcbf29ce484222325ull;
    std::uint64_t h2 = 0x84222325cbf29ce4ull;
    for (const char* p = name; *p; ++p) {
        h1 = (h1 ^ static_cast<unsigned char>(*p)) * 0x100000001b3ull;
        h2 = (h2 ^ static_cast<unsigned char>(*p)) * 0x100000001b3ull;
        h2 ^= h2 >> 29;
    }
    GUID g{};
    g.Data1 = static_cast<std::uint32_t>(h1 >> 32);
    g.Data2 = static_cast<std::uint16_t>(h1 >> 16);
    g.Data3 = static_cast<std::uint16_t>((h1 & 0x0FFF) | 0x8000);
    for (int i = 0; i < 8; ++i)
        g.Data4[i] = static_cast<std::uint8_t>(h2 >> (56 - 8 * i));
    g.Data4[0] = static_cast<std::uint8_t>((g.Data4[0] & 0x3F) | 0x80);
    return g;
}

// The root of every interface. Objects are freed by their last Release, never by delete
// through an interface pointer.
struct IUnknown
{
    static constexpr GUID InterfaceId = {
        0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    // Virtual so that every implementation's destructor runs from its own Release.
    virtual ~IUnknown() = default;
};
inline constexpr GUID IID_IUnknown = IUnknown::InterfaceId;

// The interface id of an interface type.
template <typename T> constexpr const GUID& IIDOf()
{
    return T::InterfaceId;
}

// Declares interface NAME deriving from BASE, with its id constant IID_NAME.
#define QUORVEL_INTERFACE(NAME, BASE)                                                              \
    struct NAME;                                                                                   \
    inline constexpr GUID IID_##NAME = GuidFromName(#NAME);                                        \
    template <> constexpr const GUID& IIDOf<NAME>()                                                \
    {                                                                                              \
        return IID_##NAME;                                                                         \
    }                                                                                              \
    struct NAME : BASE

// The brace text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
std::u16string GuidToString(REFGUID guid);

extern "C" {
// Writes the brace form and a NUL into lpsz; returns the characters written including the
// NUL, or 0 when cchMax is below 39.
int WINAPI StringFromGUID2(REFGUID rguid, LPWSTR lpsz, int cchMax);
BOOL WINAPI IsEqualGUID(REFGUID a, REFGUID b);

constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
// Per thread: S_OK the first time, S_FALSE when the thread already has the same model,
// RPC_E_CHANGED_MODE for another model, E_INVALIDARG for an unknown one.
HRESULT WINAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
void WINAPI CoUninitialize();
LPVOID WINAPI CoTaskMemAlloc(SIZE_T cb);
void WINAPI CoTaskMemFree(LPVOID pv);
}

// The calling thread's apartment: 0 none, else COINIT_APARTMENTTHREADED + 1 or
// COINIT_MULTITHREADED + 1.
int CurrentApartment();

// A counted interface pointer: holds one reference and releases it when it goes.
template <typename T> class TComPtr
{
public:
    TComPtr() = default;
    TComPtr(std::nullptr_t) {}
    // Takes a new reference on p.
    explicit TComPtr(T* p) : FPtr(p)
    {
        if (FPtr)
            FPtr->AddRef();
    }
    TComPtr(const TComPtr& o) : TComPtr(o.FPtr) {}
    TComPtr(TComPtr&& o) noexcept : FPtr(std::exchange(o.FPtr, nullptr)) {}
    ~TComPtr() { Reset(); }
    TComPtr& operator=(const TComPtr& o)
    {
        TComPtr tmp(o);
        std::swap(FPtr, tmp.FPtr);
        return *this;
    }
    TComPtr& operator=(TComPtr&& o) noexcept
    {
        TComPtr tmp(std::move(o));
        std::swap(FPtr, tmp.FPtr);
        return *this;
    }
    // Adopts a reference the caller already owns.
    static TComPtr Attach(T* p)
    {
        TComPtr r;
        r.FPtr = p;
        return r;
    }
    void Reset()
    {
        if (FPtr)
            std::exchange(FPtr, nullptr)->Release();
    }
    // Hands the reference to the caller (for out parameters).
    T* Detach() { return std::exchange(FPtr, nullptr); }
    // Releases what is held and gives the address to fill with a new reference.
    T** Put()
    {
        Reset();
        return &FPtr;
    }
    T* Get() const { return FPtr; }
    T* operator->() const { return FPtr; }
    explicit operator bool() const { return FPtr != nullptr; }
    template <typename U> TComPtr<U> As() const
    {
        TComPtr<U> r;
        if (FPtr)
            FPtr->QueryInterface(IIDOf<U>(), reinterpret_cast<void**>(r.Put()));
        return r;
    }

private:
    T* FPtr = nullptr;
};

// Answers a query on aObject for IUnknown (through the interface Top) and for each of Is: a new
// reference taken through the object's AddRef; E_NOINTERFACE and null for any other interface,
// E_POINTER without an out parameter.
template <typename Top, typename... Is, typename T>
HRESULT QueryInterfacesOf(T* aObject, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown)
        *ppv = static_cast<IUnknown*>(static_cast<Top*>(aObject));
    else
        (void)((riid == IIDOf<Is>() ? (*ppv = static_cast<Is*>(aObject), true) : false) || ...);
    if (!*ppv)
        return E_NOINTERFACE;
    aObject->AddRef();
    return S_OK;
}
