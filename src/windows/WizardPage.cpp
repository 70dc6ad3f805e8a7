// What the creation wizard's pages share.
#include "windows/WizardPage.h"

#include "windows/Wizard1.h"
#include "windows/Wizard1Fur.h"
#include "windows/Wizard2.h"
#include "windows/Wizard3.h"
#include "windows/Wizard4.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

constexpr int kClientWidth = 392;
constexpr int kClientHeight = 273;
// The bullet's colour, 0x800040 in the system's blue-green-red order.
const QColor kBulletColour(0x40, 0x00, 0x80);
constexpr int kBulletSize = 9;
// The pictures on the left of pages 1 and 2, stretched into their frame.
constexpr int kPictureWidth = 119;
constexpr int kPictureHeight = 195;

} // namespace

WizardPage::WizardPage(const QString& className, const QString& caption, bool closeBox,
                       bool sizeable, QWidget* parent)
    : Form(className, caption, kClientWidth, kClientHeight, parent), closeBox_(closeBox) {
    QFont font("Arial");
    font.setPixelSize(11);
    setFont(font);
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (closeBox)
        flags |= Qt::WindowCloseButtonHint;
    setWindowFlags(flags);
    if (!sizeable)
        setFixedSize(Design().Size(kClientWidth, kClientHeight));
}

void WizardPage::Link(const WizardLinks& links) {
    for (WizardPage* page : std::initializer_list<WizardPage*>{links.wiz1, links.wiz1Fur,
                                                               links.wiz2, links.wiz3, links.wiz4})
        page->links_ = links;
}

int WizardPage::ShowModal() {
    int result = 0;
    do {
        showAgain_ = false;
        // Returns when the page has been hidden for the next one and that one has ended; a page
        // that the next one went back to is shown again.
        result = Form::ShowModal();
    } while (showAgain_);
    return result;
}

void WizardPage::GoForward(WizardPage* next) {
    hide();
    next->ShowModal();
}

void WizardPage::GoBack(WizardPage* previous) {
    EndModal();
    previous->showAgain_ = true;
}

void WizardPage::EndModal() {
    showAgain_ = false;
    done(QDialog::Rejected);
}

void WizardPage::reject() {
    if (closeBox_)
        EndModal();
}

QLabel* WizardPage::AddTitle(const char* name, const QString& text, int left, int top) {
    auto* title = new QLabel(text, this);
    title->setObjectName(name);
    QFont bold = font();
    bold.setPixelSize(15);
    bold.setBold(true);
    title->setFont(bold);
    title->adjustSize();
    title->move(Design().X(left), Design().Y(top));
    return title;
}

QPlainTextEdit* WizardPage::AddTextBox(const char* name, const QStringList& lines,
                                       const QRect& bounds) {
    auto* box = new QPlainTextEdit(lines.join('\n'), this);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setFrameShape(QFrame::NoFrame);
    box->setFocusPolicy(Qt::NoFocus);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->document()->setDocumentMargin(0);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    box->setPalette(palette);
    box->setGeometry(Design().Rect(bounds));
    return box;
}

QLabel* WizardPage::AddBullet(const char* name, int left, int top) {
    QPixmap dot(kBulletSize, kBulletSize);
    dot.fill(Qt::transparent);
    QPainter painter(&dot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBulletColour);
    painter.drawEllipse(QRectF(0.5, 0.5, kBulletSize - 1, kBulletSize - 1));
    painter.end();
    auto* bullet = new QLabel(this);
    bullet->setObjectName(name);
    bullet->setPixmap(dot);
    bullet->setGeometry(Design().X(left), Design().Y(top), kBulletSize, kBulletSize);
    return bullet;
}

QLabel* WizardPage::AddHint(const char* bulletName, const char* name, const QString& text, int left,
                            int top) {
    AddBullet(bulletName, left, top + 3);
    auto* hint = new QLabel(text, this);
    hint->setObjectName(name);
    hint->adjustSize();
    hint->move(Design().X(left) + kBulletSize + Design().X(7), Design().Y(top));
    return hint;
}

QLabel* WizardPage::AddPicture(const char* name, const QString& resource, int left, int top) {
    auto* frame = new QFrame(this);
    frame->setObjectName(QString(name) + "Frame");
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(2);
    const QRect bounds = Design().Rect(left, top, kPictureWidth + 4, kPictureHeight + 4);
    frame->setGeometry(bounds);
    auto* picture = new QLabel(frame);
    picture->setObjectName(name);
    picture->setScaledContents(true);
    picture->setPixmap(QPixmap(resource));
    picture->setGeometry(2, 2, bounds.width() - 4, bounds.height() - 4);
    return picture;
}

QPushButton* WizardPage::AddButton(const char* name, const QString& caption, const QRect& bounds) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    if (!bounds.isNull()) // a button placed by a layout has no designed bounds
        button->setGeometry(Design().Rect(bounds));
    return button;
}

WizardPage::FootButtons WizardPage::AddFootButtons(bool withBack) {
    FootButtons buttons{};
    buttons.close = AddButton("Button1", "&Close", QRect(8, 240, 75, 25));
    if (withBack)
        buttons.back = AddButton("Button3", "<< &Back", QRect(228, 240, 75, 25));
    buttons.next = AddButton("Button2", "&Next >>", QRect(309, 240, 75, 25));
    buttons.next->setDefault(true);
    return buttons;
}
