// Reads a file through a buffer with the semantics of plain reads and seeks: Read returns fewer
// bytes only at the end of the file, Skip moves the position forward (also past the end, as a
// seek may), and Position is where plain reads would be. Listing an archive then costs one system
// call per buffer, not three per entry.
#pragma once

#include <cstdint>
#include <vector>

class BufferedReader {
public:
    explicit BufferedReader(int fd, std::size_t bufferSize = 1 << 16);

    // Reads up to size bytes into out; returns how many arrived.
    std::size_t Read(void* out, std::size_t size);
    // Moves forward by count bytes; returns the new position.
    std::uint64_t Skip(std::uint64_t count);
    std::uint64_t Position() const { return position_; }
    std::uint64_t Size() const { return size_; }
    void Seek(std::uint64_t position);

private:
    bool Fill();

    int fd_;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;    // logical position
    std::uint64_t bufferStart_ = 0; // file offset of buffer_[0]
    std::size_t bufferFill_ = 0;
    std::vector<unsigned char> buffer_;
};
