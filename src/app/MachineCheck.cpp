// The check of the prefix at start.
#include "app/MachineCheck.h"

#include "platform/Prefix.h"
#include "platform/ui/Dialogs.h"

namespace app {

bool CheckMachine() {
    if (!platform::EnsurePrefix()) {
        platform::ui::ShowError(QString::fromStdString(platform::PrefixRefusal()));
        return false;
    }
    for (const std::string& notice : platform::TakePrefixNotices())
        platform::ui::ShowMessage(QString::fromStdString(notice));
    return true;
}

} // namespace app
