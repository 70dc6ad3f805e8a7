// The user-interface services that plain C++ code needs: a message box with OK and the busy
// cursor. The Qt part of the platform connects them to the real dialog service and cursor; until
// it does, a message goes to standard error and the cursor request is ignored.
#pragma once

#include <functional>
#include <string>

namespace platform {

using MessageSink = std::function<void(const std::string& text)>;
using CursorSink = std::function<void(bool busy)>;

void SetMessageSink(MessageSink sink);
void SetCursorSink(CursorSink sink);

void ShowMessage(const std::string& text);
void ShowBusyCursor(bool busy);

// The busy cursor for as long as the guard lives.
class BusyCursor {
public:
    BusyCursor() { ShowBusyCursor(true); }
    ~BusyCursor() { ShowBusyCursor(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace platform
