// Unpacks an entry's data as it comes, block by block, with the decoder of its method (stored,
// deflated, Deflate64, BZIP2, LZMA, XZ, Zstandard, PPMd), and checks what it makes against the
// entry's declared size, never producing more, and its CRC. Both the engine's own reading of the
// archive and the entries libzip decrypts come through here.
#pragma once

#include "unzdll/PackedReader.h"

#include <cstdint>

struct PackedEntry {
    std::uint16_t method = 0;
    std::uint64_t packedSize = 0; // the bytes the input yields
    std::uint64_t size = 0;       // declared, unpacked
    std::uint32_t crc = 0;
    bool checkCrc = true; // false where an authentication code stands for the CRC
};

enum class Unpacked {
    Good,
    Damaged,
    TooLong,
    TooShort,
    BadCrc,
    Stopped,
    InputFailed,
    NeedsMemory,
    WrongPassword, // the password does not pass the entry's check
    Unauthentic    // the data does not match its authentication code
};

// Whether entries of the method are unpacked here.
bool UnpackedHere(std::uint16_t method);

// Unpacks the entry's packed data from input into sink, checking it. The input is read to its
// end, also past the end of a compressed stream, since an input may check something there.
Unpacked Unpack(const PackedEntry& entry, const PackedInput& input, const UnpackedOutput& sink);

// What an outcome says went wrong, as messages name it before " in " and the entry's name ("CRC
// error"); null for Good, Stopped (the sink said why it stopped) and WrongPassword (said apart).
const char* UnpackFailure(Unpacked outcome);
