// The text viewer's files: reading one as text, and writing what is shown of it back.
#include "windows/ViewerText.h"

#include "engine/EntryNames.h"
#include "platform/AtomicFile.h"
#include "platform/PathMap.h"
#include "platform/SharedFile.h"
#include "platform/Utf8.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace viewer_text {
namespace {

constexpr const char* kNotAFile = "It is not a file.";

[[noreturn]] void Fail(const char* what, const std::string& winPath, const std::string& reason) {
    throw std::runtime_error(std::string(what) + " \"" + winPath + "\". " + reason);
}

[[noreturn]] void CannotOpen(const std::string& winPath, const std::string& reason) {
    Fail("Cannot open file", winPath, reason);
}

// The file's first bytes, one more than are shown, so that a cut is seen.
std::string ReadStart(const std::string& winPath) {
    const auto host = platform::HostPathOf(winPath);
    if (!host)
        CannotOpen(winPath, std::strerror(ENOENT));
    // Only plain files are read: a pipe or a device could block the program or never end.
    struct stat info {};
    if (::stat(host->c_str(), &info) != 0)
        CannotOpen(winPath, std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        CannotOpen(winPath, std::strerror(EISDIR));
    if (!S_ISREG(info.st_mode))
        CannotOpen(winPath, kNotAFile);
    // Read as the system reads a file for loading: others may read it too, but not write it.
    const int fd = platform::OpenReadDenyWrite(*host);
    if (fd < 0)
        CannotOpen(winPath, std::strerror(errno));
    std::string bytes;
    const bool ok = platform::ReadFully(fd, bytes, kMaxViewedBytes + 1);
    const int error = errno;
    ::close(fd);
    if (!ok)
        CannotOpen(winPath, std::strerror(error));
    return bytes;
}

// Breaks every line longer than kLongestLine, never between the halves of a surrogate pair.
QString BreakLongLines(const QString& text) {
    QString out;
    qsizetype lineStart = 0;
    qsizetype copied = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\n' || c == u'\r') {
            lineStart = i + 1;
        } else if (i - lineStart >= kLongestLine && !c.isLowSurrogate()) {
            out += QStringView(text).sliced(copied, i - copied);
            out += u'\n';
            copied = lineStart = i;
        }
    }
    if (copied == 0)
        return text;
    out += QStringView(text).sliced(copied);
    return out;
}

} // namespace

std::string_view WithoutCutSequence(std::string_view bytes) {
    // Walk back over at most three continuation bytes to the byte that starts the last sequence.
    for (std::size_t back = 1; back <= 4 && back <= bytes.size(); ++back) {
        const auto b = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((b & 0xC0) == 0x80)
            continue;
        const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        return length > back ? bytes.substr(0, bytes.size() - back) : bytes;
    }
    return bytes;
}

QString DecodeText(std::string_view bytes) {
    // Text files follow the rule of archive names: UTF-8 when valid, code page 437 otherwise,
    // which gives every byte a visible character, so binary files show as text too.
    const QString text = platform::IsValidUtf8(bytes)
                             ? QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()))
                             : QString::fromStdString(Cp437ToUtf8(bytes));
    return BreakLongLines(text);
}

FileText ReadFileText(const std::string& winPath) {
    std::string bytes = ReadStart(winPath);
    const bool truncated = bytes.size() > kMaxViewedBytes;
    if (truncated)
        bytes.resize(WithoutCutSequence(std::string_view(bytes).substr(0, kMaxViewedBytes)).size());
    QString text = DecodeText(bytes);
    return {std::move(text), truncated, std::move(bytes)};
}

void WriteFileBytes(const std::string& winPath, const std::string& bytes) {
    const auto host = platform::HostPathOf(winPath);
    if (!host)
        Fail("Cannot create file", winPath, std::strerror(ENOENT));
    if (!platform::WriteFileAtomically(*host, bytes))
        Fail("Cannot create file", winPath, std::strerror(errno));
}

} // namespace viewer_text
