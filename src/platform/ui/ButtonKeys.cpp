// Enter on a focused picture button.
#include "platform/ui/ButtonKeys.h"

#include <QAbstractButton>
#include <QKeyEvent>

namespace platform::ui {
namespace {

class EnterPresses : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (!enter || key->modifiers() & ~Qt::KeypadModifier || !button || !button->isEnabled())
            return false;
        button->animateClick();
        return true;
    }
};

} // namespace

void PressWithEnter(QAbstractButton* button) {
    button->installEventFilter(new EnterPresses(button));
}

} // namespace platform::ui
