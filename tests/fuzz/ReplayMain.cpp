// Runs a fuzz target over files and folders of inputs, without a fuzzing engine, so the seed
// corpus is replayed on every test run.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void RunFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(in), {}};
    LLVMFuzzerTestOneInput(data.data(), data.size());
}

} // namespace

int main(int argc, char** argv) {
    // Paths are made absolute before any input runs: a target may change the current folder.
    std::vector<std::filesystem::path> given;
    for (int i = 1; i < argc; ++i)
        given.push_back(std::filesystem::absolute(argv[i]));
    std::size_t inputs = 0;
    for (const std::filesystem::path& path : given) {
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(path))
                if (entry.is_regular_file()) {
                    RunFile(entry.path());
                    ++inputs;
                }
        } else if (std::filesystem::exists(path)) {
            RunFile(path);
            ++inputs;
        }
    }
    std::printf("%zu inputs replayed\n", inputs);
    return 0;
}
