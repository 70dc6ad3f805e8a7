// Stored data, and the stream decoders of zlib, libbz2, liblzma and libzstd, each driven by one
// pump.
#include "unzdll/LibraryDecoders.h"

#include "engine/LittleEndian.h"

#include <algorithm>
#include <bzlib.h>
#include <climits>
#include <lzma.h>
#include <vector>
#include <zlib.h>
#include <zstd.h>
#include <zstd_errors.h>

namespace {

constexpr std::size_t kOutputPiece = 1 << 18;

// What one call of a decoder did: the packed bytes it used, the bytes it made, and where it is.
struct Step {
    enum State {
        Going,      // more to come
        Ended,      // at the end of its stream
        FrameEnded, // at the end of a frame: the stream ends unless more packed data follows
        Damaged,
        NeedsMemory
    };
    std::size_t used = 0;
    std::size_t made = 0;
    State state = Going;
};

// Feeds decode the packed data and hands on what it makes, until its stream ends or breaks.
// decode(packed, packedSize, piece, pieceSize) is one call of the decoder.
template <typename Decode>
StreamEnd Pump(PackedReader& in, const UnpackedOutput& out, Decode decode) {
    std::vector<unsigned char> piece(kOutputPiece);
    for (;;) {
        if (!in.Fill())
            return StreamEnd::InputFailed;
        const Step step = decode(in.Data(), in.Available(), piece.data(), piece.size());
        in.Take(step.used);
        if (step.made > 0 && !out(piece.data(), step.made))
            return StreamEnd::Stopped;
        switch (step.state) {
        case Step::Ended:
            return StreamEnd::Ended;
        case Step::FrameEnded:
            if (!in.Fill())
                return StreamEnd::InputFailed;
            if (in.AtEnd())
                return StreamEnd::Ended;
            break;
        case Step::Damaged:
            return StreamEnd::Damaged;
        case Step::NeedsMemory:
            return StreamEnd::NeedsMemory;
        case Step::Going:
            // No progress with all the data there is: the stream is cut short or stuck.
            if (step.used == 0 && step.made == 0)
                return StreamEnd::Damaged;
            break;
        }
    }
}

// What liblzma's answer means for the pump.
Step::State LzmaState(lzma_ret result) {
    switch (result) {
    case LZMA_OK:
    case LZMA_BUF_ERROR:
        return Step::Going;
    case LZMA_STREAM_END:
        return Step::Ended;
    case LZMA_MEM_ERROR:
    case LZMA_MEMLIMIT_ERROR:
        return Step::NeedsMemory;
    default:
        return Step::Damaged;
    }
}

// Runs a liblzma decoder that init set up on the stream.
template <typename Init>
StreamEnd PumpLzma(PackedReader& in, const UnpackedOutput& out, Init init) {
    lzma_stream stream = LZMA_STREAM_INIT;
    const lzma_ret ready = init(stream);
    if (ready != LZMA_OK) {
        lzma_end(&stream);
        return LzmaState(ready) == Step::NeedsMemory ? StreamEnd::NeedsMemory : StreamEnd::Damaged;
    }
    const StreamEnd end = Pump(
        in, out,
        [&](const unsigned char* packed, std::size_t size, unsigned char* piece, std::size_t room) {
            stream.next_in = packed;
            stream.avail_in = size;
            stream.next_out = piece;
            stream.avail_out = room;
            // The pump hands over no bytes only once the packed data has ended.
            const lzma_ret result = lzma_code(&stream, size == 0 ? LZMA_FINISH : LZMA_RUN);
            return Step{size - stream.avail_in, room - stream.avail_out, LzmaState(result)};
        });
    lzma_end(&stream);
    return end;
}

// Reads exactly size packed bytes into out; false when the data ends before or cannot be read.
bool ReadExactly(PackedReader& in, unsigned char* out, std::size_t size) {
    while (size > 0) {
        if (!in.Fill() || in.AtEnd())
            return false;
        const std::size_t n = std::min(size, in.Available());
        std::copy(in.Data(), in.Data() + n, out);
        in.Take(n);
        out += n;
        size -= n;
    }
    return true;
}

} // namespace

StreamEnd CopyStored(PackedReader& in, const UnpackedOutput& out) {
    for (;;) {
        if (!in.Fill())
            return StreamEnd::InputFailed;
        if (in.AtEnd())
            return StreamEnd::Ended;
        const std::size_t size = in.Available();
        if (!out(in.Data(), size))
            return StreamEnd::Stopped;
        in.Take(size);
    }
}

StreamEnd Inflate(PackedReader& in, const UnpackedOutput& out) {
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return StreamEnd::NeedsMemory;
    const StreamEnd end = Pump(
        in, out,
        [&](const unsigned char* packed, std::size_t size, unsigned char* piece, std::size_t room) {
            const auto given = static_cast<uInt>(std::min<std::size_t>(size, UINT_MAX));
            z.next_in = const_cast<Bytef*>(packed);
            z.avail_in = given;
            z.next_out = piece;
            z.avail_out = static_cast<uInt>(room);
            const int result = inflate(&z, Z_NO_FLUSH);
            const Step::State state = result == Z_STREAM_END                    ? Step::Ended
                                      : result == Z_OK || result == Z_BUF_ERROR ? Step::Going
                                      : result == Z_MEM_ERROR                   ? Step::NeedsMemory
                                                                                : Step::Damaged;
            return Step{given - z.avail_in, room - z.avail_out, state};
        });
    inflateEnd(&z);
    return end;
}

StreamEnd DecodeBzip2(PackedReader& in, const UnpackedOutput& out) {
    bz_stream stream{};
    if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK)
        return StreamEnd::NeedsMemory;
    const StreamEnd end = Pump(
        in, out,
        [&](const unsigned char* packed, std::size_t size, unsigned char* piece, std::size_t room) {
            const auto given = static_cast<unsigned>(std::min<std::size_t>(size, UINT_MAX));
            stream.next_in = const_cast<char*>(reinterpret_cast<const char*>(packed));
            stream.avail_in = given;
            stream.next_out = reinterpret_cast<char*>(piece);
            stream.avail_out = static_cast<unsigned>(room);
            const int result = BZ2_bzDecompress(&stream);
            const Step::State state = result == BZ_STREAM_END  ? Step::Ended
                                      : result == BZ_OK        ? Step::Going
                                      : result == BZ_MEM_ERROR ? Step::NeedsMemory
                                                               : Step::Damaged;
            return Step{given - stream.avail_in, room - stream.avail_out, state};
        });
    BZ2_bzDecompressEnd(&stream);
    return end;
}

StreamEnd DecodeLzma(PackedReader& in, const UnpackedOutput& out, std::uint64_t size) {
    constexpr std::size_t kHeaderSize = 4, kPropertiesSize = 5;
    unsigned char header[kHeaderSize + kPropertiesSize];
    if (!ReadExactly(in, header, kHeaderSize) || Le16(header + 2) != kPropertiesSize ||
        !ReadExactly(in, header + kHeaderSize, kPropertiesSize))
        return StreamEnd::Damaged;
    // The properties: lc, lp and pb in one byte ((pb * 5 + lp) * 9 + lc), the dictionary size.
    const unsigned char* properties = header + kHeaderSize;
    if (properties[0] >= 9 * 5 * 5)
        return StreamEnd::Damaged;
    lzma_options_lzma options{};
    options.lc = properties[0] % 9;
    options.lp = properties[0] / 9 % 5;
    options.pb = properties[0] / 45;
    // The stream never looks back further than it has made, so the dictionary need not be larger
    // than the entry.
    options.dict_size = static_cast<std::uint32_t>(std::max<std::uint64_t>(
        LZMA_DICT_SIZE_MIN, std::min<std::uint64_t>(Le32(properties + 1), size)));
    if (options.dict_size > kMaxDictionary)
        return StreamEnd::NeedsMemory;
    options.ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
    options.ext_size_low = static_cast<std::uint32_t>(size);
    options.ext_size_high = static_cast<std::uint32_t>(size >> 32);
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    return PumpLzma(in, out,
                    [&](lzma_stream& stream) { return lzma_raw_decoder(&stream, filters); });
}

StreamEnd DecodeXz(PackedReader& in, const UnpackedOutput& out) {
    // The limit covers the dictionary and the decoder's own state.
    constexpr std::uint64_t kMemoryLimit = kMaxDictionary + (64 << 20);
    // Streams one after the other are one entry's data, as xz reads them.
    return PumpLzma(in, out, [](lzma_stream& stream) {
        return lzma_stream_decoder(&stream, kMemoryLimit, LZMA_CONCATENATED);
    });
}

StreamEnd DecodeZstandard(PackedReader& in, const UnpackedOutput& out) {
    constexpr int kMaxWindowLog = 30;
    static_assert(std::uint64_t{1} << kMaxWindowLog == kMaxDictionary);
    ZSTD_DStream* stream = ZSTD_createDStream();
    if (!stream)
        return StreamEnd::NeedsMemory;
    ZSTD_DCtx_setParameter(stream, ZSTD_d_windowLogMax, kMaxWindowLog);
    const StreamEnd end = Pump(
        in, out,
        [&](const unsigned char* packed, std::size_t size, unsigned char* piece, std::size_t room) {
            ZSTD_inBuffer input{packed, size, 0};
            ZSTD_outBuffer output{piece, room, 0};
            const std::size_t result = ZSTD_decompressStream(stream, &output, &input);
            Step step{input.pos, output.pos, Step::Going};
            if (ZSTD_isError(result)) {
                const ZSTD_ErrorCode code = ZSTD_getErrorCode(result);
                step.state = code == ZSTD_error_frameParameter_windowTooLarge ||
                                     code == ZSTD_error_memory_allocation
                                 ? Step::NeedsMemory
                                 : Step::Damaged;
            } else if (result == 0) {
                step.state = Step::FrameEnded; // a stream may hold several frames
            }
            return step;
        });
    ZSTD_freeDStream(stream);
    return end;
}
