// Turns the specifications of an add into the files and folders to store.
#include "zipdll/FileCollector.h"

#include "platform/Find.h"
#include "platform/PathMap.h"
#include "platform/WinPath.h"
#include "zipdll/NameTable.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace {

bool HasWildcard(const std::string& name) {
    return name.find_first_of("*?") != std::string::npos;
}

// The mask of a folder added whole: every name, also when a file happens to be called so.
constexpr const char* kEveryName = "*.*";

std::vector<std::string> Split(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (const char c : path + "\\") {
        if (c == '\\' || c == '/') {
            if (part == "..") {
                if (!parts.empty())
                    parts.pop_back(); // never above the stored root
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part += c;
        }
    }
    return parts;
}

std::time_t ToUnixTime(const win::FILETIME& time) {
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<std::time_t>(ticks / 10000000ULL) - 11644473600LL;
}

class Collector {
public:
    Collector(const CollectOptions& options, EngineReport& report, FileList& files)
        : options_(options), report_(report), files_(files),
          storedNames_(
              [this](std::uint32_t i, std::string& name) { files_.StoredName(files_[i], name); }) {}

    void Spec(const std::string& spec) {
        const std::string full = platform::FullWindowsPath(spec);
        const std::vector<std::string> storedFolder = StoredFolder(spec, full);
        const std::string name = win::ExtractFileName(full);
        win::WIN32_FIND_DATAA data{};
        const bool found = platform::FindNamed(full, &data);
        // A name with wildcards is a mask, unless a file of exactly that name exists (a file on
        // this disk may be called "*.txt"): then it is that file alone.
        if (HasWildcard(name) && (name == kEveryName || !found || data.cFileName != name)) {
            Walk(win::ExtractFilePath(full), name, storedFolder);
            return;
        }
        if (!found) {
            report_.Message(kMsgNotFound, "File not found: " + spec);
            return;
        }
        const std::string folder = win::ExtractFilePath(full);
        const auto hostFolder = platform::HostPathOf(folder);
        if (!hostFolder)
            return;
        const std::uint32_t listed = ListFolder(*hostFolder, folder, storedFolder);
        if (!(data.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY)) {
            File(listed, data);
        } else if (options_.recurse) {
            auto inside = storedFolder;
            inside.push_back(data.cFileName);
            Folder(listed, data);
            Walk(folder + data.cFileName + "\\", kEveryName, inside);
        } else {
            report_.Message(kMsgSkipped, "A folder is added with its subfolders only: " + spec);
        }
    }

private:
    // The stored folder of a specification: a relative one keeps its path as given, an absolute
    // one its path without the drive; each folder that exists in the letter case it has on the
    // disk, so that a folder is stored as it is called.
    static std::vector<std::string> StoredFolder(const std::string& spec, const std::string& full) {
        const bool relative = !(spec.size() >= 2 && spec[1] == ':') &&
                              !(!spec.empty() && (spec[0] == '\\' || spec[0] == '/'));
        std::vector<std::string> stored =
            Split(relative ? win::ExtractFilePath(spec) : win::ExtractFilePath(full).substr(2));
        // The stored folders are the last ones of the full path ("..", resolved alike in both).
        const std::vector<std::string> existing =
            Split(win::ExtractFilePath(platform::ExistingCasePath(full)).substr(2));
        if (existing.size() >= stored.size()) {
            const std::size_t skip = existing.size() - stored.size();
            for (std::size_t i = 0; i < stored.size(); ++i)
                if (win::SameText(stored[i], existing[skip + i]))
                    stored[i] = existing[skip + i];
        }
        return stored;
    }

    // The folder in the list: its host and Windows paths and the stored names' folder part.
    std::uint32_t ListFolder(const std::string& host, const std::string& windows,
                             const std::vector<std::string>& stored) {
        std::string prefix;
        if (!options_.noDirNames)
            for (const auto& part : stored)
                prefix += (options_.forceDos ? DosNameComponent(part) : part) + "/";
        return files_.AddFolder({host, windows, prefix});
    }

    bool Visible(const win::WIN32_FIND_DATAA& data) {
        if (options_.hiddenFiles ||
            !(data.dwFileAttributes & (win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM)))
            return true;
        report_.Verbose(std::string("Hidden, not added: ") + data.cFileName);
        return false;
    }

    // A file can be added when it opens for reading and is a regular file: a dangling link or an
    // unreadable file would make the whole archive fail to write, a pipe would block the engine
    // and a device never end. The archive itself never goes in and needs no word.
    enum class Use { Add, Unreadable, Excluded };
    Use Usable(const std::string& host) const {
        const int fd = ::open(host.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return Use::Unreadable;
        struct stat st {};
        const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
        ::close(fd);
        if (regular && options_.excluded &&
            *options_.excluded == std::pair<dev_t, ino_t>{st.st_dev, st.st_ino})
            return Use::Excluded;
        return regular ? Use::Add : Use::Unreadable;
    }

    // One entry per stored name: the first specification that names it wins. Names that differ
    // in letter case are files of their own.
    void Append(std::uint32_t folder, const win::WIN32_FIND_DATAA& data, bool isFolder) {
        ListedFile file;
        file.folder = folder;
        file.isFolder = isFolder;
        file.modified = ToUnixTime(data.ftLastWriteTime);
        if (!isFolder)
            file.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        const std::uint32_t number = files_.Add(file, data.cFileName);
        if (!storedNames_.Insert(number))
            files_[number].fate = ListedFile::Fate::Left;
    }

    void File(std::uint32_t folder, const win::WIN32_FIND_DATAA& data) {
        if (!Visible(data))
            return;
        const FileList::Folder& where = files_.FolderAt(folder);
        const std::string host = where.host + "/" + data.cFileName;
        const Use use = Usable(host);
        if (use == Use::Unreadable) {
            if (reported_.insert(host).second)
                report_.Message(kMsgWriteFailed,
                                "Cannot read " + where.windows + data.cFileName + ", not added");
        } else if (use == Use::Add) {
            Append(folder, data, false);
        }
    }

    void Folder(std::uint32_t parent, const win::WIN32_FIND_DATAA& data) {
        if (!options_.noDirNames)
            Append(parent, data, true);
    }

    void Walk(const std::string& folder, const std::string& mask,
              const std::vector<std::string>& stored) {
        const auto hostFolder = platform::HostPathOf(folder);
        if (!hostFolder || report_.Aborted())
            return;
        const std::uint32_t listed = ListFolder(*hostFolder, folder, stored);
        win::WIN32_FIND_DATAA data{};
        win::HANDLE find = win::FindFirstFileA((folder + mask).c_str(), &data);
        if (find != win::INVALID_HANDLE_VALUE) {
            do {
                if (!(data.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY))
                    File(listed, data);
            } while (!report_.Aborted() && win::FindNextFileA(find, &data));
            win::FindClose(find);
        }
        if (!options_.recurse)
            return;
        find = win::FindFirstFileA((folder + kEveryName).c_str(), &data);
        if (find == win::INVALID_HANDLE_VALUE)
            return;
        std::vector<win::WIN32_FIND_DATAA> folders;
        do {
            const std::string name = data.cFileName;
            if ((data.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY) && name != "." &&
                name != ".." && Visible(data) && !LinkLeftOut(*hostFolder, folder, name))
                folders.push_back(data);
        } while (!report_.Aborted() && win::FindNextFileA(find, &data));
        win::FindClose(find);
        for (const auto& sub : folders) {
            Folder(listed, sub);
            auto inside = stored;
            inside.push_back(sub.cFileName);
            Walk(folder + sub.cFileName + "\\", mask, inside);
        }
    }

    // A link to a folder is never followed while walking: a link to a folder above (or to the
    // root, or to the home folder) would pull in the same files over and over, or the whole
    // disk. Each one left out is named once, however often the walk meets it.
    bool LinkLeftOut(const std::string& hostFolder, const std::string& folder,
                     const std::string& name) {
        struct stat st {};
        if (::lstat((hostFolder + "/" + name).c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return false;
        if (reported_.insert(hostFolder + "/" + name).second)
            report_.Message(kMsgSkipped, "Link to a folder, not followed: " + folder + name);
        return true;
    }

    CollectOptions options_;
    EngineReport& report_;
    FileList& files_;
    NameTable storedNames_;
    std::unordered_set<std::string> reported_; // host paths left out with a message
};

} // namespace

void CollectFiles(const std::vector<std::string>& specs, const CollectOptions& options,
                  EngineReport& report, FileList& files) {
    Collector collector(options, report, files);
    for (const auto& spec : specs)
        if (!report.Aborted())
            collector.Spec(spec);
}
