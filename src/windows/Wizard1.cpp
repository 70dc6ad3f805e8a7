// The creation wizard's welcome page.
#include "windows/Wizard1.h"

#include "platform/ui/ErrorBox.h"
#include "platform/ui/Pictures.h"
#include "windows/Wizard1Fur.h"
#include "windows/Wizard2.h"

#include <QPushButton>

TWiz1::TWiz1(QWidget* parent) : WizardPage("TWiz1", "Pakrune - Wizard (1/X)", true, false, parent) {
    Image1 = AddPicture("Image1", ":/wizard/welcome.png", 8, 8);
    AddTitle("Label1", "Welcome to Pakrune Wizard!", 144, 8);
    AddTextBox("Memo1",
               {"This tool - Pakrune Wizard - allows you to ",
                "create your own Zip-files, step by step.",
                "And the best of all... It's really easy!", "",
                "If you're not sure of what a Zip-file is and ",
                "why you would want to create one,", "click on \"Further Info\" below."},
               QRect(144, 38, 240, 112));
    BitBtn1 = AddButton("BitBtn1", "Further Info", QRect(144, 156, 100, 25));
    BitBtn1->setIcon(platform::ui::Picture(":/toolbar/help.png"));
    AddHint("Shape1", "Label2", "Now, press \"Next\" and let's get started!", 144, 216);
    const FootButtons foot = AddFootButtons(false);
    Button1 = foot.close;
    Button2 = foot.next;

    using platform::ui::ConnectCommand;
    ConnectCommand(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    ConnectCommand(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    ConnectCommand(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
}

void TWiz1::Button1Click() {
    EndModal();
}

void TWiz1::BitBtn1Click() {
    GoForward(links_.wiz1Fur);
}

void TWiz1::Button2Click() {
    GoForward(links_.wiz2);
}
