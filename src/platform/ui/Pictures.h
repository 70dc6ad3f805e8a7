// The program's pictures as icons. A picture that also comes twice as large ("name@2x.png" beside
// "name.png") carries both, so a screen of two pixels a point shows the larger rendering instead
// of the small one blown up; Qt looks for it by itself only at the density the program started
// with, not on a screen of another density.
#pragma once

#include <QIcon>
#include <QString>

namespace platform::ui {

// resource: the picture's path, such as ":/toolbar/add.png".
QIcon Picture(const QString& resource);

} // namespace platform::ui
