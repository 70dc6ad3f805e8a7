// The application's default error box: the one place where an error that escapes a command
// handler is caught and shown while the program goes on. Qt lets no exception pass through its
// event loop, so every command handler is connected through Guarded, which does what the
// platform's application object would.
#pragma once

#include <QObject>
#include <concepts>
#include <exception>
#include <utility>

namespace platform::ui {

// Shows the error's text in the default error box.
void ShowDefaultError(const std::exception& error);
void ShowUnknownError();

// A handler that runs f and shows whatever escapes it in the default error box.
template <typename F> auto Guarded(F f) {
    // The constraint lets Qt find how many of a signal's arguments the handler takes.
    return [f = std::move(f)](auto&&... args) requires std::invocable<const F&, decltype(args)...> {
        try {
            f(std::forward<decltype(args)>(args)...);
        } catch (const std::exception& error) {
            ShowDefaultError(error);
        } catch (...) {
            ShowUnknownError();
        }
    };
}

// Connects a signal to a command handler through Guarded.
template <typename Sender, typename Signal, typename F>
QMetaObject::Connection ConnectCommand(Sender* sender, Signal signal, QObject* context, F f) {
    return QObject::connect(sender, signal, context, Guarded(std::move(f)));
}

} // namespace platform::ui
