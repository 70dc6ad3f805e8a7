// TMainForm: the browser integration. The registry entries through which the browsers hand a
// downloaded archive to this program, brought in line with the Netscape and IE settings, and
// with the IE setting the desktop's own handler of ZIP files as well.
#include "app/Main.h"

#include "platform/DesktopZipHandler.h"
#include "platform/Registry.h"
#include "platform/Volumes.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ErrorBox.h"

#include <stdexcept>

namespace {

constexpr const char* kContentType = "application/x-pakrune";
constexpr const char* kViewers = "Software\\Netscape\\Netscape Navigator\\Viewers";
constexpr const char* kTrusted =
    "Software\\Netscape\\Netscape Navigator\\User Trusted External Applications";
constexpr const char* kFileClass = "Pakrune";
constexpr const char* kOpenCommand = "Pakrune\\shell\\open\\command";
// The shell's flag that marks opening a downloaded file of this type as safe: 0x00010000 as a
// little-endian 32-bit value.
const std::string kEditFlags("\x00\x00\x01\x00", 4);

// One row of a registration: a value under a key, "" naming the key's default value.
struct RegistryRow {
    win::HKEY root;
    const char* key;
    std::string name;
    win::DWORD type;
    std::string data;
};

std::runtime_error SetFailure(const std::string& name) {
    return std::runtime_error("Failed to set data for '" + name + "'");
}

// Each key is opened with creation allowed, used and closed in turn. The first value that cannot
// be set raises, so the rows after it are not written.
void SetRows(const std::vector<RegistryRow>& rows) {
    for (const auto& row : rows) {
        win::HKEY key = nullptr;
        if (win::RegCreateKeyExA(row.root, row.key, &key, nullptr) != win::ERROR_SUCCESS)
            throw SetFailure(row.name);
        // Texts are stored with their terminating NUL.
        const auto size = static_cast<win::DWORD>(row.data.size() + (row.type == win::REG_SZ));
        const win::LONG rc =
            win::RegSetValueExA(key, row.name.c_str(), row.type,
                                reinterpret_cast<const win::BYTE*>(row.data.c_str()), size);
        win::RegCloseKey(key);
        if (rc != win::ERROR_SUCCESS)
            throw SetFailure(row.name);
    }
}

// The keys are opened with creation allowed here too, so they remain; a value that cannot be
// deleted, or is not there, is passed over.
void DeleteRows(const std::vector<RegistryRow>& rows) {
    for (const auto& row : rows) {
        win::HKEY key = nullptr;
        if (win::RegCreateKeyExA(row.root, row.key, &key, nullptr) != win::ERROR_SUCCESS)
            continue;
        win::RegDeleteValueA(key, row.name.c_str());
        win::RegCloseKey(key);
    }
}

// The running program's path, unquoted, as the registry names it.
std::string ExecutablePath() {
    char program[win::MAX_PATH] = {};
    win::GetModuleFileNameA(nullptr, program, sizeof program);
    return program;
}

std::vector<RegistryRow> NetscapeRows() {
    const std::string program = ExecutablePath();
    return {{win::HKEY_CLASSES_ROOT, ".zip", "Content Type", win::REG_SZ, kContentType},
            {win::HKEY_CURRENT_USER, kViewers, kContentType, win::REG_SZ, program},
            {win::HKEY_CURRENT_USER, kTrusted, program, win::REG_SZ, "Yes"}};
}

std::vector<RegistryRow> ZipAssociationRows() {
    return {{win::HKEY_CLASSES_ROOT, ".zip", "", win::REG_SZ, kFileClass},
            {win::HKEY_CLASSES_ROOT, kFileClass, "EditFlags", win::REG_BINARY, kEditFlags},
            {win::HKEY_CLASSES_ROOT, kOpenCommand, "", win::REG_SZ, ExecutablePath() + " \"%1\""}};
}

// A desktop file that could not be written fails like a registry value.
void DesktopDone(const std::string& failedFile) {
    if (!failedFile.empty())
        throw SetFailure(failedFile);
}

// The refusal last told, kept in the user's registry so that every start meeting the same
// refusal again stays quiet: the user is told once, not at every start.
constexpr const char* kNoticesKey = "Software\\Pakrune\\Notices";
constexpr const char* kRefusalValue = "ZipHandlerRefusal";

std::string ToldRefusal(win::HKEY key) {
    char told[4096] = {};
    win::DWORD type = 0, size = sizeof told - 1;
    if (win::RegQueryValueExA(key, kRefusalValue, &type, reinterpret_cast<win::BYTE*>(told),
                              &size) != win::ERROR_SUCCESS ||
        type != win::REG_SZ)
        return {};
    return told;
}

// Tells why the desktop's handler cannot be changed, once for each refusal; an empty refusal
// forgets the one told, so a later refusal is told again.
void TellRefusalOnce(const std::string& what, const std::string& refusal) {
    win::HKEY key = nullptr;
    if (win::RegCreateKeyExA(win::HKEY_CURRENT_USER, kNoticesKey, &key, nullptr) !=
        win::ERROR_SUCCESS)
        key = nullptr;
    const bool told = key && ToldRefusal(key) == refusal;
    if (key && !told) {
        if (refusal.empty())
            win::RegDeleteValueA(key, kRefusalValue);
        else
            win::RegSetValueExA(key, kRefusalValue, win::REG_SZ,
                                reinterpret_cast<const win::BYTE*>(refusal.c_str()),
                                static_cast<win::DWORD>(refusal.size() + 1));
    }
    if (key)
        win::RegCloseKey(key);
    if (!told && !refusal.empty())
        platform::ui::ShowMessage(QString::fromStdString(
            "Pakrune cannot " + what + " the desktop's handler of ZIP files: " + refusal +
            ". Your default applications for ZIP files stay as they were."));
}

} // namespace

void TMainForm::ApplyBrowserIntegration() {
    // The first registration that fails ends the step with its one message; whatever called this
    // goes on: start-up still loads the engine and opens the archive, the options dialog still
    // saves.
    platform::ui::Guarded([this] {
        Netscape ? RegisterNetscapeViewer() : UnregisterNetscapeViewer();
        IE ? RegisterZipAssociation() : UnregisterZipAssociation();
    })();
}

void TMainForm::RegisterNetscapeViewer() {
    SetRows(NetscapeRows());
}

void TMainForm::UnregisterNetscapeViewer() {
    DeleteRows(NetscapeRows());
}

void TMainForm::RegisterZipAssociation() {
    SetRows(ZipAssociationRows());
    // An entry the desktop would reject is not written: it would become the default and open
    // nothing.
    const std::string program = platform::ProgramHostPath();
    const std::string refusal = platform::ZipHandlerRefusal(program);
    TellRefusalOnce("register as", refusal);
    if (refusal.empty())
        DesktopDone(platform::RegisterZipHandler(program));
}

void TMainForm::UnregisterZipAssociation() {
    DeleteRows(ZipAssociationRows());
    const std::string refusal = platform::DesktopFilesRefusal();
    TellRefusalOnce("stop being", refusal);
    if (refusal.empty())
        DesktopDone(platform::UnregisterZipHandler());
}
