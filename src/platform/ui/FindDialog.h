// The find dialog: a modeless window with the search text and a Find Next button, as the text
// viewer uses it (no match-case, whole-word or direction controls). Shown through the dialog
// service, so a test can type the text and press the button.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace platform::ui {

class FindDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindDialog(QWidget* parent = nullptr);

    QString FindText() const;
    void SetFindText(const QString& text);
    // Shows the dialog without modality.
    void Execute();

signals:
    void findNext(const QString& text);

private:
    QLineEdit* text_;
    QPushButton* next_;
};

} // namespace platform::ui
