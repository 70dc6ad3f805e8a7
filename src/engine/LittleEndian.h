// Little-endian numbers in archive headers, read and written.
#pragma once

#include <cstddef>
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

// Appends value to a byte string or vector, as a header field is written.
template <typename Bytes> void PutLe16(Bytes& out, std::uint64_t value) {
    const std::size_t at = out.size();
    out.resize(at + 2);
    SetLe16(reinterpret_cast<unsigned char*>(&out[at]), value);
}

template <typename Bytes> void PutLe32(Bytes& out, std::uint64_t value) {
    const std::size_t at = out.size();
    out.resize(at + 4);
    SetLe32(reinterpret_cast<unsigned char*>(&out[at]), value);
}

template <typename Bytes> void PutLe64(Bytes& out, std::uint64_t value) {
    const std::size_t at = out.size();
    out.resize(at + 8);
    SetLe64(reinterpret_cast<unsigned char*>(&out[at]), value);
}
