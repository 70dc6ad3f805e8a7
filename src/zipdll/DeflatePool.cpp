// Compresses files on all cores while the archive is being written.
#include "zipdll/DeflatePool.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libdeflate.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A buffer that a worker keeps from one file to the next, so its pages are touched once.
struct Scratch {
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t capacity = 0;

    unsigned char* Get(std::size_t size) {
        if (size > capacity) {
            bytes.reset();
            bytes = std::make_unique_for_overwrite<unsigned char[]>(size);
            capacity = size;
        }
        return bytes.get();
    }
};

// Reads the whole file, which must be no larger than limit, into input; false with errno set
// otherwise.
bool ReadWhole(int fd, std::uint64_t limit, Scratch& input, std::size_t& size) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    if (static_cast<std::uint64_t>(st.st_size) > limit) {
        errno = EFBIG; // it grew since it was chosen
        return false;
    }
    const auto wanted = static_cast<std::size_t>(st.st_size);
    unsigned char* bytes = input.Get(wanted);
    size = 0;
    while (size < wanted) {
        const ssize_t n = ::read(fd, bytes + size, wanted - size);
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

DeflatePool::DeflatePool(std::size_t jobs, JobOf jobOf, int level, std::string_view password)
    : jobs_(jobs), jobOf_(std::move(jobOf)), level_(std::clamp(level, 1, 9)), password_(password) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t count = std::min<std::size_t>(cores, jobs_);
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

std::uint64_t DeflatePool::Footprint(std::uint64_t size) const {
    return size + libdeflate_deflate_compress_bound(nullptr, static_cast<std::size_t>(size)) +
           (password_.empty() ? 0 : aes::Overhead(aes::kStrength256));
}

bool DeflatePool::Keep(DeflatedFile& result, const unsigned char* compressed,
                       AesCipher* cipher) const {
    const std::size_t header = cipher ? cipher->HeaderSize() : 0;
    const std::size_t size = result.streamSize;
    result.streamSize += cipher ? aes::Overhead(aes::kStrength256) : 0;
    result.stream = std::make_unique_for_overwrite<unsigned char[]>(result.streamSize);
    unsigned char* stream = result.stream.get();
    std::memcpy(stream + header, compressed, size);
    return !cipher ||
           (cipher->StartEntry(password_, stream) && cipher->Encrypt(stream + header, size) &&
            cipher->AuthenticationCode(stream + header + size));
}

void DeflatePool::Work() {
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(level_);
    Scratch input, output;
    std::optional<AesCipher> cipher;
    if (!password_.empty())
        cipher.emplace(aes::kStrength256);
    for (;;) {
        std::size_t job = 0;
        Job file;
        {
            std::unique_lock lock(mutex_);
            // Files are taken in order, each once the budget has room for it. The writer takes
            // them in the same order, so the file it waits for never waits for memory: whatever
            // is held belongs to files at or after it, and it is the first of them.
            std::uint64_t footprint = 0;
            std::size_t asked = jobs_; // the job that file and footprint describe
            changed_.wait(lock, [&] {
                if (stopping_ || next_ >= jobs_)
                    return true;
                if (asked != next_) {
                    asked = next_;
                    file = jobOf_(next_);
                    footprint = Footprint(file.size);
                }
                return inUse_ == 0 || inUse_ + footprint <= kDeflateBudget;
            });
            if (stopping_ || next_ >= jobs_)
                break;
            job = next_++;
            taken_[job].held = footprint;
            inUse_ += footprint;
        }
        const int fd = ::open(file.hostPath.c_str(), O_RDONLY | O_CLOEXEC);
        DeflatedFile result;
        std::size_t size = 0;
        if (!compressor) {
            result.systemError = ENOMEM;
        } else if (fd < 0 || !ReadWhole(fd, kWholeFileLimit, input, size)) {
            result.systemError = errno;
        } else {
            result.size = size;
            result.crc32 = libdeflate_crc32(0, input.bytes.get(), size);
            const std::size_t bound = libdeflate_deflate_compress_bound(compressor, size);
            result.streamSize = libdeflate_deflate_compress(compressor, input.bytes.get(), size,
                                                            output.Get(bound), bound);
            // Only the stream waits for the writer, in memory of exactly its size.
            result.ok = Keep(result, output.bytes.get(), cipher ? &*cipher : nullptr);
            if (!result.ok) {
                result.systemError = EIO;
                result.stream.reset();
                result.streamSize = 0;
            }
        }
        if (fd >= 0)
            ::close(fd);
        {
            std::lock_guard lock(mutex_);
            Taken& taken = taken_[job];
            inUse_ -= taken.held;
            taken.held = result.streamSize;
            inUse_ += taken.held;
            taken.result = std::move(result);
            taken.done = true;
        }
        changed_.notify_all();
    }
    libdeflate_free_compressor(compressor);
}

const DeflatedFile* DeflatePool::Wait(std::size_t job, const std::function<bool()>& keepAlive) {
    std::unique_lock lock(mutex_);
    const auto done = [&] {
        const auto taken = taken_.find(job);
        return taken != taken_.end() && taken->second.done;
    };
    while (!changed_.wait_for(lock, kKeepAliveInterval, done)) {
        // The workers go on without the lock; the caller's windows get their turn.
        lock.unlock();
        const bool goOn = keepAlive();
        lock.lock();
        if (!goOn)
            return nullptr;
    }
    return &taken_[job].result;
}

void DeflatePool::Release(std::size_t job) {
    {
        std::unique_lock lock(mutex_);
        // A file not taken yet, or not done, is waited for: a worker may be reading it.
        changed_.wait(lock, [&] {
            const auto taken = taken_.find(job);
            return job < next_ && taken != taken_.end() && taken->second.done;
        });
        const auto taken = taken_.find(job);
        inUse_ -= taken->second.held;
        taken_.erase(taken);
    }
    changed_.notify_all();
}
