// TZipMaster::ConvertToSfx and ConvertToZip: a plain archive becomes a self-extracting program
// (the stub ZIPSFX.BIN followed by the archive) and back (everything from the first local header
// on). Both are file copies into a new file that takes its name only when complete and checked;
// the input is deleted only after that, so a failure never loses the archive. A failure to write
// the new file is shown with the file's name and the reason (a full disk names its drive).
#include "engine/ConversionTarget.h"
#include "engine/DirectoryOffsets.h"
#include "engine/NewFile.h"
#include "engine/ZipMstr.h"

#include "engine/ArchiveLayout.h"
#include "engine/EntryNames.h"
#include "engine/SfxCapability.h"
#include "engine/WriteFailure.h"
#include "engine/ZipFormat.h"
#include "platform/AtomicFile.h"
#include "platform/Files.h"
#include "platform/PathMap.h"
#include "platform/SharedFile.h"
#include "platform/UserNotice.h"
#include "platform/Volumes.h"
#include "platform/WinPath.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::int32_t kConverted = 0;
constexpr std::int32_t kCannotCreate = -1;
constexpr std::int32_t kCopyFailed = -2;
constexpr std::int32_t kCannotOpen = -3;
constexpr std::int32_t kFailed = -9;

// A usable stub is at least this long; the directory reader looks for the archive inside an
// .exe from byte 14000 on.
constexpr std::uint64_t kMinimumStubSize = 28000;

const char* const kStubName = "ZIPSFX.BIN";
const char* const kNoZipFile = "Error - no zip file specified";
const char* const kNoStub = "Error - ZIPSFX.BIN not found";
const char* const kNotAZip = "Error: input file is not a zip file";
const char* const kNoExeFile = "Error - no .EXE file specified";
const char* const kNotAnExe = "Error: input file is not an .EXE file";
const char* const kUnknownSfx = "Error determining the type of SFX archive";
const char* const kOntoItself = "Error - the link leads to a file of the converted name: ";
const char* const kStubCannot = "Error - the self-extractor cannot extract ";

// An input file, open for reading while nobody writes it, closed on every path.
class InputFile {
public:
    explicit InputFile(const std::string& winPath) {
        const auto host = platform::HostPathOf(winPath);
        fd_ = host ? platform::OpenReadDenyWrite(*host) : -1;
        struct stat st {};
        if (fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode))
            size_ = static_cast<std::uint64_t>(st.st_size);
        else
            Close();
    }
    ~InputFile() { Close(); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    std::uint64_t Size() const { return size_; }
    void Close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

enum class Copied { All, ReadFailed, WriteFailed };

// Copies size bytes from the input's position to the output's; after a failed write errno says
// why. A read that fails or ends early is a ReadFailed.
Copied CopyBytes(int in, int out, std::uint64_t size) {
    std::vector<char> buffer(1 << 20);
    while (size > 0) {
        const ssize_t n = ::read(in, buffer.data(), std::min<std::uint64_t>(size, buffer.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Copied::ReadFailed;
        if (!platform::WriteFully(out, buffer.data(), static_cast<std::size_t>(n)))
            return Copied::WriteFailed;
        size -= static_cast<std::uint64_t>(n);
    }
    return Copied::All;
}

// Writing the new file failed: the message names it and says why (errno), then the code.
std::int32_t WriteFailed(const std::string& file, std::int32_t code) {
    platform::ShowMessage(CannotWrite(file, file, errno));
    return code;
}

std::int32_t CopyFailed(Copied copied, const std::string& file) {
    return copied == Copied::WriteFailed ? WriteFailed(file, kCopyFailed) : kCopyFailed;
}

std::uint64_t SizeOf(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

std::string InFolder(win::UINT (*folder)(win::LPSTR, win::UINT), const std::string& name) {
    char buffer[win::MAX_PATH];
    folder(buffer, sizeof buffer);
    return std::string(buffer) + "\\" + name;
}

// The stub at sfxPath, else in the Windows folder, else in the system folder; sfxPath is left
// at the last path tried.
bool FindStub(std::string& sfxPath) {
    if (platform::FileExists(sfxPath))
        return true;
    sfxPath = InFolder(win::GetWindowsDirectoryA, kStubName);
    if (platform::FileExists(sfxPath))
        return true;
    sfxPath = InFolder(win::GetSystemDirectoryA, kStubName);
    return platform::FileExists(sfxPath);
}

// A refused request: its message, then -9.
std::int32_t Refused(const char* message, const std::string& detail = {}) {
    platform::ShowMessage(message + detail);
    return kFailed;
}

// A copy of an archive alone: its end record points at its central directory, which it holds
// from byte 0 on, and it ends where the archive does.
bool IsPlainArchive(int fd) {
    const auto layout = ReadArchiveLayout(fd);
    return layout && layout->archiveStart == 0;
}

// The first entry of the archive that the stub could not extract, with the reason ("a.bz2:
// compression method 12"), or nothing.
std::string EntryTheStubCannotExtract(const std::string& winPath) {
    const InputFile archive(winPath);
    const auto layout = archive.IsOpen() ? ReadArchiveLayout(archive.Fd()) : std::nullopt;
    for (const LayoutEntry& entry : layout ? layout->entries : std::vector<LayoutEntry>{})
        if (const std::string reason = SfxCannotExtract(entry); !reason.empty()) {
            const auto* name = reinterpret_cast<const char*>(
                &layout->directory[entry.headerAt + kCentralHeaderSize]);
            return DecodeEntryName(std::string(name, entry.nameLength)) + ": " + reason;
        }
    return {};
}

} // namespace

std::int32_t TZipMaster::ConvertToSfx() {
    if (!platform::FileExists(zipFilename_))
        return Refused(kNoZipFile);
    if (!FindStub(SFXPath))
        return Refused(kNoStub);
    if (win::UpperCase(win::ExtractFileExt(zipFilename_)) != ".ZIP")
        return Refused(kNotAZip);
    const auto target = ConversionTargetOf(zipFilename_, ".exe");
    if (!target)
        return Refused(kOntoItself, zipFilename_);
    // An archive the stub could not extract is refused before anything is written.
    if (const std::string lacking = EntryTheStubCannotExtract(zipFilename_); !lacking.empty())
        return Refused(kStubCannot, lacking);
    platform::BusyCursor busy;
    InputFile stub(SFXPath);
    if (!stub.IsOpen())
        return kCannotOpen;
    NewFile out;
    if (!out.Create(target->output, 0777)) // a program: executable where the umask allows
        return WriteFailed(target->output, kCannotCreate);
    if (const Copied copied = CopyBytes(stub.Fd(), out.Fd(), stub.Size()); copied != Copied::All)
        return CopyFailed(copied, target->output);
    stub.Close();
    InputFile archive(zipFilename_);
    if (!archive.IsOpen())
        return kCannotOpen;
    if (const Copied copied = CopyBytes(archive.Fd(), out.Fd(), archive.Size());
        copied != Copied::All)
        return CopyFailed(copied, target->output);
    // Only a file that reached the disk whole replaces anything.
    if (SizeOf(out.Fd()) != stub.Size() + archive.Size())
        return kFailed;
    if (!out.Close())
        return WriteFailed(target->output, kFailed);
    if (!out.Commit())
        return WriteFailed(target->output, kCannotCreate);
    // A stub too short to be one leaves a complete .exe beside the archive, which stays.
    if (stub.Size() < kMinimumStubSize)
        return kFailed;
    archive.Close();
    return ReplaceInputWith(*target);
}

std::int32_t TZipMaster::ConvertToZip() {
    if (!platform::FileExists(zipFilename_))
        return Refused(kNoExeFile);
    if (win::UpperCase(win::ExtractFileExt(zipFilename_)) != ".EXE")
        return Refused(kNotAnExe);
    // Another program may have replaced the file since it was listed: the stub's size is then
    // learnt again, or the copy would start at the old one's.
    if (!StillAsListed() && !ReadAgain())
        return kFailed;
    if (firstHeaderOffset_ == 0)
        return Refused(kUnknownSfx);
    const auto target = ConversionTargetOf(zipFilename_, ".zip");
    if (!target)
        return Refused(kOntoItself, zipFilename_);
    platform::BusyCursor busy;
    InputFile exe(zipFilename_);
    if (!exe.IsOpen())
        return kCannotOpen;
    NewFile out;
    if (!out.Create(target->output, 0666))
        return WriteFailed(target->output, kCannotCreate);
    const auto stubSize = static_cast<std::uint64_t>(firstHeaderOffset_);
    if (firstHeaderOffset_ < 0 || stubSize > exe.Size() ||
        ::lseek(exe.Fd(), static_cast<off_t>(stubSize), SEEK_SET) < 0)
        return kCopyFailed;
    if (const Copied copied = CopyBytes(exe.Fd(), out.Fd(), exe.Size() - stubSize);
        copied != Copied::All)
        return CopyFailed(copied, target->output);
    // Offsets counted from the start of the .exe are made to count from the archive start.
    const auto corrections = OffsetCorrections(exe.Fd(), stubSize);
    if (!corrections)
        return kFailed;
    if (!ApplyCorrections(out.Fd(), *corrections, stubSize))
        return WriteFailed(target->output, kCopyFailed);
    if (SizeOf(out.Fd()) != exe.Size() - stubSize || !IsPlainArchive(out.Fd()))
        return kFailed;
    if (!out.Close() || !out.Commit())
        return WriteFailed(target->output, kFailed);
    exe.Close();
    return ReplaceInputWith(*target);
}

// The input is deleted, and the new file named and read without going through the property. An
// input reached through a link gives way to a link to the new file, and the file it led to goes.
std::int32_t TZipMaster::ReplaceInputWith(const ConversionTarget& converted) {
    if (!converted.link.empty()) {
        if (!converted.MakeLink())
            return WriteFailed(converted.link, kCannotCreate);
        win::DeleteFileA(converted.data.c_str());
    }
    win::DeleteFileA(zipFilename_.c_str());
    zipFilename_ = converted.link.empty() ? converted.output : converted.link;
    ReadDirectory();
    return kConverted;
}
