// A private machine for a fuzz target.
#include "FuzzMachine.h"

#include "platform/Prefix.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace fuzzing {
namespace {

struct Machine {
    std::string root;
    Machine() {
        root = std::filesystem::temp_directory_path().string() + "/pakrune-fuzz.XXXXXX";
        if (!::mkdtemp(root.data()))
            std::abort();
        std::filesystem::create_directories(root + "/tmp");
        std::filesystem::create_directories(root + "/home/Downloads");
        // A home of its own: the prefix links its download folder into it.
        ::setenv("HOME", (root + "/home").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root + "/home/.config").c_str(), 1);
        ::setenv("PAKRUNE_PREFIX", (root + "/prefix").c_str(), 1);
        ::setenv("TMPDIR", (root + "/tmp").c_str(), 1);
        if (!platform::EnsurePrefix())
            std::abort();
    }
    ~Machine() { platform::RemoveHostTree(root); }
};

} // namespace

const std::string& MachineRoot() {
    static Machine machine;
    return machine.root;
}

std::string WriteInput(const std::string& name, const std::uint8_t* data, std::size_t size) {
    const std::string path = MachineRoot() + "/prefix/drive_c/" + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

std::string ReadInput(const std::string& name) {
    std::ifstream in(MachineRoot() + "/prefix/drive_c/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

MachineState StateOutsideOut(const std::string& input) {
    namespace fs = std::filesystem;
    const fs::path drive = MachineRoot() + "/prefix/drive_c";
    MachineState state;
    for (auto it = fs::recursive_directory_iterator(MachineRoot());
         it != fs::recursive_directory_iterator(); ++it) {
        const fs::path& path = it->path();
        if (path == drive / "out") {
            it.disable_recursion_pending();
            continue;
        }
        struct stat st {};
        if (path == drive / input || ::lstat(path.c_str(), &st) != 0)
            continue;
        std::string& what = state[path.string()];
        if (S_ISLNK(st.st_mode))
            what = "link to " + fs::read_symlink(path).string();
        else if (S_ISDIR(st.st_mode))
            what = "folder"; // its time changes with every input made or removed in it
        else
            what = std::to_string(st.st_mode) + " " + std::to_string(st.st_size) + " bytes of " +
                   std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
    }
    return state;
}

void TrapWritesOutsideOut(const MachineState& before, const std::string& input) {
    const MachineState after = StateOutsideOut(input);
    if (after == before)
        return;
    auto changed = std::mismatch(before.begin(), before.end(), after.begin(), after.end());
    const auto& [path, what] = changed.second != after.end() ? *changed.second : *changed.first;
    std::fprintf(stderr, "written outside the target folder: %s (%s)\n", path.c_str(),
                 what.c_str());
    __builtin_trap();
}

} // namespace fuzzing
