// Fuzz target: the directory reader on any bytes, as a .zip and as an .exe. It must end, never
// crash, and report damage only through its error or message.
#include "FuzzMachine.h"

#include "engine/ZipMstr.h"
#include "platform/UserNotice.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::SetMessageSink([](const std::string&) {});
    for (const char* name : {"fuzz.zip", "fuzz.exe"}) {
        fuzzing::WriteInput(name, data, size);
        TZipMaster zip;
        try {
            zip.SetZipFilename(std::string("C:\\") + name);
        } catch (const EZipMaster&) {
        }
        for (const auto& entry : zip.Entries())
            if (entry.FileName.size() > 256)
                __builtin_trap();
    }
    return 0;
}
