// Why a file could not be written, in words a user can act on: a full disk and a read-only
// drive are named by their drive letter, so the message says where space must be made.
#pragma once

#include <string>

// "Cannot write <what>: <reason>", the reason from the system's error number; what is the file
// (or "archive C:\x.zip"), winFolder a Windows path on the drive written to.
std::string CannotWrite(const std::string& what, const std::string& winFolder, int error);

// The reason alone: "there is not enough space on drive F:", "drive F: is read-only", "access
// is denied", "another program changed it meanwhile", or the system's own text.
std::string WriteFailureReason(const std::string& winFolder, int error);
