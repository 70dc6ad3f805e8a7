// The program's pictures as icons.
#include "platform/ui/Pictures.h"

#include <QFile>

namespace platform::ui {

QIcon Picture(const QString& resource) {
    QIcon icon;
    icon.addFile(resource);
    QString large = resource;
    large.insert(large.lastIndexOf('.'), "@2x");
    if (QFile::exists(large))
        icon.addFile(large);
    return icon;
}

} // namespace platform::ui
