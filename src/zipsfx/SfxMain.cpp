// The self-extractor stub ZIPSFX.BIN. A converted archive is this program with the archive
// appended; run, it extracts every entry with its folders into the folder given as its argument
// (made when missing) or into the current folder, says what it does, and ends with status 1
// when anything failed (2 when it could not start).
#include "zipsfx/SfxExtract.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void Print(int fd, const std::string& text) {
    const std::string line = text + "\n";
    for (std::size_t done = 0; done < line.size();) {
        const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

void Say(const std::string& line, bool failure) {
    Print(failure ? 2 : 1, failure ? "error: " + line : line);
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        Print(2, std::string("usage: ") + argv[0] + " [folder to extract into]");
        return 2;
    }
    const std::string target = argc == 2 ? argv[1] : ".";
    // The program's own file holds the archive.
    int self = ::open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    if (self < 0)
        self = ::open(argv[0], O_RDONLY | O_CLOEXEC);
    if (self < 0) {
        Say("cannot read this program's own file", true);
        return 2;
    }
    if (::mkdir(target.c_str(), 0777) != 0 && errno != EEXIST) {
        Say("cannot create the folder " + target, true);
        return 2;
    }
    const int folder = ::open(target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        Say("cannot open the folder " + target, true);
        return 2;
    }
    Print(1, "Extracting into " + target);
    const int failures = ExtractSfxArchive(self, folder, Say);
    ::close(self);
    if (failures > 0) {
        Say("some entries were not extracted", true);
        return 1;
    }
    Print(1, "Done.");
    return 0;
}
