// COM objects for tests and benchmarks: reference counting and interface queries, handlers
// made from functions, and running the event loop until something has happened.
#pragma once

#include "wvinterfaces.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <atomic>
#include <functional>

// An object implementing the interfaces Bases; it answers IUnknown (as the first of them) and
// each of Bases. It starts with one reference, which TComPtr<...>::Attach adopts.
template <typename... Bases> class TTestObject : public Bases...
{
public:
    TTestObject() = default;
    TTestObject(const TTestObject&) = delete;
    TTestObject& operator=(const TTestObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        return QueryInterfaces<Bases...>(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG r = --FRefs;
        if (!r)
            delete this;
        return r;
    }

protected:
    virtual ~TTestObject() = default;

    // Answers IUnknown and each listed interface; E_NOINTERFACE for anything else.
    template <typename... Is> HRESULT QueryInterfaces(REFIID riid, void** ppv)
    {
        return QueryInterfacesOf<First, Is...>(this, riid, ppv);
    }

private:
    template <typename F, typename...> struct TFirst
    {
        using Type = F;
    };
    using First = typename TFirst<Bases...>::Type;

    std::atomic<ULONG> FRefs{1};
};

// A handler of interface I whose Invoke calls a function.
template <typename I, typename M = decltype(&I::Invoke)> class THandler;
template <typename I, typename C, typename... A>
class THandler<I, HRESULT (STDMETHODCALLTYPE C::*)(A...)> final : public TTestObject<I>
{
public:
    explicit THandler(std::function<HRESULT(A...)> f) : FCall(std::move(f)) {}
    HRESULT STDMETHODCALLTYPE Invoke(A... args) override { return FCall(args...); }

private:
    std::function<HRESULT(A...)> FCall;
};

template <typename I, typename F> TComPtr<I> MakeHandler(F&& f)
{
    return TComPtr<I>::Attach(new THandler<I>(std::forward<F>(f)));
}

// Runs the event loop until aDone() holds (checked before every pass) or aMilliseconds have
// passed; False when the time ran out.
inline bool RunEventsUntil(const std::function<bool()>& aDone, qint64 aMilliseconds)
{
    QElapsedTimer limit;
    limit.start();
    while (!aDone()) {
        if (limit.elapsed() > aMilliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}
