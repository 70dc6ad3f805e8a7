// WinZip AES decryption: the entry's salt and password check read, the keys made and the check
// compared, then the data decrypted as it is read and its authentication code checked at its end.
#include "unzdll/AesDecryption.h"

#include "engine/ExtraField.h"

#include <algorithm>

std::optional<AesField> AesFieldOf(std::string_view extra) {
    const auto field = FindExtraBlock(extra, aes::kExtraTag);
    if (!field || field->size() < aes::kExtraDataSize || field->substr(2, 2) != "AE")
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const unsigned char*>(field->data());
    AesField aes{Le16(bytes), bytes[4], Le16(bytes + 5)};
    if (aes.strength < 1 || aes.strength > 3)
        return std::nullopt;
    return aes;
}

AesInput::AesInput(const PackedInput& raw, std::uint64_t rawSize, std::uint8_t strength)
    : raw_(raw), encryptedLeft_(rawSize - std::min(rawSize, aes::Overhead(strength))),
      strength_(strength), cipher_(strength) {}

AesInput::~AesInput() = default;

bool AesInput::ReadRaw(unsigned char* out, std::size_t size) {
    while (size > 0) {
        const std::ptrdiff_t got = raw_(out, size);
        if (got <= 0)
            return false;
        out += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

AesInput::Start AesInput::Begin(const std::string& password) {
    unsigned char salt[aes::kMaxSaltSize], check[aes::kPasswordCheckSize],
        expected[aes::kPasswordCheckSize];
    if (!ReadRaw(salt, aes::SaltSize(strength_)) || !ReadRaw(check, aes::kPasswordCheckSize) ||
        !cipher_.SetKeys(password, salt, expected))
        return Start::Damaged;
    return std::equal(check, check + aes::kPasswordCheckSize, expected) ? Start::Ready
                                                                        : Start::WrongPassword;
}

std::ptrdiff_t AesInput::Read(unsigned char* buffer, std::size_t capacity) {
    if (encryptedLeft_ == 0) {
        // The end: the authentication code must be the HMAC of the encrypted data.
        unsigned char stored[aes::kAuthenticationCodeSize], computed[aes::kAuthenticationCodeSize];
        if (!ReadRaw(stored, sizeof stored) || !cipher_.AuthenticationCode(computed))
            return -1;
        unauthentic_ = !std::equal(stored, stored + sizeof stored, computed);
        return unauthentic_ ? -1 : 0;
    }
    const std::ptrdiff_t got =
        raw_(buffer, static_cast<std::size_t>(std::min<std::uint64_t>(capacity, encryptedLeft_)));
    if (got <= 0)
        return got; // cut short: what is missing shows as damaged or short data
    encryptedLeft_ -= static_cast<std::size_t>(got);
    return cipher_.Decrypt(buffer, static_cast<std::size_t>(got)) ? got : -1;
}
