// Compresses files on all cores while the archive is being written. Worker threads take the files
// in order, read each one whole, deflate it in memory and keep the result until the writer has
// taken it; the memory held by files being read, compressed or waiting stays within a fixed
// budget, so adding any number of files costs a bounded amount of memory. Only files up to
// kWholeFileLimit come here; larger ones are streamed by the writer itself. Each worker also keeps
// the buffer it reads files into (at most kWholeFileLimit) from one file to the next.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The largest file compressed whole in memory, and the memory all workers together may hold.
constexpr std::uint64_t kWholeFileLimit = 8 << 20;
constexpr std::uint64_t kDeflateBudget = 36 << 20;
// How often a wait for a file lets the caller's windows process their events.
constexpr std::chrono::milliseconds kKeepAliveInterval{40};

struct DeflatedFile {
    bool ok = false;
    int systemError = 0; // when reading the file failed
    std::uint32_t crc32 = 0;
    std::uint64_t size = 0; // of the file as it was read
    // The raw deflate stream, in a buffer as large as the worst case; only what was written of
    // it is ever touched, so the rest costs no memory.
    std::unique_ptr<unsigned char[]> stream;
    std::size_t streamSize = 0;
    std::size_t streamCapacity = 0;
};

class DeflatePool {
public:
    struct Job {
        std::string hostPath;
        std::uint64_t size; // as the file was found; it may still grow up to kWholeFileLimit
    };
    // level: 1 (fastest) to 9 (smallest).
    DeflatePool(std::vector<Job> jobs, int level);
    ~DeflatePool(); // stops the workers and waits for them
    DeflatePool(const DeflatePool&) = delete;
    DeflatePool& operator=(const DeflatePool&) = delete;

    // Waits until file `job` is compressed; the result stays valid until Release(job). While it
    // waits, keepAlive runs every kKeepAliveInterval; when it answers false (the caller aborts),
    // the wait ends with nothing.
    const DeflatedFile* Wait(std::size_t job, const std::function<bool()>& keepAlive);
    // The writer is done with the file: its memory goes back to the budget.
    void Release(std::size_t job);
    // The writer will not take the file after all.
    void Discard(std::size_t job);

private:
    void Work();

    std::vector<Job> jobs_;
    int level_;
    std::vector<DeflatedFile> results_;
    std::vector<std::uint64_t> held_; // budget bytes each job holds
    std::vector<bool> done_;
    std::size_t next_ = 0; // the next job a worker takes
    std::uint64_t inUse_ = 0;
    bool stopping_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::thread> workers_;
};
