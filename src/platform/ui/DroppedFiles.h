// Files dropped from the desktop: a drop carries file URLs, which the program sees as the Windows
// paths of those files, in the order of the drop.
#pragma once

#include <string>
#include <vector>

class QDropEvent;
class QMimeData;

namespace platform::ui {

// A drag of files from the desktop: a list of URLs that all name local files (an empty list is a
// drop of no files), which may be copied. Links from a web page and the like are not.
bool IsFileDrag(const QDropEvent& event);
// The Windows paths of the dropped files, in order. A file that no drive covers has no Windows
// path and is left out.
std::vector<std::string> DroppedFileNames(const QMimeData* data);

} // namespace platform::ui
