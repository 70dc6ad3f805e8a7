// The hourglass cursor for long operations, as a guard that restores the previous cursor when it
// goes out of scope, on every path, exceptions included.
#pragma once

namespace platform::ui {

class HourGlass {
public:
    HourGlass();
    ~HourGlass();
    HourGlass(const HourGlass&) = delete;
    HourGlass& operator=(const HourGlass&) = delete;
};

// True while an hourglass guard is alive.
bool HourGlassShown();

} // namespace platform::ui
