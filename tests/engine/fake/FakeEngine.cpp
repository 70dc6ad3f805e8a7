// A stand-in engine library for testing the component's side of the call.
#include "FakeEngine.h"

#include <climits>
#include <stdexcept>
#include <unistd.h>

namespace {

FakeScript script;
FakeLog log;

template <typename Command> std::int32_t Run(Command* command) {
    log.archive = command->ArchiveName ? command->ArchiveName : "<null>";
    log.password = command->PasswordText ? command->PasswordText : "<null>";
    log.specs.clear();
    for (int i = 0; i < command->SpecCount; ++i)
        log.specs.emplace_back(command->SpecList[i]);
    char cwd[PATH_MAX];
    log.currentFolder = ::getcwd(cwd, sizeof cwd) ? cwd : "";
    log.answers.clear();
    for (const auto& step : script.callbacks) {
        CallbackInfo info{};
        info.Caller = command->Caller;
        info.ActionCode = step.action;
        info.ErrorCode = step.error;
        info.FileSize = step.size;
        step.text.copy(info.Text, kCallbackTextSize - 1);
        log.answers.push_back(command->CallbackProc(&info));
    }
    if (script.fault)
        throw std::runtime_error("engine fault");
    return script.result;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) FakeScript* FakeEngineScript() {
    return &script;
}
__attribute__((visibility("default"))) FakeLog* FakeEngineLog() {
    return &log;
}

#ifndef FAKE_WITHOUT_EXEC
__attribute__((visibility("default"))) std::int32_t ZipDllExec(ZipCommand* command) {
    ++log.zipCalls;
    log.zip = *command;
    return Run(command);
}
__attribute__((visibility("default"))) std::int32_t UnzDllExec(UnzCommand* command) {
    ++log.unzCalls;
    log.unz = *command;
    return Run(command);
}
#endif

#ifndef FAKE_WITHOUT_VERSION
__attribute__((visibility("default"))) std::int32_t GetZipDllVersion() {
    return 1;
}
__attribute__((visibility("default"))) std::int32_t GetUnzDllVersion() {
    return 1;
}
#endif
}
