// The user-interface services that plain C++ code needs: a message box with OK, the busy cursor,
// and letting the windows process their pending events during a long wait. The Qt part of the
// platform connects them to the real dialog service, cursor and event loop; until it does, a
// message goes to standard error and the other two requests are ignored.
#pragma once

#include <functional>
#include <string>

namespace platform {

using MessageSink = std::function<void(const std::string& text)>;
using CursorSink = std::function<void(bool busy)>;
using EventPump = std::function<void()>;

void SetMessageSink(MessageSink sink);
void SetCursorSink(CursorSink sink);
void SetEventPump(EventPump pump);

void ShowMessage(const std::string& text);
void ShowBusyCursor(bool busy);
void ProcessPendingEvents();

// The busy cursor for as long as the guard lives.
class BusyCursor {
public:
    BusyCursor() { ShowBusyCursor(true); }
    ~BusyCursor() { ShowBusyCursor(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace platform
