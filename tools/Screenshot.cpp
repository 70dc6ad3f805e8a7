// Takes the README's pictures, run under a display (scripts/screenshot starts Xvfb for it):
//   screenshot main OUTPUT.png ARCHIVE          the main window listing an archive
//   screenshot viewer OUTPUT.png TEXTFILE       the text viewer showing a text file, a word found
//   screenshot add OUTPUT.png ARCHIVE FOLDER    the add-files window adding to the archive: the
//                                               folder's files listed, two of them and the folder
//                                               itself picked
//   screenshot extract OUTPUT.png FOLDER        the extract-to window with the folder selected
//   screenshot wizard OUTPUT.png PAGE FOLDER    a wizard page (1, info, 2, 3 or 4); page 3 lists
//                                               the folder's files as picked
//   screenshot options OUTPUT.png PAGE          the options dialog as the Options command fills
//                                               it, on its page 1, 2 or 3
#include "app/CommandLine.h"
#include "app/Forms.h"
#include "app/Main.h"
#include "app/Options.h"
#include "app/untExtract.h"
#include "controls/DirTree.h"
#include "platform/PathMap.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/KernelServices.h"
#include "platform/ui/ListView.h"
#include "windows/AddFilesToZip.h"
#include "windows/TextView.h"
#include "windows/Wizard1.h"
#include "windows/Wizard1Fur.h"
#include "windows/Wizard2.h"
#include "windows/Wizard3.h"
#include "windows/Wizard4.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QThread>
#include <cstdlib>
#include <cstring>
#include <functional>

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
    main->AutoRun = false; // the picture is of the listing: the archive's setup program stays put
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
    add->SetArchive(AppForms().MainForm->CurrentArchive);
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

QWidget* ShowExtractWindow(const char* folder) {
    TExtractForm* window = AppForms().ExtractForm;
    window->DirTree1->OpenPath(platform::WindowsPathOf(folder));
    window->show();
    return window;
}

QWidget* ShowWizardPage(const char* page, const char* folder) {
    Forms& forms = AppForms();
    const std::pair<const char*, QWidget*> pages[] = {{"1", forms.Wiz1},
                                                      {"info", forms.Wiz1Fur},
                                                      {"2", forms.Wiz2},
                                                      {"3", forms.Wiz3},
                                                      {"4", forms.Wiz4}};
    QWidget* window = nullptr;
    for (const auto& [name, candidate] : pages)
        if (std::strcmp(page, name) == 0)
            window = candidate;
    if (window == forms.Wiz3) {
        for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name)) {
            const std::string path =
                platform::WindowsPathOf(QDir(folder).filePath(name).toStdString());
            forms.Wiz3->ListBox1.append(QString::fromStdString(path));
            forms.Wiz3->AddFileItem(path);
        }
        forms.Wiz3->Button2->setEnabled(true);
        forms.Wiz3->BitBtn2->setEnabled(true);
    }
    if (window)
        window->show();
    return window;
}

// The options dialog as the Options command fills and shows it: the command's modal showing is
// answered by leaving the dialog open on the page asked for, which the command takes as a cancel.
QWidget* ShowOptions(const char* page) {
    TMainForm* main = AppForms().MainForm;
    main->show();
    Settle(); // the first showing's work loads the settings
    platform::ui::SetDialogHook([page](const platform::ui::DialogRequest& request) {
        if (auto* options = qobject_cast<TfrmOptions*>(request.window)) {
            options->PageControl1->setCurrentIndex(std::atoi(page) - 1);
            options->show();
        }
        return platform::ui::DialogAnswer{};
    });
    main->Options1Click();
    platform::ui::SetDialogHook(nullptr);
    return AppForms().frmOptions;
}

struct Picture {
    const char* mode;
    int arguments; // after the output file
    std::function<QWidget*(char** arguments)> show;
};

const Picture kPictures[] = {
    {"main", 1, [](char** a) { return ShowArchive(a[0]); }},
    {"viewer", 1, [](char** a) { return ShowTextFile(a[0]); }},
    {"add", 2, [](char** a) { return ShowAddFiles(a[0], a[1]); }},
    {"extract", 1, [](char** a) { return ShowExtractWindow(a[0]); }},
    {"wizard", 2, [](char** a) { return ShowWizardPage(a[0], a[1]); }},
    {"options", 1, [](char** a) { return ShowOptions(a[0]); }},
};

} // namespace

int main(int argc, char** argv) {
    const Picture* picture = nullptr;
    for (const Picture& candidate : kPictures)
        if (argc == candidate.arguments + 3 && std::strcmp(argv[1], candidate.mode) == 0)
            picture = &candidate;
    if (!picture)
        return 2;
    QApplication application(argc, argv);
    QApplication::setApplicationName("Pakrune");
    platform::ui::ConnectKernelServices();
    app::SetCommandLine(1, argv); // no archive argument: the archive is opened as with Open
    CreateForms();
    QWidget* window = picture->show(argv + 3);
    if (!window) {
        DestroyForms();
        return 2;
    }
    Settle();
    const bool saved = window->grab().save(argv[2]);
    DestroyForms();
    return saved ? 0 : 1;
}
