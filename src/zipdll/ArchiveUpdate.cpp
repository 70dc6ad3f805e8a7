// Adding files to an archive and deleting entries from it.
#include "zipdll/ArchiveUpdate.h"

#include "engine/ArchiveLayout.h"
#include "engine/CommandSpecs.h"
#include "engine/EntryNames.h"
#include "platform/AtomicFile.h"
#include "platform/PathMap.h"
#include "platform/WinPath.h"
#include "zipdll/FileCollector.h"
#include "zipdll/ProgressSource.h"

#include <algorithm>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace {

// An empty archive: an end-of-central-directory record alone.
const std::string kEmptyArchive = std::string("PK\x05\x06", 4) + std::string(18, '\0');

// Opens the archive for changing; refuses a self-extracting one, whose stub libzip would drop.
zip_t* OpenForUpdate(const std::string& host, bool create, EngineReport& report,
                     const std::string& name) {
    const int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        const auto layout = ReadArchiveLayout(fd);
        ::close(fd);
        if (layout && layout->archiveStart != 0) {
            report.Message(kMsgBadArchive, "Cannot change a self-extracting archive: " + name);
            return nullptr;
        }
    }
    int error = 0;
    zip_t* archive = zip_open(host.c_str(), create ? ZIP_CREATE : 0, &error);
    if (!archive)
        report.Message(kMsgBadArchive, "Cannot open archive " + name);
    return archive;
}

bool Close(zip_t* archive, EngineReport& report, const std::string& name) {
    if (zip_close(archive) == 0)
        return true;
    const int code = zip_error_code_zip(zip_get_error(archive));
    zip_discard(archive);
    report.Message(code == ZIP_ER_CANCELLED || report.Aborted() ? kMsgAborted : kMsgWriteFailed,
                   code == ZIP_ER_CANCELLED || report.Aborted()
                       ? "Aborted, archive unchanged: " + name
                       : "Cannot write archive " + name);
    return false;
}

// Whether the file should replace or join the archive under the update and freshen rules.
bool Wanted(zip_t* archive, zip_int64_t existing, const FileToAdd& file,
            const ZipCommand& command) {
    const bool update = command.UpdateFlag != 0, freshen = command.FreshenFlag != 0;
    if (!update && !freshen)
        return true;
    if (existing < 0)
        return update;
    zip_stat_t stat;
    if (zip_stat_index(archive, static_cast<zip_uint64_t>(existing), 0, &stat) != 0 ||
        !(stat.valid & ZIP_STAT_MTIME))
        return true;
    return file.modified > stat.mtime + 1; // DOS times are two seconds coarse
}

std::time_t NewestEntryTime(zip_t* archive) {
    std::time_t newest = 0;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat) == 0 &&
            (stat.valid & ZIP_STAT_MTIME))
            newest = std::max(newest, stat.mtime);
    }
    return newest;
}

} // namespace

std::int32_t AddToArchive(const ZipCommand& command, EngineReport& report) {
    const std::string name = command.ArchiveName ? command.ArchiveName : "";
    const auto host = platform::HostPathOf(name);
    if (!host) {
        report.Message(kMsgBadArchive, "Cannot open archive " + name);
        return 0;
    }
    CollectOptions options;
    options.recurse = command.RecurseFlag != 0;
    options.noDirNames = command.NoDirNamesFlag != 0;
    options.hiddenFiles = command.HiddenFilesFlag != 0;
    options.forceDos = command.ForceDosFlag != 0;
    std::vector<FileToAdd> files = CollectFiles(SpecsOf(command), options, report);

    // The archive never goes into itself.
    struct stat archiveStat {};
    if (::stat(host->c_str(), &archiveStat) == 0) {
        std::erase_if(files, [&](const FileToAdd& file) {
            struct stat st {};
            return ::stat(file.hostPath.c_str(), &st) == 0 && st.st_dev == archiveStat.st_dev &&
                   st.st_ino == archiveStat.st_ino;
        });
    }
    if (files.empty() || report.Aborted())
        return 0;

    zip_t* archive = OpenForUpdate(*host, true, report, name);
    if (!archive)
        return 0;
    const int level = std::clamp(command.CompressionLevel, 0, 9);
    const std::string password = command.PasswordText ? command.PasswordText : "";
    std::vector<const FileToAdd*> added;
    for (const auto& file : files) {
        const zip_int64_t existing =
            zip_name_locate(archive, file.storedName.c_str(), ZIP_FL_NOCASE);
        if (file.folder) {
            if (existing < 0)
                zip_dir_add(archive, file.storedName.c_str(), ZIP_FL_ENC_GUESS);
            continue;
        }
        if (!Wanted(archive, existing, file, command)) {
            report.Verbose("Not newer, not added: " + file.storedName);
            continue;
        }
        zip_source_t* source = CreateProgressSource(archive, file.hostPath, file.storedName,
                                                    file.size, file.modified, report);
        const zip_int64_t index = source ? zip_file_add(archive, file.storedName.c_str(), source,
                                                        ZIP_FL_OVERWRITE | ZIP_FL_ENC_GUESS)
                                         : -1;
        if (index < 0) {
            if (source)
                zip_source_free(source);
            report.Message(kMsgWriteFailed, "Cannot add " + file.storedName);
            continue;
        }
        const auto entry = static_cast<zip_uint64_t>(index);
        zip_set_file_compression(archive, entry, level == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                 static_cast<zip_uint32_t>(level));
        zip_file_set_mtime(archive, entry, file.modified, 0);
        if (command.EncryptFlag && !password.empty())
            zip_file_set_encryption(archive, entry, ZIP_EM_TRAD_PKWARE, password.c_str());
        added.push_back(&file);
        report.Verbose("Adding: " + file.storedName);
    }
    if (added.empty()) {
        zip_discard(archive);
        return 0;
    }
    const std::time_t newest = NewestEntryTime(archive);
    if (!Close(archive, report, name))
        return 0;
    // Only now that the new archive is in place do the sources go.
    if (command.MoveFlag)
        for (const FileToAdd* file : added)
            ::unlink(file->hostPath.c_str());
    if (command.ZipTimeFlag && newest > 0) {
        const struct timespec times[2] = {{newest, 0}, {newest, 0}};
        ::utimensat(AT_FDCWD, host->c_str(), times, 0);
    }
    return static_cast<std::int32_t>(added.size());
}

std::int32_t DeleteFromArchive(const ZipCommand& command, EngineReport& report) {
    const std::string name = command.ArchiveName ? command.ArchiveName : "";
    const auto host = platform::HostPathOf(name);
    zip_t* archive = host ? OpenForUpdate(*host, false, report, name) : nullptr;
    if (!archive)
        return 0;
    std::vector<std::string> patterns = SpecsOf(command);
    for (auto& pattern : patterns)
        std::replace(pattern.begin(), pattern.end(), '\\', '/');
    const zip_int64_t entries = zip_get_num_entries(archive, 0);
    std::int32_t count = 0;
    for (zip_int64_t i = 0; i < entries; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char* raw = zip_get_name(archive, index, ZIP_FL_ENC_RAW);
        const std::string entry = raw ? DecodeEntryName(raw) : std::string();
        const bool match = std::any_of(patterns.begin(), patterns.end(), [&](const std::string& p) {
            return win::MatchesMask(entry, p);
        });
        if (!match)
            continue;
        if (!report.FileStart(entry, 0)) {
            zip_discard(archive);
            return 0;
        }
        zip_delete(archive, index);
        report.Verbose("Deleting: " + entry);
        ++count;
    }
    if (count == 0) {
        zip_discard(archive);
        report.Message(kMsgNotFound, "No entry matches, nothing deleted");
        return 0;
    }
    if (count == entries) {
        // Every entry goes: the archive stays, empty (libzip would remove the file instead).
        zip_discard(archive);
        if (!platform::WriteFileAtomically(*host, kEmptyArchive)) {
            report.Message(kMsgWriteFailed, "Cannot write archive " + name);
            return 0;
        }
        return count;
    }
    return Close(archive, report, name) ? count : 0;
}
