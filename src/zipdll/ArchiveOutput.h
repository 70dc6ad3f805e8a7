// The new archive as it is written into its Replacement: it grows at its end through a buffer of
// a megabyte, keeps ranges of the old archive (copied inside the kernel, neighbours in one copy),
// and can go back over what it wrote: a local header whose sizes are known only after its data,
// an entry given up.
#pragma once

#include "engine/EngineReport.h"
#include "zipdll/Replacement.h"

#include <cstdint>
#include <vector>

class ArchiveOutput {
public:
    // report: asked between the pieces of a copy whether to go on.
    ArchiveOutput(Replacement& file, EngineReport& report) : file_(file), report_(report) {}

    // Every failure is false with errno set (ECANCELED: the caller answered abort).
    bool Write(const void* data, std::size_t size);
    // Appends the bytes of the file in from start to end, copied when anything else is written.
    bool Keep(int in, std::uint64_t start, std::uint64_t end);
    // Writes over bytes of the last thing written, from at on.
    bool Patch(std::uint64_t at, const void* data, std::size_t size);
    // Gives up everything written from length on, within the last thing written.
    bool Truncate(std::uint64_t length);
    // Writes what is kept and buffered to the file.
    bool Flush();
    std::uint64_t Length() const { return flushed_ + buffer_.size() + (keptEnd_ - keptStart_); }

private:
    bool WriteBuffer();
    bool CopyKept();

    Replacement& file_;
    EngineReport& report_;
    std::vector<unsigned char> buffer_;
    std::uint64_t flushed_ = 0; // bytes in the file
    int keptFd_ = -1;           // the bytes from keptStart_ to keptEnd_ of it are still to copy
    std::uint64_t keptStart_ = 0, keptEnd_ = 0;
};
