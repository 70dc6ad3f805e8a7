// The test process's own mounts, and the tests' own temporary folder.
#include "PrivateMounts.h"

#include <cstdlib>
#include <filesystem>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testing_support {
namespace {

const char* const kShared = "/tmp";
std::string ownFolder; // the folder mounted over /tmp, by its path outside the mount

void RemoveOwnFolder() {
    if (::umount2(kShared, MNT_DETACH) == 0) {
        std::error_code ignored;
        std::filesystem::remove_all(ownFolder, ignored);
    }
}

std::string ChooseFolder() {
    if (::geteuid() != 0) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        return runtime && runtime[0] == '/' ? runtime : kShared;
    }
    std::string folder = std::string(kShared) + "/pakrune-tests.XXXXXX";
    if (!PrivateMounts() || !::mkdtemp(folder.data()))
        return kShared;
    ::chmod(folder.c_str(), 0755);
    if (::mount(folder.c_str(), kShared, nullptr, MS_BIND, nullptr) != 0) {
        ::rmdir(folder.c_str());
        return kShared;
    }
    ownFolder = folder;
    std::atexit(RemoveOwnFolder);
    return kShared;
}

} // namespace

bool PrivateMounts() {
    static const bool done = ::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0 &&
                             ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return done;
}

std::string TestsTemporaryFolder() {
    static const std::string folder = ChooseFolder();
    return folder;
}

} // namespace testing_support
