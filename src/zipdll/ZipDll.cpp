// The compression engine library (stands for ZIPDLL.DLL): adds files to an archive, or deletes
// entries from it, as the command record says.
#include "engine/ZIPDLL.h"

#include "engine/EngineReport.h"
#include "zipdll/ArchiveUpdate.h"

extern "C" {

__attribute__((visibility("default"))) std::int32_t ZipDllExec(ZipCommand* command) {
    if (!command)
        return 0;
    // Nothing may cross the C boundary: whatever escapes is a failed call.
    try {
        EngineReport report(command->CallbackProc, command->OwnerWindow, command->Caller, true,
                            command->VerboseFlag != 0 || command->TraceFlag != 0);
        const std::int32_t count = command->DeleteFlag ? DeleteFromArchive(*command, report)
                                                       : AddToArchive(*command, report);
        report.BatchEnd();
        return count;
    } catch (...) {
        return 0;
    }
}

__attribute__((visibility("default"))) std::int32_t GetZipDllVersion() {
    return 400;
}

} // extern "C"
