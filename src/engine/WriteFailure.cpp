// Why a file could not be written.
#include "engine/WriteFailure.h"

#include <cerrno>
#include <cstring>

namespace {

// "drive F:" for a path on F:, or "the disk" for one without a drive letter.
std::string DriveOf(const std::string& winPath) {
    if (winPath.size() >= 2 && winPath[1] == ':' &&
        ((winPath[0] >= 'A' && winPath[0] <= 'Z') || (winPath[0] >= 'a' && winPath[0] <= 'z')))
        return std::string("drive ") + static_cast<char>(winPath[0] & ~0x20) + ":";
    return "the disk";
}

} // namespace

std::string WriteFailureReason(const std::string& winFolder, int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return "there is not enough space on " + DriveOf(winFolder);
    case EFBIG:
        return "the file is too large for " + DriveOf(winFolder);
    case EROFS:
        return DriveOf(winFolder) + " is read-only";
    case EACCES:
    case EPERM:
        return "access is denied";
    case ESTALE:
        return "another program changed it meanwhile";
    default:
        return std::strerror(error);
    }
}

std::string CannotWrite(const std::string& what, const std::string& winFolder, int error) {
    return "Cannot write " + what + ": " + WriteFailureReason(winFolder, error);
}
