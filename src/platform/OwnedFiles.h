// Whether a file or folder can be changed by this user alone. The prefix (registry, settings,
// drives, the stub) and the temporary folder that entries are started from must be: another
// local user who could write there could steer what the program stores, shows or starts.
#pragma once

#include "platform/Descriptor.h"

#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace platform {

// Owned by the effective user and writable by nobody else: not by others, and not by its group
// unless that is the user's own group (named after the user, with no other member).
bool OwnedAndUnshared(const struct stat& st);
// Whether anybody but the user may write to it: others, or a group that is not the user's own.
bool WritableByOthers(const struct stat& st);

// Whether the file at hostPath is the user's own: the file a link leads to and the link itself.
bool BelongsToUser(const std::string& hostPath);

// Why another user could change the file or folder at hostPath (links followed): "belongs to
// another user" or "can be changed by other users"; "does not exist" when it is missing. Empty
// when only the user can change it.
std::string WhyNotOwned(const std::string& hostPath);

// Whether a folder's sticky bit counts: it keeps others from renaming what is not theirs (as in
// /tmp), which protects what is there now, but not a name that comes free when its file goes.
enum class StickyBit { Protects, DoesNotCount };

// Why another user could replace the folder realFolder (an absolute path without links) by
// changing a folder above it. Each folder above must belong to the user or to root and be
// writable by nobody else, unless its sticky bit protects it. Empty when none of them would let
// that happen.
std::string WhyFoldersAboveUnsafe(const std::string& realFolder,
                                  StickyBit sticky = StickyBit::Protects);

// Why another user could make the path (absolute or relative to the current folder) lead
// somewhere else: a link met while following it, as the system follows it, that belongs to
// neither the user nor root ("<link> is a link that belongs to another user"), or that lies in
// a folder others could change (as WhyFoldersAboveUnsafe says). Empty when every link on the way
// is safe; the part of the path that does not exist is passed over.
std::string WhyLinksOnPathUnsafe(const std::string& path);

// What CheckFileBelow found.
enum class FileBelow {
    Owned,   // a regular file; it, the base and every folder on the way are OwnedAndUnshared
    Missing, // nothing, a link or no regular file under that name
    NotOwned // the file, the base or a folder on the way fails OwnedAndUnshared
};

// Walks from the folder realBase (a path without links) to the file at relative ("a/b/c.exe"),
// one component at a time without following links, checking each. file receives the file's
// status when it is found; kept, when given, the descriptor it was checked on (read-only) when
// the file is Owned.
FileBelow CheckFileBelow(const std::string& realBase, const std::string& relative,
                         struct stat& file, Descriptor* kept = nullptr);

// The first of the folders (relative to the folder realBase, "/" between their names) that
// exists below it, reached one component at a time without following links, and that another
// user owns or could change (it or a folder on the way fails OwnedAndUnshared); nothing when
// none does. A folder that does not exist yet, or a link in its place, is passed over.
std::optional<std::string> FolderBelowNotOwned(const std::string& realBase,
                                               const std::vector<std::string>& relativeFolders);

} // namespace platform
