// Fuzz target: extraction of any bytes. It must never crash, and never write outside the folder
// extracted into: nothing else on the machine, the prefix included, may change (checked after
// every input).
#include "FuzzMachine.h"

#include "engine/UNZDLL.h"
#include "platform/Files.h"

#include <filesystem>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string root = fuzzing::MachineRoot();
    const std::string target = root + "/prefix/drive_c/out";
    fs::remove_all(target);
    fs::create_directories(target);
    fuzzing::WriteInput("fuzz.zip", data, size);
    const fuzzing::MachineState before = fuzzing::StateOutsideOut("fuzz.zip");
    win::SetCurrentDirectoryA("C:\\out");

    UnzCommand command{};
    char archive[] = "C:\\fuzz.zip";
    char pattern[] = "*.*";
    char password[] = "pw";
    command.ArchiveName = archive;
    command.PasswordText = password;
    command.SpecList[0] = pattern;
    command.SpecCount = 1;
    command.DirNamesFlag = -1;
    command.OverwriteFlag = -1;
    UnzDllExec(&command);

    fuzzing::TrapWritesOutsideOut(before, "fuzz.zip");
    return 0;
}
