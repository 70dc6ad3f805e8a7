// Work an engine runs aside: the engine's thread keeps the caller alive until it ends, every report
// the work makes reaches the caller on the engine's thread, in order, and the work's result, errno
// and exceptions come back to the engine.
#include "engine/EngineReport.h"

#include "ReportProbe.h"

#include <chrono>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

using namespace testing_support;

TEST(EngineReport, WorkAsideIsKeptAliveAndReportsOnTheEngineThread) {
    ReportProbe probe;
    std::thread::id workThread;
    const int result = probe.report.Meanwhile([&] {
        workThread = std::this_thread::get_id();
        probe.report.Message(kMsgSkipped, "first");
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        probe.report.FileStart("second", 5);
        errno = ENOSPC;
        return 42;
    });
    EXPECT_EQ(result, 42);
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_NE(workThread, std::this_thread::get_id());
    // A quiet stretch of 150 ms holds several keep-alives, between the work's own reports.
    EXPECT_GE(probe.Count(kActionKeepAlive), 3);
    std::vector<std::string> reports;
    for (const auto& seen : probe.seen) {
        EXPECT_EQ(seen.thread, std::this_thread::get_id());
        if (seen.action != kActionKeepAlive)
            reports.push_back(seen.text);
    }
    EXPECT_EQ(reports, (std::vector<std::string>{"first", "second"}));

    // An abort answered meanwhile is heard by the work; what it throws is thrown here.
    probe.abortAt = probe.seen.size() + 1;
    EXPECT_THROW(probe.report.Meanwhile([&]() -> int {
        while (!probe.report.Aborted())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        throw std::runtime_error("stopped");
    }),
                 std::runtime_error);
}
