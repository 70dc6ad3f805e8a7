// The browser integration: the registry entries and the desktop's handler that start-up and the
// options dialog bring in line with the Netscape and IE settings, and what a registry that cannot
// be written does to start-up.
#include "MainFormTest.h"
#include "OtherUser.h"

#include "platform/DesktopZipHandler.h"
#include "platform/Registry.h"
#include "platform/Volumes.h"

#include <QCheckBox>
#include <QDialog>
#include <filesystem>
#include <functional>
#include <optional>
#include <sys/stat.h>

using namespace testing_support;

namespace {

constexpr const char* kProgram = "C:\\Program Files\\Pakrune\\pakrune";
constexpr const char* kViewers = "Software\\Netscape\\Netscape Navigator\\Viewers";
constexpr const char* kTrusted =
    "Software\\Netscape\\Netscape Navigator\\User Trusted External Applications";

struct StoredValue {
    win::DWORD type;
    std::string data;
    bool operator==(const StoredValue&) const = default;
};

void PrintTo(const StoredValue& value, std::ostream* out) {
    *out << "type " << value.type << " \"" << value.data << '"';
}

std::optional<StoredValue> Value(win::HKEY root, const char* key, const char* name) {
    win::HKEY handle = nullptr;
    if (win::RegOpenKeyExA(root, key, &handle) != win::ERROR_SUCCESS)
        return std::nullopt;
    win::DWORD type = 0, size = 1024;
    std::string data(size, '\0');
    const auto rc = win::RegQueryValueExA(handle, name, &type,
                                          reinterpret_cast<win::BYTE*>(data.data()), &size);
    win::RegCloseKey(handle);
    if (rc != win::ERROR_SUCCESS)
        return std::nullopt;
    data.resize(type == win::REG_SZ ? size - 1 : size);
    return StoredValue{type, data};
}

bool KeyExists(win::HKEY root, const char* key) {
    win::HKEY handle = nullptr;
    if (win::RegOpenKeyExA(root, key, &handle) != win::ERROR_SUCCESS)
        return false;
    win::RegCloseKey(handle);
    return true;
}

void SetText(win::HKEY root, const char* key, const char* name, const std::string& text) {
    win::HKEY handle = nullptr;
    ASSERT_EQ(win::RegCreateKeyExA(root, key, &handle, nullptr), win::ERROR_SUCCESS);
    win::RegSetValueExA(handle, name, win::REG_SZ, reinterpret_cast<const win::BYTE*>(text.c_str()),
                        static_cast<win::DWORD>(text.size() + 1));
    win::RegCloseKey(handle);
}

std::string Hive(const char* root) {
    return ReadHostFile(MachineRoot() + "/prefix/" + root + ".reg");
}

// A root that no value can be written to.
void LockRoot(const char* root) {
    ::chmod((MachineRoot() + "/prefix/" + root + ".reg").c_str(), 0444);
}
void LockClassesRoot() {
    LockRoot("HKEY_CLASSES_ROOT");
}

struct Row {
    win::HKEY root;
    const char* key;
    const char* name;
    StoredValue value;
};

const Row kRegistered[] = {
    {win::HKEY_CLASSES_ROOT, ".zip", "Content Type", {win::REG_SZ, "application/x-pakrune"}},
    {win::HKEY_CURRENT_USER, kViewers, "application/x-pakrune", {win::REG_SZ, kProgram}},
    {win::HKEY_CURRENT_USER, kTrusted, kProgram, {win::REG_SZ, "Yes"}},
    {win::HKEY_CLASSES_ROOT, ".zip", "", {win::REG_SZ, "Pakrune"}},
    {win::HKEY_CLASSES_ROOT, "Pakrune", "EditFlags", {win::REG_BINARY, std::string("\0\0\1\0", 4)}},
    {win::HKEY_CLASSES_ROOT,
     "Pakrune\\shell\\open\\command",
     "",
     {win::REG_SZ, std::string(kProgram) + " \"%1\""}},
};

class Browsers : public MainFormTest {
protected:
    std::string Ini() const { return DriveC() + "/Program Files/Pakrune/pakrune.ini"; }
    // The options dialog, its check boxes set as given, closed with OK.
    void Confirm(bool netscape, bool ie, bool autoRun = true, bool autoExit = true) {
        dialogs->Act([=](QWidget* window) {
            window->findChild<QCheckBox*>("chkboxNetscape")->setChecked(netscape);
            window->findChild<QCheckBox*>("chkboxIE")->setChecked(ie);
            window->findChild<QCheckBox*>("chkboxAutoRunSetup")->setChecked(autoRun);
            window->findChild<QCheckBox*>("chkboxAutoExit")->setChecked(autoExit);
            return int(QDialog::Accepted);
        });
        main->Options1Click();
    }
};

} // namespace

TEST_F(Browsers, TheFirstStartWithoutSettingsRegistersBoth) {
    Start();
    for (const auto& row : kRegistered)
        EXPECT_EQ(Value(row.root, row.key, row.name), row.value) << row.key << " " << row.name;
    // As the registry files hold them: the program path unquoted, blanks and all.
    EXPECT_NE(
        Hive("HKEY_CLASSES_ROOT")
            .find("[Pakrune]\n\"EditFlags\"=hex:00,00,01,00\n"
                  "[Pakrune\\shell]\n[Pakrune\\shell\\open]\n[Pakrune\\shell\\open\\command]\n"
                  "@=\"C:\\\\Program Files\\\\Pakrune\\\\pakrune \\\"%1\\\"\"\n"),
        std::string::npos)
        << Hive("HKEY_CLASSES_ROOT");
    // The desktop hands ZIP files to the program as well.
    EXPECT_NE(ReadHostFile(platform::ZipHandlerEntryPath())
                  .find("Exec=\"" + DriveC() + "/Program Files/Pakrune/pakrune\" %f\n"),
              std::string::npos);
    EXPECT_TRUE(dialogs->Shown().empty());
}

TEST_F(Browsers, SwitchingOffDeletesTheValuesWhateverTheyHoldAndKeepsTheKeys) {
    Start();
    // Another program took over the .zip class and the content type since.
    SetText(win::HKEY_CLASSES_ROOT, ".zip", "", "OtherArchiver.File");
    SetText(win::HKEY_CLASSES_ROOT, ".zip", "Content Type", "application/zip");

    Confirm(true, false);
    EXPECT_EQ(Value(win::HKEY_CLASSES_ROOT, ".zip", ""), std::nullopt);
    EXPECT_EQ(Value(win::HKEY_CLASSES_ROOT, "Pakrune", "EditFlags"), std::nullopt);
    EXPECT_EQ(Value(win::HKEY_CLASSES_ROOT, "Pakrune\\shell\\open\\command", ""), std::nullopt);
    for (const char* key : {".zip", "Pakrune", "Pakrune\\shell\\open\\command"})
        EXPECT_TRUE(KeyExists(win::HKEY_CLASSES_ROOT, key)) << key;
    EXPECT_FALSE(HostExists(platform::ZipHandlerEntryPath()));
    // Netscape stays on and restores its content type.
    EXPECT_EQ(Value(win::HKEY_CLASSES_ROOT, ".zip", "Content Type"),
              (StoredValue{win::REG_SZ, "application/x-pakrune"}));

    Confirm(false, false);
    for (const auto& row : kRegistered)
        EXPECT_EQ(Value(row.root, row.key, row.name), std::nullopt) << row.key << " " << row.name;
    for (const char* key : {kViewers, kTrusted})
        EXPECT_TRUE(KeyExists(win::HKEY_CURRENT_USER, key)) << key;
    EXPECT_NE(ReadHostFile(Ini()).find("[Browsers]\nNetscape=0\nIE=0\n"), std::string::npos);

    // Switched off at the next start too, and the keys are made even where they were missing.
    std::filesystem::remove(MachineRoot() + "/prefix/HKEY_CURRENT_USER.reg");
    Restart();
    EXPECT_TRUE(KeyExists(win::HKEY_CURRENT_USER, kTrusted));
    EXPECT_EQ(Value(win::HKEY_CURRENT_USER, kViewers, "application/x-pakrune"), std::nullopt);
}

TEST_F(Browsers, ARegistryThatCannotBeWrittenIsReportedAndStartUpGoesOn) {
    WriteArchive(DriveC() + "/archives/tool.zip", {{"readme.txt", "read me"}});
    LockClassesRoot();
    dialogs->Act([](QWidget*) { return 0; }); // the choice window follows the archive
    Start({DriveC() + "/archives/tool.zip"});
    // One message: the failure ends the step, so the IE registration is not tried.
    EXPECT_EQ(dialogs->Messages(), QStringList{"Failed to set data for 'Content Type'"});
    // Rows after the failing one are skipped: the Netscape viewer of the current user too.
    EXPECT_EQ(Value(win::HKEY_CURRENT_USER, kViewers, "application/x-pakrune"), std::nullopt);
    EXPECT_TRUE(TZipMaster::UnzEngineLoaded());
    EXPECT_EQ(main->windowTitle(), "Pakrune - tool.zip");
    EXPECT_EQ(dialogs->Shown().back().caption, "Select you choice...");
}

TEST_F(Browsers, ARegistryFailureInTheOptionsStillSavesTheConfirmations) {
    Start();
    LockClassesRoot();
    Confirm(true, true, false, false);
    EXPECT_EQ(dialogs->Messages(), QStringList{"Failed to set data for 'Content Type'"});
    EXPECT_FALSE(main->AutoRun);
    EXPECT_FALSE(main->AutoExit);
    EXPECT_NE(ReadHostFile(Ini()).find("AutoRun=0\nAutoExit=0\n"), std::string::npos)
        << ReadHostFile(Ini());
}

TEST_F(Browsers, AFailedNetscapeRegistrationEndsTheStepBeforeTheIeRegistration) {
    Start();
    Confirm(false, false);
    LockRoot("HKEY_CURRENT_USER");
    Confirm(true, true);
    EXPECT_EQ(dialogs->Messages(), QStringList{"Failed to set data for 'application/x-pakrune'"});
    // The IE registration, which could have been written, was not tried: neither its values nor
    // the desktop's handler.
    EXPECT_EQ(Value(win::HKEY_CLASSES_ROOT, ".zip", ""), std::nullopt);
    EXPECT_EQ(Value(win::HKEY_CLASSES_ROOT, "Pakrune", "EditFlags"), std::nullopt);
    EXPECT_FALSE(HostExists(platform::ZipHandlerEntryPath()));
    // The settings were saved all the same.
    EXPECT_NE(ReadHostFile(Ini()).find("[Browsers]\nNetscape=1\nIE=1\n"), std::string::npos);
}

TEST_F(Browsers, AProgramPathNoDesktopEntryCanNameIsRefusedOnceAndTheDefaultsStay) {
    const std::string list = "[Default Applications]\napplication/zip=other.desktop;\n";
    WriteHostFile(platform::MimeAppsListPath(), list);
    const auto placeProgram = [](const std::string& folder) {
        WriteHostFile(DriveC() + "/" + folder + "/pakrune", "#!/bin/sh\n");
        platform::OverrideProgramPath(DriveC() + "/" + folder + "/pakrune");
    };
    const auto refusals = [this] {
        QStringList found;
        for (const QString& message : dialogs->Messages())
            if (message.startsWith("Pakrune cannot register as the desktop's handler of ZIP files: "
                                   "the path of the program, "))
                found << message;
        return found;
    };
    placeProgram("Pr\xff"
                 "gram"); // not UTF-8
    Start();
    ASSERT_EQ(refusals().size(), 1);
    EXPECT_TRUE(refusals()[0].endsWith(
        ", is not valid UTF-8, and a desktop entry can name only UTF-8 paths. Your default "
        "applications for ZIP files stay as they were."));
    EXPECT_EQ(ReadHostFile(platform::MimeAppsListPath()), list);
    EXPECT_FALSE(HostExists(platform::ZipHandlerEntryPath()));
    Restart(); // the same refusal is not told again
    EXPECT_EQ(refusals().size(), 1);

    placeProgram("Pro\tgram"); // a control character: another refusal, told once
    Restart();
    ASSERT_EQ(refusals().size(), 2);
    EXPECT_TRUE(refusals()[1].contains("holds a control character"));
    EXPECT_EQ(ReadHostFile(platform::MimeAppsListPath()), list);

    placeProgram("Program"); // a path it can name registers, and forgets what was told
    Restart();
    EXPECT_TRUE(HostExists(platform::ZipHandlerEntryPath()));
    placeProgram("Pr\xff"
                 "gram");
    Restart();
    EXPECT_EQ(refusals().size(), 3);
}

TEST_F(Browsers, AReadOnlyListIsToldOnceNotAtEveryStart) {
    const std::string list = "[Default Applications]\napplication/zip=other.desktop;\n";
    WriteHostFile(platform::MimeAppsListPath(), list);
    std::filesystem::permissions(platform::MimeAppsListPath(), std::filesystem::perms::owner_read);
    Start();
    Restart();
    EXPECT_EQ(dialogs->Messages(),
              QStringList{QString::fromStdString(
                  "Pakrune cannot register as the desktop's handler of ZIP files: the file " +
                  platform::MimeAppsListPath() +
                  " is read-only. Your default applications for ZIP files stay as they were.")});
    EXPECT_EQ(ReadHostFile(platform::MimeAppsListPath()), list);
}

TEST_F(Browsers, AProgramThatAnotherUserCouldReplaceIsNotRegistered) {
    // A copy run from a folder like /tmp: sticky or not, the folder can be emptied and another
    // user's program put under the name the desktop entry would keep.
    const std::string list = "[Default Applications]\napplication/zip=other.desktop;\n";
    WriteHostFile(platform::MimeAppsListPath(), list);
    struct Row {
        const char* what;
        std::string program;
        std::function<void()> lay;
        std::string said;
    };
    const std::string sticky = MachineRoot() + "/sticky";
    const std::string open = MachineRoot() + "/open";
    const std::string theirs = MachineRoot() + "/theirs";
    std::vector<Row> rows = {
        {"a folder like /tmp", sticky + "/vbin/pakrune", [&] { ::chmod(sticky.c_str(), 01777); },
         "the program " + sticky + "/vbin/pakrune lies in " + sticky +
             ", which other users can change, and a program of theirs could take its place"},
        {"a file others can write to", open + "/pakrune",
         [&] { ::chmod((open + "/pakrune").c_str(), 0757); },
         "the program " + open + "/pakrune can be changed by other users"},
    };
    if (::geteuid() == 0)
        rows.push_back({"another user's file", theirs + "/pakrune",
                        [&] { ::chown((theirs + "/pakrune").c_str(), kOtherUser, kOtherUser); },
                        "the program " + theirs + "/pakrune can be changed by other users"});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        WriteHostFile(row.program, "#!/bin/sh\n");
        ::chmod(row.program.c_str(), 0755);
        row.lay();
        platform::OverrideProgramPath(row.program);
        const qsizetype seen = dialogs->Messages().size();
        &row == &rows.front() ? Start() : Restart();
        Restart(); // told once
        EXPECT_EQ(dialogs->Messages().mid(seen),
                  QStringList{QString::fromStdString(
                      "Pakrune cannot register as the desktop's handler of ZIP files: " + row.said +
                      ". Your default applications for ZIP files stay as they were.")});
        EXPECT_EQ(ReadHostFile(platform::MimeAppsListPath()), list);
        EXPECT_FALSE(HostExists(platform::ZipHandlerEntryPath()));
    }
}
