// The device-change notice: when the set of drives or a drive's volume serial changes, windows
// that asked for it hear of it through devicesChanged. It watches the prefix's dosdevices/,
// drives.ini and every drive's root folder.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <array>
#include <cstdint>

namespace platform::ui {

class DeviceWatch : public QObject {
    Q_OBJECT
public:
    static DeviceWatch& Instance();

signals:
    void devicesChanged();

private:
    DeviceWatch();
    struct Snapshot {
        std::uint32_t mask = 0;
        std::array<std::int64_t, 26> serials{}; // -1 for a drive without medium
        bool operator==(const Snapshot&) const = default;
    };
    static Snapshot Take();
    void Rearm();
    void Check();

    QFileSystemWatcher watcher_;
    Snapshot last_;
};

} // namespace platform::ui
