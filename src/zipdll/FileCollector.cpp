// Turns the specifications of an add into the files and folders to store.
#include "zipdll/FileCollector.h"

#include "platform/Find.h"
#include "platform/PathMap.h"
#include "platform/WinPath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace {

// A file can be added when it opens for reading and is a regular file: a dangling link or an
// unreadable file would make the whole archive fail to write, a pipe would block the engine and a
// device never end.
bool Readable(const std::string& host) {
    const int fd = ::open(host.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular;
}

bool HasWildcard(const std::string& name) {
    return name.find_first_of("*?") != std::string::npos;
}

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
    Collector(const CollectOptions& options, EngineReport& report)
        : options_(options), report_(report) {}

    void Spec(const std::string& spec) {
        const std::string full = platform::FullWindowsPath(spec);
        const bool relative = !(spec.size() >= 2 && spec[1] == ':') &&
                              !(!spec.empty() && (spec[0] == '\\' || spec[0] == '/'));
        // The stored folder: a relative specification keeps its path as given, an absolute one
        // its path without the drive.
        const std::vector<std::string> storedFolder =
            Split(relative ? win::ExtractFilePath(spec) : win::ExtractFilePath(full).substr(2));
        const std::string name = win::ExtractFileName(full);
        if (HasWildcard(name)) {
            Walk(win::ExtractFilePath(full), name, storedFolder);
            return;
        }
        win::WIN32_FIND_DATAA data{};
        const win::HANDLE find = win::FindFirstFileA(full.c_str(), &data);
        if (find == win::INVALID_HANDLE_VALUE) {
            report_.Message(kMsgNotFound, "File not found: " + spec);
            return;
        }
        win::FindClose(find);
        const auto host = platform::HostPathOf(full);
        if (!(data.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY)) {
            File(*host, data, storedFolder);
        } else if (options_.recurse) {
            auto inside = storedFolder;
            inside.push_back(data.cFileName);
            Folder(*host, data, storedFolder);
            Walk(full + "\\", "*.*", inside);
        } else {
            report_.Message(kMsgSkipped, "A folder is added with its subfolders only: " + spec);
        }
    }

    std::vector<FileToAdd> Take() { return std::move(files_); }

private:
    bool Visible(const win::WIN32_FIND_DATAA& data) {
        if (options_.hiddenFiles ||
            !(data.dwFileAttributes & (win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM)))
            return true;
        report_.Verbose(std::string("Hidden, not added: ") + data.cFileName);
        return false;
    }

    std::string Stored(const std::vector<std::string>& folder, const std::string& name) {
        if (options_.noDirNames)
            return options_.forceDos ? DosNameComponent(name) : name;
        std::string out;
        for (const auto& part : folder)
            out += (options_.forceDos ? DosNameComponent(part) : part) + "/";
        return out + (options_.forceDos ? DosNameComponent(name) : name);
    }

    void Append(FileToAdd file) {
        // One entry per stored name: the first specification that names it wins.
        if (seen_.insert(win::UpperCase(file.storedName)).second)
            files_.push_back(std::move(file));
    }

    void File(const std::string& host, const win::WIN32_FIND_DATAA& data,
              const std::vector<std::string>& folder) {
        if (!Visible(data))
            return;
        report_.KeepAlive(); // a large tree takes a while to walk
        if (!Readable(host)) {
            report_.Message(kMsgWriteFailed,
                            "Cannot read " + platform::WindowsPathOf(host) + ", not added");
            return;
        }
        Append({host, Stored(folder, data.cFileName), false, ToUnixTime(data.ftLastWriteTime),
                (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow});
    }

    void Folder(const std::string& host, const win::WIN32_FIND_DATAA& data,
                const std::vector<std::string>& parent) {
        if (!options_.noDirNames)
            Append({host, Stored(parent, data.cFileName) + "/", true,
                    ToUnixTime(data.ftLastWriteTime), 0});
    }

    void Walk(const std::string& folder, const std::string& mask,
              const std::vector<std::string>& stored) {
        const auto hostFolder = platform::HostPathOf(folder);
        if (!hostFolder)
            return;
        win::WIN32_FIND_DATAA data{};
        win::HANDLE find = win::FindFirstFileA((folder + mask).c_str(), &data);
        if (find != win::INVALID_HANDLE_VALUE) {
            do {
                if (!(data.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY))
                    File(*hostFolder + "/" + data.cFileName, data, stored);
            } while (win::FindNextFileA(find, &data));
            win::FindClose(find);
        }
        if (!options_.recurse)
            return;
        find = win::FindFirstFileA((folder + "*.*").c_str(), &data);
        if (find == win::INVALID_HANDLE_VALUE)
            return;
        std::vector<win::WIN32_FIND_DATAA> folders;
        do {
            const std::string name = data.cFileName;
            if ((data.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY) && name != "." &&
                name != ".." && Visible(data))
                folders.push_back(data);
        } while (win::FindNextFileA(find, &data));
        win::FindClose(find);
        for (const auto& sub : folders) {
            Folder(*hostFolder + "/" + sub.cFileName, sub, stored);
            auto inside = stored;
            inside.push_back(sub.cFileName);
            Walk(folder + sub.cFileName + "\\", mask, inside);
        }
    }

    CollectOptions options_;
    EngineReport& report_;
    std::vector<FileToAdd> files_;
    std::unordered_set<std::string> seen_;
};

} // namespace

std::vector<FileToAdd> CollectFiles(const std::vector<std::string>& specs,
                                    const CollectOptions& options, EngineReport& report) {
    Collector collector(options, report);
    for (const auto& spec : specs)
        collector.Spec(spec);
    return collector.Take();
}

std::string DosNameComponent(const std::string& name) {
    const std::string upper = win::UpperCase(name);
    const auto dot = upper.rfind('.');
    auto clean = [](const std::string& part, std::size_t limit) {
        std::string out;
        for (const char c : part) {
            if (out.size() == limit)
                break;
            const auto b = static_cast<unsigned char>(c);
            const bool allowed =
                b > 0x20 && b < 0x7F &&
                std::string_view(" .\"*+,/:;<=>?[\\]|").find(c) == std::string_view::npos;
            out += allowed ? c : '_';
        }
        return out;
    };
    if (dot == std::string::npos || dot == 0)
        return clean(upper, 8);
    const std::string ext = clean(upper.substr(dot + 1), 3);
    return clean(upper.substr(0, dot), 8) + (ext.empty() ? "" : "." + ext);
}
