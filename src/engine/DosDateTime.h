// An entry's DOS date and time as the local time it names, for the engine and the self-extractor,
// and a time as the DOS date and time an added entry stores.
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

// A time as the DOS time (low half) and date (high half) of the local time it is, as archives
// store it: seconds rounded down to even ones, times before 1980 as its first moment and after
// 2107 as the last one DOS can say.
inline std::uint32_t DosOfLocalTime(std::time_t time) {
    std::tm parts{};
    if (!::localtime_r(&time, &parts) || parts.tm_year < 80)
        return (1u << 5 | 1u) << 16; // 1980-01-01 00:00:00
    if (parts.tm_year > 207)
        return 0xFF9FBF7Du; // 2107-12-31 23:59:58
    const auto date = static_cast<std::uint32_t>((parts.tm_year - 80) << 9 |
                                                 (parts.tm_mon + 1) << 5 | parts.tm_mday);
    const auto dosTime =
        static_cast<std::uint32_t>(parts.tm_hour << 11 | parts.tm_min << 5 | parts.tm_sec / 2);
    return date << 16 | dosTime;
}
