// The names of compression methods, for the program (the stub has its own, StubMethodNames.cpp).
#include "engine/CompressionMethods.h"

#include <cstring>

namespace {

// The methods a user may meet: each one's number as one byte, then its name and a NUL; the
// string's own NUL where a number would be ends the list.
// clang-format off
constexpr char kNames[] =
    "\x01" "Shrink\0" // 1
    "\x06" "Implode\0" // 6
    "\x09" "Deflate64\0" // 9
    "\x0C" "BZIP2\0" // 12
    "\x0E" "LZMA\0" // 14
    "\x5D" "Zstandard\0" // 93
    "\x5F" "XZ\0" // 95
    "\x61" "WavPack\0" // 97
    "\x62" "PPMd\0"; // 98
// clang-format on

} // namespace

const char* CompressionMethodName(std::uint16_t method) {
    for (const char* at = kNames; *at != '\0'; at += std::strlen(at) + 1)
        if (static_cast<unsigned char>(*at) == method)
            return at + 1;
    return nullptr;
}
