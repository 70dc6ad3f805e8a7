// Unpacking an entry's data with its method's decoder, checked.
#include "unzdll/Unpacking.h"

#include "engine/CompressionMethods.h"
#include "unzdll/DeflateDecoder.h"
#include "unzdll/LibraryDecoders.h"

#include <libdeflate.h>

namespace {

// The packed data is read a megabyte at a time.
constexpr std::size_t kPackedBlock = 1 << 20;

StreamEnd Decode(const PackedEntry& entry, PackedReader& in, const UnpackedOutput& out) {
    switch (entry.method) {
    case kMethodStored:
        return CopyStored(in, out);
    case kMethodDeflated:
        return Inflate(in, out);
    case kMethodDeflate64:
        return DecodeDeflate(in, out, DeflateVariant::Deflate64);
    case kMethodBzip2:
        return DecodeBzip2(in, out);
    case kMethodLzma:
        return DecodeLzma(in, out, entry.size);
    case kMethodXz:
        return DecodeXz(in, out);
    case kMethodZstandard:
        return DecodeZstandard(in, out);
    case kMethodPpmd:
        return DecodePpmd(in, out, entry.packedSize, entry.size, entry.crc);
    default: // not unpacked here (UnpackedHere): never asked
        return StreamEnd::Damaged;
    }
}

} // namespace

bool UnpackedHere(std::uint16_t method) {
    switch (method) {
    case kMethodStored:
    case kMethodDeflated:
    case kMethodDeflate64:
    case kMethodBzip2:
    case kMethodLzma:
    case kMethodXz:
    case kMethodZstandard:
    case kMethodPpmd:
        return true;
    default:
        return false;
    }
}

Unpacked Unpack(const PackedEntry& entry, const PackedInput& input, const UnpackedOutput& sink) {
    std::uint64_t produced = 0;
    std::uint32_t crc = 0;
    Unpacked refused = Unpacked::Good; // why the output refused bytes
    // Hands on bytes of the entry, unless that takes it beyond its declared size.
    const UnpackedOutput deliver = [&](const unsigned char* bytes, std::size_t size) {
        if (size > entry.size - produced) {
            refused = Unpacked::TooLong;
            return false;
        }
        produced += size;
        crc = libdeflate_crc32(crc, bytes, size);
        if (!sink(bytes, size)) {
            refused = Unpacked::Stopped;
            return false;
        }
        return true;
    };
    PackedReader in(input, kPackedBlock);
    switch (Decode(entry, in, deliver)) {
    case StreamEnd::Ended:
        // What follows the end of the stream is read to the end.
        for (in.Take(in.Available()); !in.AtEnd(); in.Take(in.Available()))
            if (!in.Fill())
                return Unpacked::InputFailed;
        break;
    case StreamEnd::Stopped:
        return refused;
    case StreamEnd::Damaged:
        return refused != Unpacked::Good ? refused : Unpacked::Damaged;
    case StreamEnd::InputFailed:
        return Unpacked::InputFailed;
    case StreamEnd::NeedsMemory:
        return Unpacked::NeedsMemory;
    }
    if (produced != entry.size)
        return Unpacked::TooShort;
    return entry.checkCrc && crc != entry.crc ? Unpacked::BadCrc : Unpacked::Good;
}

const char* UnpackFailure(Unpacked outcome) {
    switch (outcome) {
    case Unpacked::Damaged:
    case Unpacked::InputFailed:
        return "damaged data";
    case Unpacked::TooLong:
        return "data longer than its declared size";
    case Unpacked::TooShort:
        return "data shorter than its declared size";
    case Unpacked::BadCrc:
        return "CRC error";
    case Unpacked::NeedsMemory:
        return "compression needing more than 1 GiB of memory";
    case Unpacked::Unauthentic:
        return "authentication error";
    case Unpacked::Good:
    case Unpacked::Stopped:
    case Unpacked::WrongPassword:
        break;
    }
    return nullptr;
}
