// The traditional encryption of archive entries. The keys move on through the CRC-32 of single
// bytes, taken from zlib's crc32 (which inverts before and after).
#include "engine/TraditionalCipher.h"

#include <zlib.h>

namespace {

std::uint32_t CrcStep(std::uint32_t crc, unsigned char byte) {
    return ~static_cast<std::uint32_t>(crc32(~crc, &byte, 1));
}

} // namespace

TraditionalCipher::TraditionalCipher(const std::string& password) {
    for (const char c : password)
        Update(static_cast<unsigned char>(c));
}

void TraditionalCipher::Update(unsigned char plain) {
    keys_[0] = CrcStep(keys_[0], plain);
    keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
    keys_[2] = CrcStep(keys_[2], static_cast<unsigned char>(keys_[1] >> 24));
}

unsigned char TraditionalCipher::KeyByte() const {
    const std::uint32_t temp = (keys_[2] | 2) & 0xFFFF;
    return static_cast<unsigned char>((temp * (temp ^ 1)) >> 8);
}

void TraditionalCipher::Decrypt(unsigned char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        data[i] ^= KeyByte();
        Update(data[i]);
    }
}
