// The message box and busy cursor for plain C++ code.
#include "platform/UserNotice.h"

#include <cstdio>

namespace platform {
namespace {

MessageSink& Messages() {
    static MessageSink sink;
    return sink;
}

CursorSink& Cursor() {
    static CursorSink sink;
    return sink;
}

EventPump& Pump() {
    static EventPump pump;
    return pump;
}

} // namespace

void SetMessageSink(MessageSink sink) {
    Messages() = std::move(sink);
}
void SetCursorSink(CursorSink sink) {
    Cursor() = std::move(sink);
}
void SetEventPump(EventPump pump) {
    Pump() = std::move(pump);
}

void ShowMessage(const std::string& text) {
    if (Messages())
        Messages()(text);
    else
        std::fprintf(stderr, "%s\n", text.c_str());
}

void ShowBusyCursor(bool busy) {
    if (Cursor())
        Cursor()(busy);
}

void ProcessPendingEvents() {
    if (Pump())
        Pump()();
}

} // namespace platform
