// The program's command line in Windows form.
#include "app/CommandLine.h"

#include "platform/PathMap.h"
#include "platform/Volumes.h"

namespace app {
namespace {
std::vector<std::string> arguments;
}

void SetCommandLine(int argc, char** argv) {
    arguments.clear();
    char self[win::MAX_PATH] = {};
    win::GetModuleFileNameA(nullptr, self, sizeof self);
    arguments.emplace_back(self);
    for (int i = 1; i < argc; ++i) {
        const std::string windows = platform::WindowsPathOf(argv[i]);
        arguments.push_back(windows.empty() ? std::string(argv[i]) : windows);
    }
}

int ParamCount() {
    return arguments.empty() ? 0 : static_cast<int>(arguments.size()) - 1;
}

std::string ParamStr(int index) {
    return index >= 0 && index < static_cast<int>(arguments.size())
               ? arguments[static_cast<std::size_t>(index)]
               : std::string();
}

} // namespace app
