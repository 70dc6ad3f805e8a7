// The creation wizard's page on what an archive is.
#include "windows/Wizard1Fur.h"

#include "platform/ui/ErrorBox.h"
#include "windows/Wizard1.h"

#include <QPushButton>

TWiz1Fur::TWiz1Fur(QWidget* parent)
    : WizardPage("TWiz1Fur", "Pakrune Wizard (1/X) - Further Info", false, false, parent) {
    AddTitle("Label1", "What's a Zip-file?", 8, 6);
    AddTextBox("Memo1",
               {"A Zip-file is a set of \"ordinary\" files squeezed together in one file, ",
                "saving space doing so. The drawback with this is that the original files ",
                "are \"locked\" until you uncompress them again. That's where Pakrune ",
                "saves your day. It will do all the work for you and even let you access ",
                "files still compressed!"},
               QRect(8, 30, 376, 72));
    AddTitle("Label2", "Why should I care?", 8, 106);
    AddTextBox("Memo2",
               {"1) You have many files that you don't use very often. Compressing them ",
                "will save precious disk-space.",
                "2) You like to send files to other people using for example a modem. ",
                "A Zip-file will transfer much faster and save you some money on the ",
                "phone-bill (The phone-company will be disappointed though...).", ""},
               QRect(8, 130, 376, 84));
    AddHint("Shape1", "Label3", "Now, press \"Back\" and start zipping!", 8, 220);
    Button2 = AddButton("Button2", "&Back", QRect(309, 240, 75, 25));
    Button2->setDefault(true);
    platform::ui::ConnectCommand(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
}

void TWiz1Fur::Button2Click() {
    GoBack(links_.wiz1);
}
