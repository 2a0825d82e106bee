// Reference counting and interface queries for the runtime's objects.
#pragma once

#include "wvinterfaces.h"

#include <QThread>
#include <QtGlobal>

#include <atomic>
#include <exception>

namespace wvruntime {

// Objects alive in the runtime library (DllCanUnloadNow answers S_FALSE while any is).
extern std::atomic<long> GLiveObjects;

// A runtime object implementing the interface chain that ends in Top. It starts with one
// reference, which TComPtr<...>::Attach adopts.
template <typename Top> class TComObject : public Top
{
public:
    TComObject() : FThread(QThread::currentThread()) { ++GLiveObjects; }
    TComObject(const TComObject&) = delete;
    TComObject& operator=(const TComObject&) = delete;
    virtual ~TComObject() { --GLiveObjects; }

    ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG r = --FRefs;
        if (r == 0)
            delete this;
        return r;
    }

protected:
    // Answers IUnknown and each listed interface; E_NOINTERFACE for anything else.
    template <typename... Is> HRESULT QueryInterfaces(REFIID riid, void** ppv)
    {
        return QueryInterfacesOf<Top, Is...>(this, riid, ppv);
    }
    bool OnOwnThread() const { return QThread::currentThread() == FThread; }

private:
    std::atomic<ULONG> FRefs{1};
    QThread* FThread;
};

// Takes a new reference for an out parameter.
template <typename I, typename T> HRESULT HandOut(T* object, I** out)
{
    if (!out)
        return E_POINTER;
    *out = object;
    if (object)
        object->AddRef();
    return S_OK;
}

// A value for an out parameter.
template <typename T, typename V> HRESULT HandOutValue(const V& value, T* out)
{
    if (!out)
        return E_POINTER;
    *out = value;
    return S_OK;
}

// A new object for an out parameter: the caller adopts its first reference.
template <typename T, typename I> HRESULT HandOutNew(I** out)
{
    if (!out)
        return E_POINTER;
    *out = new T;
    return S_OK;
}

// A NUL-terminated task-allocator copy for an out parameter.
HRESULT HandOutString(const QString& text, LPWSTR* out);

// The JSON text of a value ("null" for none).
QString JsonOf(const QVariant& value);
// The JSON string literal of a text.
QString JsonString(const QString& text);

// Calls a handler the way the runtime calls the host: an exception must not unwind into the
// event loop.
template <typename F> void CallHost(const char* what, F&& call)
{
    try {
        call();
    } catch (const std::exception& e) {
        qCritical("browser runtime: %s handler threw: %s", what, e.what());
    } catch (...) {
        qCritical("browser runtime: %s handler threw", what);
    }
}

} // namespace wvruntime

#define WV_CHECK_THREAD()                                                                          \
    do {                                                                                           \
        if (!OnOwnThread())                                                                        \
            return RPC_E_WRONG_THREAD;                                                             \
    } while (0)
