// The new archive as it is written.
#include "zipdll/ArchiveOutput.h"

#include "engine/ArchiveLayout.h"
#include "platform/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

constexpr std::size_t kBufferSize = 1 << 20;

// A copy goes in pieces of this size, so the caller's windows stay responsive, an abort is heard
// between them, and the disk starts writing each piece while the next one is copied.
constexpr std::uint64_t kCopyPiece = 2 << 20;

} // namespace

bool ArchiveOutput::WriteBuffer() {
    if (buffer_.empty())
        return true;
    if (!platform::WriteFully(file_.Fd(), buffer_.data(), buffer_.size()))
        return false;
    flushed_ += buffer_.size();
    buffer_.clear();
    file_.Written(flushed_);
    return true;
}

bool ArchiveOutput::CopyKept() {
    auto from = static_cast<loff_t>(keptStart_);
    std::uint64_t length = keptEnd_ - keptStart_;
    keptStart_ = keptEnd_;
    while (length > 0) {
        if (!report_.KeepAlive()) {
            errno = ECANCELED;
            return false;
        }
        const ssize_t n = ::copy_file_range(keptFd_, &from, file_.Fd(), nullptr,
                                            std::min<std::uint64_t>(length, kCopyPiece), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        length -= static_cast<std::uint64_t>(n);
        flushed_ += static_cast<std::uint64_t>(n);
        file_.Written(flushed_);
    }
    // Where the kernel cannot (another file system, an old kernel), through a buffer.
    std::vector<unsigned char> piece(length > 0 ? kBufferSize : 0);
    while (length > 0) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(length, piece.size()));
        if (ReadAt(keptFd_, static_cast<std::uint64_t>(from), piece.data(), want) != want) {
            errno = EIO; // the archive ended early or cannot be read
            return false;
        }
        if (!platform::WriteFully(file_.Fd(), piece.data(), want))
            return false;
        from += static_cast<loff_t>(want);
        length -= want;
        flushed_ += want;
        file_.Written(flushed_);
    }
    return true;
}

bool ArchiveOutput::Flush() {
    return CopyKept() && WriteBuffer();
}

bool ArchiveOutput::Write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (!CopyKept() || (buffer_.size() + size > kBufferSize && !WriteBuffer()))
        return false;
    if (size >= kBufferSize) {
        if (!platform::WriteFully(file_.Fd(), bytes, size))
            return false;
        flushed_ += size;
        file_.Written(flushed_);
        return true;
    }
    if (buffer_.capacity() < kBufferSize)
        buffer_.reserve(kBufferSize);
    buffer_.insert(buffer_.end(), bytes, bytes + size);
    return true;
}

bool ArchiveOutput::Keep(int in, std::uint64_t start, std::uint64_t end) {
    if (in != keptFd_ || start != keptEnd_) {
        if (!Flush())
            return false;
        keptFd_ = in;
        keptStart_ = start;
    } else if (!WriteBuffer()) {
        return false;
    }
    keptEnd_ = end;
    return true;
}

bool ArchiveOutput::Patch(std::uint64_t at, const void* data, std::size_t size) {
    if (!CopyKept())
        return false;
    const auto* bytes = static_cast<const unsigned char*>(data);
    // The part still in the buffer, then the part already in the file.
    for (std::size_t i = 0; i < size; ++i)
        if (at + i >= flushed_)
            buffer_[at + i - flushed_] = bytes[i];
    const std::size_t inFile =
        at >= flushed_ ? 0 : static_cast<std::size_t>(std::min<std::uint64_t>(size, flushed_ - at));
    for (std::size_t done = 0; done < inFile;) {
        const ssize_t n =
            ::pwrite(file_.Fd(), bytes + done, inFile - done, static_cast<off_t>(at + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool ArchiveOutput::Truncate(std::uint64_t length) {
    if (!CopyKept())
        return false;
    if (length >= flushed_) {
        buffer_.resize(static_cast<std::size_t>(length - flushed_));
        return true;
    }
    buffer_.clear();
    flushed_ = length;
    return ::ftruncate(file_.Fd(), static_cast<off_t>(length)) == 0 &&
           ::lseek(file_.Fd(), static_cast<off_t>(length), SEEK_SET) >= 0;
}
