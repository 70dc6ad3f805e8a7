// The device-change notice.
#include "platform/ui/DeviceWatch.h"

#include "platform/Prefix.h"
#include "platform/Volumes.h"

#include <QDir>
#include <QFileInfo>

namespace platform::ui {

DeviceWatch& DeviceWatch::Instance() {
    static DeviceWatch watch;
    return watch;
}

DeviceWatch::DeviceWatch() : last_(Take()) {
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &DeviceWatch::Check);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &DeviceWatch::Check);
    Rearm();
}

DeviceWatch::Snapshot DeviceWatch::Take() {
    Snapshot snapshot;
    snapshot.mask = win::GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(snapshot.mask & (1u << i)))
            continue;
        const char root[] = {static_cast<char>('A' + i), ':', '\\', 0};
        win::DWORD serial = 0;
        snapshot.serials[static_cast<std::size_t>(i)] =
            win::GetVolumeInformationA(root, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)
                ? serial
                : -1;
    }
    return snapshot;
}

void DeviceWatch::Rearm() {
    if (!watcher_.files().isEmpty())
        watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    QStringList paths = {QString::fromStdString(PrefixDir() + "/dosdevices"),
                         QString::fromStdString(PrefixFile("drives.ini"))};
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const QFileInfo root(QString::fromStdString(DriveLink(letter)));
        if (root.exists())
            paths << root.canonicalFilePath();
    }
    paths.removeDuplicates();
    watcher_.addPaths(paths);
}

void DeviceWatch::Check() {
    Rearm(); // an atomically replaced file or a new drive needs a fresh watch
    const Snapshot now = Take();
    if (now == last_)
        return;
    last_ = now;
    emit devicesChanged();
}

} // namespace platform::ui
