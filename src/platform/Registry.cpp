// The registry, kept as one text file per root in the prefix (its form: RegistryText.h).
#include "platform/Registry.h"

#include "platform/AtomicFile.h"
#include "platform/Prefix.h"
#include "platform/RegistryText.h"
#include "platform/TextLines.h"
#include "platform/WinPath.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace win {

struct KeyRecord {
    int root;
    std::string path;
};

namespace {

using platform::registry::Hive;
using platform::registry::Key;
using platform::registry::Value;

const char* const kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};

// A root's file is read up to its first MiB (this program writes a few hundred bytes), so a file
// filled with something else costs bounded time and memory. A change keeps that part.
constexpr std::size_t kMaxHiveBytes = 1 << 20;

int RootIndex(HKEY key) {
    const auto raw = reinterpret_cast<std::uintptr_t>(key);
    return raw >= 0x80000000 && raw <= 0x80000002 ? static_cast<int>(raw - 0x80000000) : -1;
}

std::string HiveFile(int root) {
    return platform::PrefixFile(std::string(kRootNames[root]) + ".reg");
}

// The text of the root's file; a missing file is an empty root. Nothing when the file exists but
// cannot be read (a folder, a pipe, no permission): what it holds is unknown, so it must not be
// replaced.
std::optional<std::string> RootText(int root) {
    auto text = platform::ReadTextFileHead(HiveFile(root), kMaxHiveBytes);
    if (!text && errno == ENOENT)
        text = std::string("; ") + kRootNames[root] + "\n";
    return text;
}

Hive Load(int root) {
    const auto text = RootText(root);
    return text ? platform::registry::ParseHive(*text) : Hive{};
}

// Holds the root's lock file for one read-modify-write.
class HiveLock {
public:
    explicit HiveLock(int root)
        : fd_(::open((HiveFile(root) + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
        if (fd_ >= 0)
            ::flock(fd_, LOCK_EX);
    }
    ~HiveLock() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

private:
    int fd_;
};

// Resolves a handle and a sub-key to a root and a path in the form the file keeps: no backslash at
// either end, none doubled. A line break cannot be part of a key's name.
LONG Resolve(HKEY key, LPCSTR subKey, int& root, std::string& path) {
    root = RootIndex(key);
    path.clear();
    if (root < 0) {
        if (!key)
            return ERROR_INVALID_HANDLE;
        root = key->root;
        path = key->path;
    }
    const std::string_view sub = subKey ? subKey : "";
    if (sub.find_first_of("\r\n") != std::string_view::npos)
        return ERROR_INVALID_PARAMETER;
    path = platform::registry::NormalKeyPath(path + "\\" + std::string(sub));
    return ERROR_SUCCESS;
}

// Runs edit on the root's current contents and stores the result when edit asks for it. The file
// written stays within the size that is read: when the values read take more room written out
// (escapes, numbers in full), fewer of the lines read are kept and edit runs on those again.
template <typename Edit> LONG Change(int root, Edit edit) {
    if (!platform::EnsurePrefix())
        return ERROR_ACCESS_DENIED;
    HiveLock lock(root);
    auto kept = RootText(root);
    if (!kept)
        return ERROR_ACCESS_DENIED;
    for (;;) {
        Hive hive = platform::registry::ParseHive(*kept);
        bool store = false;
        const LONG result = edit(hive, store);
        if (result != ERROR_SUCCESS || !store)
            return result;
        const std::string text = platform::registry::SerialiseHive(hive);
        if (text.size() <= kMaxHiveBytes)
            return platform::WriteFileAtomically(HiveFile(root), text) ? result
                                                                       : ERROR_ACCESS_DENIED;
        if (kept->empty())
            return ERROR_ACCESS_DENIED; // the change alone does not fit
        kept =
            std::string(platform::LinesWithin(*kept, kept->size() * kMaxHiveBytes / text.size()));
    }
}

} // namespace

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, HKEY* result, DWORD* disposition) {
    int root = 0;
    std::string path;
    if (const LONG status = Resolve(key, subKey, root, path); status != ERROR_SUCCESS)
        return status;
    const LONG status = Change(root, [&](Hive& hive, bool& store) {
        const bool existed = hive.Find(path) != nullptr || path.empty();
        // Every missing key on the way down is created too.
        for (std::size_t pos = 0; pos != std::string::npos && !path.empty();) {
            pos = path.find('\\', pos + 1);
            const std::string prefix = path.substr(0, pos);
            if (!hive.Find(prefix)) {
                hive.keys.push_back({prefix, {}});
                store = true;
            }
        }
        if (disposition)
            *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
        return ERROR_SUCCESS;
    });
    if (status == ERROR_SUCCESS && result)
        *result = new KeyRecord{root, path};
    return status;
}

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, HKEY* result) {
    int root = 0;
    std::string path;
    if (const LONG status = Resolve(key, subKey, root, path); status != ERROR_SUCCESS)
        return status;
    if (!platform::EnsurePrefix())
        return ERROR_ACCESS_DENIED;
    Hive hive = Load(root);
    if (!path.empty() && !hive.Find(path))
        return ERROR_FILE_NOT_FOUND;
    if (result)
        *result = new KeyRecord{root, path};
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    if (RootIndex(key) >= 0)
        return ERROR_SUCCESS;
    if (!key)
        return ERROR_INVALID_HANDLE;
    delete key;
    return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD type, const BYTE* data, DWORD size) {
    int root = 0;
    std::string path;
    if (const LONG status = Resolve(key, nullptr, root, path); status != ERROR_SUCCESS)
        return status;
    std::string bytes(reinterpret_cast<const char*>(data), data ? size : 0);
    if (type == REG_SZ)
        bytes = bytes.substr(0, bytes.find('\0'));
    return Change(root, [&](Hive& hive, bool& store) {
        Key* k = hive.Find(path);
        if (!k) {
            hive.keys.push_back({path, {}});
            k = &hive.keys.back();
        }
        if (Value* v = k->Find(name ? name : ""))
            *v = {v->name, type, bytes};
        else
            k->values.push_back({name ? name : "", type, bytes});
        store = true;
        return ERROR_SUCCESS;
    });
}

LONG RegQueryValueExA(HKEY key, LPCSTR name, DWORD* type, BYTE* data, DWORD* size) {
    int root = 0;
    std::string path;
    if (const LONG status = Resolve(key, nullptr, root, path); status != ERROR_SUCCESS)
        return status;
    if (!platform::EnsurePrefix())
        return ERROR_ACCESS_DENIED;
    Hive hive = Load(root);
    Key* k = hive.Find(path);
    Value* v = k ? k->Find(name ? name : "") : nullptr;
    if (!v)
        return ERROR_FILE_NOT_FOUND;
    std::string bytes = v->data;
    if (v->type == REG_SZ)
        bytes += '\0';
    if (type)
        *type = v->type;
    if (!size)
        return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    const DWORD available = *size;
    *size = static_cast<DWORD>(bytes.size());
    if (!data)
        return ERROR_SUCCESS;
    if (available < bytes.size())
        return ERROR_MORE_DATA;
    std::memcpy(data, bytes.data(), bytes.size());
    return ERROR_SUCCESS;
}

LONG RegDeleteValueA(HKEY key, LPCSTR name) {
    int root = 0;
    std::string path;
    if (const LONG status = Resolve(key, nullptr, root, path); status != ERROR_SUCCESS)
        return status;
    return Change(root, [&](Hive& hive, bool& store) {
        Key* k = hive.Find(path);
        Value* v = k ? k->Find(name ? name : "") : nullptr;
        if (!v)
            return ERROR_FILE_NOT_FOUND;
        k->values.erase(k->values.begin() + (v - k->values.data()));
        store = true;
        return ERROR_SUCCESS;
    });
}

} // namespace win
