// The soft limit of open files of the test process, lowered for a scope (and so for the programs
// it starts meanwhile), as a desktop session's limit of 1024 or less would have it.
#pragma once

#include <algorithm>
#include <sys/resource.h>

namespace testing_support {

class OpenFileLimit {
public:
    explicit OpenFileLimit(rlim_t files) {
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = std::min(files, saved_.rlim_max);
        ::setrlimit(RLIMIT_NOFILE, &lowered);
    }
    ~OpenFileLimit() { ::setrlimit(RLIMIT_NOFILE, &saved_); }
    OpenFileLimit(const OpenFileLimit&) = delete;
    OpenFileLimit& operator=(const OpenFileLimit&) = delete;

private:
    rlimit saved_{};
};

} // namespace testing_support
