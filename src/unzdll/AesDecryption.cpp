// WinZip AES decryption: keys from the password by PBKDF2-HMAC-SHA1 (1000 rounds), AES in
// counter mode with a little-endian counter that starts at 1, HMAC-SHA1 over the encrypted data.
#include "unzdll/AesDecryption.h"

#include "engine/ExtraField.h"

#include <algorithm>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <vector>

namespace {

constexpr std::uint16_t kAesField = 0x9901;
constexpr std::size_t kBlock = 16;
constexpr std::size_t kPasswordCheck = 2;
constexpr std::size_t kAuthenticationCode = 10;
constexpr int kRounds = 1000;

std::size_t KeyLength(std::uint8_t strength) {
    return 8 + 8 * static_cast<std::size_t>(strength); // 16, 24, 32 bytes
}
std::size_t SaltLength(std::uint8_t strength) {
    return 4 + 4 * static_cast<std::size_t>(strength); // 8, 12, 16 bytes
}

} // namespace

std::optional<AesField> AesFieldOf(std::string_view extra) {
    const auto field = FindExtraBlock(extra, kAesField);
    if (!field || field->size() < 7 || field->substr(2, 2) != "AE")
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const unsigned char*>(field->data());
    AesField aes{Le16(bytes), bytes[4], Le16(bytes + 5)};
    if (aes.strength < 1 || aes.strength > 3)
        return std::nullopt;
    return aes;
}

std::uint64_t AesOverhead(std::uint8_t strength) {
    return SaltLength(strength) + kPasswordCheck + kAuthenticationCode;
}

struct AesInput::Crypto {
    EVP_CIPHER_CTX* cipher = EVP_CIPHER_CTX_new();
    EVP_MAC* hmac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    EVP_MAC_CTX* mac = hmac ? EVP_MAC_CTX_new(hmac) : nullptr;
    std::vector<unsigned char> counters; // the counter blocks of a piece, then its key stream
    std::vector<unsigned char> stream;

    ~Crypto() {
        EVP_MAC_CTX_free(mac);
        EVP_MAC_free(hmac);
        EVP_CIPHER_CTX_free(cipher);
    }
};

AesInput::AesInput(const PackedInput& raw, std::uint64_t rawSize, std::uint8_t strength)
    : raw_(raw), encryptedLeft_(rawSize - std::min(rawSize, AesOverhead(strength))),
      strength_(strength), crypto_(std::make_unique<Crypto>()) {}

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
    const std::size_t keyLength = KeyLength(strength_);
    unsigned char salt[16], check[kPasswordCheck];
    if (!crypto_->cipher || !crypto_->mac || !ReadRaw(salt, SaltLength(strength_)) ||
        !ReadRaw(check, kPasswordCheck))
        return Start::Damaged;
    // The encryption key, the authentication key and the password check, in that order.
    std::vector<unsigned char> keys(2 * keyLength + kPasswordCheck);
    if (PKCS5_PBKDF2_HMAC_SHA1(password.data(), static_cast<int>(password.size()), salt,
                               static_cast<int>(SaltLength(strength_)), kRounds,
                               static_cast<int>(keys.size()), keys.data()) != 1)
        return Start::Damaged;
    if (!std::equal(check, check + kPasswordCheck, keys.data() + 2 * keyLength))
        return Start::WrongPassword;
    const EVP_CIPHER* ecb = strength_ == 1   ? EVP_aes_128_ecb()
                            : strength_ == 2 ? EVP_aes_192_ecb()
                                             : EVP_aes_256_ecb();
    char digest[] = "SHA1";
    const OSSL_PARAM parameters[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0), OSSL_PARAM_END};
    if (EVP_EncryptInit_ex(crypto_->cipher, ecb, nullptr, keys.data(), nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(crypto_->cipher, 0) != 1 ||
        EVP_MAC_init(crypto_->mac, keys.data() + keyLength, keyLength, parameters) != 1)
        return Start::Damaged;
    return Start::Ready;
}

std::ptrdiff_t AesInput::Read(unsigned char* buffer, std::size_t capacity) {
    if (encryptedLeft_ == 0) {
        // The end: the authentication code must be the HMAC of the encrypted data.
        unsigned char stored[kAuthenticationCode], computed[EVP_MAX_MD_SIZE];
        std::size_t length = 0;
        if (!ReadRaw(stored, kAuthenticationCode) ||
            EVP_MAC_final(crypto_->mac, computed, &length, sizeof computed) != 1)
            return -1;
        unauthentic_ = !std::equal(stored, stored + kAuthenticationCode, computed);
        return unauthentic_ ? -1 : 0;
    }
    const std::ptrdiff_t got =
        raw_(buffer, static_cast<std::size_t>(std::min<std::uint64_t>(capacity, encryptedLeft_)));
    if (got <= 0)
        return got; // cut short: what is missing shows as damaged or short data
    const auto size = static_cast<std::size_t>(got);
    encryptedLeft_ -= size;
    if (EVP_MAC_update(crypto_->mac, buffer, size) != 1)
        return -1;
    // The key stream for the blocks this piece touches: each counter block encrypted.
    const std::uint64_t firstBlock = decrypted_ / kBlock;
    const std::size_t skip = static_cast<std::size_t>(decrypted_ % kBlock);
    const std::size_t blocks = (skip + size + kBlock - 1) / kBlock;
    crypto_->counters.assign(blocks * kBlock, 0);
    for (std::size_t i = 0; i < blocks; ++i) {
        std::uint64_t counter = firstBlock + i + 1;
        for (std::size_t byte = 0; byte < 8; ++byte, counter >>= 8)
            crypto_->counters[i * kBlock + byte] = static_cast<unsigned char>(counter);
    }
    crypto_->stream.resize(blocks * kBlock);
    int made = 0;
    if (EVP_EncryptUpdate(crypto_->cipher, crypto_->stream.data(), &made, crypto_->counters.data(),
                          static_cast<int>(blocks * kBlock)) != 1)
        return -1;
    for (std::size_t i = 0; i < size; ++i)
        buffer[i] ^= crypto_->stream[skip + i];
    decrypted_ += size;
    return got;
}
