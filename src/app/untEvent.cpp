// The choice window.
#include "app/untEvent.h"

#include "controls/JpegImage.h"
#include "platform/ui/ButtonKeys.h"
#include "platform/ui/ErrorBox.h"
#include "platform/ui/Pictures.h"
#include "platform/ui/Terminate.h"

#include <QFile>
#include <QLabel>
#include <QToolButton>

namespace {

QToolButton* PictureButton(QWidget* parent, const char* name, const QString& picture,
                           const QString& label, int top) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setIcon(platform::ui::Picture(picture));
    button->setIconSize(QSize(32, 32));
    button->setGeometry(24, top, 44, 44);
    // The caption under the picture is a label of its own; a screen reader says it as the name.
    button->setAccessibleName(label.trimmed());
    platform::ui::PressWithEnter(button);
    auto* caption = new QLabel(label, parent);
    caption->setObjectName(QString(name) + "Label");
    caption->setStyleSheet("background: navy; color: yellow; padding: 1px 3px");
    caption->setFont(QFont("Courier New", 9, QFont::Bold));
    caption->adjustSize();
    caption->move(24, top + 46);
    return button;
}

} // namespace

TEventForm::TEventForm(QWidget* parent)
    : Form("TEventForm", "Select you choice...", 295, 296, parent) {
    setWindowFlag(Qt::Tool);
    setFixedSize(295, 296);
    // Flat buttons over the picture, whose focus frame the style draws too faint to see there: the
    // focused one is ringed in the captions' yellow.
    setStyleSheet("QToolButton { border: 2px solid transparent; border-radius: 3px; padding: 1px; }"
                  "QToolButton:hover { background: rgba(255, 255, 255, 48); }"
                  "QToolButton:pressed { background: rgba(255, 255, 255, 96); }"
                  "QToolButton:focus { border-color: yellow; }");
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    for (const char* resource : {":/choice/background.jpg", ":/choice/background@2x.jpg"}) {
        QFile picture(resource);
        picture.open(QIODevice::ReadOnly);
        Picture.addPixmap(QPixmap::fromImage(DecodeJpeg(picture.readAll())));
    }
    Image1->setGeometry(0, 0, 295, 296);

    SpeedButton2 =
        PictureButton(this, "SpeedButton2", ":/choice/install.png", "Autoinstall program", 20);
    SpeedButton1 =
        PictureButton(this, "SpeedButton1", ":/choice/extract.png", "Extract all files ", 100);
    SpeedButton3 = PictureButton(this, "SpeedButton3", ":/choice/start.png", "Start Pakrune", 180);
    // Enter at once goes on to the archive window: it runs nothing from the download.
    SpeedButton3->setFocus();
    SpeedButton4 = new QToolButton(this);
    SpeedButton4->setObjectName("SpeedButton4");
    SpeedButton4->setText("Exit pakrune");
    SpeedButton4->setAutoRaise(true);
    platform::ui::PressWithEnter(SpeedButton4);
    SpeedButton4->setStyleSheet("color: white; font-weight: bold");
    SpeedButton4->adjustSize();
    SpeedButton4->move(295 - SpeedButton4->width() - 8, 8);

    using platform::ui::ConnectCommand;
    ConnectCommand(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    ConnectCommand(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });
    ConnectCommand(SpeedButton3, &QToolButton::clicked, this, [this] { SpeedButton3Click(); });
    ConnectCommand(SpeedButton4, &QToolButton::clicked, this, [this] { SpeedButton4Click(); });
}

void TEventForm::showEvent(QShowEvent* event) {
    Form::showEvent(event);
    // The rendering for the screen the window is on: the larger one on a screen of two pixels a
    // point, instead of the small one blown up.
    Image1->setPixmap(Picture.pixmap(Image1->size(), devicePixelRatioF()));
}

void TEventForm::SpeedButton1Click() {
    reject();
    if (OnExtractAll)
        OnExtractAll();
}

void TEventForm::SpeedButton2Click() {
    reject();
    if (OnAutoInstall)
        OnAutoInstall();
}

void TEventForm::SpeedButton3Click() {
    reject();
}

void TEventForm::SpeedButton4Click() {
    platform::ui::TerminateApplication();
}
