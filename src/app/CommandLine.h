// The program's command line in Windows form. The platform passes host paths; they are converted
// once, here, at the program's entry, and the rest of the program sees Windows paths only.
#pragma once

#include <string>
#include <vector>

namespace app {

// Argument 0 is the program's own path (GetModuleFileName), the others are host paths that
// become Windows paths.
void SetCommandLine(int argc, char** argv);
int ParamCount();
std::string ParamStr(int index);

} // namespace app
