// Operations killed with SIGKILL at random moments: a child process runs the operation through
// TZipMaster (engine_worker) and is killed after a random delay, twenty times per operation.
// Whatever the moment, the archive is the old one byte for byte or the new one complete, never a
// damaged one, and the temporary files of the killed run are gone after the next operation in
// that folder. The delays come from a seed that is printed; PAKRUNE_KILL_SEED replays a run.
#include "EngineTest.h"
#include "RunTool.h"
#include "TestMachine.h"
#include "ZipBytes.h"

#include "platform/TempFile.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

constexpr int kKills = 20;

unsigned Seed() {
    const char* given = std::getenv("PAKRUNE_KILL_SEED");
    return given ? static_cast<unsigned>(std::strtoul(given, nullptr, 10)) : 20240611u;
}

std::string Noise(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() % 64); // compresses a little, not much
    return bytes;
}

// Every entry's name, size and CRC, then what testzip() found, for each archive named.
const char* const kListings = R"(
import sys, zipfile
for path in sys.argv[1:]:
    try:
        with zipfile.ZipFile(path) as z:
            for i in z.infolist():
                print(i.filename, i.file_size, i.CRC)
            print("testzip:", z.testzip())
    except Exception as e:
        print("unreadable:", e)
    print("--")
)";

std::vector<std::string> Listings(const std::vector<std::string>& archives) {
    const auto result = RunPython(kListings, archives);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    std::vector<std::string> listings;
    std::string::size_type start = 0;
    for (auto end = result.output.find("--\n", start); end != std::string::npos;
         start = end + 3, end = result.output.find("--\n", start))
        listings.push_back(result.output.substr(start, end - start));
    return listings;
}

const char* const kZip64Archive = R"(
import sys, zipfile
zipfile.ZIP64_LIMIT = 1000
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_STORED) as z:
    for i in range(int(sys.argv[2])):
        z.writestr("e%d.bin" % i, open(sys.argv[3], "rb").read())
)";

// A worker started on the test's machine, killed after delay unless it ended before; whether it
// ended by itself.
bool RunAndKill(const std::vector<std::string>& arguments, std::chrono::microseconds delay) {
    const std::string worker = fs::read_symlink("/proc/self/exe").parent_path() / "engine_worker";
    std::vector<char*> argv{const_cast<char*>(worker.c_str())};
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned =
        ::posix_spawn(&pid, worker.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(spawned, 0);
    if (spawned != 0)
        return false;
    if (delay.count() >= 0) {
        std::this_thread::sleep_for(delay);
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status);
}

// One operation as the worker runs it, with what counts as a good outcome of it.
struct Operation {
    const char* name;
    std::vector<std::string> arguments;
};

class KilledOperation : public EngineTest, public ::testing::WithParamInterface<Operation> {
protected:
    std::string K(const std::string& name) const { return DriveC() + "/k/" + name; }

    // The files of folder k that are not temporary files, with their contents.
    std::map<std::string, std::string> Files() const {
        std::map<std::string, std::string> files;
        for (const auto& path : TreeOf(DriveC() + "/k"))
            if (path.back() != '/' &&
                !platform::IsTemporaryFileName(path.substr(path.rfind('/') + 1)))
                files[path] = ReadHostFile(K(path));
        return files;
    }
    // Folder k as it was (with the folder extracted into).
    void Restore(const std::map<std::string, std::string>& files) {
        fs::remove_all(DriveC() + "/k");
        fs::create_directories(K("out"));
        for (const auto& [name, bytes] : files)
            WriteHostFile(K(name), bytes);
    }
};

} // namespace

TEST_P(KilledOperation, LeavesTheOldArchiveOrACompleteNewOneAndTheNextRunCleansUp) {
    const Operation& operation = GetParam();
    const std::string kind = operation.name;
    const unsigned seed = Seed() ^ static_cast<unsigned>(std::hash<std::string>{}(kind));
    std::cout << "[ SEED     ] " << kind << ": PAKRUNE_KILL_SEED=" << Seed() << "\n";
    RecordProperty("seed", static_cast<int>(Seed()));

    // The starting state of folder k.
    Restore({});
    const std::string entry = Noise(1 << 20, 7);
    WriteHostFile(DriveC() + "/entry.bin", entry);
    std::vector<zipbytes::Entry> entries;
    for (int i = 0; i < 6; ++i)
        entries.push_back({"e" + std::to_string(i) + ".bin", entry});
    if (kind == "add") {
        for (int i = 0; i < 6; ++i)
            WriteHostFile(DriveC() + "/src/n" + std::to_string(i) + ".bin", Noise(1 << 20, i));
        WriteHostFile(K("a.zip"), zipbytes::Archive({{"base.txt", "base"}}));
    } else if (kind == "delete (libzip)") {
        const auto made = RunPython(kZip64Archive, {K("a.zip"), "6", DriveC() + "/entry.bin"});
        ASSERT_EQ(made.exitCode, 0) << made.output;
    } else if (kind == "extract") {
        WriteHostFile(DriveC() + "/x.zip", zipbytes::Archive(entries));
    } else {
        WriteHostFile(K("a.zip"), zipbytes::Archive(entries));
        if (kind == "tozip") {
            zip.SetZipFilename("C:\\k\\a.zip");
            ASSERT_EQ(zip.ConvertToSfx(), 0);
        }
    }
    const auto start = Files();

    // An undisturbed run: how long it takes and what it makes.
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_TRUE(RunAndKill(operation.arguments, std::chrono::microseconds(-1)));
    const auto duration = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - begin);
    const auto finished = Files();
    ASSERT_NE(finished, start);
    const bool archiveKind = kind == "add" || kind.starts_with("delete");
    const std::string newListing = archiveKind ? Listings({K("a.zip")}).at(0) : "";
    ASSERT_EQ(newListing.find("unreadable"), std::string::npos);
    Restore(start);

    std::mt19937 random(seed);
    std::uniform_int_distribution<std::int64_t> delays(0, duration.count() * 11 / 10);
    std::map<std::string, int> outcomes;
    std::vector<std::string> changed; // archives to check with Python, with their delays
    std::vector<std::int64_t> changedDelays;
    for (int kill = 0; kill < kKills; ++kill) {
        const std::chrono::microseconds delay(delays(random));
        SCOPED_TRACE("killed after " + std::to_string(delay.count()) + " us");
        const bool ended = RunAndKill(operation.arguments, delay);
        const auto files = Files();
        const bool leftovers = !TemporaryFilesIn(DriveC() + "/k").empty();
        std::string outcome = files == start ? "old" : files == finished ? "new" : "";
        if (kind == "extract") {
            // Each file that has an entry's name holds all of it.
            for (const auto& [name, bytes] : files)
                EXPECT_TRUE(name.rfind("out/", 0) != 0 || bytes == entry) << name;
            outcome = files == start ? "old" : files == finished ? "new" : "some";
        } else if (kind == "tosfx" || kind == "tozip") {
            // Made but the input not yet deleted: both, each complete.
            auto both = start;
            both.insert(finished.begin(), finished.end());
            if (files == both)
                outcome = "both";
        } else if (outcome.empty() && files.size() == 1 && files.count("a.zip")) {
            outcome = "changed";
            const std::string snapshot = DriveC() + "/snap" + std::to_string(kill) + ".zip";
            fs::copy_file(K("a.zip"), snapshot);
            changed.push_back(snapshot);
            changedDelays.push_back(delay.count());
        }
        EXPECT_FALSE(outcome.empty()) << "damaged: the folder holds neither the old nor the new";
        EXPECT_TRUE(!ended || outcome == "new") << "ended by itself with " << outcome;
        ++outcomes[outcome + (leftovers ? " + temporary files" : "")];

        // The next operation in the folder takes the killed run's temporary files away.
        if (kind == "tosfx" && files.count("a.exe") && !files.count("a.zip")) {
            zip.SetZipFilename("C:\\k\\a.exe");
            EXPECT_EQ(zip.ConvertToZip(), 0);
        } else if (kind == "tozip" && files.count("a.zip") && !files.count("a.exe")) {
            zip.SetZipFilename("C:\\k\\a.zip");
            EXPECT_EQ(zip.ConvertToSfx(), 0);
        } else {
            EXPECT_TRUE(RunAndKill(operation.arguments, std::chrono::microseconds(-1)) ||
                        kind.starts_with("delete")); // nothing left to delete
        }
        EXPECT_EQ(TemporaryFilesIn(DriveC() + "/k"), std::vector<std::string>{});
        Restore(start);
    }
    // Archives that were neither old nor new byte for byte hold the new entries, all readable.
    const auto listings = changed.empty() ? std::vector<std::string>{} : Listings(changed);
    for (std::size_t i = 0; i < listings.size(); ++i)
        EXPECT_EQ(listings[i], newListing) << "killed after " << changedDelays[i] << " us";
    std::cout << "[ OUTCOMES ] " << kind << " (" << duration.count() / 1000 << " ms undisturbed):";
    for (const auto& [outcome, count] : outcomes)
        std::cout << " " << outcome << " " << count << ";";
    std::cout << "\n";
}

INSTANTIATE_TEST_SUITE_P(
    Operations, KilledOperation,
    ::testing::Values(Operation{"add", {"add", "C:\\k\\a.zip", "C:\\src\\*.*"}},
                      Operation{"delete", {"delete", "C:\\k\\a.zip", "e2.bin"}},
                      Operation{"delete (libzip)", {"delete", "C:\\k\\a.zip", "e2.bin"}},
                      Operation{"tosfx", {"tosfx", "C:\\k\\a.zip"}},
                      Operation{"tozip", {"tozip", "C:\\k\\a.exe"}},
                      Operation{"extract", {"extract", "C:\\x.zip", "C:\\k\\out"}}),
    [](const ::testing::TestParamInfo<Operation>& info) {
        std::string name;
        for (const char c : std::string(info.param.name))
            if (std::isalnum(static_cast<unsigned char>(c)))
                name += c;
        return name;
    });
