// Compresses files on all cores while the archive is being written. Worker threads take the files
// in order, read each one whole, deflate it in memory and keep the stream until the writer has
// taken it; the memory held by files being read, compressed or waiting stays within a fixed
// budget, so adding any number of files costs a bounded amount of memory, and the pool holds
// nothing for a file before a worker takes it or after the writer is done with it. Only files up
// to kWholeFileLimit come here; larger ones are streamed by the writer itself. Each worker also
// keeps the buffers it reads and compresses files in (at most the largest file it met and its
// bound) from one file to the next. With a password the workers also encrypt each stream, so the
// keys made for every file (a thousand rounds of hashing each) are made on every core too.
#pragma once

#include "engine/AesCipher.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

// The largest file compressed whole in memory, and the memory all workers together may hold for
// the files they read and the streams that wait for the writer.
constexpr std::uint64_t kWholeFileLimit = 8 << 20;
constexpr std::uint64_t kDeflateBudget = 24 << 20;
// How often a wait for a file asks the caller whether to go on (the caller's keep-alive decides
// how often that reaches the windows).
constexpr std::chrono::milliseconds kKeepAliveInterval{5};

struct DeflatedFile {
    bool ok = false;
    int systemError = 0; // when reading the file failed
    std::uint32_t crc32 = 0;
    std::uint64_t size = 0; // of the file as it was read
    // The raw deflate stream, exactly its size; with a password, encrypted as an entry's data
    // is (AesCipher: salt and password check before it, the authentication code after it).
    std::unique_ptr<unsigned char[]> stream;
    std::size_t streamSize = 0;
};

class DeflatePool {
public:
    struct Job {
        std::string hostPath;
        std::uint64_t size; // as the file was found; it may still grow up to kWholeFileLimit
    };
    // The file of job number i, asked on a worker thread once, when a worker takes it.
    using JobOf = std::function<Job(std::size_t i)>;

    // jobs: how many files; level: 1 (fastest) to 9 (smallest); password: encrypts each stream
    // with AES-256 when not empty (the caller's, which outlives the pool).
    DeflatePool(std::size_t jobs, JobOf jobOf, int level, std::string_view password = {});
    ~DeflatePool(); // stops the workers and waits for them
    DeflatePool(const DeflatePool&) = delete;
    DeflatePool& operator=(const DeflatePool&) = delete;

    // Waits until file `job` is compressed; the result stays valid until Release(job). While it
    // waits, keepAlive runs every kKeepAliveInterval; when it answers false (the caller aborts),
    // the wait ends with nothing.
    const DeflatedFile* Wait(std::size_t job, const std::function<bool()>& keepAlive);
    // The writer is done with the file (or will not take it after all): its memory goes back to
    // the budget.
    void Release(std::size_t job);

private:
    // A file a worker has taken and the writer has not released.
    struct Taken {
        std::uint64_t held = 0; // budget bytes
        bool done = false;
        DeflatedFile result;
    };

    void Work();
    // The stream of result, compressed into compressed, as it waits for the writer: encrypted by
    // cipher when there is a password. False when the encryption fails.
    bool Keep(DeflatedFile& result, const unsigned char* compressed, AesCipher* cipher) const;
    // What a file of size bytes needs while it is compressed: itself and the largest stream it can
    // become.
    std::uint64_t Footprint(std::uint64_t size) const;

    std::size_t jobs_;
    JobOf jobOf_;
    int level_;
    std::string_view password_;
    std::unordered_map<std::size_t, Taken> taken_;
    std::size_t next_ = 0; // the next job a worker takes
    std::uint64_t inUse_ = 0;
    bool stopping_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::thread> workers_;
};
