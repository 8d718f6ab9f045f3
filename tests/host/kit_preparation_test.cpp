// Preparing the machine for the kit: uninstalling an earlier installation,
// moving the old INF aside and removing the old driver files, with the user's
// say at each question and a stop at the first failure.
#include "../../app/MasterInstallApp.h"
#include "fakewin/fixture.h"
#include "support/registry_model.h"

#include <functional>
#include <string>
#include <vector>

namespace {

using regmodel::ClassKey;
using regmodel::Device;

const char* const kLog = "C:\\Kestrin\\VoUsb\\Uninst.isu";
const char* const kInf = "C:\\WINDOWS\\INF\\vousb.inf";
const char* const kBak = "C:\\WINDOWS\\INF\\vousb.bak";
const char* const kSys = "C:\\Windows\\System\\vousb.sys";
const char* const kMon = "C:\\Windows\\System\\vomon.sys";
const char* const kUninstallCommand = "C:\\WINDOWS\\uninst.exe IsUninst.exe -y -fC:\\Kestrin\\VoUsb\\Uninst.isu";
const char* const kKitSetup = "VoUsb.ins\\disk1\\setup.exe";

// Files that look like the ones the preparation looks for, and must stay.
const char* const kLookAlikes[] = {
    "C:\\Kestrin\\VoUsb\\Uninst.isu.bak", "C:\\Kestrin\\Uninst.isu",     "C:\\Windows\\Inf\\vousb.inf.txt",
    "C:\\Windows\\Inf\\vousb.old",         "C:\\Windows\\Inf\\vousb1.inf", "C:\\Windows\\System32\\vousb.sys",
    "C:\\Windows\\System\\vousb.vxd",      "C:\\Windows\\System\\vomon.sys.old",
};

struct Message
{
    const char* text;
    const char* caption;
    UINT type;
};

const Message kPrevious = { "Previous Installation detected: It will be uninstalled.\n"
                            "NOTE: Any user-modified files will be retained.\n"
                            "A new install will follow Uninstall.",
                            "Previous Installation Detected", 1 };
const Message kOldInf = { "Old vousb.inf file detected: To avoid conflicts, it will be renamed vousb.old.\n"
                          "NOTE: You must manually add any additional devices if required.",
                          "Old vousb.inf Detected", 1 };
const Message kInfError = { "Error removing C:\\WINDOWS\\INF\\vousb.inf or C:\\WINDOWS\\INF\\vousb.bak: "
                            "Please remove both and reinstall",
                            "Error", 0 };
const Message kSysError = { "Error removing C:\\Windows\\System\\vousb.sys: Please remove it manually", "Error", 0 };
const Message kMonError = { "Error removing C:\\Windows\\System\\vomon.sys: Please remove it manually", "Error", 0 };
const Message* const kMessages[] = { &kPrevious, &kOldInf, &kInfError, &kSysError, &kMonError };

// Lines of the stand-in's trace.
std::string Box(const Message& message)
{
    return std::string("MessageBoxA ") + message.text + " -> " + message.caption;
}
std::string Delete(const char* path)
{
    return std::string("DeleteFileA ") + path;
}
const std::string kStart = std::string("CreateProcessA ") + kUninstallCommand;
const std::string kWait = "WaitForSingleObject process 1 -> INFINITE";
const std::string kCloseThread = "CloseHandle thread 1";
const std::string kCloseProcess = "CloseHandle process 1";
const std::string kMove = std::string("MoveFileA ") + kInf + " -> " + kBak;
const std::string kLaunch = std::string("WinExec ") + kKitSetup + " -> 4";

std::vector<std::string> Uninstall()
{
    return { Box(kPrevious), kStart, kWait, kCloseThread, kCloseProcess };
}

std::vector<std::string> operator+(std::vector<std::string> first, const std::vector<std::string>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

enum class State { Absent, File, Folder };

struct Entry
{
    std::string path;
    State state;
    fake::FileFlags flags;
};

Entry File(const std::string& path, fake::FileFlags flags = {})
{
    return { path, State::File, flags };
}
Entry Folder(const std::string& path)
{
    return { path, State::Folder, {} };
}
const fake::FileFlags kInUse = { false, true };
const fake::FileFlags kReadOnly = { true, false };

struct Scenario
{
    int line;
    const char* what;
    std::vector<Entry> setup;
    std::vector<int> answers;
    DWORD startError;                   // 0: the uninstaller starts
    std::function<void()> uninstaller;  // what the started uninstaller does, if anything
    BOOL result;
    std::vector<std::string> trace;
    std::vector<std::pair<std::string, State>> changes;  // paths that end up otherwise than set up
};

const std::vector<std::string> kTraced = { "MessageBoxA", "CreateProcessA", "WaitForSingleObject", "CloseHandle",
                                           "DeleteFileA", "MoveFileA", "WinExec" };

std::vector<std::string> TraceOfInterest()
{
    std::vector<std::string> lines;
    for (const fake::Event& event : fake::Events())
        for (const std::string& api : kTraced)
            if (event.api == api)
                lines.push_back(event.api + " " + event.subject + (event.detail.empty() ? "" : " -> " + event.detail));
    return lines;
}

// Device key 1 with two instances (and their class keys), device key 2 with one.
void AddDevices()
{
    regmodel::AddClassKey("USB\\0000");
    regmodel::AddClassKey("USB\\0001");
    regmodel::AddClassKey("USB\\1000");
    regmodel::AddInstance(0, "0000", "USB\\0000");
    regmodel::AddInstance(0, "0001", "USB\\0001");
    regmodel::AddInstance(1, "0000", "USB\\1000");
}

::testing::AssertionResult OnlyTheFirstDeviceKeysInstancesWent(const regmodel::Keys& before)
{
    const regmodel::Keys expected = regmodel::Without(before, { Device(0) + "\\0000", Device(0) + "\\0001" });
    return regmodel::SameKeys(expected, regmodel::Snapshot());
}

::testing::AssertionResult InState(const std::string& path, State expected)
{
    const State actual = fake::FolderExists(path) ? State::Folder : fake::FileExists(path) ? State::File : State::Absent;
    if (actual == expected)
        return ::testing::AssertionSuccess();
    static const char* const kNames[] = { "absent", "a file", "a folder" };
    return ::testing::AssertionFailure() << path << " is " << kNames[static_cast<int>(actual)] << ", expected "
                                         << kNames[static_cast<int>(expected)];
}

// Every box: one of the program's messages, with its caption and type, and no owner.
::testing::AssertionResult BoxesAreTheProgramsOwn()
{
    for (const fake::Box& box : fake::Boxes()) {
        const Message* known = nullptr;
        for (const Message* message : kMessages)
            if (box.text == message->text)
                known = message;
        if (!known)
            return ::testing::AssertionFailure() << "unknown box text: " << box.text;
        if (box.caption != known->caption || box.type != known->type || box.owner != nullptr)
            return ::testing::AssertionFailure() << "box \"" << box.caption << "\" type " << box.type << " owner "
                                                 << box.owner << " for: " << box.text;
    }
    return ::testing::AssertionSuccess();
}

// Index of the first event that looks at or changes files, starts a program or shows a box.
int FirstNonRegistryStep()
{
    const std::vector<fake::Event>& events = fake::Events();
    for (size_t i = 0; i < events.size(); ++i)
        if (events[i].api.compare(0, 3, "Reg") != 0)
            return static_cast<int>(i);
    return static_cast<int>(events.size());
}

class KitPreparationTest : public FakeWinTest
{
protected:
    CMasterInstallApp app;
};

TEST_F(KitPreparationTest, Scenarios)
{
    const Scenario scenarios[] = {
        { __LINE__, "nothing left from before, only look-alikes", {}, {}, 0, nullptr, TRUE, {}, {} },
        { __LINE__, "previous installation, Cancel",
          { File(kLog), File(kInf), File(kBak), File(kSys), File(kMon) }, { IDCANCEL }, 0, nullptr, FALSE,
          { Box(kPrevious) }, {} },
        { __LINE__, "previous installation, the box fails",
          { File(kLog), File(kInf), File(kSys) }, { 0 }, 0, nullptr, FALSE, { Box(kPrevious) }, {} },
        { __LINE__, "previous installation, OK",
          { File(kLog) }, { IDOK }, 0, nullptr, TRUE, Uninstall(), {} },
        { __LINE__, "the uninstall log is a folder",
          { Folder(kLog) }, { IDOK }, 0, nullptr, TRUE, Uninstall(), {} },
        { __LINE__, "the uninstaller does not start: the INF step follows",
          { File(kLog), File(kInf) }, { IDOK, IDOK }, ERROR_FILE_NOT_FOUND, nullptr, TRUE,
          { Box(kPrevious), kStart, Box(kOldInf), kMove },
          { { kInf, State::Absent }, { kBak, State::File } } },
        { __LINE__, "everything there, everything goes",
          { File(kLog), File(kInf), File(kBak), File(kSys), File(kMon) }, { IDOK, IDOK }, 0, nullptr, TRUE,
          Uninstall() + std::vector<std::string>{ Box(kOldInf), Delete(kBak), kMove, Delete(kSys), Delete(kMon) },
          { { kInf, State::Absent }, { kSys, State::Absent }, { kMon, State::Absent } } },
        { __LINE__, "the uninstaller frees vousb.sys before it is removed",
          { File(kLog), File(kSys, kInUse) }, { IDOK }, 0, [] { fake::SetFileFlags(kSys, {}); }, TRUE,
          Uninstall() + std::vector<std::string>{ Delete(kSys) }, { { kSys, State::Absent } } },
        { __LINE__, "INF and backup: the backup goes, then the rename",
          { File(kInf), File(kBak) }, { IDOK }, 0, nullptr, TRUE,
          { Box(kOldInf), Delete(kBak), kMove }, { { kInf, State::Absent } } },
        { __LINE__, "INF alone",
          { File(kInf) }, { IDOK }, 0, nullptr, TRUE,
          { Box(kOldInf), kMove }, { { kInf, State::Absent }, { kBak, State::File } } },
        { __LINE__, "a read-only INF is renamed all the same",
          { File(kInf, kReadOnly) }, { IDOK }, 0, nullptr, TRUE,
          { Box(kOldInf), kMove }, { { kInf, State::Absent }, { kBak, State::File } } },
        { __LINE__, "backup alone stays, no question",
          { File(kBak) }, {}, 0, nullptr, TRUE, {}, {} },
        { __LINE__, "Cancel on the INF box",
          { File(kInf), File(kBak), File(kSys), File(kMon) }, { IDCANCEL }, 0, nullptr, FALSE,
          { Box(kOldInf) }, {} },
        { __LINE__, "Cancel on the INF box after the uninstaller ran",
          { File(kLog), File(kInf), File(kSys) }, { IDOK, IDCANCEL }, 0, nullptr, FALSE,
          Uninstall() + std::vector<std::string>{ Box(kOldInf) }, {} },
        { __LINE__, "backup in use",
          { File(kInf), File(kBak, kInUse), File(kSys), File(kMon) }, { IDOK, IDOK }, 0, nullptr, FALSE,
          { Box(kOldInf), Delete(kBak), Box(kInfError) }, {} },
        { __LINE__, "backup read-only",
          { File(kInf), File(kBak, kReadOnly), File(kSys), File(kMon) }, { IDOK, IDOK }, 0, nullptr, FALSE,
          { Box(kOldInf), Delete(kBak), Box(kInfError) }, {} },
        { __LINE__, "backup is a folder",
          { File(kInf), Folder(kBak), File(kSys) }, { IDOK, IDOK }, 0, nullptr, FALSE,
          { Box(kOldInf), Delete(kBak), Box(kInfError) }, {} },
        { __LINE__, "INF in use: the backup already removed stays removed",
          { File(kInf, kInUse), File(kBak), File(kSys), File(kMon) }, { IDOK, IDOK }, 0, nullptr, FALSE,
          { Box(kOldInf), Delete(kBak), kMove, Box(kInfError) }, { { kBak, State::Absent } } },
        { __LINE__, "vousb.sys in use",
          { File(kSys, kInUse), File(kMon) }, { IDOK }, 0, nullptr, FALSE,
          { Delete(kSys), Box(kSysError) }, {} },
        { __LINE__, "vousb.sys read-only",
          { File(kSys, kReadOnly), File(kMon) }, { IDOK }, 0, nullptr, FALSE,
          { Delete(kSys), Box(kSysError) }, {} },
        { __LINE__, "vousb.sys is a folder",
          { Folder(kSys), File(kMon) }, { IDOK }, 0, nullptr, FALSE,
          { Delete(kSys), Box(kSysError) }, {} },
        { __LINE__, "vomon.sys alone goes silently",
          { File(kMon) }, {}, 0, nullptr, TRUE, { Delete(kMon) }, { { kMon, State::Absent } } },
        { __LINE__, "vomon.sys in use",
          { File(kSys), File(kMon, kInUse) }, { IDOK }, 0, nullptr, FALSE,
          { Delete(kSys), Delete(kMon), Box(kMonError) }, { { kSys, State::Absent } } },
        { __LINE__, "vomon.sys read-only",
          { File(kMon, kReadOnly) }, { IDOK }, 0, nullptr, FALSE,
          { Delete(kMon), Box(kMonError) }, {} },
        { __LINE__, "names in another case are the same files",
          { File("c:\\kestrin\\vousb\\UNINST.ISU"), File("C:\\Windows\\Inf\\VOUSB.INF"),
            File("c:\\WINDOWS\\system\\VOUSB.SYS"), File("C:\\WINDOWS\\SYSTEM\\VoMon.Sys") },
          { IDOK, IDOK }, 0, nullptr, TRUE,
          Uninstall() + std::vector<std::string>{ Box(kOldInf), kMove, Delete(kSys), Delete(kMon) },
          { { kInf, State::Absent }, { kBak, State::File }, { kSys, State::Absent }, { kMon, State::Absent } } },
    };

    for (const Scenario& s : scenarios) {
        for (bool throughLaunch : { false, true }) {
            SCOPED_TRACE(testing::Message() << "scenario at line " << s.line << ": " << s.what
                                            << (throughLaunch ? " (through LaunchProduct)" : ""));
            fake::Reset();
            AddDevices();
            for (const char* path : kLookAlikes)
                fake::AddFile(path);
            for (const Entry& entry : s.setup) {
                if (entry.state == State::Folder)
                    fake::AddFolder(entry.path);
                else
                    fake::AddFile(entry.path, entry.flags);
            }
            for (int answer : s.answers)
                fake::AnswerBoxes({ answer });
            if (s.startError)
                fake::FailProcessStarts(s.startError);
            if (s.uninstaller)
                fake::OnProcessStart([&](const fake::ProcessStart&) { s.uninstaller(); });
            const regmodel::Keys before = regmodel::Snapshot();

            if (throughLaunch)
                app.LaunchProduct(1);
            else
                EXPECT_EQ(app.PrepareKit(), s.result);

            std::vector<std::string> trace = s.trace;
            if (throughLaunch && s.result)
                trace.push_back(kLaunch);
            EXPECT_EQ(TraceOfInterest(), trace);
            EXPECT_TRUE(BoxesAreTheProgramsOwn());
            EXPECT_EQ(fake::UnusedBoxAnswers(), 0);
            if (throughLaunch && s.result) {
                ASSERT_EQ(fake::WinExecs().size(), 1u);
                EXPECT_EQ(fake::WinExecs()[0].show, static_cast<UINT>(SW_SHOWNOACTIVATE));
            }

            // The instances go first, whatever follows.
            EXPECT_TRUE(OnlyTheFirstDeviceKeysInstancesWent(before));
            EXPECT_GT(FirstNonRegistryStep(), fake::LastIndexOf("RegDeleteKeyA"));

            std::vector<std::pair<std::string, State>> expected;
            for (const char* path : kLookAlikes)
                expected.push_back({ path, State::File });
            for (const char* path : { kLog, kInf, kBak, kSys, kMon }) {
                State state = State::Absent;
                for (const Entry& entry : s.setup)
                    if (regmodel::Upper(entry.path) == regmodel::Upper(path))
                        state = entry.state;
                for (const auto& change : s.changes)
                    if (change.first == path)
                        state = change.second;
                expected.push_back({ path, state });
            }
            for (const auto& path : expected)
                EXPECT_TRUE(InState(path.first, path.second));
            EXPECT_EQ(fake::OpenKeyHandles(), 0);
            EXPECT_EQ(fake::OpenProcessHandles(), 0);
            EXPECT_EQ(fake::OpenFindHandles(), 0);
        }
    }
}

TEST_F(KitPreparationTest, TheUninstallerIsStartedExactlyLikeThis)
{
    fake::AddFile(kLog);
    fake::AnswerBoxes({ IDOK });

    EXPECT_TRUE(app.PrepareKit());

    ASSERT_EQ(fake::ProcessStarts().size(), 1u);
    const fake::ProcessStart& start = fake::ProcessStarts()[0];
    EXPECT_FALSE(start.hasApplicationName);
    ASSERT_TRUE(start.hasCommandLine);
    EXPECT_EQ(start.commandLine, kUninstallCommand);
    EXPECT_EQ(start.processAttributes, nullptr);
    EXPECT_EQ(start.threadAttributes, nullptr);
    EXPECT_EQ(start.inheritHandles, TRUE);
    EXPECT_EQ(start.creationFlags, 0x20u);
    EXPECT_EQ(start.environment, nullptr);
    EXPECT_FALSE(start.hasCurrentDirectory);
    ASSERT_TRUE(start.hasStartupInfo);
    // 68 bytes in the 32-bit program; the host build has 64-bit pointers in it.
    static_assert(sizeof(void*) != 4 || sizeof(STARTUPINFOA) == 68, "STARTUPINFOA layout");
    EXPECT_EQ(start.startupInfo.cb, sizeof(STARTUPINFOA));
    ASSERT_EQ(start.startupBytes.size(), sizeof(STARTUPINFOA));
    for (size_t i = sizeof(DWORD); i < start.startupBytes.size(); ++i)
        EXPECT_EQ(start.startupBytes[i], 0) << "STARTUPINFOA byte " << i;
    ASSERT_EQ(start.processInformationBytes.size(), sizeof(PROCESS_INFORMATION));
    for (size_t i = 0; i < start.processInformationBytes.size(); ++i)
        EXPECT_EQ(start.processInformationBytes[i], 0) << "PROCESS_INFORMATION byte " << i;

    ASSERT_EQ(fake::Waits().size(), 1u);
    EXPECT_EQ(fake::Waits()[0].handle, start.process);
    EXPECT_EQ(fake::Waits()[0].timeout, INFINITE);
    EXPECT_EQ(fake::ClosedHandles(), (std::vector<HANDLE>{ start.thread, start.process }));
}

TEST_F(KitPreparationTest, AFailedStartIsNeitherWaitedForNorClosed)
{
    fake::AddFile(kLog);
    fake::AnswerBoxes({ IDOK });
    fake::FailProcessStarts(ERROR_ACCESS_DENIED);

    EXPECT_TRUE(app.PrepareKit());

    EXPECT_EQ(fake::ProcessStarts().size(), 1u);
    EXPECT_TRUE(fake::Waits().empty());
    EXPECT_TRUE(fake::ClosedHandles().empty());
    EXPECT_EQ(fake::Boxes().size(), 1u) << "no message about the failed start";
}

DWORD SizeOf(const char* path)
{
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "not found: " << path;
        return 0;
    }
    FindClose(search);
    return found.nFileSizeLow;
}

TEST_F(KitPreparationTest, TheBackupIsTheOldInfNotTheOlderBackup)
{
    fake::AddFile(kInf, {}, 1111);
    fake::AddFile(kBak, {}, 2222);
    fake::AnswerBoxes({ IDOK });

    EXPECT_TRUE(app.PrepareKit());

    EXPECT_FALSE(fake::FileExists(kInf));
    EXPECT_EQ(SizeOf(kBak), 1111u);
}

TEST_F(KitPreparationTest, APreparationThatFailsStartsNoSetup)
{
    const struct
    {
        int line;
        std::vector<Entry> setup;
        std::vector<int> answers;
    } cases[] = {
        { __LINE__, { File(kLog) }, { IDCANCEL } },
        { __LINE__, { File(kInf) }, { IDCANCEL } },
        { __LINE__, { File(kInf), File(kBak, kInUse) }, { IDOK, IDOK } },
        { __LINE__, { File(kSys, kInUse) }, { IDOK } },
        { __LINE__, { File(kMon, kInUse) }, { IDOK } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        fake::Reset();
        for (const Entry& entry : c.setup)
            fake::AddFile(entry.path, entry.flags);
        for (int answer : c.answers)
            fake::AnswerBoxes({ answer });

        app.LaunchProduct(1);

        EXPECT_TRUE(fake::WinExecs().empty());
        EXPECT_EQ(fake::UnusedBoxAnswers(), 0);
    }
}

}  // namespace
