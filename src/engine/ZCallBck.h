// The callback record that an engine library hands to the component's callback during a call.
//
// Layout: every field is 32 bits, little-endian, in this order, except that on a 64-bit build a
// field that carries a pointer or a handle (OwnerWindow, Caller) is pointer-sized; the fields keep
// their order and natural alignment. On a 32-bit build the offsets are those written beside them.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

// Action codes of CallbackInfo.
enum : std::int32_t {
    kActionKeepAlive = 0, // nothing to report: a long wait goes on; the answer may still abort
    kActionFileStart = 1, // a file begins: Text is its name, FileSize its size
    kActionBlockDone = 2, // one more block of 32768 bytes of it is done
    kActionBatchEnd = 3,  // the whole call is done
    kActionMessage = 4,   // a message; Text is the message, ErrorCode its number
    // A file was extracted and now stands under its name: Text is the identity of the file the
    // engine wrote, "<device>:<inode>" in decimal, so the caller can tell it from any other file
    // that stands under that name later.
    kActionFileWritten = 5
};

constexpr std::size_t kCallbackTextSize = 1024;

struct CallbackInfo {
    void* OwnerWindow;            // 0: the owner window from the command record
    void* Caller;                 // 4: the component, from the command record
    std::int32_t EngineVersion;   // 8
    std::int32_t IsZipEngine;     // 12: -1 from the compression engine, 0 from the other
    std::int32_t ActionCode;      // 16
    std::int32_t ErrorCode;       // 20
    std::int32_t FileSize;        // 24
    char Text[kCallbackTextSize]; // 28: NUL-terminated, held in the record itself
};

// The component's callback: 0 to go on, -1 to abort.
using EngineCallbackProc = std::int32_t (*)(CallbackInfo* info);

} // extern "C"

static_assert(sizeof(void*) != 4 || offsetof(CallbackInfo, Text) == 28);
static_assert(offsetof(CallbackInfo, ActionCode) == 2 * sizeof(void*) + 8);
