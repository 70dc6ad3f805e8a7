// The creation wizard's naming page.
#include "windows/Wizard2.h"

#include "platform/ui/Dialogs.h"
#include "platform/ui/ErrorBox.h"
#include "windows/NewArchiveName.h"
#include "windows/Wizard1.h"
#include "windows/Wizard3.h"

#include <QPushButton>

TWiz2::TWiz2(QWidget* parent) : WizardPage("TWiz2", "Pakrune Wizard (2/X)", false, false, parent) {
    Image1 = AddPicture("Image1", ":/wizard/name.png", 8, 8);
    AddTitle("Label1", "1) Name the File", 144, 8);
    AddTextBox("Memo1",
               {"You have to select a directory where to put ",
                "your new file. Such a directory could be ",
                "\"c:\\MyZipFiles\\\" or any other name that you ", "like."},
               QRect(144, 38, 240, 68));
    AddTextBox("Memo2",
               {"Then we'll give our new Zip-file a name. Use ",
                "a good name that describes the things you're ",
                "going to compress, short and concise. ", "For example: \"MyLetters\"."},
               QRect(144, 114, 240, 68));
    AddHint("Shape1", "Label2", "To name your new file press \"Next\"", 144, 216);
    const FootButtons foot = AddFootButtons(true);
    Button1 = foot.close;
    Button3 = foot.back;
    Button2 = foot.next;

    using platform::ui::ConnectCommand;
    ConnectCommand(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    ConnectCommand(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    ConnectCommand(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
}

void TWiz2::Button1Click() {
    EndModal();
    links_.wiz1->EndModal();
}

void TWiz2::Button3Click() {
    GoBack(links_.wiz1);
}

void TWiz2::Button2Click() {
    if (NameNewArchive())
        GoForward(links_.wiz3);
}

bool TWiz2::NameNewArchive() {
    platform::ui::FileDialogOptions options;
    options.title = "Create new Zip file";
    options.filter = "ZIP Files (*.ZIP)|*.zip";
    options.hideReadOnly = true;
    options.createsFile = true;
    const auto chosen = platform::ui::OpenFileName(options);
    if (!chosen)
        return false;
    const auto path = NewArchiveName(*chosen);
    if (!path || !ClearWayForNewArchive(*path))
        return false;
    *links_.currentArchive = *path;
    return true;
}
