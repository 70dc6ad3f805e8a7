// The calling thread's last error code, as the Windows services report it.
#include "platform/WinTypes.h"

namespace win {
namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

DWORD GetLastError() {
    return lastError;
}
void SetLastError(DWORD code) {
    lastError = code;
}

} // namespace win
