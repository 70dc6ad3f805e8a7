// Benchmark driver for the main window's listing.
//   listing_bench open ARCHIVE    opens the archive as the program does and paints the list once:
//                                 a whole process to time against another program's listing
//   listing_bench parts ARCHIVE   times the steps in one process: ReadDirectory alone, opening
//                                 and listing, repainting, Page Down, dragging the scroll bar,
//                                 keyboard moves, sorting, select all
// ARCHIVE is a host path; run with QT_QPA_PLATFORM=offscreen or on a display (Xvfb).
#include "app/CommandLine.h"
#include "app/Forms.h"
#include "app/Main.h"
#include "platform/PathMap.h"
#include "platform/ui/KernelServices.h"
#include "platform/ui/ListView.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

double Seconds(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

// Median and maximum of repeated steps.
void PrintSteps(const char* label, std::vector<double> steps) {
    std::sort(steps.begin(), steps.end());
    std::printf("%-22s %8.4f s  (median of %zu steps, max %.4f)\n", label, steps[steps.size() / 2],
                steps.size(), steps.back());
}

// The list as the user sees it, painted now.
void Paint(QAbstractItemView* view) {
    view->viewport()->repaint();
}

void Press(QAbstractItemView* view, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(view, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(view, &release);
}

TMainForm* ShowMainWindow() {
    CreateForms();
    TMainForm* main = AppForms().MainForm;
    main->resize(800, 600);
    main->show();
    main->activateWindow();        // the list has the keyboard focus, as when the user works in it
    QApplication::processEvents(); // the first showing's work, which loads the settings
    main->AutoMove = false;        // the archive stays where it is
    main->AutoRun = false;
    return main;
}

void Parts(const std::string& archive) {
    QElapsedTimer timer;
    double readOnly = 0;
    {
        TZipMaster alone;
        readOnly = Seconds([&] { alone.SetZipFilename(archive); });
    }
    TMainForm* main = ShowMainWindow();
    const double open = Seconds([&] {
        main->OpenArchive(archive);
        Paint(main->ListView1->CurrentView());
    });
    QAbstractItemView* view = main->ListView1->CurrentView();
    std::printf("entries %d, rows %d\n", main->ZipMaster1.Count(), main->ListView1->RowCount());
    std::printf("%-22s %8.3f s\n", "ReadDirectory alone", readOnly);
    std::printf("%-22s %8.3f s  (%.1f x ReadDirectory)\n", "open and list", open, open / readOnly);

    std::vector<double> steps;
    for (int i = 0; i < 20; ++i)
        steps.push_back(Seconds([&] { Paint(view); }));
    PrintSteps("repaint of the list", steps);
    steps.clear();
    for (int i = 0; i < 50; ++i)
        steps.push_back(Seconds([&] {
            Press(view, Qt::Key_PageDown);
            Paint(view);
        }));
    PrintSteps("Page Down", steps);
    steps.clear();
    QScrollBar* bar = view->verticalScrollBar();
    for (int i = 1; i <= 50; ++i)
        steps.push_back(Seconds([&] {
            bar->setValue(static_cast<int>(static_cast<long long>(bar->maximum()) * i / 50));
            Paint(view);
        }));
    PrintSteps("scroll bar dragged", steps);
    steps.clear();
    for (const int key : {Qt::Key_Home, Qt::Key_Down, Qt::Key_End, Qt::Key_Up, Qt::Key_Home})
        for (int i = 0; i < 5; ++i)
            steps.push_back(Seconds([&] {
                Press(view, key);
                Paint(view);
            }));
    PrintSteps("keyboard moves", steps);

    const auto step = [&](const char* label, const std::function<void()>& work) {
        std::printf("%-22s %8.3f s\n", label, Seconds([&] {
                        work();
                        Paint(view);
                    }));
    };
    step("sort by size", [&] { main->ListView1ColumnClick(1); });
    step("size reversed", [&] { main->ListView1ColumnClick(1); });
    step("by name", [&] { main->ListView1ColumnClick(0); });
    step("by date", [&] { main->ListView1ColumnClick(2); });
    step("by name again", [&] { main->ListView1ColumnClick(0); });
    step("select all", [&] { main->MarkeraAllt1Click(); });
    step("all rows selected?", [&] { main->AllRowsSelected(); });
    step("selected rows", [&] { main->ListView1->SelectedRows(); });
    step("sort keys again", [&] { main->BuildSortKeys(); });
    DestroyForms();
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 3 ? argv[1] : "";
    if (mode != "open" && mode != "parts") {
        std::fprintf(stderr, "usage: listing_bench open|parts ARCHIVE\n");
        return 2;
    }
    QApplication application(argc, argv);
    platform::ui::ConnectKernelServices();
    app::SetCommandLine(1, argv);
    const std::string archive = platform::WindowsPathOf(argv[2]);
    if (mode == "parts") {
        Parts(archive);
        return 0;
    }
    TMainForm* main = ShowMainWindow();
    main->OpenArchive(archive);
    Paint(main->ListView1->CurrentView());
    std::printf("rows %d\n", main->ListView1->RowCount());
    DestroyForms();
    return 0;
}
