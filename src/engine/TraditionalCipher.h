// The traditional encryption of archive entries, for decrypting (the stub and the engines read
// it; adding encrypts with AES): three keys set up from the password and moved on by every plain
// byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TraditionalCipher {
public:
    explicit TraditionalCipher(const std::string& password);

    // Decrypts size bytes in place.
    void Decrypt(unsigned char* data, std::size_t size);

private:
    unsigned char KeyByte() const;
    void Update(unsigned char plain);

    std::uint32_t keys_[3] = {0x12345678, 0x23456789, 0x34567890};
};
