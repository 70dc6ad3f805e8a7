// The password of an extraction that meets encrypted entries: asked once, in a small modal box
// with the typing masked, held in the component's Password only for the engine call, and never
// stored anywhere else.
#pragma once

#include "engine/ZipMstr.h"

#include <optional>
#include <string>
#include <vector>

// Whether the entries that specs name (as an extraction names them) include an encrypted one.
bool NamesEncryptedEntry(const TZipMaster& zip, const std::vector<std::string>& specs);

// The password typed in the masked password box with this prompt; nothing for Cancel. The box's
// own copy is blanked.
std::optional<std::string> AskPassword(const std::string& prompt);

// Asks for the password of the encrypted files in archive (a Windows path); nothing for Cancel.
std::optional<std::string> AskExtractionPassword(const std::string& archive);

// The one message for the encrypted files an extraction left out for a wrong or missing
// password.
std::string WrongPasswordMessage(int files);

// Sets the component's Password for the lifetime of this object and wipes it afterwards.
class PasswordForCall {
public:
    PasswordForCall(TZipMaster& zip, std::string password);
    ~PasswordForCall();
    PasswordForCall(const PasswordForCall&) = delete;
    PasswordForCall& operator=(const PasswordForCall&) = delete;

private:
    TZipMaster& zip_;
};
