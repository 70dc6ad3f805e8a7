// The command record of the compression engine library ZIPDLL.DLL (libzipdll.so) and its entry
// points. The layout rule is that of ZCallBck.h: 32-bit fields, pointer-sized where a field carries
// a pointer or a handle on a 64-bit build; on a 32-bit build the record is 16520 bytes.
#pragma once

#include "engine/ZCallBck.h"

#include <cstdint>

extern "C" {

constexpr int kMaxSpecs = 4097;

struct ZipCommand {
    void* OwnerWindow;               // 0
    void* Caller;                    // 4
    std::int32_t Reserved8;          // 8: 130
    EngineCallbackProc CallbackProc; // 12
    std::int32_t TraceFlag;          // 16
    char* PasswordText;              // 20
    std::int32_t Reserved24;         // 24: 0
    std::int32_t EncryptFlag;        // 28
    std::int32_t HiddenFilesFlag;    // 32
    std::int32_t Reserved36;         // 36: 0
    std::int32_t Reserved40;         // 40: 0
    std::int32_t Reserved44;         // 44: -1
    std::int32_t Reserved48;         // 48: 0
    std::int32_t VerboseFlag;        // 52
    std::int32_t Reserved56;         // 56: -1
    std::int32_t CompressionLevel;   // 60
    std::int32_t Reserved64;         // 64: 0
    std::int32_t Reserved68;         // 68: 0
    std::int32_t NoDirNamesFlag;     // 72
    std::int32_t RecurseFlag;        // 76
    std::int32_t Reserved80;         // 80: -1 to add, 0 to delete
    std::int32_t ForceDosFlag;       // 84
    std::int32_t MoveFlag;           // 88
    std::int32_t DeleteFlag;         // 92
    std::int32_t UpdateFlag;         // 96
    std::int32_t FreshenFlag;        // 100
    std::int32_t Reserved104;        // 104: 0
    std::int32_t ZipTimeFlag;        // 108
    std::int32_t Reserved112;        // 112: 0
    std::int32_t Reserved116;        // 116: 0
    std::int32_t SpecCount;          // 120
    char* ArchiveName;               // 124
    std::int32_t Reserved128;        // 128: 7
    char* SpecList[kMaxSpecs];       // 132
};

using ZipDllExecProc = std::int32_t (*)(ZipCommand* command);
using GetZipDllVersionProc = std::int32_t (*)();

std::int32_t ZipDllExec(ZipCommand* command);
std::int32_t GetZipDllVersion();

} // extern "C"

static_assert(sizeof(void*) != 4 || sizeof(ZipCommand) == 16520);
static_assert(sizeof(void*) != 4 || offsetof(ZipCommand, SpecList) == 132);
