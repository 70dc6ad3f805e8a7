// The help engine: shows the program's help file, an HTML document of our own, in a help window
// opened at its contents. The window belongs to the window that asks for help and is reused for
// every request; it is shown through the dialog service, so tests see the request instead of the
// window. A help file that cannot be read gets the engine's own message.
#pragma once

#include <cstdint>
#include <string>

class QWidget;

namespace platform::ui {

// The help engine's commands that the program uses.
constexpr unsigned HELP_CONTENTS = 3; // the contents of the help file (data 0)

// Carries out a help command for the file at a Windows path; false when the command is unknown or
// the file cannot be read (after the engine's message).
bool WinHelp(QWidget* owner, const std::string& helpFile, unsigned command, std::uintptr_t data);

} // namespace platform::ui
