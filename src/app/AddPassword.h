// The password that protects the files an add puts into an archive (the add window's "Protect
// With Password"): typed twice in masked boxes, the two alike and not empty. The caller holds it
// in the component's Password for the engine call only (PasswordForCall); it is stored nowhere.
#pragma once

#include <optional>
#include <string>

// Asks for the password of the files to add to archive (a Windows path) until both boxes agree;
// nothing when either box is cancelled.
std::optional<std::string> AskAddPassword(const std::string& archive);
