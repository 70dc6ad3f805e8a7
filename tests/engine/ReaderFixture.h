// The directory reader's test fixture: writes an archive's bytes as a file on C:, opens it, and
// records the messages shown and the count at each OnDirUpdate.
#pragma once

#include "engine/ZipMstr.h"
#include "platform/UserNotice.h"

#include "TestMachine.h"
#include "ZipBytes.h"

#include <gtest/gtest.h>

using namespace testing_support;
using namespace zipbytes;

class Reader : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetMessageSink([this](const std::string& text) { messages.push_back(text); });
        zip.OnDirUpdate = [this](TZipMaster* sender) {
            EXPECT_EQ(sender, &zip);
            updates.push_back(sender->Count());
        };
    }
    void TearDown() override { platform::SetMessageSink(nullptr); }

    // Writes the bytes as C:\<name> and opens it; returns the error text, or "" when none.
    std::string Open(const std::string& name, const std::string& bytes) {
        WriteHostFile(DriveC() + "/" + name, bytes);
        try {
            zip.SetZipFilename("C:\\" + name);
        } catch (const EZipMaster& error) {
            return error.what();
        }
        return {};
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : zip.Entries())
            names.emplace_back(entry.FileName);
        return names;
    }

    TZipMaster zip;
    std::vector<std::string> messages;
    std::vector<int> updates; // Count at each OnDirUpdate
};

inline const std::string kNoEntries = "No valid zip entries found";
