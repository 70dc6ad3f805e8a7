// Takes a picture of the main window listing an archive: screenshot OUTPUT.png ARCHIVE
// Run under a display (scripts/screenshot starts Xvfb for it).
#include "app/CommandLine.h"
#include "app/Forms.h"
#include "app/Main.h"
#include "platform/PathMap.h"
#include "platform/ui/KernelServices.h"

#include <QApplication>
#include <QPixmap>
#include <QThread>

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    QApplication application(argc, argv);
    QApplication::setApplicationName("Pakrune");
    platform::ui::ConnectKernelServices();
    app::SetCommandLine(1, argv); // no archive argument: the archive is opened as with Open
    CreateForms();
    TMainForm* main = AppForms().MainForm;
    main->show();
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
    main->OpenArchive(platform::WindowsPathOf(argv[2]));
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
    const bool saved = main->grab().save(argv[1]);
    DestroyForms();
    return saved ? 0 : 1;
}
