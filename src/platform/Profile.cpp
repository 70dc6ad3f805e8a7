// The private-profile functions.
#include "platform/Profile.h"

#include "platform/AtomicFile.h"
#include "platform/Files.h"
#include "platform/IniText.h"
#include "platform/PathMap.h"
#include "platform/TextLines.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace win {
namespace {

// An INI file is read up to its first MiB, a thousand times what this program writes, so a file
// filled with something else costs bounded time and memory on every read. A write keeps what fits
// beside its own line within that MiB and drops the rest, so what it writes is read back.
constexpr std::size_t kMaxProfileBytes = 1 << 20;

std::optional<std::string> ReadValue(LPCSTR section, LPCSTR key, LPCSTR fileName) {
    if (!section || !key || !fileName)
        return std::nullopt;
    const auto host = platform::HostPathOf(fileName);
    if (!host)
        return std::nullopt;
    const auto text = platform::ReadTextFileHead(*host, kMaxProfileBytes);
    if (!text)
        return std::nullopt;
    return platform::IniText(*text).Get(section, key);
}

// A line break in a name or value would end its line early and make the rest another line.
bool HoldsLineBreak(LPCSTR text) {
    return text && std::strpbrk(text, "\r\n");
}

} // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD size, LPCSTR fileName) {
    if (!buffer || size == 0)
        return 0;
    const auto value = ReadValue(section, key, fileName);
    const std::string text = value ? *value : (defaultValue ? defaultValue : "");
    const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<DWORD>(n);
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, int defaultValue, LPCSTR fileName) {
    const auto value = ReadValue(section, key, fileName);
    if (!value || value->empty())
        return static_cast<UINT>(defaultValue);
    return static_cast<UINT>(std::strtol(value->c_str(), nullptr, 10));
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
    if (!section || !fileName || HoldsLineBreak(section) || HoldsLineBreak(key) ||
        HoldsLineBreak(value)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto host = platform::HostPathOf(fileName);
    if (!host) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    // Writers of the folder's INI files take turns, across processes, so no write is lost. The
    // lock is on the folder itself, which leaves no lock file beside the INI file.
    const std::string folder = host->substr(0, host->rfind('/') + 1);
    const int lock = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lock < 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return FALSE;
    }
    ::flock(lock, LOCK_EX);
    const auto text = platform::ReadTextFileHead(*host, kMaxProfileBytes);
    // A file that exists but cannot be read (a folder, a pipe, no permission) is not replaced by
    // one holding only this value. The lines written for the value (a section, a key and the final
    // line end at most) take the place of what was read last.
    const std::size_t room =
        std::strlen(section) + (key ? std::strlen(key) : 0) + (value ? std::strlen(value) : 0) + 6;
    bool ok = (text || errno == ENOENT) && room <= kMaxProfileBytes;
    if (!ok && room > kMaxProfileBytes)
        errno = EFBIG;
    if (ok) {
        platform::IniText ini(
            platform::LinesWithin(text ? *text : std::string(), kMaxProfileBytes - room));
        if (!key)
            ini.DeleteSection(section);
        else if (!value)
            ini.DeleteKey(section, key);
        else
            ini.Set(section, key, value);
        ok = platform::WriteFileAtomically(*host, ini.Text());
    }
    const int error = errno;
    ::close(lock);
    if (!ok) {
        SetLastError(platform::ErrorFromErrno(error));
        return FALSE;
    }
    return TRUE;
}

} // namespace win
