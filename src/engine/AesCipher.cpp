// AES encryption of archive entries, both ways.
#include "engine/AesCipher.h"

#include <algorithm>
#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <vector>

namespace {

constexpr std::size_t kBlock = 16;
// The key stream is made this much at a time, so a piece of any size costs no more memory.
constexpr std::size_t kStreamPiece = 1 << 16;
constexpr int kRounds = 1000;

std::size_t KeySize(std::uint8_t strength) {
    return 8 + 8 * static_cast<std::size_t>(strength); // 16, 24, 32 bytes
}

} // namespace

namespace aes {

std::size_t SaltSize(std::uint8_t strength) {
    return 4 + 4 * static_cast<std::size_t>(strength);
}

std::uint64_t Overhead(std::uint8_t strength) {
    return SaltSize(strength) + kPasswordCheckSize + kAuthenticationCodeSize;
}

} // namespace aes

struct AesCipher::Contexts {
    EVP_CIPHER_CTX* cipher = EVP_CIPHER_CTX_new();
    EVP_MAC* hmac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    EVP_MAC_CTX* mac = hmac ? EVP_MAC_CTX_new(hmac) : nullptr;
    std::vector<unsigned char> counters; // the counter blocks of a piece
    std::vector<unsigned char> stream;   // their key stream

    ~Contexts() {
        EVP_MAC_CTX_free(mac);
        EVP_MAC_free(hmac);
        EVP_CIPHER_CTX_free(cipher);
        OPENSSL_cleanse(stream.data(), stream.size());
    }
};

AesCipher::AesCipher(std::uint8_t strength)
    : strength_(strength), contexts_(std::make_unique<Contexts>()) {}

AesCipher::~AesCipher() = default;

bool AesCipher::SetKeys(std::string_view password, const unsigned char* salt,
                        unsigned char* check) {
    if (!contexts_->cipher || !contexts_->mac)
        return false;
    const std::size_t keySize = KeySize(strength_);
    // The encryption key, the authentication key and the password check, in that order.
    unsigned char keys[2 * 32 + aes::kPasswordCheckSize];
    const std::size_t keysSize = 2 * keySize + aes::kPasswordCheckSize;
    bool ok = PKCS5_PBKDF2_HMAC_SHA1(password.data(), static_cast<int>(password.size()), salt,
                                     static_cast<int>(aes::SaltSize(strength_)), kRounds,
                                     static_cast<int>(keysSize), keys) == 1;
    if (ok) {
        const EVP_CIPHER* ecb = strength_ == 1   ? EVP_aes_128_ecb()
                                : strength_ == 2 ? EVP_aes_192_ecb()
                                                 : EVP_aes_256_ecb();
        char digest[] = "SHA1";
        const OSSL_PARAM parameters[] = {
            OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0), OSSL_PARAM_END};
        ok = EVP_EncryptInit_ex(contexts_->cipher, ecb, nullptr, keys, nullptr) == 1 &&
             EVP_CIPHER_CTX_set_padding(contexts_->cipher, 0) == 1 &&
             EVP_MAC_init(contexts_->mac, keys + keySize, keySize, parameters) == 1;
        std::copy(keys + 2 * keySize, keys + keysSize, check);
    }
    OPENSSL_cleanse(keys, sizeof keys);
    position_ = 0;
    return ok;
}

bool AesCipher::StartEntry(std::string_view password, unsigned char* header) {
    const std::size_t saltSize = aes::SaltSize(strength_);
    return RAND_bytes(header, static_cast<int>(saltSize)) == 1 &&
           SetKeys(password, header, header + saltSize);
}

bool AesCipher::Authenticate(const unsigned char* data, std::size_t size) {
    return EVP_MAC_update(contexts_->mac, data, size) == 1;
}

bool AesCipher::ApplyKeyStream(unsigned char* data, std::size_t size) {
    for (std::size_t at = 0; at < size; at += kStreamPiece)
        if (!ApplyKeyStreamPiece(data + at, std::min(kStreamPiece, size - at)))
            return false;
    return true;
}

bool AesCipher::ApplyKeyStreamPiece(unsigned char* data, std::size_t size) {
    // The key stream of the blocks this piece touches: each counter block encrypted.
    const std::uint64_t firstBlock = position_ / kBlock;
    const auto skip = static_cast<std::size_t>(position_ % kBlock);
    const std::size_t blocks = (skip + size + kBlock - 1) / kBlock;
    std::vector<unsigned char>& counters = contexts_->counters;
    counters.assign(blocks * kBlock, 0);
    for (std::size_t i = 0; i < blocks; ++i) {
        std::uint64_t counter = firstBlock + i + 1;
        for (std::size_t byte = 0; byte < 8; ++byte, counter >>= 8)
            counters[i * kBlock + byte] = static_cast<unsigned char>(counter);
    }
    contexts_->stream.resize(blocks * kBlock);
    int made = 0;
    if (EVP_EncryptUpdate(contexts_->cipher, contexts_->stream.data(), &made, counters.data(),
                          static_cast<int>(blocks * kBlock)) != 1)
        return false;
    for (std::size_t i = 0; i < size; ++i)
        data[i] ^= contexts_->stream[skip + i];
    position_ += size;
    return true;
}

bool AesCipher::Encrypt(unsigned char* data, std::size_t size) {
    return ApplyKeyStream(data, size) && Authenticate(data, size);
}

bool AesCipher::Decrypt(unsigned char* data, std::size_t size) {
    return Authenticate(data, size) && ApplyKeyStream(data, size);
}

bool AesCipher::AuthenticationCode(unsigned char* code) {
    unsigned char full[EVP_MAX_MD_SIZE];
    std::size_t length = 0;
    if (EVP_MAC_final(contexts_->mac, full, &length, sizeof full) != 1 ||
        length < aes::kAuthenticationCodeSize)
        return false;
    std::copy(full, full + aes::kAuthenticationCodeSize, code);
    return true;
}
