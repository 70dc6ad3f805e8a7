// Folder enumeration in the manner of find-first/find-next.
#include "platform/Find.h"

#include "platform/Files.h"
#include "platform/PathMap.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace win {

struct FindRecord {
    std::string hostFolder;
    std::vector<std::string> names; // matching names, in order
    std::size_t next = 0;
};

namespace {

// Seconds since 1970 as 100-nanosecond intervals since 1601.
FILETIME ToFileTime(const timespec& t) {
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(t.tv_sec) + 11644473600ULL) * 10000000ULL +
        static_cast<std::uint64_t>(t.tv_nsec) / 100;
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

void Fill(const std::string& hostFolder, const std::string& name, WIN32_FIND_DATAA* data) {
    std::memset(data, 0, sizeof *data);
    const std::string host = hostFolder + "/" + name;
    data->dwFileAttributes = platform::AttributesOfHostFile(host);
    struct stat st {};
    if (::stat(host.c_str(), &st) == 0 || ::lstat(host.c_str(), &st) == 0) {
        data->ftCreationTime = ToFileTime(st.st_ctim);
        data->ftLastAccessTime = ToFileTime(st.st_atim);
        data->ftLastWriteTime = ToFileTime(st.st_mtim);
        if (!S_ISDIR(st.st_mode)) {
            const auto size = static_cast<std::uint64_t>(st.st_size);
            data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
            data->nFileSizeLow = static_cast<DWORD>(size);
        }
    }
    std::strncpy(data->cFileName, name.c_str(), sizeof data->cFileName - 1);
}

bool HasWildcard(std::string_view mask) {
    return mask.find_first_of("*?") != std::string_view::npos;
}

// The name of the entry that a Windows path names and the host folder it is in: the entry of
// exactly that name, else one that differs only in letter case, as paths are resolved.
std::optional<std::pair<std::string, std::string>> NamedEntry(std::string_view winPath) {
    // A path that ends in a backslash names no entry, as a find with an empty mask finds none.
    if (ExtractFileName(platform::FullWindowsPath(winPath)).empty())
        return std::nullopt;
    const auto host = platform::HostPathOf(winPath);
    struct stat st {};
    if (!host || *host == "/" || ::lstat(host->c_str(), &st) != 0)
        return std::nullopt;
    const auto slash = host->rfind('/');
    return std::pair{slash == 0 ? std::string("/") : host->substr(0, slash),
                     host->substr(slash + 1)};
}

} // namespace

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data) {
    const std::string full = platform::FullWindowsPath(pattern ? pattern : "");
    const std::string folder = ExtractFilePath(full);
    const std::string mask = ExtractFileName(full);
    const auto host = platform::HostPathOf(folder);
    DIR* dir = host ? ::opendir(host->c_str()) : nullptr;
    if (!dir) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto record = new FindRecord{*host, {}, 0};
    const bool driveRoot = folder.size() == 3;
    if (!HasWildcard(mask)) {
        // A name without wildcards names one entry, found as paths are: of two names that differ
        // only in letter case, the one of exactly these letters.
        if (const auto named = NamedEntry(full))
            record->names.push_back(named->second);
    } else {
        while (const dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (driveRoot && (name == "." || name == ".."))
                continue;
            if (MatchesMask(name, mask))
                record->names.push_back(name);
        }
    }
    ::closedir(dir);
    std::sort(record->names.begin(), record->names.end(), [](const auto& a, const auto& b) {
        const auto ua = UpperCase(a), ub = UpperCase(b);
        return ua != ub ? ua < ub : a < b;
    });
    if (record->names.empty()) {
        delete record;
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    Fill(record->hostFolder, record->names[record->next++], data);
    return record;
}

BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data) {
    if (!find || find == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (find->next >= find->names.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    Fill(find->hostFolder, find->names[find->next++], data);
    return TRUE;
}

BOOL FindClose(HANDLE find) {
    if (!find || find == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete find;
    return TRUE;
}

} // namespace win

namespace platform {

bool FindNamed(std::string_view winPath, win::WIN32_FIND_DATAA* data) {
    const auto named = win::NamedEntry(winPath);
    if (!named)
        return false;
    win::Fill(named->first, named->second, data);
    return true;
}

} // namespace platform
