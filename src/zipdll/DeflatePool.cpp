// Compresses files on all cores while the archive is being written.
#include "zipdll/DeflatePool.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What a file needs while it is compressed: itself and the largest stream it can become.
std::uint64_t Footprint(std::uint64_t size) {
    return size + libdeflate_deflate_compress_bound(nullptr, static_cast<std::size_t>(size));
}

// Reads the whole file, which must be no larger than limit, into a buffer that the worker keeps
// for the next file (so its pages are touched once); false with errno set otherwise.
bool ReadWhole(int fd, std::uint64_t limit, std::unique_ptr<unsigned char[]>& buffer,
               std::size_t& capacity, std::size_t& size) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    if (static_cast<std::uint64_t>(st.st_size) > limit) {
        errno = EFBIG; // it grew since it was chosen
        return false;
    }
    const auto wanted = static_cast<std::size_t>(st.st_size);
    if (wanted > capacity) {
        buffer.reset();
        buffer = std::make_unique_for_overwrite<unsigned char[]>(wanted);
        capacity = wanted;
    }
    size = 0;
    while (size < wanted) {
        const ssize_t n = ::read(fd, buffer.get() + size, wanted - size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break; // it shrank: what is there is the file
        size += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

DeflatePool::DeflatePool(std::vector<Job> jobs, int level)
    : jobs_(std::move(jobs)), level_(std::clamp(level, 1, 9)), results_(jobs_.size()),
      held_(jobs_.size(), 0), done_(jobs_.size(), false) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t count = std::min<std::size_t>(cores, jobs_.size());
    for (std::size_t i = 0; i < count; ++i)
        workers_.emplace_back([this] { Work(); });
}

DeflatePool::~DeflatePool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (auto& worker : workers_)
        worker.join();
}

void DeflatePool::Work() {
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(level_);
    // The worker's own buffer for the files it reads, kept from file to file: at most the
    // largest file it compresses, beside what the budget counts.
    std::unique_ptr<unsigned char[]> input;
    std::size_t inputCapacity = 0;
    for (;;) {
        std::size_t job = 0;
        {
            std::unique_lock lock(mutex_);
            // Files are taken in order, each once the budget has room for it. The writer takes
            // them in the same order, so the file it waits for never waits for memory: whatever
            // is held belongs to files at or after it, and it is the first of them.
            changed_.wait(lock, [&] {
                if (stopping_ || next_ >= jobs_.size())
                    return true;
                return inUse_ == 0 || inUse_ + Footprint(jobs_[next_].size) <= kDeflateBudget;
            });
            if (stopping_ || next_ >= jobs_.size())
                break;
            job = next_++;
            held_[job] = Footprint(jobs_[job].size);
            inUse_ += held_[job];
        }
        const int fd = ::open(jobs_[job].hostPath.c_str(), O_RDONLY | O_CLOEXEC);
        DeflatedFile result;
        std::size_t size = 0;
        if (!compressor) {
            result.systemError = ENOMEM;
        } else if (fd < 0 || !ReadWhole(fd, kWholeFileLimit, input, inputCapacity, size)) {
            result.systemError = errno;
        } else {
            result.size = size;
            result.crc32 = libdeflate_crc32(0, input.get(), size);
            result.streamCapacity = libdeflate_deflate_compress_bound(compressor, size);
            result.stream = std::make_unique_for_overwrite<unsigned char[]>(result.streamCapacity);
            result.streamSize = libdeflate_deflate_compress(
                compressor, input.get(), size, result.stream.get(), result.streamCapacity);
            result.ok = true;
        }
        if (fd >= 0)
            ::close(fd);
        {
            std::lock_guard lock(mutex_);
            // Only the stream stays until the writer has taken it.
            inUse_ -= held_[job];
            held_[job] = result.streamCapacity;
            inUse_ += held_[job];
            results_[job] = std::move(result);
            done_[job] = true;
        }
        changed_.notify_all();
    }
    libdeflate_free_compressor(compressor);
}

const DeflatedFile* DeflatePool::Wait(std::size_t job, const std::function<bool()>& keepAlive) {
    std::unique_lock lock(mutex_);
    while (!changed_.wait_for(lock, kKeepAliveInterval, [&] { return done_[job]; })) {
        // The workers go on without the lock; the caller's windows get their turn.
        lock.unlock();
        const bool goOn = keepAlive();
        lock.lock();
        if (!goOn)
            return nullptr;
    }
    return &results_[job];
}

void DeflatePool::Release(std::size_t job) {
    {
        std::lock_guard lock(mutex_);
        inUse_ -= held_[job];
        held_[job] = 0;
        results_[job] = DeflatedFile{};
    }
    changed_.notify_all();
}

void DeflatePool::Discard(std::size_t job) {
    Wait(job, [] { return true; });
    Release(job);
}
