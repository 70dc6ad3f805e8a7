// The registry, kept as one text file per root in the prefix.
//
// File format, one key a section:
//   [Software\Microsoft\Windows\CurrentVersion\Setup]
//   "WinDir"="C:\\WINDOWS"          a string; \\, \", \n and \r are escaped
//   @="Pakrune"                     the default value
//   "EditFlags"=hex:00,00,01,00     binary
//   "Count"=dword:0000000a          32-bit number
#include "platform/Registry.h"

#include "platform/AtomicFile.h"
#include "platform/Prefix.h"
#include "platform/WinPath.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace win {

struct KeyRecord {
    int root;
    std::string path;
};

namespace {

const char* const kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};

struct Value {
    std::string name; // empty for the default value
    DWORD type;
    std::string data; // strings without their terminating NUL
};

struct Key {
    std::string path;
    std::vector<Value> values;
};

struct Hive {
    std::string header;
    std::vector<Key> keys;

    Key* Find(const std::string& path) {
        for (auto& key : keys)
            if (SameText(key.path, path))
                return &key;
        return nullptr;
    }
};

int RootIndex(HKEY key) {
    const auto raw = reinterpret_cast<std::uintptr_t>(key);
    return raw >= 0x80000000 && raw <= 0x80000002 ? static_cast<int>(raw - 0x80000000) : -1;
}

std::string HiveFile(int root) {
    return platform::PrefixFile(std::string(kRootNames[root]) + ".reg");
}

std::string Escape(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out + "\"";
}

// Reads a quoted string starting at text[pos]; pos ends after the closing quote.
std::string Unescape(const std::string& text, std::size_t& pos) {
    std::string out;
    for (++pos; pos < text.size() && text[pos] != '"'; ++pos) {
        if (text[pos] == '\\' && pos + 1 < text.size()) {
            const char c = text[++pos];
            out += c == 'n' ? '\n' : c == 'r' ? '\r' : c;
        } else {
            out += text[pos];
        }
    }
    ++pos;
    return out;
}

std::string Serialise(const Hive& hive) {
    std::string out = hive.header;
    for (const auto& key : hive.keys) {
        out += "[" + key.path + "]\n";
        for (const auto& value : key.values) {
            out += value.name.empty() ? "@" : Escape(value.name);
            out += '=';
            char hex[12];
            if (value.type == REG_SZ) {
                out += Escape(value.data);
            } else if (value.type == REG_DWORD) {
                std::uint32_t n = 0;
                std::memcpy(&n, value.data.data(), std::min<std::size_t>(4, value.data.size()));
                std::snprintf(hex, sizeof hex, "%08x", n);
                out += std::string("dword:") + hex;
            } else {
                out += "hex";
                if (value.type != REG_BINARY)
                    out += "(" + std::to_string(value.type) + ")";
                out += ':';
                for (std::size_t i = 0; i < value.data.size(); ++i) {
                    std::snprintf(hex, sizeof hex, i ? ",%02x" : "%02x",
                                  static_cast<unsigned char>(value.data[i]));
                    out += hex;
                }
            }
            out += '\n';
        }
    }
    return out;
}

Value ParseValue(const std::string& line) {
    Value value{};
    std::size_t pos = 0;
    if (line[0] == '@')
        pos = 1;
    else
        value.name = Unescape(line, pos);
    if (pos >= line.size() || line[pos] != '=')
        return {"", 0, ""};
    ++pos;
    if (pos < line.size() && line[pos] == '"') {
        value.type = REG_SZ;
        value.data = Unescape(line, pos);
    } else if (line.compare(pos, 6, "dword:") == 0) {
        value.type = REG_DWORD;
        const auto n = static_cast<std::uint32_t>(std::stoul(line.substr(pos + 6), nullptr, 16));
        value.data.assign(reinterpret_cast<const char*>(&n), 4);
    } else if (line.compare(pos, 3, "hex") == 0) {
        pos += 3;
        value.type = REG_BINARY;
        if (pos < line.size() && line[pos] == '(') {
            value.type = static_cast<DWORD>(std::stoul(line.substr(pos + 1)));
            pos = line.find(')', pos) + 1;
        }
        for (pos = line.find(':', pos) + 1; pos + 2 <= line.size(); pos += 3)
            value.data += static_cast<char>(std::stoul(line.substr(pos, 2), nullptr, 16));
    }
    return value;
}

Hive Parse(const std::string& text) {
    Hive hive;
    std::size_t start = 0;
    bool inBody = false;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line[0] == '[') {
            hive.keys.push_back({line.substr(1, line.rfind(']') - 1), {}});
            inBody = true;
        } else if (!inBody) {
            hive.header += line + "\n";
        } else if (!line.empty() && (line[0] == '"' || line[0] == '@') && !hive.keys.empty()) {
            try {
                Value value = ParseValue(line);
                if (value.type)
                    hive.keys.back().values.push_back(std::move(value));
            } catch (const std::exception&) {
                // A hand-damaged line is dropped rather than taking the whole root with it.
            }
        }
    }
    return hive;
}

Hive Load(int root) {
    const auto text = platform::ReadWholeFile(HiveFile(root));
    return Parse(text ? *text : std::string("; ") + kRootNames[root] + "\n");
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

// Resolves a handle and a sub-key to a root and a normalised path.
bool Resolve(HKEY key, LPCSTR subKey, int& root, std::string& path) {
    root = RootIndex(key);
    path.clear();
    if (root < 0) {
        if (!key)
            return false;
        root = key->root;
        path = key->path;
    }
    std::string sub = subKey ? subKey : "";
    while (!sub.empty() && sub.front() == '\\')
        sub.erase(0, 1);
    while (!sub.empty() && sub.back() == '\\')
        sub.pop_back();
    if (!sub.empty())
        path = path.empty() ? sub : path + "\\" + sub;
    return true;
}

Value* FindValue(Key& key, LPCSTR name) {
    const std::string wanted = name ? name : "";
    for (auto& value : key.values)
        if (SameText(value.name, wanted))
            return &value;
    return nullptr;
}

// Runs edit on the root's current contents and stores the result when edit asks for it.
template <typename Edit> LONG Change(int root, Edit edit) {
    if (!platform::EnsurePrefix())
        return ERROR_ACCESS_DENIED;
    HiveLock lock(root);
    Hive hive = Load(root);
    bool store = false;
    const LONG result = edit(hive, store);
    if (result == ERROR_SUCCESS && store &&
        !platform::WriteFileAtomically(HiveFile(root), Serialise(hive)))
        return ERROR_ACCESS_DENIED;
    return result;
}

} // namespace

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, HKEY* result, DWORD* disposition) {
    int root = 0;
    std::string path;
    if (!Resolve(key, subKey, root, path))
        return ERROR_INVALID_HANDLE;
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
    if (!Resolve(key, subKey, root, path))
        return ERROR_INVALID_HANDLE;
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
    if (!Resolve(key, nullptr, root, path))
        return ERROR_INVALID_HANDLE;
    std::string bytes(reinterpret_cast<const char*>(data), data ? size : 0);
    if (type == REG_SZ)
        bytes = bytes.substr(0, bytes.find('\0'));
    return Change(root, [&](Hive& hive, bool& store) {
        Key* k = hive.Find(path);
        if (!k) {
            hive.keys.push_back({path, {}});
            k = &hive.keys.back();
        }
        if (Value* v = FindValue(*k, name))
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
    if (!Resolve(key, nullptr, root, path))
        return ERROR_INVALID_HANDLE;
    if (!platform::EnsurePrefix())
        return ERROR_ACCESS_DENIED;
    Hive hive = Load(root);
    Key* k = hive.Find(path);
    Value* v = k ? FindValue(*k, name) : nullptr;
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
    if (!Resolve(key, nullptr, root, path))
        return ERROR_INVALID_HANDLE;
    return Change(root, [&](Hive& hive, bool& store) {
        Key* k = hive.Find(path);
        Value* v = k ? FindValue(*k, name) : nullptr;
        if (!v)
            return ERROR_FILE_NOT_FOUND;
        k->values.erase(k->values.begin() + (v - k->values.data()));
        store = true;
        return ERROR_SUCCESS;
    });
}

} // namespace win
