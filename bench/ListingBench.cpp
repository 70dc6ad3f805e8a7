// Benchmark driver for the main window's listing: opens an archive as the program does (read,
// sort keys, totals, rows), sorts one column, repaints, and compares with ReadDirectory alone.
//   listing_bench ARCHIVE      (host path; run with QT_QPA_PLATFORM=offscreen or a display)
#include "app/CommandLine.h"
#include "app/Forms.h"
#include "app/Main.h"
#include "platform/PathMap.h"
#include "platform/ui/KernelServices.h"
#include "platform/ui/ListView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    QApplication application(argc, argv);
    platform::ui::ConnectKernelServices();
    app::SetCommandLine(1, argv);
    const std::string archive = platform::WindowsPathOf(argv[1]);
    QElapsedTimer timer;

    TZipMaster alone;
    timer.start();
    alone.SetZipFilename(archive);
    const double readOnly = timer.nsecsElapsed() / 1e9;

    CreateForms();
    TMainForm* main = AppForms().MainForm;
    main->resize(800, 600);
    main->show();
    QApplication::processEvents(); // the first showing's work, which loads the settings
    main->AutoMove = false;        // the archive stays where it is
    main->AutoRun = false;
    timer.restart();
    main->OpenArchive(archive);
    const double open = timer.nsecsElapsed() / 1e9;
    timer.restart();
    main->ListView1ColumnClick(1);
    const double sort = timer.nsecsElapsed() / 1e9;
    // The parts of an opening, each again on its own.
    timer.restart();
    main->BuildSortKeys();
    const double keys = timer.nsecsElapsed() / 1e9;
    timer.restart();
    main->FillList(0, main->ZipMaster1.Count() - 1);
    const double fill = timer.nsecsElapsed() / 1e9;
    timer.restart();
    main->ListView1ColumnClick(1);
    const double reverse = timer.nsecsElapsed() / 1e9;
    timer.restart();
    main->ListView1ColumnClick(0);
    const double byName = timer.nsecsElapsed() / 1e9;
    timer.restart();
    main->ListView1->repaint();
    QApplication::processEvents();
    const double paint = timer.nsecsElapsed() / 1e9;

    std::printf("entries %d, rows %d\n", main->ZipMaster1.Count(), main->ListView1->RowCount());
    std::printf("ReadDirectory alone   %8.3f s\n", readOnly);
    std::printf("open and list         %8.3f s  (%.1f x ReadDirectory)\n", open, open / readOnly);
    std::printf("sort by size          %8.3f s\n", sort);
    std::printf("repaint of the list   %8.3f s\n", paint);
    std::printf("  sort keys again     %8.3f s\n", keys);
    std::printf("  rows again          %8.3f s\n", fill);
    std::printf("  size reversed       %8.3f s\n", reverse);
    std::printf("  by name             %8.3f s\n", byName);
    DestroyForms();
    return 0;
}
