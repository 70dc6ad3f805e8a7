// What the creation wizard's pages share. The pages are stacked modal windows: going forward
// hides a page and shows the next one modally on top of it, while the hidden page's modal state
// stays open underneath; going back ends a page and shows the one beneath it again; closing ends
// every page of the stack. Each page is built from the same parts: a bold title, borderless text
// boxes on the button face, a round bullet beside a hint, a picture in a bevelled frame.
#pragma once

#include "platform/ui/Form.h"

#include <QStringList>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class TWiz1;
class TWiz1Fur;
class TWiz2;
class TWiz3;
class TWiz4;

// The pages of the wizard and the path of the archive it names (the main window's
// CurrentArchive), known to every page once all the windows exist.
struct WizardLinks {
    TWiz1* wiz1 = nullptr;
    TWiz1Fur* wiz1Fur = nullptr;
    TWiz2* wiz2 = nullptr;
    TWiz3* wiz3 = nullptr;
    TWiz4* wiz4 = nullptr;
    std::string* currentArchive = nullptr;
};

class WizardPage : public platform::ui::Form {
    Q_OBJECT
public:
    // A page of 392 x 273 pixels; the frame is fixed unless sizeable; without a close box,
    // neither the frame nor Esc ends the page.
    WizardPage(const QString& className, const QString& caption, bool closeBox, bool sizeable,
               QWidget* parent);

    // Gives every page its links.
    static void Link(const WizardLinks& links);

    // Shows the page modally; returns once its modal state has ended, so a page that is shown
    // again after going back to it stays modal until then.
    int ShowModal() override;
    // Hides this page and shows next modally on top of it.
    void GoForward(WizardPage* next);
    // Ends this page and shows previous again.
    void GoBack(WizardPage* previous);
    // Ends this page's modal state.
    void EndModal();

protected:
    void reject() override;

    QLabel* AddTitle(const char* name, const QString& text, int left, int top);
    QPlainTextEdit* AddTextBox(const char* name, const QStringList& lines, const QRect& bounds);
    QLabel* AddBullet(const char* name, int left, int top);
    QLabel* AddHint(const char* bulletName, const char* name, const QString& text, int left,
                    int top);
    QLabel* AddPicture(const char* name, const QString& resource, int left, int top);
    QPushButton* AddButton(const char* name, const QString& caption, const QRect& bounds);
    // The row at the foot of pages 1 to 3: Button1 "&Close" on the left, Button3 "<< &Back"
    // (when asked for) and Button2 "&Next >>", the default button, on the right.
    struct FootButtons {
        QPushButton* close;
        QPushButton* back; // nullptr without
        QPushButton* next;
    };
    FootButtons AddFootButtons(bool withBack);

    WizardLinks links_;

private:
    bool closeBox_;
    bool showAgain_ = false;
};
