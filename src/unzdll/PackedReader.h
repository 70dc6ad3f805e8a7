// The packed data of an entry as its decoder takes it: pulled a block at a time from wherever the
// engine reads it (the archive file, or libzip after decrypting), through one buffer.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

// Fills up to capacity bytes of buffer with the next packed bytes and says how many: 0 at the
// end of the packed data, -1 when they cannot be read (the reader keeps the reason).
using PackedInput = std::function<std::ptrdiff_t(unsigned char* buffer, std::size_t capacity)>;
// Receives the unpacked bytes in order; false stops the decoding.
using UnpackedOutput = std::function<bool(const unsigned char* bytes, std::size_t size)>;

class PackedReader {
public:
    PackedReader(const PackedInput& input, std::size_t capacity)
        : input_(input), buffer_(capacity) {}

    // The bytes read and not yet taken.
    const unsigned char* Data() const { return buffer_.data() + taken_; }
    std::size_t Available() const { return filled_ - taken_; }
    void Take(std::size_t count) { taken_ += count; }
    // Reads the next block once every byte is taken; false when reading failed. At the end of
    // the packed data nothing more becomes available and AtEnd says so.
    bool Fill() {
        if (Available() > 0 || atEnd_)
            return true;
        const std::ptrdiff_t got = input_(buffer_.data(), buffer_.size());
        if (got < 0)
            return false;
        taken_ = 0;
        filled_ = static_cast<std::size_t>(got);
        atEnd_ = got == 0;
        return true;
    }
    bool AtEnd() const { return atEnd_ && Available() == 0; }

private:
    const PackedInput& input_;
    std::vector<unsigned char> buffer_;
    std::size_t filled_ = 0;
    std::size_t taken_ = 0;
    bool atEnd_ = false;
};

// How a decoder ended: at the end of its stream, or why not.
enum class StreamEnd { Ended, Damaged, InputFailed, Stopped, NeedsMemory };
