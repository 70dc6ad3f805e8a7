// Buffered reading with the semantics of plain reads and seeks.
#include "engine/BufferedReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The size of a read after a skip, and the least skip that calls for one.
constexpr std::size_t kAfterSkip = 4096;

} // namespace

BufferedReader::BufferedReader(int fd, std::size_t bufferSize) : fd_(fd), buffer_(bufferSize) {
    struct stat st {};
    if (::fstat(fd, &st) == 0)
        size_ = static_cast<std::uint64_t>(st.st_size);
}

bool BufferedReader::Fill() {
    // Where a skip passed over more than a small read's worth of data, the entries are not small
    // and only a header and a name are wanted there, so a small read does: a whole buffer would
    // mostly hold data that the next skip passes over. Reading on from near the buffer's end (small
    // entries one after another) fills it whole.
    const bool farSkip = position_ > bufferStart_ + bufferFill_ + kAfterSkip;
    const std::size_t want = farSkip ? std::min(buffer_.size(), kAfterSkip) : buffer_.size();
    bufferStart_ = position_;
    bufferFill_ = 0;
    if (position_ >= size_)
        return false;
    for (;;) {
        const ssize_t n = ::pread(fd_, buffer_.data(), want, static_cast<off_t>(position_));
        if (n < 0 && errno == EINTR)
            continue;
        bufferFill_ = n > 0 ? static_cast<std::size_t>(n) : 0;
        return bufferFill_ > 0;
    }
}

std::size_t BufferedReader::Read(void* out, std::size_t size) {
    auto* dest = static_cast<unsigned char*>(out);
    std::size_t done = 0;
    while (done < size) {
        if (position_ < bufferStart_ || position_ >= bufferStart_ + bufferFill_) {
            if (!Fill())
                break;
        }
        const std::size_t offset = static_cast<std::size_t>(position_ - bufferStart_);
        const std::size_t n = std::min(size - done, bufferFill_ - offset);
        std::memcpy(dest + done, buffer_.data() + offset, n);
        done += n;
        position_ += n;
    }
    return done;
}

std::uint64_t BufferedReader::Skip(std::uint64_t count) {
    position_ += count;
    return position_;
}

void BufferedReader::Seek(std::uint64_t position) {
    position_ = position;
}
