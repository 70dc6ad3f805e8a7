// Fuzz target: a registry root's file on any bytes, as text and through the registry functions.
// Reading must end and never crash and find each key and value name once; what is read, written
// and read again must be the same values and the same text, without NUL bytes or CRs; the values
// of a key must read back through the registry as parsed, and a change must land in the file with
// every other value kept.
#include "FuzzMachine.h"

#include "platform/AtomicFile.h"
#include "platform/Prefix.h"
#include "platform/Registry.h"
#include "platform/RegistryText.h"
#include "platform/WinPath.h"

#include <set>
#include <string_view>

using namespace platform::registry;

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

void CheckNamesOnce(const Hive& hive) {
    std::set<std::string> paths;
    for (const Key& key : hive.keys) {
        Check(paths.insert(win::UpperCase(key.path)).second);
        Check(NormalKeyPath(key.path) == key.path);
        std::set<std::string> names;
        for (const Value& value : key.values)
            Check(names.insert(win::UpperCase(value.name)).second);
    }
}

// The key's values, read one by one through the registry, must be the parsed ones.
void CheckReadBack(win::HKEY handle, const Key& key) {
    for (const Value& value : key.values) {
        win::DWORD type = 0, size = 0;
        Check(win::RegQueryValueExA(handle, value.name.c_str(), &type, nullptr, &size) ==
              win::ERROR_SUCCESS);
        std::string data(size, '\0');
        Check(win::RegQueryValueExA(handle, value.name.c_str(), &type,
                                    reinterpret_cast<win::BYTE*>(data.data()),
                                    &size) == win::ERROR_SUCCESS);
        Check(type == value.type &&
              data == value.data + (type == win::REG_SZ ? std::string(1, '\0') : ""));
    }
}

// Far below the limit up to which the file is read.
constexpr std::size_t kLargestFileInput = 64 << 10;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Hive hive = ParseHive(bytes);
    CheckNamesOnce(hive);
    const std::string text = SerialiseHive(hive);
    Check(text.find('\0') == std::string::npos && text.find('\r') == std::string::npos);
    Check(ParseHive(text) == hive);

    // Larger inputs read differently through the file, which is read only up to a limit.
    if (size > kLargestFileInput)
        return 0;
    // The same bytes as the current user's root.
    fuzzing::MachineRoot();
    const std::string file = platform::PrefixFile("HKEY_CURRENT_USER.reg");
    Check(platform::WriteFileAtomically(file, std::string(bytes)));
    // A key of the file, opened as it is (creating it would create its missing parents too), or
    // a new one when the file has none.
    Hive expected = hive;
    win::HKEY handle = nullptr;
    std::string path = "Fuzz";
    if (hive.keys.empty()) {
        Check(win::RegCreateKeyExA(win::HKEY_CURRENT_USER, path.c_str(), &handle, nullptr) ==
              win::ERROR_SUCCESS);
        expected.keys.push_back({path, {}});
        Check(platform::ReadWholeFile(file) == SerialiseHive(expected));
    } else {
        path = hive.keys[size % hive.keys.size()].path;
        Check(win::RegOpenKeyExA(win::HKEY_CURRENT_USER, path.c_str(), &handle) ==
              win::ERROR_SUCCESS);
    }
    Key& key = *expected.Find(path);
    CheckReadBack(handle, key);

    const std::string newData = "fuzz";
    Check(win::RegSetValueExA(handle, "Fuzz", win::REG_SZ,
                              reinterpret_cast<const win::BYTE*>(newData.c_str()),
                              static_cast<win::DWORD>(newData.size() + 1)) == win::ERROR_SUCCESS);
    win::RegCloseKey(handle);
    if (Value* value = key.Find("Fuzz"))
        *value = {value->name, win::REG_SZ, newData};
    else
        key.values.push_back({"Fuzz", win::REG_SZ, newData});
    Check(platform::ReadWholeFile(file) == SerialiseHive(expected));
    return 0;
}
