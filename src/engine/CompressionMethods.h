// Compression methods by number, as archives record them, and by the names users know them by:
// for the messages that refuse an entry for its method.
#pragma once

#include <cstdint>
#include <string>

enum CompressionMethod : std::uint16_t {
    kMethodStored = 0,
    kMethodDeflated = 8,
    kMethodDeflate64 = 9,
    kMethodBzip2 = 12,
    kMethodLzma = 14,
    kMethodZstandard = 93,
    kMethodXz = 95,
    kMethodPpmd = 98,
    kMethodAes = 99 // an AES-encrypted entry; its real method is in its AES extra field
};

// The name users know the method by ("LZMA"); null for a method without one here. The
// self-extractor stub names no method (StubMethodNames.cpp): the names would cost room it does not
// have, and the conversion refuses an archive of other methods by name before it becomes a stub.
const char* CompressionMethodName(std::uint16_t method);

// "compression method 14 (LZMA)", or without the name where there is none.
std::string CompressionMethodText(std::uint16_t method);
