// Encrypted archives: an extraction that meets encrypted entries asks once for the password in a
// masked box; the right one extracts, a wrong one gives one message and no file, Cancel extracts
// nothing; the password is forgotten after the call and written nowhere. The archives are made by
// 7-Zip with both kinds of encryption, and by the add window's "Protect With Password", which asks
// for the password twice and encrypts with AES-256.
#include "MainFormTest.h"

#include "RunTool.h"

#include "platform/ui/ListView.h"
#include "windows/AddFilesToZip.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QPushButton>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

const char* const kPassword = "Tr0ub4dor&3";
const std::string kSecret(20000, 's');
const std::string kProgram = "#!/bin/sh\nexit 0\n";

// Every file below the machine's root that holds text.
std::vector<std::string> FilesHolding(const std::string& text) {
    std::vector<std::string> found;
    for (const auto& item : fs::recursive_directory_iterator(MachineRoot()))
        if (item.is_regular_file() && !item.is_symlink()) {
            std::ifstream in(item.path(), std::ios::binary);
            std::stringstream contents;
            contents << in.rdbuf();
            if (contents.str().find(text) != std::string::npos)
                found.push_back(item.path().string());
        }
    return found;
}

// Every file and folder below a host folder, relative, sorted, folders ending in "/".
std::vector<std::string> TreeBelow(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& item : fs::recursive_directory_iterator(folder))
        names.push_back(fs::relative(item.path(), folder).string() +
                        (item.is_directory() ? "/" : ""));
    std::sort(names.begin(), names.end());
    return names;
}

class Password : public MainFormTest {
protected:
    // C:\enc.zip with docs/secret.txt and tool.exe encrypted by method ("ZipCrypto", "AES256")
    // and plain.txt not encrypted, open in the main window.
    void OpenEncrypted(const std::string& method) {
        WriteHostFile(HostTemp() + "/in/docs/secret.txt", kSecret);
        WriteHostFile(HostTemp() + "/in/tool.exe", kProgram);
        WriteHostFile(HostTemp() + "/in/plain.txt", "plain");
        const std::string archive = DriveC() + "/enc.zip";
        fs::remove(archive);
        const auto made =
            RunTool({"sh", "-c",
                     "cd \"$0\" && 7zz a -bd -tzip -p\"$2\" -mem=$3 \"$1\" docs tool.exe && "
                     "7zz a -bd -tzip \"$1\" plain.txt",
                     HostTemp() + "/in", archive, kPassword, method});
        ASSERT_EQ(made.exitCode, 0) << made.output;
        fs::remove_all(HostTemp() + "/in");
        if (!main)
            Start();
        main->AutoRun = false;
        main->OpenArchive("C:\\enc.zip");
        ASSERT_EQ(main->ListView1->RowCount(), 3);
    }
    void Select(const QString& name) {
        for (int row = 0; row < main->ListView1->RowCount(); ++row)
            main->ListView1->SetSelected(row, main->ListView1->Cell(row, 0) == name);
    }
    // The password boxes shown from the dialog numbered from on.
    std::vector<ShownDialog> PasswordBoxes(std::size_t from = 0) const {
        std::vector<ShownDialog> boxes;
        for (std::size_t i = from; i < dialogs->Shown().size(); ++i)
            if (dialogs->Shown()[i].kind == DialogKind::Password)
                boxes.push_back(dialogs->Shown()[i]);
        return boxes;
    }
    std::string Out() const { return DriveC() + "/out"; }
};

} // namespace

TEST_F(Password, ExtractAllAsksOnceAndTheAnswerDecidesWhatIsWritten) {
    struct Row {
        const char* method;
        const char* typed; // nullptr: Cancel
        std::vector<std::string> extracted;
        QStringList messages;
    };
    const std::vector<std::string> everything = {"docs/", "docs/secret.txt", "plain.txt",
                                                 "tool.exe"};
    const QString wrong = "The password is wrong: 2 encrypted files were not extracted.";
    const Row rows[] = {
        {"ZipCrypto", kPassword, everything, {}},
        {"AES256", kPassword, everything, {}},
        {"ZipCrypto", "wrong", {"docs/", "plain.txt"}, {wrong}},
        {"AES256", "wrong", {"docs/", "plain.txt"}, {wrong}},
        {"ZipCrypto", nullptr, {}, {}},
        {"AES256", nullptr, {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.method) + " " + (row.typed ? row.typed : "cancelled"));
        fs::remove_all(Out());
        fs::create_directories(Out());
        OpenEncrypted(row.method);
        const std::size_t shown = dialogs->Shown().size();
        const qsizetype said = dialogs->Messages().size();
        if (row.typed)
            dialogs->AnswerText(row.typed);
        else
            dialogs->AnswerCancel();
        main->ExtractAllTo("C:\\out");
        const auto boxes = PasswordBoxes(shown);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, "Password");
        EXPECT_EQ(boxes[0].text, "Files in enc.zip are encrypted. Password:");
        EXPECT_EQ(TreeBelow(Out()), row.extracted); // no partial or temporary file
        if (row.extracted == everything) {
            EXPECT_TRUE(ReadHostFile(Out() + "/docs/secret.txt") == kSecret);
        }
        EXPECT_EQ(dialogs->Messages().mid(said), row.messages);
        EXPECT_TRUE(main->ZipMaster1.Password.empty());
        Restart(); // the settings are written
        EXPECT_EQ(FilesHolding(kPassword), std::vector<std::string>{});
    }
}

TEST_F(Password, RunAndViewAskOnlyForEncryptedEntries) {
    OpenEncrypted("AES256");
    // A plain entry alone needs no password (a box nobody scripted would fail the test).
    Select("plain.txt");
    main->ExtractSelected("C:\\");
    EXPECT_EQ(ReadHostFile(DriveC() + "/plain.txt"), "plain");
    EXPECT_TRUE(PasswordBoxes().empty());
    // Run: the encrypted program is extracted with the password and started.
    Select("tool.exe");
    dialogs->AnswerText(kPassword);
    main->SpeedButton3Click();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(ReadHostFile(HostTemp() + "/tool.exe"), kProgram);
    // Cancelled, the run extracts and starts nothing, and says nothing more: the user cancelled,
    // nothing failed. So does a view.
    fs::remove(HostTemp() + "/tool.exe");
    const QStringList said = dialogs->Messages();
    dialogs->AnswerCancel();
    main->SpeedButton3Click();
    EXPECT_EQ(starts.size(), 1u);
    EXPECT_FALSE(HostExists(HostTemp() + "/tool.exe"));
    Select("secret.txt");
    main->ListView1->CurrentView()->setFocus();
    main->activateWindow();
    ASSERT_TRUE(main->ListView1->HasListFocus());
    dialogs->AnswerCancel();
    main->btnViewSelectedClick(); // a viewer nobody scripted would fail the test
    EXPECT_FALSE(HostExists(HostTemp() + "/docs/secret.txt"));
    EXPECT_EQ(dialogs->Messages(), said);
    EXPECT_EQ(PasswordBoxes().size(), 3u);
    EXPECT_TRUE(main->ZipMaster1.Password.empty());
}

TEST_F(Password, TestAsksOnceAndNamesTheEntriesTheWrongPasswordFails) {
    struct Row {
        const char* method;
        const char* typed; // nullptr: Cancel
        QStringList said;
    };
    const Row rows[] = {
        {"ZipCrypto", kPassword, {"All 3 files in enc.zip tested and sound."}},
        {"AES256", kPassword, {"All 3 files in enc.zip tested and sound."}},
        {"ZipCrypto", "wrong", {}},
        {"AES256", "wrong", {}},
        {"AES256", nullptr, {}}, // cancelled: no result, and nothing more said
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.method) + " " + (row.typed ? row.typed : "cancelled"));
        OpenEncrypted(row.method);
        const std::size_t shown = dialogs->Shown().size();
        const qsizetype seen = dialogs->Messages().size();
        const auto before = TreeBelow(MachineRoot());
        if (row.typed)
            dialogs->AnswerText(row.typed);
        else
            dialogs->AnswerCancel();
        main->Item("Test1")->trigger();
        EXPECT_EQ(PasswordBoxes(shown).size(), 1u);
        const QStringList said = dialogs->Messages().mid(seen);
        if (row.typed && std::string(row.typed) == "wrong") {
            // Only the two encrypted entries are named, each with the password as the reason.
            ASSERT_EQ(said.size(), 1);
            const QStringList lines = said[0].split('\n');
            ASSERT_EQ(lines.size(), 3) << said[0].toStdString();
            EXPECT_EQ(lines[0], "2 of 3 files in enc.zip failed the test:");
            EXPECT_TRUE(lines[1].startsWith("Wrong password") && lines[1].endsWith("secret.txt"))
                << lines[1].toStdString();
            EXPECT_TRUE(lines[2].startsWith("Wrong password") && lines[2].endsWith("tool.exe"))
                << lines[2].toStdString();
        } else {
            EXPECT_EQ(said, row.said);
        }
        EXPECT_EQ(TreeBelow(MachineRoot()), before); // nothing written
        EXPECT_TRUE(main->ZipMaster1.Password.empty());
    }
}

TEST_F(Password, ProtectedAddAsksTwiceAndItsFilesOpenOnlyWithThePassword) {
    Start();
    main->AutoRun = false;
    WriteArchive(DriveC() + "/prot.zip", {{"plain.txt", "plain"}});
    main->OpenArchive("C:\\prot.zip");
    WriteHostFile(DriveC() + "/in/docs/secret.txt", kSecret);
    WriteHostFile(DriveC() + "/in/tool.exe", kProgram);
    const std::string archive = DriveC() + "/prot.zip";
    const std::string before = ReadHostFile(archive);
    const QString first = "Password for the files added to prot.zip:";
    const QString again = "Type the password again:";
    struct Row {
        const char* what;
        std::vector<const char*> typed; // nullptr: Cancel
        QStringList prompts;
        QStringList messages;
    };
    const Row rows[] = {
        {"cancelled at first", {nullptr}, {first}, {}},
        {"cancelled when typed again", {"x", nullptr}, {first, again}, {}},
        {"empty, then two that differ, then the same twice",
         {"", "one", "other", kPassword, kPassword},
         {first, first, again, first, again},
         {"The password must not be empty.", "The passwords do not match. Type them again.",
          "2 files were successfully added!"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        dialogs->Act([](QWidget* window) {
            auto* add = static_cast<TAddform*>(window);
            EXPECT_FALSE(add->EncryptCB->isHidden());
            EXPECT_EQ(add->EncryptCB->text(), "Protect With Password");
            add->EncryptCB->setChecked(true);
            add->RecurseCB->setChecked(true);
            add->DirnameCB->setChecked(true);
            add->ListBox1->Add("C:\\in\\*.*");
            add->BitBtn1->click();
            return add->result();
        });
        for (const char* typed : row.typed)
            typed ? dialogs->AnswerText(typed) : dialogs->AnswerCancel();
        const std::size_t shown = dialogs->Shown().size();
        const qsizetype said = dialogs->Messages().size();
        main->AddZipButClick();
        QStringList prompts;
        for (const ShownDialog& box : PasswordBoxes(shown))
            prompts << box.text;
        EXPECT_EQ(prompts, row.prompts);
        EXPECT_EQ(dialogs->Messages().mid(said), row.messages);
        EXPECT_TRUE(main->ZipMaster1.Password.empty());
        if (row.messages.isEmpty()) {
            EXPECT_TRUE(ReadHostFile(archive) == before) << "a cancelled add changed the archive";
        }
    }
    // The new files are AES-256; the entry that was there stays unencrypted, and so does the
    // folder, which holds no data.
    EXPECT_EQ(SevenZipMethods(archive), "in/docs Store\n"
                                        "in/docs/secret.txt AES-256 Deflate\n"
                                        "in/tool.exe AES-256 Deflate\n"
                                        "plain.txt Store\n");
    const auto tested = RunTool({"7zz", "t", std::string("-p") + kPassword, archive});
    EXPECT_EQ(tested.exitCode, 0) << tested.output;
    EXPECT_NE(RunTool({"7zz", "t", archive}).exitCode, 0);
    const auto extracted =
        RunTool({"bsdtar", "-x", "-C", HostTemp(), "--passphrase", kPassword, "-f", archive});
    EXPECT_EQ(extracted.exitCode, 0) << extracted.output;
    EXPECT_TRUE(ReadHostFile(HostTemp() + "/in/docs/secret.txt") == kSecret);
    // Pakrune extracts them after asking for the password.
    fs::create_directories(Out());
    dialogs->AnswerText(kPassword);
    main->ExtractAllTo("C:\\out");
    EXPECT_EQ(PasswordBoxes().back().text, "Files in prot.zip are encrypted. Password:");
    EXPECT_TRUE(ReadHostFile(Out() + "/in/docs/secret.txt") == kSecret);
    EXPECT_EQ(ReadHostFile(Out() + "/in/tool.exe"), kProgram);
    EXPECT_TRUE(main->ZipMaster1.Password.empty());
    Restart(); // the settings are written
    EXPECT_EQ(FilesHolding(kPassword), std::vector<std::string>{});
}
