// Entry names made safe to write: an extracted entry never lands outside the folder extracted into.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The folder components and file name of an entry, with "/" and "\" both separators, "." and
// empty components dropped and control characters replaced by "_". Nothing for an absolute name
// ("/x", "\x", "\\srv\s\x"), a drive ("C:\x", "C:x"), a ".." component, or an empty name.
std::optional<std::vector<std::string>> SafeComponents(const std::string& entryName);
