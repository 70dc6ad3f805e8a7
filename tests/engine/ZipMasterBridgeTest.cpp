// The component's side of the engine call, against stand-in engine libraries: the command records
// for each option, the checks before the call, the callbacks, faults and missing libraries.
#include "engine/ZipMstr.h"
#include "fake/FakeEngine.h"
#include "platform/Files.h"
#include "platform/UserNotice.h"
#include "platform/Volumes.h"

#include "TestMachine.h"
#include "ZipBytes.h"

#include <dlfcn.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;

namespace {

const std::string kFakes = FAKE_ENGINES_DIR;

class Bridge : public ::testing::Test {
protected:
    void SetUp() override { UseEngines("complete"); }

    void UseEngines(const std::string& variant) {
        Release();
        platform::OverrideProgramPath(kFakes + "/" + variant + "/pakrune");
        platform::SetMessageSink([this](const std::string& text) { messages.push_back(text); });
        // Hold the stand-ins loaded, so their records outlive the component's unloading.
        for (const char* name : {"libzipdll.so", "libunzdll.so"})
            handles.push_back(::dlopen((kFakes + "/" + variant + "/" + name).c_str(), RTLD_NOW));
        zipLog = reinterpret_cast<FakeLog* (*)()>(::dlsym(handles[0], "FakeEngineLog"))();
        zipScript = reinterpret_cast<FakeScript* (*)()>(::dlsym(handles[0], "FakeEngineScript"))();
        unzLog = reinterpret_cast<FakeLog* (*)()>(::dlsym(handles[1], "FakeEngineLog"))();
        unzScript = reinterpret_cast<FakeScript* (*)()>(::dlsym(handles[1], "FakeEngineScript"))();
        *zipLog = {};
        *zipScript = {};
        *unzLog = {};
        *unzScript = {};
        zip.OnDirUpdate = [this](TZipMaster*) { ++rereads; };
        WriteHostFile(DriveC() + "/a.zip", zipbytes::Archive({{"doc/a.txt", "a"}}));
    }
    void Release() {
        TZipMaster::UnloadZipEngine();
        TZipMaster::UnloadUnzEngine();
        for (void* handle : handles)
            ::dlclose(handle);
        handles.clear();
    }
    void TearDown() override {
        Release();
        platform::SetMessageSink(nullptr);
        platform::OverrideProgramPath("");
    }

    // Sets the archive and forgets what its listing said.
    void Archive(const std::string& path) {
        zip.SetZipFilename(path);
        messages.clear();
        rereads = 0;
    }

    TZipMaster zip{reinterpret_cast<void*>(0x1234)};
    std::vector<void*> handles;
    FakeLog* zipLog = nullptr;
    FakeScript* zipScript = nullptr;
    FakeLog* unzLog = nullptr;
    FakeScript* unzScript = nullptr;
    std::vector<std::string> messages;
    int rereads = 0;
};

} // namespace

TEST_F(Bridge, AddFillsTheRecordFromTheOptions) {
    struct Row {
        AddOpts options;
        std::int32_t noDirNames, recurse, move, update, freshen, encrypt, hidden, forceDos, zipTime;
    };
    const Row rows[] = {
        {0, -1, 0, 0, 0, 0, 0, 0, 0, 0},
        {AddDirNames | AddRecurseDirs, 0, -1, 0, 0, 0, 0, 0, 0, 0},
        {AddFreshen, -1, 0, 0, 0, -1, 0, 0, 0, 0},
        {AddFreshen | AddUpdate, -1, 0, 0, -1, 0, 0, 0, 0, 0}, // update wins
        {AddMove | AddEncrypt | AddHiddenFiles | AddForceDOS | AddZipTime, -1, 0, -1, 0, 0, -1, -1,
         -1, -1},
    };
    Archive("C:\\new.zip"); // need not exist
    for (const auto& row : rows) {
        zip.AddOptions = row.options;
        zip.FSpecArgs = {"C:\\data\\*.*", "C:\\readme.txt"};
        zip.Add();
        const ZipCommand& c = zipLog->zip;
        EXPECT_EQ(c.NoDirNamesFlag, row.noDirNames);
        EXPECT_EQ(c.RecurseFlag, row.recurse);
        EXPECT_EQ(c.MoveFlag, row.move);
        EXPECT_EQ(c.UpdateFlag, row.update);
        EXPECT_EQ(c.FreshenFlag, row.freshen);
        EXPECT_EQ(c.EncryptFlag, row.encrypt);
        EXPECT_EQ(c.HiddenFilesFlag, row.hidden);
        EXPECT_EQ(c.ForceDosFlag, row.forceDos);
        EXPECT_EQ(c.ZipTimeFlag, row.zipTime);
        EXPECT_EQ(c.DeleteFlag, 0);
    }
    const ZipCommand& c = zipLog->zip;
    EXPECT_EQ(c.OwnerWindow, reinterpret_cast<void*>(0x1234));
    EXPECT_EQ(c.Caller, &zip);
    EXPECT_EQ(c.CallbackProc, &TZipMaster::EngineCallback);
    EXPECT_EQ(c.Reserved8, 130);
    EXPECT_EQ(c.Reserved44, -1);
    EXPECT_EQ(c.Reserved56, -1);
    EXPECT_EQ(c.Reserved80, -1);
    EXPECT_EQ(c.Reserved128, 7);
    EXPECT_EQ(c.CompressionLevel, 9);
    EXPECT_EQ(c.TraceFlag, 0);
    EXPECT_EQ(c.VerboseFlag, 0);
    EXPECT_EQ(c.SpecCount, 2);
    EXPECT_EQ(zipLog->specs, (std::vector<std::string>{"C:\\data\\*.*", "C:\\readme.txt"}));
    EXPECT_EQ(zipLog->archive, "C:\\new.zip");
    EXPECT_EQ(zipLog->password, "");
    EXPECT_TRUE(zip.FSpecArgs.empty());
    EXPECT_EQ(rereads, 0);                       // the engine returned 0: no re-read
    EXPECT_FALSE(TZipMaster::ZipEngineLoaded()); // loaded for the call only
}

TEST_F(Bridge, DeleteAndExtractRecords) {
    Archive("C:\\a.zip");
    zip.AddOptions =
        AddRecurseDirs | AddMove | AddHiddenFiles | AddForceDOS | AddUpdate | AddEncrypt;
    zip.FSpecArgs = {"doc/a.txt"};
    zipScript->result = 1;
    zip.Delete();
    const ZipCommand& d = zipLog->zip;
    EXPECT_EQ(d.DeleteFlag, -1);
    EXPECT_EQ(d.Reserved80, 0);
    EXPECT_EQ(d.NoDirNamesFlag, 0);
    EXPECT_EQ(d.RecurseFlag, 0);
    EXPECT_EQ(d.MoveFlag, 0);
    EXPECT_EQ(d.UpdateFlag, 0);
    EXPECT_EQ(d.EncryptFlag, 0);
    EXPECT_EQ(d.HiddenFilesFlag, -1); // as for an add
    EXPECT_EQ(d.ForceDosFlag, -1);
    EXPECT_EQ(rereads, 1); // a positive count re-reads the archive

    ASSERT_TRUE(win::CreateDirectoryA("C:\\out", nullptr));
    zip.ExtrBaseDir = "c:\\OUT";
    zip.ExtrOptions = ExtrDirNames | ExtrOverWrite | ExtrFreshen | ExtrUpdate | ExtrTest;
    zip.Password = "secret";
    zip.Trace = true;
    zip.FSpecArgs = {"*.*"};
    zip.Extract();
    const UnzCommand& u = unzLog->unz;
    EXPECT_EQ(u.DirNamesFlag, -1);
    EXPECT_EQ(u.OverwriteFlag, -1);
    EXPECT_EQ(u.UpdateFlag, -1);
    EXPECT_EQ(u.FreshenFlag, 0); // update wins
    EXPECT_EQ(u.TestFlag, -1);
    EXPECT_EQ(u.TraceFlag, -1);
    EXPECT_EQ(u.VerboseFlag, -1); // trace forces verbose
    EXPECT_EQ(u.Reserved8, 130);
    EXPECT_EQ(u.Reserved40, -1);
    EXPECT_EQ(u.Reserved72, 7);
    EXPECT_EQ(unzLog->password, "secret");
    EXPECT_EQ(unzLog->currentFolder,
              DriveC() + "/out"); // the engine extracts into the current folder
    EXPECT_EQ(messages, std::vector<std::string>{"UNZ DLL Loaded"});

    // A base folder that does not exist is refused: the engine is not called, so nothing lands
    // in whatever folder is current.
    messages.clear();
    const int calls = unzLog->unzCalls;
    zip.ExtrBaseDir = "C:\\missing";
    zip.FSpecArgs = {"*.*"};
    zip.Extract();
    EXPECT_EQ(unzLog->unzCalls, calls);
    EXPECT_EQ(messages,
              std::vector<std::string>{"Error - extract folder C:\\missing does not exist"});
    EXPECT_EQ(zip.FSpecArgs, std::vector<std::string>{"*.*"}); // stopped before the call
}

TEST_F(Bridge, ChecksBeforeTheCallKeepTheSpecifications) {
    Archive("");
    zip.Add(); // no specifications comes first, also without an archive
    zip.FSpecArgs = {"x"};
    zip.Add();
    zip.Delete();
    zip.SetZipFilename("C:\\missing.zip");
    zip.Delete();
    zip.Extract();
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "Error - no files to zip", "Error - no zip file specified",
                            "Error - no zip file specified", "Error - no zip file specified",
                            "Error - no zip file specified"}));
    EXPECT_EQ(zip.FSpecArgs, std::vector<std::string>{"x"});
    EXPECT_EQ(zipLog->zipCalls + unzLog->unzCalls, 0);
    zip.Add(); // to an archive that does not exist yet: the engine makes it
    EXPECT_EQ(zipLog->zipCalls, 1);
}

TEST_F(Bridge, MissingLibrariesAndEntryPoints) {
    Archive("C:\\a.zip");
    platform::OverrideProgramPath(MachineRoot() + "/empty/pakrune");
    Release();
    zip.FSpecArgs = {"x"};
    zip.Add();
    zip.Extract();
    EXPECT_EQ(messages, (std::vector<std::string>{"ZIPDLL.DLL not found", "UNZDLL.DLL not found"}));
    EXPECT_EQ(zip.FSpecArgs, std::vector<std::string>{"x"}); // stopped before the call
    EXPECT_FALSE(zip.ZipBusy());
    EXPECT_FALSE(zip.UnzBusy());

    UseEngines("complete");
    Archive("C:\\a.zip");
    zipScript->result = 5;
    zip.FSpecArgs = {"x"};
    zip.Add();
    ASSERT_EQ(zip.ResultCount(), 5);

    UseEngines("no-exec");
    Archive("C:\\a.zip");
    zip.FSpecArgs = {"x"};
    zip.Add();
    EXPECT_EQ(messages, (std::vector<std::string>{"ZipDllExec function not found in ZIPDLL.DLL",
                                                  "Fatal DLL Error: abort exception"}));
    EXPECT_TRUE(zip.FSpecArgs.empty());
    EXPECT_EQ(zip.ResultCount(), 0); // nothing from the earlier call survives the fault
    EXPECT_EQ(rereads, 0);           // and so the archive is not read again

    UseEngines("no-version");
    Archive("C:\\a.zip");
    zip.FSpecArgs = {"x"};
    zip.Extract();
    EXPECT_EQ(messages,
              std::vector<std::string>{"GetUnzDllVersion function not found in UNZDLL.DLL"});
    EXPECT_EQ(unzLog->unzCalls, 1);
}

TEST_F(Bridge, AFaultingEngineIsContained) {
    Archive("C:\\a.zip");
    unzScript->result = 3;
    zip.FSpecArgs = {"*.*"};
    zip.Extract();
    unzScript->fault = true;
    zip.FSpecArgs = {"*.*"};
    zip.Extract();
    EXPECT_EQ(messages, std::vector<std::string>{"Fatal DLL Error: abort exception"});
    EXPECT_EQ(zip.ResultCount(), 0);
    EXPECT_FALSE(zip.UnzBusy());
}

TEST_F(Bridge, CallbacksBecomeEventsAndTheAnswerCarriesTheAbort) {
    Archive("C:\\a.zip");
    std::vector<std::string> events;
    zip.OnProgress = [&](TZipMaster* sender, ProgressType type, const std::string& name,
                         std::int32_t size) {
        EXPECT_EQ(sender, &zip);
        events.push_back(std::to_string(static_cast<int>(type)) + "|" + name + "|" +
                         std::to_string(size));
        if (name == "stop.bin")
            zip.AbortFlag = true;
    };
    zip.OnMessage = [&](TZipMaster*, std::int32_t code, const std::string& text) {
        events.push_back("m" + std::to_string(code) + "|" + text + "|");
    };
    unzScript->callbacks = {
        {1, 0, 70000, "doc/a.txt"}, {2, 0, 0, ""},  {4, 7, 0, "crlf\r\n"}, {6, 8, 0, "cut\nX"},
        {4, 1, 0, "single\r"},      {4, 2, 0, "x"}, {5, 0, 0, "2049:77"},  {0, 0, 0, "ignored"},
        {1, 0, 1, "stop.bin"},      {3, 0, 0, ""}};
    zip.FSpecArgs = {"*.*"};
    zip.Extract();
    EXPECT_EQ(events, (std::vector<std::string>{"0|doc/a.txt|70000", "1| |0", "m7|crlf|", "m8|cut|",
                                                "m1|single|", "m2|x|", "0|stop.bin|1", "2| |0"}));
    // A written file is no event: its identity is kept for the caller.
    EXPECT_EQ(zip.WrittenFiles(), (std::vector<FileIdentity>{{2049, 77}}));
    EXPECT_EQ(unzLog->answers, (std::vector<std::int32_t>{0, 0, 0, 0, 0, 0, 0, 0, -1, -1}));
    EXPECT_FALSE(zip.AbortFlag); // cleared after the call
}

TEST_F(Bridge, BusyComponentsRefuseNestedCalls) {
    Archive("C:\\a.zip");
    int nested = 0;
    zip.OnProgress = [&](TZipMaster*, ProgressType, const std::string&, std::int32_t) {
        if (nested++ > 0)
            return;
        EXPECT_TRUE(zip.ZipBusy());
        zip.FSpecArgs = {"again"};
        zip.Add(); // returns at once
        EXPECT_EQ(zip.FSpecArgs, std::vector<std::string>{"again"});
        zip.Extract(); // the other engine may run
    };
    zipScript->callbacks = {{1, 0, 1, "a"}};
    zip.FSpecArgs = {"a"};
    zip.Add();
    EXPECT_EQ(zipLog->zipCalls, 1);
    EXPECT_EQ(unzLog->unzCalls, 1);
    EXPECT_FALSE(zip.ZipBusy());
}

TEST_F(Bridge, MoreSpecificationsThanTheRecordHoldsGoInSeveralCalls) {
    Archive("C:\\a.zip");
    zipScript->result = 2;
    for (int i = 0; i < kMaxSpecs + 10; ++i)
        zip.FSpecArgs.push_back("f" + std::to_string(i));
    zip.FSpecArgs[0] = std::string(400, 'L'); // longer than the documented 256 bytes: kept whole
    zip.Add();
    EXPECT_EQ(zipLog->zipCalls, 2);
    EXPECT_EQ(zipLog->specs.size(), 10u);
    EXPECT_EQ(zip.ResultCount(), 4);
}

TEST_F(Bridge, TheReadingAfterAChangeLetsTheWindowsInAndYieldsToAReadTheyStarted) {
    // Long names make the walk of 60,000 entries take some tens of milliseconds.
    std::vector<zipbytes::Entry> entries;
    for (int i = 0; i < 60000; ++i)
        entries.push_back({std::to_string(i) + std::string(200, 'n'), ""});
    WriteHostFile(DriveC() + "/large.zip", zipbytes::Archive(entries));
    Archive("C:\\large.zip");
    ASSERT_EQ(zip.Count(), 60000);
    // While the archive is read after an add, the user opens another one.
    int turns = 0;
    platform::SetEventPump([&] {
        if (++turns == 1)
            zip.SetZipFilename("C:\\a.zip");
    });
    zipScript->result = 1;
    zip.FSpecArgs = {"x"};
    zip.Add();
    platform::SetEventPump(nullptr);
    EXPECT_GE(turns, 1);
    EXPECT_EQ(zip.ZipFilename(), "C:\\a.zip");
    EXPECT_EQ(zip.Count(), 1); // the listing of the archive opened last stands
    EXPECT_EQ(rereads, 1);
}
