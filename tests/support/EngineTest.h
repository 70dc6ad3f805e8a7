// A test fixture that drives the real engine libraries through TZipMaster, as the program does,
// and records what they report.
#pragma once

#include "engine/ZipMstr.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace testing_support {

struct EngineMessage {
    int code;
    std::string text;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    int Add(const std::string& archive, std::vector<std::string> specs, AddOpts options,
            int level = 9);
    int Delete(const std::string& archive, std::vector<std::string> specs);
    int Extract(const std::string& archive, const std::string& folder,
                std::vector<std::string> specs, ExtrOpts options);
    // The engine messages with this code.
    std::vector<std::string> MessagesWith(int code) const;

    TZipMaster zip;
    std::vector<EngineMessage> engineMessages;
    std::vector<std::string> boxes; // message boxes the component showed
};

// A sorted listing of every file and folder below a host folder, as "relative/path" (folders end
// in "/"), links shown as "name -> target".
std::vector<std::string> TreeOf(const std::string& hostFolder);
// The temporary files of the engines and the component below a host folder, as in TreeOf.
std::vector<std::string> TemporaryFilesIn(const std::string& hostFolder);

} // namespace testing_support
