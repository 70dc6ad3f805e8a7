// A private machine for a fuzz target.
#include "FuzzMachine.h"

#include "platform/Prefix.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

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

void TrapWritesOutsideOut(const std::string& input) {
    const std::string& root = MachineRoot();
    for (const auto& entry : std::filesystem::directory_iterator(root + "/prefix/drive_c")) {
        const std::string name = entry.path().filename().string();
        if (name != "out" && name != input && name != "WINDOWS" && name != "download")
            __builtin_trap();
    }
    if (!std::filesystem::is_empty(root + "/tmp"))
        __builtin_trap();
}

} // namespace fuzzing
