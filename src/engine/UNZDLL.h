// The command record of the decompression engine library UNZDLL.DLL (libunzdll.so) and its entry
// points. The layout rule is that of ZCallBck.h; on a 32-bit build the record is 16464 bytes.
#pragma once

#include "engine/ZIPDLL.h"

#include <cstdint>

extern "C" {

struct UnzCommand {
    void* OwnerWindow;               // 0
    void* Caller;                    // 4
    std::int32_t Reserved8;          // 8: 130
    EngineCallbackProc CallbackProc; // 12
    std::int32_t TraceFlag;          // 16
    std::int32_t Reserved20;         // 20: 0
    char* PasswordText;              // 24
    std::int32_t TestFlag;           // 28
    std::int32_t Reserved32;         // 32: 0
    std::int32_t Reserved36;         // 36: 0
    std::int32_t Reserved40;         // 40: -1
    std::int32_t VerboseFlag;        // 44
    std::int32_t UpdateFlag;         // 48
    std::int32_t FreshenFlag;        // 52
    std::int32_t DirNamesFlag;       // 56
    std::int32_t OverwriteFlag;      // 60
    std::int32_t SpecCount;          // 64
    char* ArchiveName;               // 68
    std::int32_t Reserved72;         // 72: 7
    char* SpecList[kMaxSpecs];       // 76
};

using UnzDllExecProc = std::int32_t (*)(UnzCommand* command);
using GetUnzDllVersionProc = std::int32_t (*)();

std::int32_t UnzDllExec(UnzCommand* command);
std::int32_t GetUnzDllVersion();

} // extern "C"

static_assert(sizeof(void*) != 4 || sizeof(UnzCommand) == 16464);
static_assert(sizeof(void*) != 4 || offsetof(UnzCommand, SpecList) == 76);
