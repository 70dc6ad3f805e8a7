// An entry's DOS date and time as the local time it names, for the engine and the self-extractor.
// Not through mktime, which looks at the time zone file again at every call (a stat of
// /etc/localtime per entry when TZ is unset, a large share of extracting many small files): the
// fields are read as UTC, and the zone's offset is taken from localtime_r, which reads the zone
// once. A first guess and one correction give the offset in force at that local time, as mktime
// gives it; in the hour a clock is put back, the later of the two moments is taken.
#pragma once

#include <cstdint>
#include <ctime>

inline std::time_t LocalTimeOfDos(std::uint16_t date, std::uint16_t time) {
    std::tm parts{};
    parts.tm_year = (date >> 9) + 80;
    parts.tm_mon = ((date >> 5) & 0x0F) - 1;
    parts.tm_mday = date & 0x1F;
    parts.tm_hour = time >> 11;
    parts.tm_min = (time >> 5) & 0x3F;
    parts.tm_sec = (time & 0x1F) * 2;
    const std::time_t asUtc = ::timegm(&parts);
    std::time_t local = asUtc;
    for (int pass = 0; pass < 2; ++pass) {
        std::tm zone{};
        if (!::localtime_r(&local, &zone))
            return asUtc;
        local = asUtc - zone.tm_gmtoff;
    }
    return local;
}
