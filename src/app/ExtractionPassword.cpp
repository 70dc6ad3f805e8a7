// The password of an extraction that meets encrypted entries.
#include "app/ExtractionPassword.h"

#include "engine/EntryNames.h"
#include "engine/EntrySpecs.h"
#include "platform/WinPath.h"
#include "platform/ui/Dialogs.h"

#include <algorithm>

namespace {

constexpr std::uint16_t kEncrypted = 0x0001;

} // namespace

bool NamesEncryptedEntry(const TZipMaster& zip, const std::vector<std::string>& specs) {
    // Most archives hold no encrypted entry: then no name needs decoding.
    if (std::none_of(zip.Entries().begin(), zip.Entries().end(),
                     [](const ZipDirEntry& entry) { return entry.GeneralFlags & kEncrypted; }))
        return false;
    std::vector<std::string> names;
    for (const ZipDirEntry& entry : zip.Entries())
        names.push_back(DecodeEntryName(entry.FileName));
    EntrySpecs named(specs, names, EntrySpecs::WholeArchive::EveryEntry);
    for (std::size_t i = 0; i < names.size(); ++i)
        if ((zip.Entries()[i].GeneralFlags & kEncrypted) && named.Matches(names[i]))
            return true;
    return false;
}

std::optional<std::string> AskPassword(const std::string& prompt) {
    QString typed;
    if (auto answer = platform::ui::PasswordQuery("Password", QString::fromStdString(prompt)))
        typed.swap(*answer);
    else
        return std::nullopt;
    std::string password = typed.toStdString();
    typed.fill(QChar(' '));
    return password;
}

std::optional<std::string> AskExtractionPassword(const std::string& archive) {
    return AskPassword("Files in " + win::ExtractFileName(archive) + " are encrypted. Password:");
}

std::string WrongPasswordMessage(int files) {
    return files == 1 ? "The password is wrong: 1 encrypted file was not extracted."
                      : "The password is wrong: " + std::to_string(files) +
                            " encrypted files were not extracted.";
}

PasswordForCall::PasswordForCall(TZipMaster& zip, std::string password) : zip_(zip) {
    zip_.Password = std::move(password);
}

PasswordForCall::~PasswordForCall() {
    std::fill(zip_.Password.begin(), zip_.Password.end(), '\0');
    zip_.Password.clear();
}
