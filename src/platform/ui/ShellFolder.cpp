// The shell's folder interface.
#include "platform/ui/ShellFolder.h"

#include "platform/Files.h"
#include "platform/Volumes.h"
#include "platform/WinPath.h"

namespace platform::ui {
namespace {

ShareAnswer& ShareHook() {
    static ShareAnswer hook;
    return hook;
}

bool IsDriveRoot(const std::string& name) {
    const char letter = name.empty() ? 0 : win::UpperCase(name.substr(0, 1))[0];
    return name.size() == 3 && letter >= 'A' && letter <= 'Z' && name[1] == ':' && name[2] == '\\';
}

} // namespace

void SetShareAnswerHook(ShareAnswer hook) {
    ShareHook() = std::move(hook);
}

std::shared_ptr<ShellFolder> ShellFolder::Drives() {
    return std::shared_ptr<ShellFolder>(new ShellFolder(std::string()));
}

std::string ShellFolder::PathOf(const ItemId& item) const {
    return path_.empty() ? win::UpperCase(item.name) : path_ + item.name;
}

std::optional<ItemId> ShellFolder::ParseDisplayName(const std::string& name) const {
    if (path_.empty()) {
        if (!IsDriveRoot(name) || win::GetDriveTypeA(name.c_str()) == win::DRIVE_NO_ROOT_DIR)
            return std::nullopt;
    } else if (name.empty() || name.find('\\') != std::string::npos ||
               win::GetFileAttributesA((path_ + name).c_str()) == win::INVALID_FILE_ATTRIBUTES) {
        return std::nullopt;
    }
    return ItemId{name};
}

std::shared_ptr<ShellFolder> ShellFolder::BindToObject(const ItemId& item) const {
    std::string path = PathOf(item);
    const win::DWORD attributes = win::GetFileAttributesA(path.c_str());
    if (attributes == win::INVALID_FILE_ATTRIBUTES || !(attributes & win::FILE_ATTRIBUTE_DIRECTORY))
        return nullptr;
    if (path.back() != '\\')
        path += '\\';
    return std::shared_ptr<ShellFolder>(new ShellFolder(std::move(path)));
}

std::optional<unsigned long> ShellFolder::GetAttributesOf(const ItemId& item,
                                                          unsigned long mask) const {
    std::string path = PathOf(item);
    const win::DWORD attributes = win::GetFileAttributesA(path.c_str());
    if (attributes == win::INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    unsigned long found = 0;
    if (attributes & win::FILE_ATTRIBUTE_DIRECTORY) {
        found |= SFGAO_FOLDER;
        if (path.back() != '\\')
            path += '\\';
        if ((mask & SFGAO_SHARE) && ShareHook() &&
            ShareHook()(win::UpperCase(path)).value_or(false))
            found |= SFGAO_SHARE;
    }
    return found & mask;
}

} // namespace platform::ui
