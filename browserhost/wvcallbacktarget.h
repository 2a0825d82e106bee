// How callback objects reach their target (a browser component or the loader)
// without keeping it alive and without using it after it is gone: each target
// has a small counted cell, made on first use and cleared by the target's
// destructor (ClearCallbackTarget). A callback holds the cell; once it is
// cleared the callback behaves as one made without a target.
//
// An exception raised by a target's operation never unwinds into the runtime:
// the callback stops it, hands it to the program's top-level error report on
// the event loop and answers S_OK.
#pragma once

#include "com.h"

#include <cstddef>
#include <exception>
#include <memory>

struct TWVCallbackCell
{
    bool Alive = true;
};

// The cell of a target, made on first use (null for a null target).
std::shared_ptr<TWVCallbackCell> CallbackCellOf(const void* ATarget);
// Every callback made for the target stops reaching it. The events interfaces'
// common base calls it when a target is destroyed; a target may call it
// earlier, to cut its callbacks off before it tears itself down.
void ClearCallbackTarget(const void* ATarget);
// For tests: clears every cell, so that no callback reaches any target, and
// forgets them all; the next test starts as a fresh process would.
void ResetCallbackTargets();
// The number of targets that have a cell (a target that has been destroyed has
// none).
std::size_t CallbackTargetCount();

// The base of the events interfaces that callbacks reach (IWVBrowserEvents,
// IWVLoaderEvents). It adds no operation; its destructor clears the target's
// cell, so that no target can leave callbacks pointing at freed memory. It is
// the first base of each such interface, so its address is the interface's,
// which is the key of the cell.
struct IWVCallbackTarget : IUnknown
{
protected:
    IWVCallbackTarget() = default;
    ~IWVCallbackTarget() override { ClearCallbackTarget(this); }
    IWVCallbackTarget(const IWVCallbackTarget&) = default;
    IWVCallbackTarget& operator=(const IWVCallbackTarget&) = default;
};

// A callback's counted, clearable reference to its target.
template <typename I> class TWVTargetRef
{
public:
    TWVTargetRef() = default;
    explicit TWVTargetRef(I* ATarget) : FTarget(ATarget), FCell(CallbackCellOf(ATarget)) {}
    // The target, or null when none was given or it has gone.
    I* Get() const { return FCell && FCell->Alive ? FTarget : nullptr; }
    void Reset()
    {
        FTarget = nullptr;
        FCell.reset();
    }

private:
    I* FTarget = nullptr;
    std::shared_ptr<TWVCallbackCell> FCell;
};

// Rethrows the exception on the event loop, where the application's top-level
// handler reports it; dropped when there is no application object.
void ReportCallbackException(const char* AWhere, std::exception_ptr AException);

// Runs a target operation for a callback; an exception becomes a report and
// S_OK.
template <typename F> HRESULT InvokeContained(const char* AWhere, F&& ACall)
{
    try {
        return ACall();
    } catch (...) {
        ReportCallbackException(AWhere, std::current_exception());
        return S_OK;
    }
}
