// Takes the README's pictures, run under a display (scripts/screenshot starts Xvfb for it):
//   screenshot OUTPUT.png ARCHIVE            the main window listing an archive
//   screenshot --viewer OUTPUT.png TEXTFILE  the text viewer showing a text file, a word found
#include "app/CommandLine.h"
#include "app/Forms.h"
#include "app/Main.h"
#include "platform/PathMap.h"
#include "platform/ui/KernelServices.h"
#include "windows/TextView.h"

#include <QApplication>
#include <QPixmap>
#include <QThread>
#include <cstring>

namespace {

// Lets the windows lay themselves out and paint.
void Settle() {
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

QWidget* ShowArchive(const char* archive) {
    TMainForm* main = AppForms().MainForm;
    main->show();
    Settle();
    main->OpenArchive(platform::WindowsPathOf(archive));
    return main;
}

QWidget* ShowTextFile(const char* textFile) {
    TfrmTextViewer* viewer = AppForms().frmTextViewer;
    viewer->LoadFromFile(platform::WindowsPathOf(textFile));
    viewer->show();
    Settle();
    viewer->FindDialog1Find("archive");
    return viewer;
}

} // namespace

int main(int argc, char** argv) {
    const bool viewer = argc == 4 && std::strcmp(argv[1], "--viewer") == 0;
    if (argc != 3 && !viewer)
        return 2;
    const char* output = argv[argc - 2];
    const char* input = argv[argc - 1];
    QApplication application(argc, argv);
    QApplication::setApplicationName("Pakrune");
    platform::ui::ConnectKernelServices();
    app::SetCommandLine(1, argv); // no archive argument: the archive is opened as with Open
    CreateForms();
    QWidget* window = viewer ? ShowTextFile(input) : ShowArchive(input);
    Settle();
    const bool saved = window->grab().save(output);
    DestroyForms();
    return saved ? 0 : 1;
}
