// An engine report whose caller a test plays: it notes every report with the thread it came on,
// and answers abort from a chosen report on.
#pragma once

#include "engine/EngineReport.h"

#include <thread>
#include <vector>

namespace testing_support {

struct ReportProbe {
    struct Seen {
        std::int32_t action;
        std::string text;
        std::thread::id thread;
    };
    std::vector<Seen> seen;
    std::size_t abortAt = 0; // answer abort from this report on (counting from 1); 0: never
    EngineReport report{&Callback, nullptr, this, true, false};

    int Count(std::int32_t action) const {
        int n = 0;
        for (const Seen& s : seen)
            n += s.action == action;
        return n;
    }

    static std::int32_t Callback(CallbackInfo* info) {
        auto* self = static_cast<ReportProbe*>(info->Caller);
        self->seen.push_back({info->ActionCode, info->Text, std::this_thread::get_id()});
        return self->abortAt != 0 && self->seen.size() >= self->abortAt ? -1 : 0;
    }
};

} // namespace testing_support
