// Stops what runs away instead of ending (a walk that follows links round and round, a reader
// whose position wraps around), so the test that guards against it fails fast and small.
// RunawayGuard answers abort at the next turn of the windows (the engines let them in while they
// work) once an engine call has run longer than a time limit, or the process has grown by more
// than a memory limit, and Tripped() says so. TimeLimit stops the test's process when the test
// has not ended by its limit, for work that lets nobody in.
#pragma once

#include "engine/ZipMstr.h"
#include "platform/UserNotice.h"

#include <chrono>
#include <fstream>
#include <unistd.h>

namespace testing_support {

class TimeLimit {
public:
    explicit TimeLimit(std::chrono::seconds limit) {
        ::alarm(static_cast<unsigned>(limit.count())); // SIGALRM ends the process: a failed test
    }
    ~TimeLimit() { ::alarm(0); }
    TimeLimit(const TimeLimit&) = delete;
    TimeLimit& operator=(const TimeLimit&) = delete;
};

class RunawayGuard {
public:
    RunawayGuard(TZipMaster& zip, std::chrono::seconds time, long megabytes)
        : start_(std::chrono::steady_clock::now()), startBytes_(Resident()), backstop_(time * 3) {
        platform::SetEventPump([this, &zip, time, megabytes] {
            tripped_ = tripped_ || std::chrono::steady_clock::now() - start_ > time ||
                       Resident() - startBytes_ > megabytes << 20;
            zip.AbortFlag = zip.AbortFlag || tripped_;
        });
    }
    ~RunawayGuard() { platform::SetEventPump(nullptr); }
    RunawayGuard(const RunawayGuard&) = delete;
    RunawayGuard& operator=(const RunawayGuard&) = delete;

    bool Tripped() const { return tripped_; }

private:
    static long Resident() {
        long size = 0, resident = 0;
        std::ifstream("/proc/self/statm") >> size >> resident;
        return resident * ::sysconf(_SC_PAGESIZE);
    }

    std::chrono::steady_clock::time_point start_;
    long startBytes_;
    TimeLimit backstop_; // should the engine never let the windows in
    bool tripped_ = false;
};

} // namespace testing_support
