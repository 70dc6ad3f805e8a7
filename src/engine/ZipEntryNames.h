// The decoded names of every entry of an archive that libzip has open, for both engine libraries.
#pragma once

#include "engine/EntryNames.h"

#include <algorithm>
#include <string>
#include <vector>
#include <zip.h>

// In index order; an entry whose name cannot be read has an empty one.
inline std::vector<std::string> DecodedEntryNames(zip_t* archive) {
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(std::max<zip_int64_t>(count, 0)));
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* raw = zip_get_name(archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        names.push_back(raw ? DecodeEntryName(raw) : std::string());
    }
    return names;
}
