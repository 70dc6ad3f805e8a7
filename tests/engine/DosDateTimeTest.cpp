// An entry's DOS date and time read as local time gives the moment mktime gives, in zones with and
// without summer time, on both sides of the year's changes of the clock.
#include "engine/DosDateTime.h"

#include "LocalTime.h"

#include <gtest/gtest.h>

using testing_support::LocalTime;
using testing_support::ScopedTimeZone;

namespace {

std::uint16_t DosDate(int year, int month, int day) {
    return static_cast<std::uint16_t>((year - 1980) << 9 | month << 5 | day);
}

std::uint16_t DosTime(int hour, int minute, int second) {
    return static_cast<std::uint16_t>(hour << 11 | minute << 5 | second / 2);
}

} // namespace

TEST(DosDateTime, LocalTimeAsMktimeGivesIt) {
    // Zones as POSIX rules, so no time zone files are needed.
    const char* const zones[] = {"UTC0", "CET-1CEST,M3.5.0,M10.5.0/3", "EST5EDT,M3.2.0,M11.1.0",
                                 "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", "<-03>3"};
    struct Moment {
        int year, month, day, hour, minute, second;
    };
    const Moment moments[] = {
        {1980, 1, 1, 0, 0, 0},     {2021, 3, 28, 1, 59, 58},  {2021, 3, 28, 3, 0, 0},
        {2021, 10, 31, 1, 59, 58}, {2021, 10, 31, 3, 0, 0},   {2021, 11, 7, 0, 30, 0},
        {2021, 11, 7, 3, 0, 0},    {2021, 7, 15, 12, 34, 56}, {2107, 12, 31, 23, 59, 58},
        {2024, 2, 29, 23, 59, 58},
    };
    for (const char* rule : zones) {
        const ScopedTimeZone zone(rule);
        for (const Moment& m : moments)
            EXPECT_EQ(LocalTimeOfDos(DosDate(m.year, m.month, m.day),
                                     DosTime(m.hour, m.minute, m.second)),
                      LocalTime(m.year, m.month, m.day, m.hour, m.minute, m.second))
                << rule << " " << m.year << "-" << m.month << "-" << m.day << " " << m.hour << ":"
                << m.minute << ":" << m.second;
    }
}

TEST(DosDateTime, AnHourMissingOrTwiceGivesOneMomentOfIt) {
    const ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    // 02:30 on 28 March 2021 never showed on a clock here; it is read as 03:30 summer time.
    EXPECT_EQ(LocalTimeOfDos(DosDate(2021, 3, 28), DosTime(2, 30, 0)), 1616895000);
    // 02:30 on 31 October 2021 showed twice; the second time, in winter time, is taken.
    EXPECT_EQ(LocalTimeOfDos(DosDate(2021, 10, 31), DosTime(2, 30, 0)), 1635643800);
}
