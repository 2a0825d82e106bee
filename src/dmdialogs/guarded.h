// The boundary between the toolkit and the program's handlers. Every slot, timer callback,
// action, event handler and pane event that the toolkit calls runs through RunGuarded: an error
// the handler lets through ends that handler, is shown in the program's one error box, and never
// travels on into the toolkit's own frames.
#pragma once

#include <QString>
#include <concepts>
#include <utility>

// The program's error box: the application's title as caption, the message as plain text.
void ShowErrorBox(const QString& AMessage);
// Inside a catch block: shows the error being handled in the error box.
void ReportCurrentError() noexcept;

template <typename F> void RunGuarded(F&& AHandler) noexcept
{
    try {
        std::forward<F>(AHandler)();
    } catch (...) {
        ReportCurrentError();
    }
}

// For a handler that answers the toolkit (an event filter's "consumed"): AOnError when it fails.
template <typename R, typename F> R RunGuarded(R AOnError, F&& AHandler) noexcept
{
    try {
        return std::forward<F>(AHandler)();
    } catch (...) {
        ReportCurrentError();
        return AOnError;
    }
}

// AHandler as a connect target or pane event that runs through RunGuarded. It takes the leading
// arguments AHandler accepts, so the toolkit can pass it fewer of a signal's arguments.
template <typename F> auto Guarded(F AHandler)
{
    return [handler = std::move(AHandler)]<typename... A>(
        A && ... AArgs) requires std::invocable<const F&, A...>
    {
        RunGuarded([&] { handler(std::forward<A>(AArgs)...); });
    };
}
