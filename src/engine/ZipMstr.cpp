// TZipMaster: properties, the engine libraries and the operations that drive them.
#include "engine/ZipMstr.h"

#include "platform/Files.h"
#include "platform/Library.h"
#include "platform/UserNotice.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::int32_t kTrue = -1;
constexpr std::int32_t kFalse = 0;
constexpr std::size_t kPathBufferSize = 256;
constexpr std::size_t kPasswordBufferSize = 81;

std::int32_t Flag(bool value) {
    return value ? kTrue : kFalse;
}

// One engine library: its handle and its two entry points, shared by every component.
struct Engine {
    const char* dllName;
    const char* execName;
    const char* versionName;
    const char* notFound;
    const char* loaded;
    win::HMODULE module = nullptr;
    win::FARPROC exec = nullptr;
    win::FARPROC version = nullptr;
};

Engine zipEngine{"ZIPDLL.DLL", "ZipDllExec", "GetZipDllVersion", "ZIPDLL.DLL not found",
                 "ZIP DLL Loaded"};
Engine unzEngine{"UNZDLL.DLL", "UnzDllExec", "GetUnzDllVersion", "UNZDLL.DLL not found",
                 "UNZ DLL Loaded"};

void Load(Engine& engine, bool trace) {
    // No system box for a missing library or an empty drive on the way.
    win::SetErrorMode(win::SEM_FAILCRITICALERRORS | win::SEM_NOGPFAULTERRORBOX);
    engine.module = win::LoadLibraryA(engine.dllName);
    if (!engine.module) {
        win::SetErrorMode(0);
        platform::ShowMessage(engine.notFound);
        return;
    }
    if (trace)
        platform::ShowMessage(engine.loaded);
    engine.exec = win::GetProcAddress(engine.module, engine.execName);
    engine.version = win::GetProcAddress(engine.module, engine.versionName);
    if (!engine.exec)
        platform::ShowMessage(std::string(engine.execName) + " function not found in " +
                              engine.dllName);
    if (!engine.version)
        platform::ShowMessage(std::string(engine.versionName) + " function not found in " +
                              engine.dllName);
    win::SetErrorMode(0);
}

void Unload(Engine& engine) {
    if (engine.module)
        win::FreeLibrary(engine.module);
    engine =
        Engine{engine.dllName, engine.execName, engine.versionName, engine.notFound, engine.loaded};
}

// NUL-terminated copies of the texts a command record points to, alive for one call. A buffer
// holds at least the record's documented size and always the whole text, so nothing is cut. They
// are blanked when the call is over: one holds the password.
class TextBuffers {
public:
    TextBuffers() = default;
    ~TextBuffers() {
        for (auto& buffer : buffers_)
            std::fill(buffer.begin(), buffer.end(), '\0');
    }
    TextBuffers(const TextBuffers&) = delete;
    TextBuffers& operator=(const TextBuffers&) = delete;

    char* Add(const std::string& text, std::size_t minimumSize) {
        auto& buffer = buffers_.emplace_back(std::max(minimumSize, text.size() + 1), '\0');
        std::copy(text.begin(), text.end(), buffer.begin());
        return buffer.data();
    }

private:
    std::vector<std::vector<char>> buffers_;
};

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

// "<device>:<inode>" as the engine reports a written file.
FileIdentity ParseIdentity(const std::string& text) {
    FileIdentity identity;
    const std::size_t colon = text.find(':');
    identity.Device = std::strtoull(text.c_str(), nullptr, 10);
    identity.Inode =
        colon == std::string::npos ? 0 : std::strtoull(text.c_str() + colon + 1, nullptr, 10);
    return identity;
}

} // namespace

TZipMaster::TZipMaster(void* ownerWindow) : ownerWindow_(ownerWindow) {}

TZipMaster::~TZipMaster() {
    ClearEntries();
}

void TZipMaster::ClearEntries() {
    entries_.Clear();
}

void TZipMaster::SetZipFilename(const std::string& path) {
    zipFilename_ = path;
    ReadDirectory();
}

int TZipMaster::Count() const {
    return zipFilename_.empty() ? 0 : static_cast<int>(entries_.size());
}

void TZipMaster::LoadZipEngine() {
    Load(zipEngine, Trace);
}
void TZipMaster::LoadUnzEngine() {
    Load(unzEngine, Trace);
}
void TZipMaster::UnloadZipEngine() {
    Unload(zipEngine);
}
void TZipMaster::UnloadUnzEngine() {
    Unload(unzEngine);
}
bool TZipMaster::ZipEngineLoaded() {
    return zipEngine.module != nullptr;
}
bool TZipMaster::UnzEngineLoaded() {
    return unzEngine.module != nullptr;
}

void TZipMaster::Add() {
    if (FSpecArgs.empty()) {
        platform::ShowMessage("Error - no files to zip");
        return;
    }
    if (zipFilename_.empty()) {
        platform::ShowMessage("Error - no zip file specified");
        return;
    }
    RunZipEngine(false);
}

void TZipMaster::Delete() {
    if (FSpecArgs.empty()) {
        platform::ShowMessage("Error - no files selected for deletion");
        return;
    }
    if (!platform::FileExists(zipFilename_)) {
        platform::ShowMessage("Error - no zip file specified");
        return;
    }
    RunZipEngine(true);
}

bool TZipMaster::RunEngine(bool zipEngineCall, const std::function<void()>& fillRecord) {
    bool& busy = zipEngineCall ? zipBusy_ : unzBusy_;
    if (busy)
        return false;
    busy = true;
    AbortFlag = false;
    // A count left from an earlier call would make a failed call look like a success to the
    // callers that read it (the re-read after Add and Delete, the windows' reports).
    resultCount_ = 0;
    const auto loaded = zipEngineCall ? &TZipMaster::ZipEngineLoaded : &TZipMaster::UnzEngineLoaded;
    const bool loadedHere = !loaded();
    if (loadedHere)
        zipEngineCall ? LoadZipEngine() : LoadUnzEngine();
    if (!loaded()) {
        busy = false;
        return false;
    }
    fillRecord();
    resultCount_ = CallEngine(zipEngineCall);
    if (loadedHere)
        zipEngineCall ? UnloadZipEngine() : UnloadUnzEngine();
    AbortFlag = false;
    busy = false;
    return true;
}

void TZipMaster::RunZipEngine(bool deleting) {
    if (RunEngine(true, [this, deleting] { FillZipCommand(deleting); }) && resultCount_ > 0)
        ReadListing(true);
}

void TZipMaster::FillZipCommand(bool deleting) {
    const bool adding = !deleting;
    auto option = [this](AddOptsEnum o) { return (AddOptions & o) != 0; };
    ZipCommand& c = zipCommand_;
    c = ZipCommand{};
    c.OwnerWindow = ownerWindow_;
    c.Caller = this;
    c.Reserved8 = 130;
    c.CallbackProc = &TZipMaster::EngineCallback;
    c.TraceFlag = Flag(Trace);
    c.EncryptFlag = Flag(adding && option(AddEncrypt));
    c.HiddenFilesFlag = Flag(option(AddHiddenFiles));
    c.Reserved44 = kTrue;
    c.VerboseFlag = Flag(Verbose || Trace);
    c.Reserved56 = kTrue;
    c.CompressionLevel = AddCompLevel;
    c.NoDirNamesFlag = Flag(adding && !option(AddDirNames));
    c.RecurseFlag = Flag(adding && option(AddRecurseDirs));
    c.Reserved80 = Flag(adding);
    c.ForceDosFlag = Flag(option(AddForceDOS));
    c.MoveFlag = Flag(adding && option(AddMove));
    c.DeleteFlag = Flag(deleting);
    c.UpdateFlag = Flag(adding && option(AddUpdate));
    c.FreshenFlag = Flag(adding && option(AddFreshen) && !option(AddUpdate));
    c.ZipTimeFlag = Flag(option(AddZipTime));
    c.Reserved128 = 7;
}

void TZipMaster::Extract() {
    writtenFiles_.clear(); // also when nothing is extracted: the last call's files are no more
    // Nor is the last call's count: a refused call processed no file, and a caller that reads
    // the count (a test's result) must not take an earlier call's for it.
    resultCount_ = 0;
    if (!platform::FileExists(zipFilename_)) {
        platform::ShowMessage("Error - no zip file specified");
        return;
    }
    // The engine extracts into the current folder. A named base folder that is not there would
    // leave the current folder, wherever that is, to receive every entry: refused instead.
    if (!ExtrBaseDir.empty() && !DirExists(ExtrBaseDir)) {
        platform::ShowMessage("Error - extract folder " + ExtrBaseDir + " does not exist");
        return;
    }
    RunEngine(false, [this] {
        // The current folder is not restored afterwards.
        if (!ExtrBaseDir.empty())
            win::SetCurrentDirectoryA(ExtrBaseDir.c_str());
        FillUnzCommand();
    });
}

void TZipMaster::FillUnzCommand() {
    auto option = [this](ExtrOptsEnum o) { return (ExtrOptions & o) != 0; };
    UnzCommand& c = unzCommand_;
    c = UnzCommand{};
    c.OwnerWindow = ownerWindow_;
    c.Caller = this;
    c.Reserved8 = 130;
    c.CallbackProc = &TZipMaster::EngineCallback;
    c.TraceFlag = Flag(Trace);
    c.TestFlag = Flag(option(ExtrTest));
    c.Reserved40 = kTrue;
    c.VerboseFlag = Flag(Verbose || Trace);
    c.UpdateFlag = Flag(option(ExtrUpdate));
    c.FreshenFlag = Flag(option(ExtrFreshen) && !option(ExtrUpdate));
    c.DirNamesFlag = Flag(option(ExtrDirNames));
    c.OverwriteFlag = Flag(option(ExtrOverWrite));
    c.Reserved72 = 7;
}

// Fills the texts of the prepared record, calls the engine and returns the new ResultCount. More
// specifications than the record holds go in several calls whose counts add up. After a fault, or
// a missing entry point, the count is what the calls before it returned.
std::int32_t TZipMaster::CallEngine(bool zipEngineCall) {
    TextBuffers texts;
    char* archive = texts.Add(zipFilename_, kPathBufferSize);
    char* password = texts.Add(Password, kPasswordBufferSize);
    const std::vector<std::string> specs = FSpecArgs;
    std::int32_t total = 0;
    for (std::size_t first = 0; first == 0 || first < specs.size(); first += kMaxSpecs) {
        const std::size_t count = std::min<std::size_t>(kMaxSpecs, specs.size() - first);
        char** slots = zipEngineCall ? zipCommand_.SpecList : unzCommand_.SpecList;
        std::fill(slots, slots + kMaxSpecs, nullptr);
        for (std::size_t i = 0; i < count; ++i)
            slots[i] = texts.Add(specs[first + i], kPathBufferSize);
        try {
            if (zipEngineCall) {
                zipCommand_.ArchiveName = archive;
                zipCommand_.PasswordText = password;
                zipCommand_.SpecCount = static_cast<std::int32_t>(count);
                if (!zipEngine.exec)
                    throw std::runtime_error("no entry point");
                total += reinterpret_cast<ZipDllExecProc>(zipEngine.exec)(&zipCommand_);
            } else {
                unzCommand_.ArchiveName = archive;
                unzCommand_.PasswordText = password;
                unzCommand_.SpecCount = static_cast<std::int32_t>(count);
                if (!unzEngine.exec)
                    throw std::runtime_error("no entry point");
                total += reinterpret_cast<UnzDllExecProc>(unzEngine.exec)(&unzCommand_);
            }
        } catch (...) {
            platform::ShowMessage("Fatal DLL Error: abort exception");
            break;
        }
    }
    FSpecArgs.clear();
    return total;
}

std::int32_t TZipMaster::EngineCallback(CallbackInfo* info) {
    auto* self = static_cast<TZipMaster*>(info->Caller);
    if (!self)
        return 0;
    const std::int32_t action = info->ActionCode;
    const std::string text(info->Text, ::strnlen(info->Text, kCallbackTextSize));
    if (action == kActionFileStart && self->OnProgress)
        self->OnProgress(self, ProgressType::FileStart, text, info->FileSize);
    else if (action == kActionBlockDone && self->OnProgress)
        self->OnProgress(self, ProgressType::BlockDone, " ", 0);
    else if (action == kActionBatchEnd && self->OnProgress)
        self->OnProgress(self, ProgressType::BatchEnd, " ", 0);
    else if (action == kActionKeepAlive)
        platform::ProcessPendingEvents(); // a long wait in the engine: the windows stay responsive
    else if (action == kActionFileWritten)
        self->writtenFiles_.push_back(ParseIdentity(text));
    else if (action >= kActionMessage && self->OnMessage) {
        std::size_t cut = text.size();
        if (cut >= 1 && IsLineBreak(text[cut - 1]))
            cut = text.size() - 1;
        if (text.size() >= 2 && IsLineBreak(text[text.size() - 2]))
            cut = text.size() - 2;
        self->OnMessage(self, info->ErrorCode, text.substr(0, cut));
    }
    return self->AbortFlag ? -1 : 0;
}

bool DirExists(const std::string& path) {
    const win::DWORD attributes = win::GetFileAttributesA(path.c_str());
    return attributes != win::INVALID_FILE_ATTRIBUTES &&
           (attributes & win::FILE_ATTRIBUTE_DIRECTORY);
}
