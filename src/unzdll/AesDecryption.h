// Entries encrypted with WinZip's AES (method 99): the packed data behind a salt and a 2-byte
// password check, encrypted with AES in counter mode and followed by 10 bytes of HMAC-SHA1 over the
// encrypted data, which stand for the CRC in the AE-2 kind (whose CRC field is 0). The engine
// decrypts them itself with the cipher the compression engine encrypts with (AesCipher):
// libzip 1.7.3 ends every AE-2 entry with a CRC error, stored ones even when asked for the data
// without its decompression.
#pragma once

#include "engine/AesCipher.h"
#include "unzdll/PackedReader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What the entry's AES extra field (0x9901) says.
struct AesField {
    std::uint16_t version = 0; // 1 (AE-1, CRC kept) or 2 (AE-2, CRC 0)
    std::uint8_t strength = 0; // 1, 2, 3: AES-128, -192, -256
    std::uint16_t method = 0;  // the compression method of the data inside
};
std::optional<AesField> AesFieldOf(std::string_view extra);

// The decrypted packed data of an entry, read from its raw data of rawSize bytes.
class AesInput {
public:
    AesInput(const PackedInput& raw, std::uint64_t rawSize, std::uint8_t strength);
    ~AesInput();
    AesInput(const AesInput&) = delete;
    AesInput& operator=(const AesInput&) = delete;

    enum class Start { Ready, WrongPassword, Damaged };
    // Reads the salt and the password check and derives the keys from the password.
    Start Begin(const std::string& password);
    // The next decrypted bytes, as PackedInput gives them. At the end of the data the
    // authentication code is checked: -1 when it does not match (Unauthentic) or the raw data
    // cannot be read.
    std::ptrdiff_t Read(unsigned char* buffer, std::size_t capacity);
    bool Unauthentic() const { return unauthentic_; }

private:
    bool ReadRaw(unsigned char* out, std::size_t size);

    const PackedInput& raw_;
    std::uint64_t encryptedLeft_;
    std::uint8_t strength_;
    bool unauthentic_ = false;
    AesCipher cipher_;
};
