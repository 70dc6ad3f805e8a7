// The check before any window is made: the prefix (registry, settings, drives, temporary folder)
// must be the user's own. A prefix that cannot be used is refused with a message, and the
// program stops; what the check repaired (a temporary folder made private) is told once.
#pragma once

namespace app {

// False after the refusal was shown: the program must stop.
bool CheckMachine();

} // namespace app
