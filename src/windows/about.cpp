// The about window.
#include "windows/about.h"

#include "platform/ui/ColourCodec.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {

// Half the about window's designed frame, so that its middle meets the main window's middle.
constexpr int kHalfWidth = 153;
constexpr int kHalfHeight = 103;

} // namespace

TAboutBox::TAboutBox(QWidget* parent) : Form("TAboutBox", "About", 298, 171, parent) {
    const platform::ui::DesignScale& d = Design();
    setFixedSize(d.Size(298, 171));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(d.Rect(8, 8, 282, 122));

    Image1 = new QLabel(Panel1);
    Image1->setObjectName("Image1");
    Image1->setPixmap(QPixmap(":/about/logo.png"));
    Image1->setGeometry(QRect(QPoint(d.X(10), d.Y(10)), Image1->pixmap().size()));

    Label1 = new QLabel("Pakrune ", Panel1);
    Label1->setObjectName("Label1");
    QFont name("Courier New");
    name.setStyleHint(QFont::TypeWriter);
    name.setPixelSize(27);
    name.setBold(true);
    Label1->setFont(name);
    // Blue as designed, unless a dark palette would lose it.
    colours::ShowTextReadably(Label1, QColor(0, 0, 0xFF), palette().color(QPalette::Window));
    Label1->setGeometry(d.Rect(84, 14, 190, 34));

    lblVersion = new QLabel(Panel1);
    lblVersion->setObjectName("lblVersion");
    QFont bold = font();
    bold.setBold(true);
    lblVersion->setFont(bold);
    lblVersion->setGeometry(d.Rect(88, 52, 186, 18));

    Copyright = new QLabel("Copyright \u00a9 Tolvek. All rights reserved.", Panel1);
    Copyright->setObjectName("Copyright");
    Copyright->setGeometry(d.Rect(10, 90, 264, 18));

    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setDefault(true);
    OKButton->setGeometry(d.Rect(111, 138, 75, 25));
    connect(OKButton, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
}

void TAboutBox::FormShow() {
    lblVersion->setText("Version 4.0");
    if (!MainWindow)
        return;
    // Over the middle of the main window, wherever that is.
    const QRect main = MainWindow->frameGeometry();
    move(main.left() + main.width() / 2 - Design().X(kHalfWidth),
         main.top() + main.height() / 2 - Design().Y(kHalfHeight));
}

void TAboutBox::showEvent(QShowEvent* event) {
    Form::showEvent(event);
    FormShow();
}
