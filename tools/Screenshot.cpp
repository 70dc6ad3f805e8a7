// Takes the README's pictures, run under a display (scripts/screenshot starts Xvfb for it):
//   screenshot OUTPUT.png ARCHIVE            the main window listing an archive
//   screenshot --viewer OUTPUT.png TEXTFILE  the text viewer showing a text file, a word found
//   screenshot --wizard FOLDER FILE...       the wizard's pages as FOLDER/wizard-*.png, the file
//                                            page listing the files
#include "app/CommandLine.h"
#include "app/Forms.h"
#include "app/Main.h"
#include "platform/PathMap.h"
#include "platform/ui/KernelServices.h"
#include "windows/TextView.h"
#include "windows/Wizard1.h"
#include "windows/Wizard1Fur.h"
#include "windows/Wizard2.h"
#include "windows/Wizard3.h"
#include "windows/Wizard4.h"

#include <QApplication>
#include <QPixmap>
#include <QPushButton>
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

bool Save(QWidget* window, const QString& output) {
    window->show();
    Settle();
    const bool saved = window->grab().save(output);
    window->hide();
    return saved;
}

bool SaveWizardPages(const QString& folder, char** files, int fileCount) {
    Forms& forms = AppForms();
    TWiz3* filePage = forms.Wiz3;
    for (int i = 0; i < fileCount; ++i) {
        const std::string path = platform::WindowsPathOf(files[i]);
        filePage->ListBox1.append(QString::fromStdString(path));
        filePage->AddFileItem(path);
    }
    filePage->Button2->setEnabled(fileCount > 0);
    filePage->BitBtn2->setEnabled(fileCount > 0);
    const std::pair<QWidget*, const char*> pages[] = {{forms.Wiz1, "wizard-1.png"},
                                                      {forms.Wiz1Fur, "wizard-info.png"},
                                                      {forms.Wiz2, "wizard-2.png"},
                                                      {forms.Wiz3, "wizard-3.png"},
                                                      {forms.Wiz4, "wizard-4.png"}};
    bool saved = true;
    for (const auto& [page, name] : pages)
        saved = Save(page, folder + "/" + name) && saved;
    return saved;
}

} // namespace

int main(int argc, char** argv) {
    const bool viewer = argc == 4 && std::strcmp(argv[1], "--viewer") == 0;
    const bool wizard = argc >= 3 && std::strcmp(argv[1], "--wizard") == 0;
    if (argc != 3 && !viewer && !wizard)
        return 2;
    const char* output = argv[argc - 2];
    const char* input = argv[argc - 1];
    QApplication application(argc, argv);
    QApplication::setApplicationName("Pakrune");
    platform::ui::ConnectKernelServices();
    app::SetCommandLine(1, argv); // no archive argument: the archive is opened as with Open
    CreateForms();
    if (wizard) {
        const bool saved = SaveWizardPages(argv[2], argv + 3, argc - 3);
        DestroyForms();
        return saved ? 0 : 1;
    }
    QWidget* window = viewer ? ShowTextFile(input) : ShowArchive(input);
    Settle();
    const bool saved = window->grab().save(output);
    DestroyForms();
    return saved ? 0 : 1;
}
