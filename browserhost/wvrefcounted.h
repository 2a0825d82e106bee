// The browser host's own reference-counted COM objects (callback delegates,
// option objects, scheme registrations, the built-in loader's retry handler)
// share this base: an interlocked 32-bit count, zero after construction, the
// object destroyed by the release that brings it to zero.
#pragma once

#include "com.h"

#include <atomic>

template <typename First, typename... Rest> class TWVRefCounted : public First, public Rest...
{
public:
    TWVRefCounted() = default;
    TWVRefCounted(const TWVRefCounted&) = delete;
    TWVRefCounted& operator=(const TWVRefCounted&) = delete;

    // Answers IUnknown and each implemented interface; E_NOINTERFACE for any
    // other id.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override
    {
        return QueryInterfacesOf<First, First, Rest...>(this, riid, ppvObject);
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        return static_cast<ULONG>(FRefCount.fetch_add(1) + 1);
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG count = FRefCount.fetch_sub(1) - 1;
        if (count == 0)
            delete this;
        return static_cast<ULONG>(count);
    }
    LONG RefCount() const { return FRefCount.load(); }

protected:
    ~TWVRefCounted() override = default;

private:
    std::atomic<LONG> FRefCount{0};
};
