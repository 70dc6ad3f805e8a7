// Ending the program at once.
#include "platform/ui/Terminate.h"

#include <QCoreApplication>

namespace platform::ui {
namespace {
std::function<void()>& Hook() {
    static std::function<void()> hook;
    return hook;
}
} // namespace

void SetTerminateHook(std::function<void()> hook) {
    Hook() = std::move(hook);
}

void TerminateApplication() {
    if (Hook())
        Hook()();
    else
        QCoreApplication::exit(0); // leaves every running event loop, modal ones included
}

} // namespace platform::ui
