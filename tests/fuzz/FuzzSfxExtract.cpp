// Fuzz target: the self-extractor's strict reader and its extraction, on any bytes as the archive
// behind the stub. It must never crash, and never write outside the folder it extracts into:
// nothing else on the machine, the prefix included, may change (checked after every input).
#include "FuzzMachine.h"

#include "zipsfx/SfxExtract.h"

#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string target = fuzzing::MachineRoot() + "/prefix/drive_c/out";
    fs::remove_all(target);
    fs::create_directories(target);
    const std::string input = fuzzing::WriteInput("fuzz.exe", data, size);
    const fuzzing::MachineState before = fuzzing::StateOutsideOut("fuzz.exe");
    const int archive = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
    const int folder = ::open(target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (archive < 0 || folder < 0)
        __builtin_trap();
    ExtractSfxArchive(archive, folder, [](const std::string&, bool) {},
                      {[](const std::string&) { return SfxReplace::All; },
                       [] { return std::string("password"); }});
    ::close(archive);
    fuzzing::TrapWritesOutsideOut(before, "fuzz.exe");
    return 0;
}
