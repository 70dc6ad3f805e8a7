// The font dialog with effects.
#include "platform/ui/FontEffectsDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace platform::ui {
namespace {

struct NamedColour {
    const char* name;
    QRgb rgb;
};

// The sixteen basic colours, in the order the platform's dialog lists them.
constexpr NamedColour kBasicColours[] = {
    {"Black", 0x000000},  {"Maroon", 0x800000},  {"Green", 0x008000}, {"Olive", 0x808000},
    {"Navy", 0x000080},   {"Purple", 0x800080},  {"Teal", 0x008080},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0xFF0000},     {"Lime", 0x00FF00},  {"Yellow", 0xFFFF00},
    {"Blue", 0x0000FF},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0x00FFFF},  {"White", 0xFFFFFF},
};

QIcon Swatch(const QColor& colour) {
    QPixmap pixmap(16, 12);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

} // namespace

FontEffectsDialog::FontEffectsDialog(const QFont& font, const QColor& colour, QWidget* parent)
    : QDialog(parent), fonts_(new QFontDialog(font, this)), colours_(new QComboBox(this)) {
    setWindowTitle(tr("Font"));
    // The font dialog is embedded as a plain widget; this dialog's buttons close both.
    fonts_->setWindowFlags(Qt::Widget);
    fonts_->setOptions(QFontDialog::NoButtons);

    // A colour that is not one of the sixteen is offered as "Custom", so it survives OK.
    for (const NamedColour& basic : kBasicColours)
        colours_->addItem(Swatch(QColor(basic.rgb)), tr(basic.name), QColor(basic.rgb));
    int current = colours_->findData(colour.isValid() ? colour : QColor(Qt::black));
    if (current < 0) {
        colours_->addItem(Swatch(colour), tr("Custom"), colour);
        current = colours_->count() - 1;
    }
    colours_->setCurrentIndex(current);

    auto* colourLabel = new QLabel(tr("&Color:"), this);
    colourLabel->setBuddy(colours_);
    auto* colourRow = new QHBoxLayout;
    colourRow->addWidget(colourLabel);
    colourRow->addWidget(colours_);
    colourRow->addStretch();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fonts_);
    layout->addLayout(colourRow);
    layout->addWidget(buttons);
}

QFont FontEffectsDialog::SelectedFont() const {
    return fonts_->currentFont();
}

QColor FontEffectsDialog::SelectedColour() const {
    return colours_->currentData().value<QColor>();
}

} // namespace platform::ui
