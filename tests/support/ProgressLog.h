// Records the progress an engine reports, file by file, so a test can check that each file began
// once and reported one block per 32768 of its bytes.
#pragma once

#include "engine/ZipMstr.h"

#include <map>
#include <string>

namespace testing_support {

struct ProgressLog {
    struct File {
        int starts = 0;
        std::int32_t size = 0;
        int blocks = 0;
    };
    std::map<std::string, File> files;
    std::string current;
    int batchEnds = 0;

    // Makes the component report here.
    void Attach(TZipMaster& zip) {
        zip.OnProgress = [this](TZipMaster*, ProgressType type, const std::string& name,
                                std::int32_t size) {
            if (type == ProgressType::FileStart) {
                current = name;
                ++files[name].starts;
                files[name].size = size;
            } else if (type == ProgressType::BlockDone) {
                ++files[current].blocks;
            } else {
                ++batchEnds;
            }
        };
    }
};

} // namespace testing_support
