// Extracts (or tests) the entries of an open archive that match the specifications, each one
// to a file in its folder (see OutputFile) that takes the entry's name only once its size and CRC
// check out, so a bad entry never leaves a partial file nor replaces a good one. Temporary files
// that killed runs left in a folder written to are removed, and folders made for entries that
// could not be written are removed again. Entry names are decoded one at a time, never all held.
#pragma once

#include "engine/ArchiveLayout.h"
#include "engine/EngineReport.h"
#include "unzdll/EntryData.h"
#include "unzdll/TargetTree.h"

#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <unordered_set>
#include <vector>
#include <zip.h>

struct ExtractOptions {
    bool test = false;
    bool update = false;
    bool freshen = false;
    bool dirNames = false;
    bool overwrite = false;
    std::string password;
    std::string folder; // the Windows path extracted into, for messages
};

class EntryExtractor {
public:
    // Entries are read through the layout of the archive open as archiveFd; libzip opens the
    // archive only when an entry needs it (encrypted, or of another method).
    EntryExtractor(int archiveFd, const ArchiveLayout& layout, int baseFolder,
                   const ExtractOptions& options, EngineReport& report);
    ~EntryExtractor();
    EntryExtractor(const EntryExtractor&) = delete;
    EntryExtractor& operator=(const EntryExtractor&) = delete;
    // The number of files extracted, or tested good.
    std::int32_t Run(const std::vector<std::string>& specs);

private:
    enum class Result { Done, Skipped, Failed };
    Result ExtractEntry(zip_uint64_t index, const std::string& name, zip_stat_t stat);
    // The entry's data to out (-1 when testing), through libzip or, when file is null, read
    // directly from dataStart; false after reporting why not.
    bool CopyData(zip_file_t* file, int out, const std::string& name, const zip_stat_t& stat);
    bool CopyDirect(std::uint64_t dataStart, int out, const std::string& name,
                    const zip_stat_t& stat);
    // True when the entry unpacked well; otherwise reports why not (a wrong password being one
    // possible reason for an encrypted entry), unless the writing stopped it, which said why.
    bool UnpackedWell(Unpacked outcome, const std::string& name, const zip_stat_t& stat);
    bool Write(int out, const unsigned char* bytes, std::size_t size, const std::string& name);
    // What becomes of the entry's file name in folder: Skip (after saying why, where the user is
    // told), Create (the name is free) or Replace (a file has it that the options let the entry
    // replace).
    enum class Target { Skip, Create, Replace };
    Target TargetOf(int folder, const std::string& fileName, const std::string& name,
                    const zip_stat_t& stat);
    // Reports that name could not be written for the system's reason error; a full or
    // read-only drive ends the extraction, since every entry after it would fail the same way.
    void WriteFailed(const std::string& name, int error);
    // The archive opened by libzip at the first call; null when libzip refuses it (some archives
    // whose data is sound: a stored entry of 4 GiB - 1 bytes without Zip64 fields, an extra
    // field cut short), and then the entries that EntryData cannot read are named as unreadable.
    zip_t* Libzip();

    int archiveFd_;
    zip_t* archive_ = nullptr;
    bool libzipTried_ = false;
    const ArchiveLayout& layout_;
    EntryData data_;
    struct stat archiveStat_ {};
    TargetTree tree_;
    ExtractOptions options_;
    EngineReport& report_;
    bool driveFailed_ = false;
    std::unordered_set<std::string> cleaned_; // folders rid of stale temporary files
    bool unnamedFiles_; // while they can be named and no file system turned out to have none
};
