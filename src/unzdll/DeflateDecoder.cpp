// The deflate and Deflate64 decoder: one block structure, codes and bit order, Deflate64 with the
// larger window and the two changed tables.
#include "unzdll/DeflateDecoder.h"

#include <array>
#include <cstdint>
#include <memory>

namespace {

constexpr std::uint64_t kWindow = 1 << 16;
constexpr std::uint64_t kWindowMask = kWindow - 1;
constexpr int kMaxCodeLength = 15;
constexpr int kFastBits = 10;            // codes up to this long are decoded by one look-up
constexpr int kLiteralLengthCodes = 288; // a block may give lengths for 288 (286 and 287 unused)
constexpr int kDistanceCodes = 32;       // 30 and 31 are Deflate64's
constexpr int kCodeLengthCodes = 19;
constexpr int kEndOfBlock = 256;

// Lengths of the codes 257 to 285: base and extra bits. 285 is Deflate64's 3 + 16 bits; plain
// deflate's 285 is the length 258 (kDeflateLongest).
constexpr std::array<std::uint16_t, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                       15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                       67, 83, 99, 115, 131, 163, 195, 227, 3};
constexpr std::array<std::uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16};
// Distances of the codes 0 to 31: base and extra bits.
constexpr std::array<std::uint32_t, kDistanceCodes> kDistanceBase = {
    1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
    49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
    2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr std::array<std::uint8_t, kDistanceCodes> kDistanceExtra = {
    0, 0, 0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
    7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
// The order in which a dynamic block gives the lengths of the code length code.
constexpr std::size_t kLongestCode = 28; // the length code 285
constexpr std::uint32_t kDeflateLongest = 258;
constexpr int kDeflateDistanceCodes = 30; // 30 and 31 are Deflate64's
constexpr std::array<std::uint8_t, kCodeLengthCodes> kCodeLengthOrder = {
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// The bits of the packed data, lowest first, as deflate packs them.
class BitReader {
public:
    explicit BitReader(PackedReader& in) : in_(in) {}

    // Makes up to n bits (at most 32) available, as far as the data goes; false when it ends
    // before or cannot be read (Failed).
    bool Need(int n) {
        while (count_ < n) {
            if (!in_.Fill()) {
                failed_ = true;
                return false;
            }
            if (in_.AtEnd())
                return false;
            const unsigned char* bytes = in_.Data();
            std::size_t taken = 0;
            for (; taken < in_.Available() && count_ <= 56; ++taken, count_ += 8)
                bits_ |= static_cast<std::uint64_t>(bytes[taken]) << count_;
            in_.Take(taken);
        }
        return true;
    }
    std::uint32_t Peek() const { return static_cast<std::uint32_t>(bits_); }
    int Count() const { return count_; }
    void Drop(int n) {
        bits_ >>= n;
        count_ -= n;
    }
    // The next n bits as a number; false when the data ends before.
    bool Read(int n, std::uint32_t& value) {
        if (!Need(n))
            return false;
        value = static_cast<std::uint32_t>(bits_ & ((std::uint64_t{1} << n) - 1));
        Drop(n);
        return true;
    }
    // Drops the bits up to the next byte boundary (before stored data).
    void Align() { Drop(count_ % 8); }
    bool Failed() const { return failed_; }

private:
    PackedReader& in_;
    std::uint64_t bits_ = 0;
    int count_ = 0;
    bool failed_ = false;
};

// A canonical Huffman code. Codes of up to kFastBits bits are decoded by one look-up of the next
// bits (which arrive lowest first, so a code's bits stand reversed in the index); longer ones bit
// by bit from the number of codes of each length.
class HuffmanCode {
public:
    // False when the lengths ask for more codes than there are (an incomplete code is accepted:
    // its missing codes are damaged data when met).
    bool Build(const std::uint8_t* lengths, int symbols) {
        counts_.fill(0);
        fast_.fill(0);
        for (int s = 0; s < symbols; ++s)
            ++counts_[lengths[s]];
        counts_[0] = 0;
        int left = 1;
        for (int length = 1; length <= kMaxCodeLength; ++length) {
            left = (left << 1) - counts_[length];
            if (left < 0)
                return false;
        }
        std::array<std::uint16_t, kMaxCodeLength + 2> offsets{}, next{};
        for (int length = 1, code = 0; length <= kMaxCodeLength; ++length) {
            offsets[length + 1] = static_cast<std::uint16_t>(offsets[length] + counts_[length]);
            code = (code + counts_[length - 1]) << 1;
            next[length] = static_cast<std::uint16_t>(code);
        }
        for (int s = 0; s < symbols; ++s) {
            const int length = lengths[s];
            if (length == 0)
                continue;
            symbols_[offsets[length]++] = static_cast<std::uint16_t>(s);
            const unsigned code = next[length]++;
            if (length > kFastBits)
                continue;
            unsigned reversed = 0;
            for (int bit = 0; bit < length; ++bit)
                reversed |= ((code >> bit) & 1) << (length - 1 - bit);
            for (unsigned at = reversed; at < fast_.size(); at += 1u << length)
                fast_[at] = static_cast<std::uint16_t>(s << 4 | length);
        }
        return true;
    }

    // The next symbol, or -1 when the bits are no code of this one or the data ends.
    int Decode(BitReader& bits) const {
        bits.Need(kMaxCodeLength); // near the end of the data fewer may be there
        const std::uint32_t next = bits.Peek();
        if (const std::uint16_t entry = fast_[next & ((1u << kFastBits) - 1)]; entry != 0) {
            if ((entry & 15) > bits.Count())
                return -1;
            bits.Drop(entry & 15);
            return entry >> 4;
        }
        int code = 0, first = 0, index = 0;
        for (int length = 1; length <= kMaxCodeLength && length <= bits.Count(); ++length) {
            code |= static_cast<int>((next >> (length - 1)) & 1);
            if (code - first < counts_[length]) {
                bits.Drop(length);
                return symbols_[index + code - first];
            }
            index += counts_[length];
            first = (first + counts_[length]) << 1;
            code <<= 1;
        }
        return -1;
    }

private:
    std::array<std::uint16_t, kMaxCodeLength + 1> counts_{};
    std::array<std::uint16_t, kLiteralLengthCodes> symbols_{};
    std::array<std::uint16_t, 1 << kFastBits> fast_{};
};

class Inflater {
public:
    Inflater(PackedReader& in, const UnpackedOutput& out, DeflateVariant variant)
        : bits_(in), out_(out), deflate64_(variant == DeflateVariant::Deflate64) {}

    StreamEnd Run() {
        for (std::uint32_t last = 0; !last;) {
            std::uint32_t type = 0;
            if (!bits_.Read(1, last) || !bits_.Read(2, type))
                return Broken();
            const bool complete = type == 0   ? Stored()
                                  : type == 1 ? Fixed() && Codes()
                                  : type == 2 ? Dynamic() && Codes()
                                              : false;
            if (!complete)
                return Broken();
        }
        return Flush(total_ - flushed_) ? StreamEnd::Ended : StreamEnd::Stopped;
    }

private:
    // Why the data could not be decoded further.
    StreamEnd Broken() const {
        return stopped_         ? StreamEnd::Stopped
               : bits_.Failed() ? StreamEnd::InputFailed
                                : StreamEnd::Damaged;
    }

    // Hands on the last size bytes made, which end where the window does or at the stream end.
    bool Flush(std::uint64_t size) {
        flushed_ += size;
        stopped_ = size > 0 && !out_(&window_[(flushed_ - size) & kWindowMask], size);
        return !stopped_;
    }
    bool Put(unsigned char byte) {
        window_[total_++ & kWindowMask] = byte;
        return (total_ & kWindowMask) != 0 || Flush(kWindow);
    }

    bool Stored() {
        bits_.Align();
        std::uint32_t length = 0, complement = 0;
        if (!bits_.Read(16, length) || !bits_.Read(16, complement) ||
            length != (~complement & 0xFFFF))
            return false;
        for (std::uint32_t byte = 0; length-- > 0;)
            if (!bits_.Read(8, byte) || !Put(static_cast<unsigned char>(byte)))
                return false;
        return true;
    }

    bool Fixed() {
        std::array<std::uint8_t, kLiteralLengthCodes + kDistanceCodes> lengths{};
        for (int s = 0; s < kLiteralLengthCodes; ++s)
            lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
        for (int s = 0; s < kDistanceCodes; ++s)
            lengths[kLiteralLengthCodes + s] = 5;
        return literals_.Build(lengths.data(), kLiteralLengthCodes) &&
               distances_.Build(lengths.data() + kLiteralLengthCodes, kDistanceCodes);
    }

    bool Dynamic() {
        std::uint32_t literalCount = 0, distanceCount = 0, lengthCodeCount = 0;
        if (!bits_.Read(5, literalCount) || !bits_.Read(5, distanceCount) ||
            !bits_.Read(4, lengthCodeCount))
            return false;
        literalCount += 257;
        distanceCount += 1;
        lengthCodeCount += 4;
        std::array<std::uint8_t, kCodeLengthCodes> codeLengths{};
        for (std::uint32_t i = 0, length = 0; i < lengthCodeCount; ++i) {
            if (!bits_.Read(3, length))
                return false;
            codeLengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(length);
        }
        HuffmanCode lengthCode;
        if (!lengthCode.Build(codeLengths.data(), kCodeLengthCodes))
            return false;
        // The lengths of both codes, one sequence: 0-15 a length, 16 the previous one 3-6 times,
        // 17 zero 3-10 times, 18 zero 11-138 times.
        std::array<std::uint8_t, kLiteralLengthCodes + kDistanceCodes> lengths{};
        const std::uint32_t total = literalCount + distanceCount;
        for (std::uint32_t at = 0; at < total;) {
            const int symbol = lengthCode.Decode(bits_);
            if (symbol < 0)
                return false;
            if (symbol < 16) {
                lengths[at++] = static_cast<std::uint8_t>(symbol);
                continue;
            }
            std::uint32_t repeat = 0;
            const int extraBits = symbol == 16 ? 2 : symbol == 17 ? 3 : 7;
            if ((symbol == 16 && at == 0) || !bits_.Read(extraBits, repeat))
                return false;
            repeat += symbol == 18 ? 11 : 3;
            const std::uint8_t value = symbol == 16 ? lengths[at - 1] : 0;
            if (repeat > total - at)
                return false;
            for (; repeat > 0; --repeat)
                lengths[at++] = value;
        }
        return lengths[kEndOfBlock] != 0 && literals_.Build(lengths.data(), literalCount) &&
               distances_.Build(lengths.data() + literalCount, distanceCount);
    }

    // The literals and matches of a block with the codes built for it, up to its end.
    bool Codes() {
        for (;;) {
            const int symbol = literals_.Decode(bits_);
            if (symbol < 0)
                return false;
            if (symbol < kEndOfBlock) {
                if (!Put(static_cast<unsigned char>(symbol)))
                    return false;
                continue;
            }
            if (symbol == kEndOfBlock)
                return true;
            const auto code = static_cast<std::size_t>(symbol - kEndOfBlock - 1);
            std::uint32_t length = kDeflateLongest, distanceExtra = 0;
            if (code >= kLengthBase.size())
                return false;
            if (deflate64_ || code != kLongestCode) {
                std::uint32_t extra = 0;
                if (!bits_.Read(kLengthExtra[code], extra))
                    return false;
                length = kLengthBase[code] + extra;
            }
            const int distanceCode = distances_.Decode(bits_);
            if (distanceCode < 0 || (!deflate64_ && distanceCode >= kDeflateDistanceCodes) ||
                !bits_.Read(kDistanceExtra[distanceCode], distanceExtra))
                return false;
            const std::uint64_t distance = kDistanceBase[distanceCode] + distanceExtra;
            if (distance > total_)
                return false; // before the start of the data
            for (std::uint32_t n = 0; n < length; ++n)
                if (!Put(window_[(total_ - distance) & kWindowMask]))
                    return false;
        }
    }

    BitReader bits_;
    const UnpackedOutput& out_;
    HuffmanCode literals_;
    HuffmanCode distances_;
    std::array<unsigned char, kWindow> window_{};
    const bool deflate64_;
    std::uint64_t total_ = 0;   // bytes made
    std::uint64_t flushed_ = 0; // bytes handed on
    bool stopped_ = false;      // the output refused more
};

} // namespace

StreamEnd DecodeDeflate(PackedReader& in, const UnpackedOutput& out, DeflateVariant variant) {
    // The decoder holds its 64 KiB window, so it lives on the heap.
    const auto inflater = std::make_unique<Inflater>(in, out, variant);
    return inflater->Run();
}
