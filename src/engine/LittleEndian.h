// Little-endian numbers in archive headers, read and written.
#pragma once

#include <cstdint>

inline std::uint16_t Le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

inline std::uint32_t Le32(const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline std::uint64_t Le64(const unsigned char* p) {
    return Le32(p) | static_cast<std::uint64_t>(Le32(p + 4)) << 32;
}

inline void SetLe16(unsigned char* p, std::uint64_t value) {
    p[0] = static_cast<unsigned char>(value);
    p[1] = static_cast<unsigned char>(value >> 8);
}

inline void SetLe32(unsigned char* p, std::uint64_t value) {
    SetLe16(p, value);
    SetLe16(p + 2, value >> 16);
}

inline void SetLe64(unsigned char* p, std::uint64_t value) {
    SetLe32(p, value);
    SetLe32(p + 4, value >> 32);
}
