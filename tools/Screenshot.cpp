// Takes the README's pictures, run under a display (scripts/screenshot starts Xvfb for it):
//   screenshot OUTPUT.png ARCHIVE            the main window listing an archive
//   screenshot --viewer OUTPUT.png TEXTFILE  the text viewer showing a text file, a word found
//   screenshot --add OUTPUT.png ARCHIVE FOLDER
//       the add-files window adding to the archive: the folder's files listed, two of them and
//       the folder itself picked
#include "app/CommandLine.h"
#include "app/Forms.h"
#include "app/Main.h"
#include "controls/DirTree.h"
#include "platform/PathMap.h"
#include "platform/ui/KernelServices.h"
#include "platform/ui/ListView.h"
#include "windows/AddFilesToZip.h"
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

QWidget* ShowAddFiles(const char* archive, const char* folder) {
    ShowArchive(archive); // the window adds to the archive the main window shows
    TAddform* add = AppForms().Addform;
    add->show();
    add->DirTree1->OpenPath(platform::WindowsPathOf(folder));
    Settle();
    for (const int row : {0, 2})
        add->AddListView1->SetSelected(row, true);
    add->AddFilesbtnClick();
    add->AddDirbtnClick();
    add->AddListView1->SetSelected(1, true);
    return add;
}

} // namespace

int main(int argc, char** argv) {
    const bool viewer = argc == 4 && std::strcmp(argv[1], "--viewer") == 0;
    const bool addFiles = argc == 5 && std::strcmp(argv[1], "--add") == 0;
    if (argc != 3 && !viewer && !addFiles)
        return 2;
    const char* output = argv[addFiles ? 2 : argc - 2];
    const char* input = argv[addFiles ? 3 : argc - 1];
    QApplication application(argc, argv);
    QApplication::setApplicationName("Pakrune");
    platform::ui::ConnectKernelServices();
    app::SetCommandLine(1, argv); // no archive argument: the archive is opened as with Open
    CreateForms();
    QWidget* window = addFiles ? ShowAddFiles(input, argv[4])
                      : viewer ? ShowTextFile(input)
                               : ShowArchive(input);
    Settle();
    const bool saved = window->grab().save(output);
    DestroyForms();
    return saved ? 0 : 1;
}
