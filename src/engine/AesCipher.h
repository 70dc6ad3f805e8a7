// AES encryption of archive entries (method 99, its real method in the 0x9901 extra field), both
// ways, for both engines: keys made from the password and a salt by PBKDF2-HMAC-SHA1 with 1000
// rounds, AES in counter mode with a little-endian counter that starts at 1, and an HMAC-SHA1 of
// the encrypted data whose first 10 bytes end the entry's data. An entry's data is the salt, a
// 2-byte password check, the encrypted packed data and that authentication code. The AE-2 kind
// leaves the CRC 0, so the plain text's CRC tells nothing about it. OpenSSL's libcrypto does the
// work.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace aes {

constexpr std::uint16_t kExtraTag = 0x9901;
constexpr std::size_t kExtraDataSize = 7; // vendor version, "AE", strength, real method
constexpr std::uint16_t kVersionAe2 = 2;  // CRC 0; 1 (AE-1) keeps the CRC
constexpr std::uint8_t kStrength256 = 3;  // 1, 2, 3: AES-128, -192, -256
constexpr std::size_t kPasswordCheckSize = 2;
constexpr std::size_t kAuthenticationCodeSize = 10;
constexpr std::size_t kMaxSaltSize = 16;

std::size_t SaltSize(std::uint8_t strength); // 8, 12, 16 bytes
// The bytes an entry's data holds besides its encrypted packed data: salt, check and code.
std::uint64_t Overhead(std::uint8_t strength);

} // namespace aes

class AesCipher {
public:
    explicit AesCipher(std::uint8_t strength);
    ~AesCipher(); // the keys are wiped
    AesCipher(const AesCipher&) = delete;
    AesCipher& operator=(const AesCipher&) = delete;

    // Makes the keys of an entry from the password and its salt (SaltSize bytes) and puts the
    // password check they give into check. False when the library fails.
    bool SetKeys(std::string_view password, const unsigned char* salt, unsigned char* check);
    // Starts a new entry: a fresh salt from the system's cryptographic source and the keys from
    // it. header gets what comes before the encrypted data (salt and password check,
    // SaltSize + kPasswordCheckSize bytes).
    bool StartEntry(std::string_view password, unsigned char* header);
    // Encrypts or decrypts the next size bytes in place, authenticating the encrypted side.
    bool Encrypt(unsigned char* data, std::size_t size);
    bool Decrypt(unsigned char* data, std::size_t size);
    // The authentication code of the encrypted data so far (kAuthenticationCodeSize bytes).
    bool AuthenticationCode(unsigned char* code);

    std::size_t HeaderSize() const { return aes::SaltSize(strength_) + aes::kPasswordCheckSize; }

private:
    struct Contexts;
    bool Authenticate(const unsigned char* data, std::size_t size);
    // XORs data with the key stream at the current position and moves past it.
    bool ApplyKeyStream(unsigned char* data, std::size_t size);
    bool ApplyKeyStreamPiece(unsigned char* data, std::size_t size);

    std::uint8_t strength_;
    std::unique_ptr<Contexts> contexts_;
    std::uint64_t position_ = 0; // bytes of encrypted data done
};
