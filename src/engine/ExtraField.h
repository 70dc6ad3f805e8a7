// The blocks of a header's extra field: each a 16-bit tag, a 16-bit size and that many bytes.
#pragma once

#include "engine/LittleEndian.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

// The data of the first block with the tag, cut where the field ends when the block claims more
// bytes than the field has; nothing when there is no such block.
inline std::optional<std::string_view> FindExtraBlock(std::string_view extra, std::uint16_t tag) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(extra.data());
    for (std::size_t pos = 0; pos + 4 <= extra.size();) {
        const std::size_t size = Le16(bytes + pos + 2);
        if (Le16(bytes + pos) == tag)
            return std::string_view(extra.data() + pos + 4, std::min(size, extra.size() - pos - 4));
        pos += 4 + size;
    }
    return std::nullopt;
}
