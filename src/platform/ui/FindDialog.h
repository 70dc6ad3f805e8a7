// The find dialog: a modeless window with the search text and a Find Next button, as the text
// viewer uses it (no match-case, whole-word or direction controls). It belongs to the window that
// makes it: it stays over that window and goes when that window is hidden or closed. Shown through
// the dialog service, so a test can type the text and press the button.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace platform::ui {

class FindDialog : public QDialog {
    Q_OBJECT
public:
    // owner: the window the dialog belongs to.
    explicit FindDialog(QWidget* owner = nullptr);

    QString FindText() const;
    void SetFindText(const QString& text);
    // Shows the dialog without modality.
    void Execute();

signals:
    void findNext(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* text_;
    QPushButton* next_;
};

} // namespace platform::ui
