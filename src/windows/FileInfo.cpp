// The archive information window.
#include "windows/FileInfo.h"

#include "platform/ui/ColourCodec.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

TfrmFileInfo::TfrmFileInfo(QWidget* parent) : Form("TfrmFileInfo", "File Info", 340, 217, parent) {
    auto* grid = new QGridLayout(this);
    QFont bold("Arial");
    bold.setBold(true);
    const char* const captions[] = {
        "Filename:", "Files In Zip:", "Compr. Size:", "Uncompr. Size:", "Ratio:"};
    QLabel** values[] = {&Label1, &Label2, &Label3, &Label4, &Label5};
    for (int i = 0; i < 5; ++i) {
        auto* caption = new QLabel(captions[i], this);
        caption->setObjectName(QString("Label%1").arg(6 + i));
        caption->setFont(bold);
        auto* value = new QLabel(i == 0 ? "Label1" : "0", this);
        value->setObjectName(QString("Label%1").arg(1 + i));
        *values[i] = value;
        grid->addWidget(caption, i, 0);
        grid->addWidget(value, i, 1);
    }
    // Navy as designed, unless a dark palette would lose it.
    colours::ShowTextReadably(Label1, QColor(0, 0, 0x80), palette().color(QPalette::Window));
    Button1 = new QPushButton("&Ok", this);
    Button1->setObjectName("Button1");
    grid->addWidget(Button1, 5, 1, Qt::AlignRight);
    connect(Button1, &QPushButton::clicked, this, &TfrmFileInfo::Button1Click);
}

void TfrmFileInfo::Button1Click() {
    done(QDialog::Accepted);
}
