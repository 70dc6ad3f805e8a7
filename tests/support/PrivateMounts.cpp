// The test process's own mounts.
#include "PrivateMounts.h"

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace testing_support {

bool PrivateMounts() {
    static const bool done = ::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0 &&
                             ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return done;
}

} // namespace testing_support
