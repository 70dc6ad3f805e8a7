// Local times for tests of file times: a time zone set for the length of a scope, and the moment
// a local date and time name there, as mktime reads it.
#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

namespace testing_support {

class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* rule) {
        if (const char* old = std::getenv("TZ")) {
            had_ = true;
            old_ = old;
        }
        ::setenv("TZ", rule, 1);
        ::tzset();
    }
    ~ScopedTimeZone() {
        if (had_)
            ::setenv("TZ", old_.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    bool had_ = false;
    std::string old_;
};

inline std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    time.tm_isdst = -1;
    return std::mktime(&time);
}

} // namespace testing_support
