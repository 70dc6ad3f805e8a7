// Library loading and the process error mode.
#include "platform/Library.h"

#include "platform/PathMap.h"
#include "platform/Volumes.h"
#include "platform/WinPath.h"

#include <atomic>
#include <dlfcn.h>
#include <string>
#include <sys/stat.h>

namespace win {

struct ModuleRecord {
    void* handle;
};

namespace {

std::atomic<UINT> errorMode{0};

std::string HostFolderOf(const std::string& winFolder) {
    const auto host = platform::HostPathOf(winFolder);
    return host ? *host : std::string();
}

void* TryOpen(const std::string& hostPath) {
    struct stat st {};
    if (::stat(hostPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    return ::dlopen(hostPath.c_str(), RTLD_NOW | RTLD_LOCAL);
}

} // namespace

HMODULE LoadLibraryA(LPCSTR fileName) {
    const std::string name = fileName ? fileName : "";
    const std::string object = platform::SharedObjectName(name);
    void* handle = nullptr;
    const std::string folder = ExtractFilePath(name);
    if (!folder.empty()) {
        // A path names its folder: only that one is searched.
        handle = TryOpen(HostFolderOf(folder) + "/" + object);
    } else {
        const std::string program = platform::ProgramHostPath();
        const std::string candidates[] = {program.substr(0, program.rfind('/')),
                                          HostFolderOf("C:\\WINDOWS\\SYSTEM"),
                                          HostFolderOf("C:\\WINDOWS")};
        for (const auto& dir : candidates)
            if (!handle && !dir.empty())
                handle = TryOpen(dir + "/" + object);
        if (!handle)
            handle = ::dlopen(object.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    if (!handle) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return new ModuleRecord{handle};
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
    if (!module || !procName) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    void* symbol = ::dlsym(module->handle, procName);
    if (!symbol) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) {
    if (!module) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ::dlclose(module->handle);
    delete module;
    return TRUE;
}

UINT SetErrorMode(UINT mode) {
    return errorMode.exchange(mode);
}
UINT GetErrorMode() {
    return errorMode.load();
}

} // namespace win

namespace platform {

std::string SharedObjectName(const std::string& dllName) {
    std::string base = win::LowerCase(win::ExtractFileName(dllName));
    if (win::SameText(win::ExtractFileExt(base), ".dll"))
        base = win::ChangeFileExt(base, "");
    return "lib" + base + ".so";
}

} // namespace platform
