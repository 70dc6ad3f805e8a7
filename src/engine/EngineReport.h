// The engine side of the callback: the engines report through it when a file begins, for every
// 32768 bytes of it, at the end of the call, and with numbered messages; an answer of -1 aborts.
// Every report reaches the callback on the thread that called the engine, also one made by work
// that Meanwhile runs aside.
#pragma once

#include "engine/WorkAside.h"
#include "engine/ZCallBck.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

// Message numbers (ErrorCode of action 4).
enum EngineMessage : std::int32_t {
    kMsgProcessed = 0,     // verbose: a file was processed
    kMsgSkipped = 1,       // a file was left alone (exists, not newer, hidden, a folder)
    kMsgNotFound = 2,      // a specification matched nothing
    kMsgUnsafeName = 3,    // an entry name that would write outside the target folder
    kMsgDataError = 4,     // CRC error, damaged or oversized data
    kMsgWrongPassword = 5, // a missing or wrong password
    kMsgWriteFailed = 6,   // a file could not be written or read
    kMsgBadArchive = 7,    // the archive cannot be opened or is damaged
    kMsgAborted = 8        // the caller aborted
};

constexpr std::int64_t kBlockSize = 32768;
// How long an engine stays quiet at most during long work before it reports that it is alive: well
// below the 50 ms a window may wait, so that a busy machine's delays still fit.
constexpr std::chrono::milliseconds kKeepAliveQuiet{10};

class EngineReport {
public:
    EngineReport(EngineCallbackProc callback, void* owner, void* caller, bool zipEngine,
                 bool verbose);

    // Each returns false once the caller has answered abort.
    bool FileStart(const std::string& name, std::int64_t size);
    // Counts bytes of the current file and reports each completed block.
    bool Progress(std::int64_t bytes);
    bool Message(EngineMessage code, const std::string& text);
    // A message only in verbose or trace mode.
    bool Verbose(const std::string& text);
    // The file with this device and inode number was written and renamed into place.
    bool FileWritten(std::uint64_t device, std::uint64_t inode);
    void BatchEnd();
    // During long work without other reports: lets the caller's windows stay responsive and the
    // caller abort. Sent only when nothing was sent for kKeepAliveQuiet, so it may be asked often
    // (work aside asks in vain: the engine's thread keeps alive for it).
    bool KeepAlive();
    bool Aborted() const { return aborted_; }

    // Runs work that has no point at which to report (a flush to the disk, a read of a large
    // directory, a folder walk) on a thread of its own, while this thread keeps alive for it and
    // passes on whatever it reports. Returns work's result, with errno as work left it. An abort
    // answered meanwhile does not stop the work: the caller asks Aborted() afterwards.
    template <typename Work> auto Meanwhile(Work work) {
        return WorkAside::Run(std::move(work), [this] { KeepAlive(); });
    }

private:
    // Runs report on the engine's thread: at once there, handed over from work aside.
    static bool OnEngineThread(const std::function<bool()>& report);
    bool Send(std::int32_t action, std::int32_t error, std::int64_t size, const std::string& text);

    EngineCallbackProc callback_;
    void* owner_;
    void* caller_;
    bool zipEngine_;
    bool verbose_;
    std::atomic<bool> aborted_ = false; // read by work aside too
    std::int64_t pending_ = 0;
    std::chrono::steady_clock::time_point lastSent_ = std::chrono::steady_clock::now();
};
