// The start-up body: error mode, names from the program file, and the order
// InitApplication, InitInstance, then Run or ExitInstance.
#include "../../app/MasterInstallApp.h"
#include "fakewin/fixture.h"

#include <string>
#include <vector>

namespace {

const HINSTANCE kInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));

// Records what the framework calls; InitInstance answers as told.
class TestApp : public CWinApp
{
public:
    explicit TestApp(BOOL initAnswer = FALSE, LPCSTR name = nullptr) : CWinApp(name), m_initAnswer(initAnswer) {}

    BOOL InitApplication() override
    {
        calls.push_back("InitApplication");
        return TRUE;
    }
    BOOL InitInstance() override
    {
        calls.push_back("InitInstance");
        mainWndDuringInit = m_pMainWnd;
        errorModeDuringInit = fake::ErrorMode();
        return m_initAnswer;
    }
    int Run() override
    {
        calls.push_back("Run");
        return 41;
    }
    int ExitInstance() override
    {
        calls.push_back("ExitInstance");
        return 17;
    }

    std::vector<std::string> calls;
    CWnd* mainWndDuringInit = reinterpret_cast<CWnd*>(0xdeadbeef);
    UINT errorModeDuringInit = 0xdeadbeef;

private:
    BOOL m_initAnswer;
};

// Keeps CWinApp::Run, so the message loop is really entered.
class LoopApp : public CWinApp
{
public:
    BOOL InitInstance() override { return TRUE; }
    int ExitInstance() override { return 23; }
};

class StartupTest : public FakeWinTest
{
};

TEST_F(StartupTest, ErrorModeGainsBothFlagsAndKeepsTheOnesInForce)
{
    const struct
    {
        int line;
        UINT start;
        UINT expected;
    } cases[] = {
        { __LINE__, 0x0000, 0x8001 },
        { __LINE__, SEM_NOALIGNMENTFAULTEXCEPT, 0x8005 },
        { __LINE__, SEM_NOGPFAULTERRORBOX, 0x8003 },
        { __LINE__, SEM_FAILCRITICALERRORS, 0x8001 },
        { __LINE__, SEM_NOOPENFILEERRORBOX, 0x8001 },
        { __LINE__, 0x8007, 0x8007 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        fake::Reset();
        fake::SetStartErrorMode(c.start);
        TestApp app;
        AfxWinMain(kInstance, nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL);
        EXPECT_EQ(fake::ErrorMode(), c.expected);
        // Read with SetErrorMode(0), then set once: no other mode is ever in force.
        EXPECT_EQ(fake::ErrorModeCalls(), (std::vector<UINT>{ 0, c.expected }));
    }
}

TEST_F(StartupTest, ErrorModeIsInForceBeforeInitInstance)
{
    fake::SetStartErrorMode(SEM_NOALIGNMENTFAULTEXCEPT);
    TestApp app;
    AfxWinMain(kInstance, nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL);
    EXPECT_EQ(app.errorModeDuringInit, 0x8005u);
}

TEST_F(StartupTest, NamesComeFromTheProgramFile)
{
    const struct
    {
        int line;
        const char* module;
        const char* appName;
        const char* helpPath;
        const char* profile;
    } cases[] = {
        { __LINE__, "C:\\Medium\\MasterInstall.exe", "MasterInstall", "C:\\Medium\\MasterInstall.HLP", "MasterInstall.INI" },
        { __LINE__, "C:\\Medium\\Setup", "Setup", "C:\\Medium\\Setup.HLP", "Setup.INI" },
        { __LINE__, "C:\\My.Files\\Setup", "Setup", "C:\\My.Files\\Setup.HLP", "Setup.INI" },
        { __LINE__, "C:\\My.Files\\v1.2\\Set.up.exe", "Set.up", "C:\\My.Files\\v1.2\\Set.up.HLP", "Set.up.INI" },
        { __LINE__, "E:\\MASTER~1.EXE", "MASTER~1", "E:\\MASTER~1.HLP", "MASTER~1.INI" },
        { __LINE__, "\\\\server\\cd.share\\Install.exe", "Install", "\\\\server\\cd.share\\Install.HLP", "Install.INI" },
        { __LINE__, "C:\\Medium\\Prog.", "Prog", "C:\\Medium\\Prog.HLP", "Prog.INI" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line << ": " << c.module);
        fake::Reset();
        fake::SetModuleFileName(c.module);
        TestApp app;
        AfxWinMain(kInstance, nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL);
        EXPECT_STREQ(app.m_strAppName, c.appName);
        EXPECT_STREQ(app.m_strHelpFilePath, c.helpPath);
        EXPECT_STREQ(app.m_strProfileName, c.profile);
        EXPECT_EQ(app.m_hInstance, kInstance);
        EXPECT_EQ(AfxGetResourceHandle(), kInstance);
    }
}

TEST_F(StartupTest, AGivenAppNameStaysAndTheProfileStillNamesTheProgramFile)
{
    TestApp app(FALSE, "Kestrinel Installer");
    AfxWinMain(kInstance, nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL);
    EXPECT_STREQ(app.m_strAppName, "Kestrinel Installer");
    EXPECT_STREQ(app.m_strHelpFilePath, "C:\\Medium\\MasterInstall.HLP");
    EXPECT_STREQ(app.m_strProfileName, "MasterInstall.INI");
}

TEST_F(StartupTest, AProgramPathThatDoesNotFitNamesNothing)
{
    // MAX_PATH holds 259 characters and the null: one more and the path comes back cut.
    const std::string folder = "C:\\" + std::string(240, 'd') + "\\";
    const struct
    {
        int line;
        std::string module;
        bool named;
    } cases[] = {
        { __LINE__, folder + std::string(MAX_PATH - 1 - folder.size() - 4, 'p') + ".exe", true },
        { __LINE__, folder + std::string(MAX_PATH - folder.size() - 4, 'p') + ".exe", false },
        { __LINE__, folder + std::string(MAX_PATH + 20 - folder.size(), 'p') + ".exe", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line << ", length " << c.module.size());
        fake::Reset();
        fake::SetModuleFileName(c.module);
        TestApp app;
        AfxWinMain(kInstance, nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL);
        if (c.named) {
            EXPECT_EQ(std::string(app.m_strHelpFilePath), c.module.substr(0, c.module.size() - 4) + ".HLP");
            EXPECT_EQ(app.m_strAppName.GetLength(), static_cast<int>(c.module.size() - folder.size() - 4));
        } else {
            EXPECT_TRUE(app.m_strAppName.IsEmpty()) << app.m_strAppName;
            EXPECT_TRUE(app.m_strHelpFilePath.IsEmpty()) << app.m_strHelpFilePath;
            EXPECT_TRUE(app.m_strProfileName.IsEmpty()) << app.m_strProfileName;
        }
        // The start goes on either way.
        EXPECT_EQ(app.calls, (std::vector<std::string>{ "InitApplication", "InitInstance", "ExitInstance" }));
    }
}

TEST_F(StartupTest, InitInstanceFalseSkipsRunAndExits)
{
    TestApp app(FALSE);
    const int exitCode = AfxWinMain(kInstance, nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL);
    EXPECT_EQ(app.calls, (std::vector<std::string>{ "InitApplication", "InitInstance", "ExitInstance" }));
    EXPECT_EQ(exitCode, 17);
    EXPECT_EQ(app.mainWndDuringInit, nullptr);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    EXPECT_EQ(fake::Count("DestroyWindow"), 0);
    EXPECT_EQ(fake::GetMessageCalls(), 0);
}

TEST_F(StartupTest, InitInstanceTrueRunsAndLeavesTheEndToRun)
{
    TestApp app(TRUE);
    const int exitCode = AfxWinMain(kInstance, nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL);
    EXPECT_EQ(app.calls, (std::vector<std::string>{ "InitApplication", "InitInstance", "Run" }));
    EXPECT_EQ(exitCode, 41);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
}

TEST_F(StartupTest, TheFrameworksRunLoopsUntilQuitThenExits)
{
    LoopApp app;
    EXPECT_EQ(AfxWinMain(kInstance, nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL), 23);
    EXPECT_EQ(fake::GetMessageCalls(), 1);
    EXPECT_EQ(fake::Count("DispatchMessageA"), 0);
}

TEST_F(StartupTest, WithoutAnApplicationObjectNothingStarts)
{
    ASSERT_EQ(AfxGetApp(), nullptr);
    EXPECT_EQ(AfxWinMain(kInstance, nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL), -1);
    EXPECT_TRUE(fake::Events().empty()) << fake::Events().front().api;
}

TEST_F(StartupTest, AnExceptionFromInitInstanceEndsTheStartQuietly)
{
    class ThrowingApp : public CWinApp
    {
    public:
        explicit ThrowingApp(bool frameworkException) : m_frameworkException(frameworkException) {}
        BOOL InitInstance() override
        {
            if (m_frameworkException)
                throw new CFileException(ERROR_ACCESS_DENIED, "C:\\x");  // must be Delete()d, or ASan reports it
            throw 42;
        }
        int ExitInstance() override
        {
            ++exits;
            return 0;
        }
        int exits = 0;

    private:
        bool m_frameworkException;
    };
    for (bool frameworkException : { true, false }) {
        SCOPED_TRACE(frameworkException ? "CException*" : "int");
        fake::Reset();
        ThrowingApp app(frameworkException);
        int exitCode = 0;
        EXPECT_NO_THROW(exitCode = AfxWinMain(kInstance, nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL));
        EXPECT_EQ(exitCode, -1);
        EXPECT_EQ(app.exits, 0);
        EXPECT_TRUE(fake::Boxes().empty());
    }
}

TEST_F(StartupTest, ThreeDControlsNeedVersionFour)
{
    const struct
    {
        int line;
        DWORD version;  // as GetVersion answers: major in the low byte, minor in the next
        BOOL expected;
    } cases[] = {
        { __LINE__, 0xC0000004, TRUE },   // 4.0, Windows 95
        { __LINE__, 0xC0000A04, TRUE },   // 4.10, Windows 98
        { __LINE__, 0x05650004, TRUE },   // 4.0, NT 4.0
        { __LINE__, 0x0A280105, TRUE },   // 5.1
        { __LINE__, 0x23F00206, TRUE },   // 6.2
        { __LINE__, 0x4000000A, TRUE },   // 10.0
        { __LINE__, 0x04213303, FALSE },  // 3.51
        { __LINE__, 0x80000A03, FALSE },  // 3.10 with Win32s
        { __LINE__, 0x00005F03, FALSE },  // 3.95
        { __LINE__, 0xFFFFFF03, FALSE },  // high bits must not count
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line << ": version " << std::hex << c.version);
        fake::Reset();
        fake::SetVersion(c.version);
        TestApp app;
        EXPECT_EQ(app.Enable3dControlsStatic(), c.expected);
        EXPECT_TRUE(fake::Boxes().empty());
    }
}

TEST_F(StartupTest, TheProgramStartsTheSameOnVersionThree)
{
    // The 3-D look is only a look: on 3.x the dialog still comes, without a complaint.
    for (DWORD version : { 0x04213303u, 0xC0000A04u }) {
        SCOPED_TRACE(testing::Message() << std::hex << version);
        fake::Reset();
        fake::SetVersion(version);
        fake::DialogScript script;
        script.user = { [](HWND dialog) { fake::Command(dialog, IDCANCEL); } };
        fake::SetDialogScript(script);
        CMasterInstallApp app;
        EXPECT_EQ(AfxWinMain(kInstance, nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL), 0);
        EXPECT_EQ(fake::Count("GetVersion"), 1);
        EXPECT_EQ(fake::DialogRuns().size(), 1u);
        EXPECT_TRUE(fake::Boxes().empty());
        EXPECT_TRUE(fake::WinExecs().empty());
    }
}

}  // namespace
