// TZipMaster::ConvertToSfx and ConvertToZip: a plain archive becomes a self-extracting program
// (the stub ZIPSFX.BIN followed by the archive) and back (everything from the first local header
// on). Both are file copies into a new file that takes its name only when complete and checked;
// the input is deleted only after that, so a failure never loses the archive.
#include "engine/DirectoryOffsets.h"
#include "engine/NewFile.h"
#include "engine/ZipMstr.h"

#include "engine/ArchiveLayout.h"
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

// Copies size bytes from the input's position to the output's; false when a read or a write
// fails or the input ends early.
bool CopyBytes(int in, int out, std::uint64_t size) {
    std::vector<char> buffer(1 << 20);
    while (size > 0) {
        const ssize_t n = ::read(in, buffer.data(), std::min<std::uint64_t>(size, buffer.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || !platform::WriteFully(out, buffer.data(), static_cast<std::size_t>(n)))
            return false;
        size -= static_cast<std::uint64_t>(n);
    }
    return true;
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
std::int32_t Refused(const char* message) {
    platform::ShowMessage(message);
    return kFailed;
}

// A copy of an archive alone: its end record points at its central directory, which it holds
// from byte 0 on, and it ends where the archive does.
bool IsPlainArchive(int fd) {
    const auto layout = ReadArchiveLayout(fd);
    return layout && layout->archiveStart == 0;
}

} // namespace

std::int32_t TZipMaster::ConvertToSfx() {
    if (!platform::FileExists(zipFilename_))
        return Refused(kNoZipFile);
    if (!FindStub(SFXPath))
        return Refused(kNoStub);
    if (win::UpperCase(win::ExtractFileExt(zipFilename_)) != ".ZIP")
        return Refused(kNotAZip);
    platform::BusyCursor busy;
    const std::string target = win::ChangeFileExt(zipFilename_, ".exe");
    InputFile stub(SFXPath);
    if (!stub.IsOpen())
        return kCannotOpen;
    NewFile out;
    if (!out.Create(target, 0777)) // a program: executable where the umask allows
        return kCannotCreate;
    if (!CopyBytes(stub.Fd(), out.Fd(), stub.Size()))
        return kCopyFailed;
    stub.Close();
    InputFile archive(zipFilename_);
    if (!archive.IsOpen())
        return kCannotOpen;
    if (!CopyBytes(archive.Fd(), out.Fd(), archive.Size()))
        return kCopyFailed;
    // Only a file that reached the disk whole replaces anything.
    if (SizeOf(out.Fd()) != stub.Size() + archive.Size() || !out.Close())
        return kFailed;
    if (!out.Commit())
        return kCannotCreate;
    // A stub too short to be one leaves a complete .exe beside the archive, which stays.
    if (stub.Size() < kMinimumStubSize)
        return kFailed;
    archive.Close();
    return ReplaceInputWith(target);
}

std::int32_t TZipMaster::ConvertToZip() {
    if (!platform::FileExists(zipFilename_))
        return Refused(kNoExeFile);
    if (win::UpperCase(win::ExtractFileExt(zipFilename_)) != ".EXE")
        return Refused(kNotAnExe);
    if (firstHeaderOffset_ == 0)
        return Refused(kUnknownSfx);
    platform::BusyCursor busy;
    const std::string target = win::ChangeFileExt(zipFilename_, ".zip");
    InputFile exe(zipFilename_);
    if (!exe.IsOpen())
        return kCannotOpen;
    NewFile out;
    if (!out.Create(target, 0666))
        return kCannotCreate;
    const auto stubSize = static_cast<std::uint64_t>(firstHeaderOffset_);
    if (firstHeaderOffset_ < 0 || stubSize > exe.Size() ||
        ::lseek(exe.Fd(), static_cast<off_t>(stubSize), SEEK_SET) < 0 ||
        !CopyBytes(exe.Fd(), out.Fd(), exe.Size() - stubSize))
        return kCopyFailed;
    // Offsets counted from the start of the .exe are made to count from the archive start.
    const auto corrections = OffsetCorrections(exe.Fd(), stubSize);
    if (!corrections)
        return kFailed;
    if (!ApplyCorrections(out.Fd(), *corrections, stubSize))
        return kCopyFailed;
    if (SizeOf(out.Fd()) != exe.Size() - stubSize || !IsPlainArchive(out.Fd()) || !out.Close() ||
        !out.Commit())
        return kFailed;
    exe.Close();
    return ReplaceInputWith(target);
}

// The input is deleted, and the new file named and read without going through the property.
std::int32_t TZipMaster::ReplaceInputWith(const std::string& converted) {
    win::DeleteFileA(zipFilename_.c_str());
    zipFilename_ = converted;
    ReadDirectory();
    return kConverted;
}
