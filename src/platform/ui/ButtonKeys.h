// Enter presses a picture button that has the focus, as Space does. Push buttons in a dialog take
// Enter when focused already; the flat picture buttons of the toolbar and the windows do not, and
// they are what a keyboard user tabs to and means to press.
#pragma once

class QAbstractButton;

namespace platform::ui {

void PressWithEnter(QAbstractButton* button);

} // namespace platform::ui
