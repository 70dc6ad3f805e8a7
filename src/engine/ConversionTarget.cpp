// Where a conversion writes, and the link that follows an archive converted through one.
#include "engine/ConversionTarget.h"

#include "platform/PathMap.h"
#include "platform/WinPath.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A host path's name after its last "/".
std::string NameOf(const std::string& hostPath) {
    return hostPath.substr(hostPath.rfind('/') + 1);
}

// A host path with the extension of its last name replaced (or added).
std::string WithExtension(const std::string& hostPath, const std::string& extension) {
    const std::size_t nameStart = hostPath.rfind('/') + 1;
    std::size_t dot = hostPath.rfind('.');
    if (dot == std::string::npos || dot < nameStart)
        dot = hostPath.size();
    return hostPath.substr(0, dot) + extension;
}

} // namespace

bool ConversionTarget::MakeLink() const {
    const auto host = platform::HostPathOf(link);
    if (!host) {
        errno = ENOENT;
        return false;
    }
    // Made under a name of its own and renamed into place, so a file of the link's name is
    // replaced in one step. The name is ours alone: one left by a killed run is taken back.
    const std::string made = *host + ".pakrune-link";
    ::unlink(made.c_str());
    if (::symlink(linkText.c_str(), made.c_str()) != 0)
        return false;
    if (::rename(made.c_str(), host->c_str()) == 0)
        return true;
    const int error = errno;
    ::unlink(made.c_str());
    errno = error;
    return false;
}

std::optional<ConversionTarget> ConversionTargetOf(const std::string& input,
                                                   const std::string& extension) {
    ConversionTarget target;
    target.output = win::ChangeFileExt(input, extension);
    target.data = input;
    const auto host = platform::HostPathOf(input);
    struct stat st {};
    char real[PATH_MAX];
    if (!host || ::lstat(host->c_str(), &st) != 0 || !S_ISLNK(st.st_mode) ||
        !::realpath(host->c_str(), real))
        return target;
    const std::string output = WithExtension(real, extension);
    if (output == real)
        return std::nullopt;
    target.link = target.output;
    target.data = platform::WindowsPathOf(real);
    target.output = platform::WindowsPathOf(output);
    // A relative link stays relative, so that it still holds when both move together.
    char text[PATH_MAX];
    const ssize_t length = ::readlink(host->c_str(), text, sizeof text - 1);
    const std::string oldText(text, length > 0 ? static_cast<std::size_t>(length) : 0);
    target.linkText = NameOf(oldText) == NameOf(real) ? WithExtension(oldText, extension) : output;
    return target;
}
