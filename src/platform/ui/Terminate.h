// Ending the program at once (the choice window's exit button, the auto-exit after an install).
// A hook lets tests see the request instead of ending the test program.
#pragma once

#include <functional>

namespace platform::ui {

void SetTerminateHook(std::function<void()> hook);
void TerminateApplication();

} // namespace platform::ui
