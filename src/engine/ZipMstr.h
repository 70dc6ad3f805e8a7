// TZipMaster: the archive component. It lists an archive by walking its local file headers
// (ReadDirectory), adds, deletes and extracts through the two engine libraries it loads at run
// time, turning their callbacks into OnProgress and OnMessage events, and converts an archive to
// a self-extracting program and back by copying it itself.
#pragma once

#include "engine/UNZDLL.h"
#include "engine/ZIPDLL.h"
#include "engine/ZipEntries.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// The error ReadDirectory raises for a damaged archive or a file it cannot open.
class EZipMaster : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum AddOptsEnum : std::uint16_t {
    AddDirNames = 1 << 0,
    AddRecurseDirs = 1 << 1,
    AddMove = 1 << 2,
    AddFreshen = 1 << 3,
    AddUpdate = 1 << 4,
    AddZipTime = 1 << 5,
    AddForceDOS = 1 << 6,
    AddHiddenFiles = 1 << 7,
    AddEncrypt = 1 << 8
};
using AddOpts = std::uint16_t;

enum ExtrOptsEnum : std::uint8_t {
    ExtrDirNames = 1 << 0,
    ExtrOverWrite = 1 << 1,
    ExtrFreshen = 1 << 2,
    ExtrUpdate = 1 << 3,
    ExtrTest = 1 << 4
};
using ExtrOpts = std::uint8_t;

enum class ProgressType { FileStart = 0, BlockDone = 1, BatchEnd = 2 };

// A file as the disk knows it, whatever name it stands under.
struct FileIdentity {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

class TZipMaster;
struct ConversionTarget;
using TNotifyEvent = std::function<void(TZipMaster* sender)>;
using TProgressEvent = std::function<void(TZipMaster* sender, ProgressType progrType,
                                          const std::string& filename, std::int32_t fileSize)>;
using TMessageEvent =
    std::function<void(TZipMaster* sender, std::int32_t errCode, const std::string& message)>;

class TZipMaster {
public:
    // ownerWindow: the handle of the window that owns the component, handed to the engines.
    explicit TZipMaster(void* ownerWindow = nullptr);
    ~TZipMaster();
    TZipMaster(const TZipMaster&) = delete;
    TZipMaster& operator=(const TZipMaster&) = delete;

    // Published properties.
    bool Verbose = false;
    bool Trace = false;
    std::int32_t AddCompLevel = 9;
    AddOpts AddOptions = 0;
    std::string ExtrBaseDir;
    ExtrOpts ExtrOptions = 0;
    std::vector<std::string> FSpecArgs;
    std::string Password;
    std::string SFXPath;
    TNotifyEvent OnDirUpdate;
    TProgressEvent OnProgress;
    TMessageEvent OnMessage;

    // Setting the archive path always reads its directory, also when the path is unchanged.
    const std::string& ZipFilename() const { return zipFilename_; }
    void SetZipFilename(const std::string& path);

    // The archive's entries in file order, as of the last ReadDirectory.
    const ZipEntryList& Entries() const { return entries_; }
    int Count() const;
    std::int32_t FirstHeaderOffset() const { return firstHeaderOffset_; }
    std::int32_t ResultCount() const { return resultCount_; }
    // The files the last Extract wrote, as the engine reported them when it renamed each into
    // place.
    const std::vector<FileIdentity>& WrittenFiles() const { return writtenFiles_; }
    bool ZipBusy() const { return zipBusy_; }
    bool UnzBusy() const { return unzBusy_; }

    void ReadDirectory();
    void Add();
    void Delete();
    void Extract();
    // The archive as a self-extracting .exe (the stub ZIPSFX.BIN, then the archive) and back.
    // 0 on success; -1 the output cannot be created, -2 a copy failed, -3 an input cannot be
    // opened, -9 anything else (a refused request is shown in a message box first).
    std::int32_t ConvertToSfx();
    std::int32_t ConvertToZip();

    void LoadZipEngine();
    void LoadUnzEngine();
    static void UnloadZipEngine();
    static void UnloadUnzEngine();
    static bool ZipEngineLoaded();
    static bool UnzEngineLoaded();

    // Turns one engine callback into OnProgress or OnMessage; answers -1 while AbortFlag is set.
    static std::int32_t EngineCallback(CallbackInfo* info);

    // While set, the callback answers abort. Cleared before and after every engine call.
    bool AbortFlag = false;

    // Whether the archive file is still the one ReadDirectory last read: the same file, with the
    // same size, modification time and change time (which no program but the system's clock
    // sets, so a file rewritten with its old time put back still counts as changed).
    bool StillAsListed() const;

private:
    void ClearEntries();
    // ReadDirectory; aside: the walk runs on a thread of its own while the windows process their
    // events (after an add or a delete), and its result is dropped when the windows started
    // another read meanwhile.
    void ReadListing(bool aside);
    void RunZipEngine(bool deleting);
    // One engine call: refuses a nested one, loads the library for the call when it is not loaded
    // (and frees it again), fills the record and calls. False when the call was not made.
    bool RunEngine(bool zipEngineCall, const std::function<void()>& fillRecord);
    void FillZipCommand(bool deleting);
    void FillUnzCommand();
    std::int32_t CallEngine(bool zipEngine);
    std::int32_t ReplaceInputWith(const ConversionTarget& converted);
    // ReadDirectory, with its error shown instead of raised; false after an error.
    bool ReadAgain();

    void* ownerWindow_;
    std::string zipFilename_;
    ZipEntryList entries_;
    std::int32_t firstHeaderOffset_ = 0;
    struct ListedFile {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = -1;    // no file was read
        std::int64_t modified = 0; // nanoseconds
        std::int64_t changed = 0;  // nanoseconds
        bool operator==(const ListedFile&) const = default;
    } listed_;
    std::uint64_t readsStarted_ = 0;
    std::int32_t resultCount_ = 0;
    std::vector<FileIdentity> writtenFiles_;
    bool zipBusy_ = false;
    bool unzBusy_ = false;
    ZipCommand zipCommand_{};
    UnzCommand unzCommand_{};
};

// A path names an existing folder.
bool DirExists(const std::string& path);
