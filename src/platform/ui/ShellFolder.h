// The shell's folder interface, as far as the program asks it: the computer's drives namespace,
// parsing a name to an item identifier relative to a folder, binding an identifier to the folder
// it names, and the attributes of an item, of which only "shared" is ever asked. Whether a folder
// is shared is answered by a hook; without an answer a folder is not shared, since nothing on this
// machine shares folders the way the shell knows.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform::ui {

// Attribute bits of ShellFolder::GetAttributesOf, as the shell names them.
constexpr unsigned long SFGAO_SHARE = 0x20000;
constexpr unsigned long SFGAO_FOLDER = 0x20000000;

// An item relative to the folder that parsed it. It owns its memory, so it needs no freeing.
struct ItemId {
    std::string name; // as parsed: "C:\" in the drives namespace, a folder's entry name below it
};

class ShellFolder {
public:
    // The namespace of the computer's drives (the special folder CSIDL_DRIVES).
    static std::shared_ptr<ShellFolder> Drives();

    // Nothing when the name is not an item of this folder: a drive that does not exist, an entry
    // that is not in the folder.
    std::optional<ItemId> ParseDisplayName(const std::string& name) const;
    // Nothing unless the item is a folder that can be read (a drive with its medium in).
    std::shared_ptr<ShellFolder> BindToObject(const ItemId& item) const;
    // The bits of mask that the item carries; nothing when the item is gone.
    std::optional<unsigned long> GetAttributesOf(const ItemId& item, unsigned long mask) const;

private:
    explicit ShellFolder(std::string path) : path_(std::move(path)) {}
    std::string PathOf(const ItemId& item) const;

    std::string path_; // Windows path with a trailing backslash; empty for the drives namespace
};

// Answers whether the folder at a Windows path (upper case, with a trailing backslash) is shared;
// nothing means no answer. An empty hook leaves every folder unshared.
using ShareAnswer = std::function<std::optional<bool>(const std::string& winPath)>;
void SetShareAnswerHook(ShareAnswer hook);

} // namespace platform::ui
