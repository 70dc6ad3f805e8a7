// A soak: random adds, deletes and extractions (and now and then a conversion round trip) against
// one archive through TZipMaster and the real engines, each step checked against a model of what
// the archive must hold and against Python's zipfile: entries in order with their sizes and CRCs,
// every entry readable, extracted files byte for byte. One Python process checks every step, so a
// step costs milliseconds. PAKRUNE_SOAK_SEED and PAKRUNE_SOAK_STEPS choose the run (scripts/soak);
// without them a short run with a fixed seed.
#include "EngineTest.h"
#include "TestMachine.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

extern char** environ;

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// Reads one request per line (JSON: the archive, its expected entries in order as [name, size,
// CRC], and the files extracted with the folder they went to) and answers with the problems found,
// a JSON list, empty when all is well.
const char* const kChecker = R"(
import json, os, sys, zipfile
for line in sys.stdin:
    request = json.loads(line)
    problems = []
    try:
        with zipfile.ZipFile(request["archive"]) as z:
            found = [[i.filename, i.file_size, i.CRC] for i in z.infolist()]
            if found != request["entries"]:
                problems.append("entries %s, expected %s" % (found, request["entries"]))
            bad = z.testzip()
            if bad is not None:
                problems.append("testzip: bad entry " + bad)
            for name in request["extracted"]:
                with open(os.path.join(request["folder"], name), "rb") as f:
                    if f.read() != z.read(name):
                        problems.append("extracted file differs: " + name)
    except Exception as e:
        problems.append("cannot check: %r" % e)
    print(json.dumps(problems), flush=True)
)";

// The checker above, running for the whole soak.
class PythonChecker {
public:
    PythonChecker() {
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const char* argv[] = {"python3", "-u", "-c", kChecker, nullptr};
        if (::posix_spawnp(&pid_, "python3", &actions, nullptr, const_cast<char**>(argv),
                           environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        requests_ = ::fdopen(in[1], "w");
        answers_ = ::fdopen(out[0], "r");
    }
    ~PythonChecker() {
        if (requests_)
            std::fclose(requests_); // the checker ends at the end of its input
        if (answers_)
            std::fclose(answers_);
        if (pid_ > 0)
            ::waitpid(pid_, nullptr, 0);
    }
    PythonChecker(const PythonChecker&) = delete;
    PythonChecker& operator=(const PythonChecker&) = delete;

    // The problems the checker found, as its JSON list ("[]" when none).
    std::string Check(const std::string& request) {
        if (pid_ <= 0 || !requests_ || !answers_)
            return "the checker did not start";
        std::fputs((request + "\n").c_str(), requests_);
        std::fflush(requests_);
        char line[1 << 16];
        return std::fgets(line, sizeof line, answers_) ? std::string(line) : "no answer";
    }

private:
    pid_t pid_ = -1;
    std::FILE* requests_ = nullptr;
    std::FILE* answers_ = nullptr;
};

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text)
        out += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
    return out + "\"";
}

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
    const char* value = std::getenv(name);
    return value ? std::strtoull(value, nullptr, 10) : fallback;
}

class Soak : public EngineTest {
protected:
    // The archive as it must be: entries in archive order with their contents.
    std::vector<std::pair<std::string, std::string>> model;
    std::mt19937_64 random;

    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(random() % n); }

    // A source file's contents: empty, a few bytes, text that compresses, or noise.
    std::string Contents() {
        static const std::size_t sizes[] = {0, 17, 3000, 20000, 150000};
        const std::size_t size = sizes[Below(5)] + Below(1000);
        std::string bytes(size, '\0');
        const bool text = Below(2) == 0;
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] =
                text ? "soak and tests "[(i / 7 + random() % 3) % 15] : static_cast<char>(random());
        return bytes;
    }

    // The source files come from a pool of 40 names in three folders.
    std::string SourceName() {
        static const char* const folders[] = {"a/", "a/b/", "c/"};
        return std::string("soak/src/") + folders[Below(3)] + "f" + std::to_string(Below(14)) +
               (Below(2) ? ".txt" : ".bin");
    }
    static std::string Windows(const std::string& name) {
        std::string path = "C:\\" + name;
        std::replace(path.begin(), path.end(), '/', '\\');
        return path;
    }

    std::string AddSome();
    std::string DeleteSome();
    std::string ExtractSome(std::size_t step, std::vector<std::string>& extracted);
    std::string RoundTrip();
    // Compares the component's listing and then Python's view with the model.
    void Check(const std::string& what, const std::string& folder,
               const std::vector<std::string>& extracted, PythonChecker& checker);
};

std::string Soak::AddSome() {
    std::vector<std::string> names;
    for (std::size_t i = 1 + Below(5); i > 0; --i) {
        const std::string name = SourceName();
        if (std::find(names.begin(), names.end(), name) != names.end())
            continue;
        // A file not written yet, or now and then a new version of one.
        if (!HostExists(DriveC() + "/" + name) || Below(3) == 0)
            WriteHostFile(DriveC() + "/" + name, Contents());
        names.push_back(name);
    }
    static const int levels[] = {0, 1, 6, 9};
    const int level = levels[Below(4)];
    std::vector<std::string> specs;
    for (const auto& name : names) {
        specs.push_back(Windows(name));
        const std::string contents = ReadHostFile(DriveC() + "/" + name);
        auto entry = std::find_if(model.begin(), model.end(),
                                  [&](const auto& e) { return e.first == name; });
        if (entry != model.end())
            entry->second = contents; // replaced in its place
        else
            model.emplace_back(name, contents);
    }
    EXPECT_EQ(Add("C:\\soak\\a.zip", specs, AddDirNames, level), static_cast<int>(names.size()));
    return "add " + std::to_string(names.size()) + " at level " + std::to_string(level);
}

std::string Soak::DeleteSome() {
    std::vector<std::string> specs;
    std::string what;
    if (model.empty() || Below(6) == 0) {
        // Every entry of one folder, by a mask.
        specs.push_back(std::string("soak/src/") + (Below(2) ? "c" : "a/b") + "/*");
        what = "delete " + specs.back();
    } else {
        for (std::size_t i = 1 + Below(3); i > 0; --i)
            specs.push_back(model[Below(model.size())].first);
        what = "delete " + std::to_string(specs.size());
    }
    int expected = 0;
    std::erase_if(model, [&](const auto& entry) {
        for (const auto& spec : specs)
            if (entry.first == spec ||
                (spec.back() == '*' && entry.first.rfind(spec.substr(0, spec.size() - 1), 0) == 0))
                return ++expected, true;
        return false;
    });
    EXPECT_EQ(Delete("C:\\soak\\a.zip", specs), expected);
    return what;
}

std::string Soak::ExtractSome(std::size_t step, std::vector<std::string>& extracted) {
    const std::string folder = "C:\\soak\\out" + std::to_string(step % 3);
    fs::create_directories(DriveC() + "/soak/out" + std::to_string(step % 3));
    std::vector<std::string> specs;
    if (Below(2) == 0) {
        specs.push_back("*.*");
        for (const auto& [name, contents] : model)
            extracted.push_back(name);
    } else {
        for (std::size_t i = 1 + Below(4); i > 0 && !model.empty(); --i) {
            const std::string& name = model[Below(model.size())].first;
            if (std::find(extracted.begin(), extracted.end(), name) == extracted.end())
                extracted.push_back(name), specs.push_back(name);
        }
    }
    if (specs.empty())
        return "nothing to extract";
    EXPECT_EQ(Extract("C:\\soak\\a.zip", folder, specs, ExtrDirNames | ExtrOverWrite),
              static_cast<int>(extracted.size()));
    for (const auto& name : extracted) {
        const auto entry = std::find_if(model.begin(), model.end(),
                                        [&](const auto& e) { return e.first == name; });
        EXPECT_EQ(ReadHostFile(DriveC() + "/soak/out" + std::to_string(step % 3) + "/" + name),
                  entry->second)
            << name;
    }
    return "extract " + std::to_string(extracted.size()) + " into " + folder;
}

std::string Soak::RoundTrip() {
    const std::string before = ReadHostFile(DriveC() + "/soak/a.zip");
    zip.SetZipFilename("C:\\soak\\a.zip");
    EXPECT_EQ(zip.ConvertToSfx(), 0);
    EXPECT_EQ(zip.ConvertToZip(), 0);
    EXPECT_EQ(ReadHostFile(DriveC() + "/soak/a.zip"), before);
    return "convert to .exe and back";
}

void Soak::Check(const std::string& what, const std::string& folder,
                 const std::vector<std::string>& extracted, PythonChecker& checker) {
    zip.SetZipFilename("C:\\soak\\a.zip");
    std::vector<std::string> listed, expected;
    for (const auto& entry : zip.Entries())
        listed.emplace_back(entry.FileName);
    std::string request = "{\"archive\": " + Quoted(DriveC() + "/soak/a.zip") + ", \"entries\": [";
    for (const auto& [name, contents] : model) {
        expected.push_back(name);
        const auto crc = crc32(0, reinterpret_cast<const Bytef*>(contents.data()),
                               static_cast<uInt>(contents.size()));
        request += std::string(&name == &model.front().first ? "" : ", ") + "[" + Quoted(name) +
                   ", " + std::to_string(contents.size()) + ", " + std::to_string(crc) + "]";
    }
    request += "], \"folder\": " + Quoted(folder) + ", \"extracted\": [";
    for (const auto& name : extracted)
        request += std::string(&name == &extracted.front() ? "" : ", ") + Quoted(name);
    request += "]}";
    EXPECT_EQ(listed, expected) << what;
    EXPECT_EQ(checker.Check(request), "[]\n") << what;
}

} // namespace

TEST_F(Soak, RandomOperationsKeepTheArchiveAsPythonReadsIt) {
    const std::uint64_t seed = EnvNumber("PAKRUNE_SOAK_SEED", 20240611);
    const std::uint64_t steps = EnvNumber("PAKRUNE_SOAK_STEPS", 60);
    std::cout << "[ SOAK     ] seed " << seed << ", " << steps << " steps\n";
    RecordProperty("seed", std::to_string(seed));
    random.seed(seed);
    fs::create_directories(DriveC() + "/soak");
    PythonChecker checker;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t step = 0; step < steps && !HasFailure(); ++step) {
        SCOPED_TRACE("step " + std::to_string(step) + " of seed " + std::to_string(seed));
        const std::size_t choice = Below(100);
        std::vector<std::string> extracted;
        std::string what;
        if (choice < 45 || model.empty())
            what = AddSome();
        else if (choice < 75)
            what = DeleteSome();
        else if (choice < 98)
            what = ExtractSome(step, extracted);
        else
            what = RoundTrip();
        Check(what, DriveC() + "/soak/out" + std::to_string(step % 3), extracted, checker);
        if (HasFailure())
            std::cout << "[ SOAK     ] failed at step " << step << ": " << what << "\n";
    }
    std::cout << "[ SOAK     ] " << steps << " steps in "
              << std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now() - start)
                     .count()
              << " ms, " << model.size() << " entries at the end\n";
}
