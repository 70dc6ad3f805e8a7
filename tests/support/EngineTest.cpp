// A test fixture that drives the real engine libraries.
#include "EngineTest.h"

#include "platform/TempFile.h"
#include "platform/UserNotice.h"

#include <algorithm>
#include <filesystem>

namespace testing_support {

void EngineTest::SetUp() {
    platform::SetMessageSink([this](const std::string& text) { boxes.push_back(text); });
    zip.OnMessage = [this](TZipMaster*, std::int32_t code, const std::string& text) {
        engineMessages.push_back({code, text});
    };
}

void EngineTest::TearDown() {
    TZipMaster::UnloadZipEngine();
    TZipMaster::UnloadUnzEngine();
    platform::SetMessageSink(nullptr);
}

int EngineTest::Add(const std::string& archive, std::vector<std::string> specs, AddOpts options,
                    int level) {
    zip.SetZipFilename(archive);
    zip.FSpecArgs = std::move(specs);
    zip.AddOptions = options;
    zip.AddCompLevel = level;
    zip.Add();
    return zip.ResultCount();
}

int EngineTest::Delete(const std::string& archive, std::vector<std::string> specs) {
    zip.SetZipFilename(archive);
    zip.FSpecArgs = std::move(specs);
    zip.Delete();
    return zip.ResultCount();
}

int EngineTest::Extract(const std::string& archive, const std::string& folder,
                        std::vector<std::string> specs, ExtrOpts options) {
    zip.SetZipFilename(archive);
    zip.FSpecArgs = std::move(specs);
    zip.ExtrBaseDir = folder;
    zip.ExtrOptions = options;
    zip.Extract();
    return zip.ResultCount();
}

std::vector<std::string> EngineTest::MessagesWith(int code) const {
    std::vector<std::string> texts;
    for (const auto& message : engineMessages)
        if (message.code == code)
            texts.push_back(message.text);
    return texts;
}

std::vector<std::string> TreeOf(const std::string& hostFolder) {
    namespace fs = std::filesystem;
    std::vector<std::string> tree;
    if (!fs::exists(hostFolder))
        return tree;
    for (auto it = fs::recursive_directory_iterator(hostFolder);
         it != fs::recursive_directory_iterator(); ++it) {
        const std::string relative = it->path().lexically_relative(hostFolder).string();
        if (it->is_symlink())
            tree.push_back(relative + " -> " + fs::read_symlink(it->path()).string());
        else
            tree.push_back(relative + (it->is_directory() ? "/" : ""));
    }
    std::sort(tree.begin(), tree.end());
    return tree;
}

std::vector<std::string> TemporaryFilesIn(const std::string& hostFolder) {
    std::vector<std::string> found;
    for (const std::string& path : TreeOf(hostFolder))
        if (platform::IsTemporaryFileName(path.substr(path.rfind('/') + 1)))
            found.push_back(path);
    return found;
}

} // namespace testing_support
