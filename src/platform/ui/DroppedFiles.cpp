// Files dropped from the desktop.
#include "platform/ui/DroppedFiles.h"

#include "platform/PathMap.h"

#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <algorithm>

namespace platform::ui {

bool IsFileDrag(const QDropEvent& event) {
    const QMimeData* data = event.mimeData();
    if (!data || !data->hasUrls() || !(event.possibleActions() & Qt::CopyAction))
        return false;
    const QList<QUrl> urls = data->urls();
    return std::all_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

std::vector<std::string> DroppedFileNames(const QMimeData* data) {
    std::vector<std::string> names;
    if (!data)
        return names;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const std::string name = WindowsPathOf(QFile::encodeName(url.toLocalFile()).toStdString());
        if (!name.empty())
            names.push_back(name);
    }
    return names;
}

} // namespace platform::ui
