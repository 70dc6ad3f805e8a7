// Benchmark driver for the window's responsiveness during an engine call: runs an add, an extract,
// a test or a delete as the main window does (its progress handler lets the window process its
// pending events after every engine event) while a 1 ms timer notes how long the event loop had to
// wait.
//   responsiveness_bench add ARCHIVE FOLDER | extract ARCHIVE FOLDER | test ARCHIVE
//                      | delete ARCHIVE NAME...
// Paths are host paths; the platform's prefix comes from PAKRUNE_PREFIX. Prints the longest and
// the 99th-percentile wait in milliseconds.
#include "engine/ZipMstr.h"
#include "platform/PathMap.h"
#include "platform/UserNotice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    QCoreApplication application(argc, argv);
    const std::string command = argv[1];
    TZipMaster zip;
    zip.SetZipFilename(platform::WindowsPathOf(argv[2]));
    // The main window loads the decompression library once, when it is first shown.
    zip.LoadUnzEngine();
    zip.OnProgress = [](TZipMaster*, ProgressType, const std::string&, std::int32_t) {
        QCoreApplication::processEvents();
    };
    platform::SetEventPump([] { QCoreApplication::processEvents(); }); // as the program's is

    // Each tick notes the time since the previous one: how long events had to wait.
    QElapsedTimer clock;
    std::vector<double> waits;
    qint64 last = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        waits.push_back(static_cast<double>(now - last) / 1e6);
        last = now;
    });
    ticker.start(1);
    clock.start();

    if (command == "add" && argc > 3) {
        zip.FSpecArgs = {platform::WindowsPathOf(argv[3]) + "\\*.*"};
        zip.AddOptions = AddDirNames | AddRecurseDirs | AddHiddenFiles;
        zip.Add();
    } else if (command == "extract" && argc > 3) {
        zip.FSpecArgs = {"*.*"};
        zip.ExtrBaseDir = platform::WindowsPathOf(argv[3]);
        zip.ExtrOptions = ExtrDirNames | ExtrOverWrite;
        zip.Extract();
    } else if (command == "test") {
        zip.FSpecArgs = {"*.*"};
        zip.ExtrOptions = ExtrTest;
        zip.Extract();
    } else if (command == "delete") {
        zip.FSpecArgs.assign(argv + 3, argv + argc);
        zip.Delete();
    } else {
        return 2;
    }
    // The wait from the last tick to the end of the call counts too.
    waits.push_back(static_cast<double>(clock.nsecsElapsed() - last) / 1e6);
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    std::sort(waits.begin(), waits.end());
    const double p99 = waits[waits.size() * 99 / 100];
    std::printf("%s: %d files in %.2f s, %zu event-loop turns, longest wait %.1f ms, "
                "99th percentile %.1f ms\n",
                command.c_str(), zip.ResultCount(), seconds, waits.size(), waits.back(), p99);
    return 0;
}
