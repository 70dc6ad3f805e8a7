// The offsets in a self-extracting file's central directory and end records. Our own conversion
// keeps them counted from the archive start, but most other tools count them from the start of
// the file; a copy of the archive alone must then carry them less the bytes cut off before it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

// A field to rewrite in the copy.
struct OffsetCorrection {
    std::uint64_t at;    // the field's position in the file
    unsigned width;      // 4 or 8 bytes
    std::uint64_t value; // what the copy holds there
};

// The corrections for a copy of the file behind fd from byte cut on: none when its offsets
// count from there already (or cannot be read at all: the copy is checked afterwards), one per
// offset field when they count from the start of the file, and nothing when an offset points
// into the part that is cut off.
std::optional<std::vector<OffsetCorrection>> OffsetCorrections(int fd, std::uint64_t cut);

// Writes the corrections into the copy, where each field lies cut bytes earlier.
bool ApplyCorrections(int copy, const std::vector<OffsetCorrection>& corrections,
                      std::uint64_t cut);
