// Types shared by the whole embedded browser host.
#pragma once

#include <memory>
#include <string>

// The host's string type: UTF-16, as the runtime's strings are.
using wvstring = std::u16string;

// A counted cell through which callback objects reach their target. The target clears it in
// its destructor, so a completion that arrives after the target is gone finds no target and
// takes the no-target path instead of using freed memory.
template <typename I> struct TWVTargetCell
{
    explicit TWVTargetCell(I* ATarget) : Target(ATarget) {}
    I* Target = nullptr;
};
template <typename I> using TWVTargetRef = std::shared_ptr<TWVTargetCell<I>>;

template <typename I> TWVTargetRef<I> MakeTargetCell(I* ATarget)
{
    return std::make_shared<TWVTargetCell<I>>(ATarget);
}
