// An entry's file below a folder.
#include "app/ExtractedFile.h"

#include "engine/EntryNames.h"
#include "engine/EntrySpecs.h"
#include "platform/OwnedFiles.h"
#include "platform/PathMap.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <set>

std::string ToBackslashes(std::string name) {
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

ExtractedFile::ExtractedFile(const std::string& folder, const std::string& entryName)
    : folder_(folder), path_(folder + "\\" + ToBackslashes(entryName)) {}

namespace {

// The host path with every link resolved; empty when it does not exist.
std::string RealHostPath(const std::string& winPath) {
    const auto host = platform::HostPathOf(winPath);
    char resolved[PATH_MAX];
    return host && ::realpath(host->c_str(), resolved) ? std::string(resolved) : std::string();
}

} // namespace

bool ExtractedFile::InsideFolder() const {
    const std::string folder = platform::FullWindowsPath(folder_);
    const std::string path = platform::FullWindowsPath(path_);
    if (path.size() <= folder.size() + 1 ||
        !win::SameText(std::string_view(path).substr(0, folder.size()), folder) ||
        path[folder.size()] != '\\')
        return false;
    // On the disk: a file that exists must resolve below the folder's own resolved path.
    const std::string realFolder = RealHostPath(folder_);
    const std::string realPath = RealHostPath(path_);
    return realPath.empty() || (!realFolder.empty() && realPath.starts_with(realFolder + "/"));
}

ExtractedFile::Check ExtractedFile::Verify(const std::vector<FileIdentity>& written,
                                           platform::Descriptor& verified) const {
    // The folder as it really is, and the file's host path in the letter case it was found in;
    // links on the way to the file are resolved there, so one leading out of the folder shows.
    const std::string base = RealHostPath(folder_);
    const auto hostFile = platform::HostPathOf(path_);
    if (base.empty() || !hostFile)
        return Check::NotWritten;
    if (!hostFile->starts_with(base + "/") || !platform::WhyFoldersAboveUnsafe(base).empty())
        return Check::Unsafe;
    struct stat st {};
    platform::Descriptor file;
    const platform::FileBelow found =
        platform::CheckFileBelow(base, hostFile->substr(base.size() + 1), st, &file);
    if (found == platform::FileBelow::NotOwned)
        return Check::Unsafe;
    const FileIdentity identity{static_cast<std::uint64_t>(st.st_dev),
                                static_cast<std::uint64_t>(st.st_ino)};
    if (found == platform::FileBelow::Missing ||
        std::find(written.begin(), written.end(), identity) == written.end())
        return Check::NotWritten;
    verified = std::move(file);
    return Check::Usable;
}

std::vector<std::string> FoldersWrittenInto(const TZipMaster& zip,
                                            const std::vector<std::string>& specs) {
    EntrySpecs named(
        specs,
        [&zip](const std::function<void(std::string_view)>& take) {
            for (const ZipDirEntry& entry : zip.Entries())
                take(DecodeEntryName(entry.FileName));
        },
        EntrySpecs::WholeArchive::EveryEntry);
    std::set<std::string> folders;
    for (const ZipDirEntry& entry : zip.Entries()) {
        std::string name = DecodeEntryName(entry.FileName);
        if (!named.Matches(name))
            continue;
        std::replace(name.begin(), name.end(), '\\', '/');
        if (const auto slash = name.rfind('/'); slash != std::string::npos && slash > 0)
            folders.insert(name.substr(0, slash));
    }
    return {folders.begin(), folders.end()};
}
