// The password that protects the files an add puts into an archive.
#include "app/AddPassword.h"

#include "app/ExtractionPassword.h"
#include "platform/WinPath.h"
#include "platform/ui/Dialogs.h"

#include <algorithm>

namespace {

const char* const kEmpty = "The password must not be empty.";
const char* const kDiffer = "The passwords do not match. Type them again.";

void Wipe(std::string& text) {
    std::fill(text.begin(), text.end(), '\0');
    text.clear();
}

} // namespace

std::optional<std::string> AskAddPassword(const std::string& archive) {
    const std::string prompt =
        "Password for the files added to " + win::ExtractFileName(archive) + ":";
    for (;;) {
        std::optional<std::string> first = AskPassword(prompt);
        if (!first)
            return std::nullopt;
        if (first->empty()) {
            platform::ui::ShowMessage(kEmpty);
            continue;
        }
        std::optional<std::string> second = AskPassword("Type the password again:");
        const bool same = second && *second == *first;
        if (second)
            Wipe(*second);
        if (same)
            return first;
        Wipe(*first);
        if (!second)
            return std::nullopt;
        platform::ui::ShowMessage(kDiffer);
    }
}
