// The creation wizard's closing page.
#include "windows/Wizard4.h"

#include "platform/ui/ErrorBox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

TWiz4::TWiz4(QWidget* parent)
    : WizardPage("TWiz4", "Pakrune Wizard - Information", false, true, parent) {
    // The frame is sizeable: the text box takes what the window gains.
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(Design().X(8), Design().Y(8), Design().X(8), Design().Y(8));
    column->addWidget(AddTitle("Label1", "Now you don't need the wizard any more!", 0, 0));
    column->addWidget(
        AddTextBox("Memo1",
                   {"You've just created your own Zip-file! Simple, wasn't it? Yes, but now ",
                    "that you know the basics you can do the same thing twice as fast and ",
                    "just as simple! ", "How? Just click: ", "", "1) \"New\" - name the file. ", "",
                    "2) \"Add\" - drag the files you want from the left window to the right.", "",
                    "3) \"OK\" - Pakrune does the work!", "",
                    "Does it sound hard? No, didn't think so.",
                    "Next time you feel like zipping. Try it this way!"},
                   QRect()),
        1);
    BitBtn1 = AddButton("BitBtn1", "OK", QRect());
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    BitBtn1->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(BitBtn1);
    column->addLayout(row);
    platform::ui::ConnectCommand(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
}

void TWiz4::BitBtn1Click() {
    EndModal();
}
