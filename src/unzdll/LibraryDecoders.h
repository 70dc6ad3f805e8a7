// The decoders that well-kept libraries provide: zlib for deflate, libbz2 for BZIP2, liblzma for
// LZMA and XZ, libzstd for Zstandard, libarchive for PPMd; stored data passes through. Each takes
// the packed data a block at a time and hands its output on a piece at a time, so what decoding
// holds is the decoder's own state (its dictionary or window, bounded by kMaxDictionary) and two
// buffers, whatever the entry's size.
#pragma once

#include "unzdll/PackedReader.h"

#include <cstdint>

// The largest dictionary or window an entry may ask for (LZMA, XZ, Zstandard): 1 GiB, beyond
// what their writers use by default (64 MiB for 7-Zip's strongest LZMA, 128 MiB for Zstandard's)
// but within what a desktop can give. A larger one is refused (StreamEnd::NeedsMemory).
constexpr std::uint64_t kMaxDictionary = std::uint64_t{1} << 30;

StreamEnd CopyStored(PackedReader& in, const UnpackedOutput& out);
StreamEnd Inflate(PackedReader& in, const UnpackedOutput& out);
StreamEnd DecodeBzip2(PackedReader& in, const UnpackedOutput& out);
// LZMA as ZIP entries carry it: a 4-byte header (the encoder's version, the size of the
// properties), the 5 bytes of properties, then the raw stream of size bytes, with or without an end
// marker after them (writers differ; the general flags' bit 1 says which, and the decoder sees it).
StreamEnd DecodeLzma(PackedReader& in, const UnpackedOutput& out, std::uint64_t size);
StreamEnd DecodeXz(PackedReader& in, const UnpackedOutput& out);
StreamEnd DecodeZstandard(PackedReader& in, const UnpackedOutput& out);
// PPMd (variant I, revision 1, as ZIP entries carry it) of packedSize bytes yielding size bytes
// with the given CRC, through libarchive's ZIP reader.
StreamEnd DecodePpmd(PackedReader& in, const UnpackedOutput& out, std::uint64_t packedSize,
                     std::uint64_t size, std::uint32_t crc);
