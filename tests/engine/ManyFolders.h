// An archive of many folders, as a desktop's limit of open files meets it in an extraction, and
// the check of what the extraction wrote.
#pragma once

#include "EngineTest.h"
#include "TestMachine.h"
#include "ZipBytes.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace testing_support {

// 50 folders of 100 subfolders each, one file in every subfolder holding its folder's path, in an
// order that goes from one top folder to the next with every entry, so the folders an entry needs
// are rarely the ones the entry before it used.
inline std::vector<zipbytes::Entry> ManyFolderEntries() {
    std::vector<zipbytes::Entry> entries;
    for (int sub = 0; sub < 100; ++sub)
        for (int top = 0; top < 50; ++top) {
            const std::string folder = "d" + std::to_string(top) + "/s" + std::to_string(sub);
            entries.push_back({folder + "/f.txt", folder});
        }
    return entries;
}

// The number of files below a host folder, each checked to hold its folder's path.
inline std::size_t FilesHoldingTheirFolder(const std::string& hostFolder) {
    std::size_t files = 0;
    for (const auto& path : TreeOf(hostFolder))
        if (!path.ends_with("/")) {
            ++files;
            EXPECT_EQ(ReadHostFile(hostFolder + "/" + path), path.substr(0, path.rfind('/')));
        }
    return files;
}

} // namespace testing_support
