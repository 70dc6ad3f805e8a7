// Connects the message box and busy cursor of the plain C++ layers (engine, platform) to the
// dialog service and the hourglass cursor. The program calls it once at start.
#pragma once

namespace platform::ui {
void ConnectKernelServices();
}
