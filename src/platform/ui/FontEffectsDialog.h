// The font dialog with effects: face, size and style as Qt's font dialog picks them, plus the
// text colour from the sixteen basic colours, as the platform's font dialog offers them when
// effects are asked for.
#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>

class QComboBox;
class QFontDialog;

namespace platform::ui {

class FontEffectsDialog : public QDialog {
    Q_OBJECT
public:
    FontEffectsDialog(const QFont& font, const QColor& colour, QWidget* parent = nullptr);

    QFont SelectedFont() const;
    QColor SelectedColour() const;

private:
    QFontDialog* fonts_;
    QComboBox* colours_;
};

} // namespace platform::ui
