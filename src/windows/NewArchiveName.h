// The name of a new archive, as the new-archive command and the wizard check it: a ".exe" is
// refused (an archive becomes a program only by conversion), a name with a "." anywhere must end
// in ".zip", and a name without any "." gets ".zip" appended.
#pragma once

#include <optional>
#include <string>

// The archive's path, or nothing after the refusal was shown to the user.
std::optional<std::string> NewArchiveName(const std::string& chosen);
