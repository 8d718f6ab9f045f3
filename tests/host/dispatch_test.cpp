// From the product index to the setup program started: LaunchProduct alone,
// and InitInstance through the selection dialog.
#include "../../app/MasterInstallApp.h"
#include "fakewin/fixture.h"
#include "medium.h"

#include <climits>

namespace {

const char* const kFirstDeviceKey = "HKEY_LOCAL_MACHINE\\Enum\\USB\\VID_0B7C&PID_0F60";
const char* const kDriverIndex = "C:\\Windows\\Inf\\Drvidx.bin";

enum class Prep { None, Kit, DeviceKeys };

class DispatchTest : public FakeWinTest
{
protected:
    CMasterInstallApp app;
};

TEST_F(DispatchTest, EachIndexStartsItsSetupProgramOrNothing)
{
    const struct
    {
        int line;
        int index;
        const char* started;  // null: nothing
        Prep prep;
    } cases[] = {
        { __LINE__, -1, nullptr, Prep::None },
        { __LINE__, 0, "Acrobat4\\ar40eng.exe", Prep::None },
        { __LINE__, 1, "VoUsb.ins\\disk1\\setup.exe", Prep::Kit },
        { __LINE__, 2, "Keil4k.ins\\disk1\\setup.exe", Prep::None },
        { __LINE__, 3, "CTst.ins\\disk1\\setup.exe", Prep::DeviceKeys },
        { __LINE__, 4, nullptr, Prep::None },
        { __LINE__, INT_MIN, nullptr, Prep::None },
        { __LINE__, INT_MAX, nullptr, Prep::None },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line << ": index " << c.index);
        fake::Reset();  // no earlier kit installation: no files, no keys
        app.LaunchProduct(c.index);

        if (!c.started) {
            EXPECT_TRUE(fake::Events().empty()) << "first call: " << fake::Events().front().api;
            continue;
        }
        ASSERT_EQ(fake::WinExecs().size(), 1u);
        EXPECT_EQ(fake::WinExecs()[0].commandLine, c.started);
        EXPECT_EQ(fake::WinExecs()[0].show, static_cast<UINT>(SW_SHOWNOACTIVATE));
        EXPECT_EQ(fake::LastIndexOf("WinExec"), static_cast<int>(fake::Events().size()) - 1) << "the start comes last";
        EXPECT_TRUE(fake::Boxes().empty());
        EXPECT_TRUE(fake::ProcessStarts().empty());
        EXPECT_EQ(fake::Count("MoveFileA"), 0);

        const int kitPrep = fake::IndexOf("RegOpenKeyExA", kFirstDeviceKey);
        const int deviceKeysPrep = fake::IndexOf("DeleteFileA", kDriverIndex);
        switch (c.prep) {
        case Prep::None:
            EXPECT_EQ(fake::Events().size(), 1u) << "nothing is prepared";
            break;
        case Prep::Kit:
            EXPECT_GE(kitPrep, 0);
            EXPECT_EQ(deviceKeysPrep, -1);
            EXPECT_EQ(fake::Count("DeleteFileA"), 0);
            break;
        case Prep::DeviceKeys:
            EXPECT_GE(kitPrep, 0);
            EXPECT_GE(deviceKeysPrep, 0);
            break;
        }
    }
}

TEST_F(DispatchTest, AKitPreparationThatStopsStartsNothing)
{
    fake::AddFile("C:\\Kestrin\\VoUsb\\Uninst.isu");  // an earlier installation
    fake::AnswerBoxes({ IDCANCEL });
    app.LaunchProduct(1);
    ASSERT_EQ(fake::Boxes().size(), 1u);
    EXPECT_EQ(fake::Boxes()[0].caption, "Previous Installation Detected");
    EXPECT_TRUE(fake::WinExecs().empty());
    EXPECT_TRUE(fake::ProcessStarts().empty());
}

// InitInstance with the dialog answered by the given user steps.
class InitInstanceTest : public DispatchTest
{
protected:
    BOOL RunDialog(std::vector<fake::UserStep> user)
    {
        fake::DialogScript script;
        script.user = std::move(user);
        fake::SetDialogScript(script);
        return app.InitInstance();
    }
};

fake::UserStep Click(int id)
{
    return [id](HWND dialog) { fake::Click(dialog, id); };
}

fake::UserStep Close()
{
    return [](HWND dialog) { fake::Deliver(dialog, WM_CLOSE); };
}

TEST_F(InitInstanceTest, TheUsersChoiceDecidesWhatStarts)
{
    const struct
    {
        int line;
        medium::Products products;
        std::vector<fake::UserStep> user;
        INT_PTR dialogResult;
        const char* started;  // null: nothing
    } cases[] = {
        { __LINE__, {}, { Click(IDCANCEL) }, IDCANCEL, nullptr },
        { __LINE__, {}, { Close() }, IDCANCEL, nullptr },
        { __LINE__, {}, { Click(IDOK) }, IDOK, nullptr },
        { __LINE__, {}, { Click(1001), Click(IDOK) }, IDOK, "Acrobat4\\ar40eng.exe" },
        { __LINE__, {}, { Click(1002), Click(IDOK) }, IDOK, "VoUsb.ins\\disk1\\setup.exe" },
        { __LINE__, {}, { Click(1004), Click(IDOK) }, IDOK, "Keil4k.ins\\disk1\\setup.exe" },
        { __LINE__, {}, { Click(1002), Click(1004), Click(IDOK) }, IDOK, "Keil4k.ins\\disk1\\setup.exe" },
        { __LINE__, {}, { Click(1004), Click(IDCANCEL) }, IDCANCEL, nullptr },
        // A missing product's option is disabled: the click does nothing.
        { __LINE__, { false, true, true }, { Click(1001), Click(IDOK) }, IDOK, nullptr },
        { __LINE__, { false, true, true }, { Click(1002), Click(1001), Click(IDOK) }, IDOK, "VoUsb.ins\\disk1\\setup.exe" },
        // The hidden cable test cannot be chosen.
        { __LINE__, {}, { Click(1005), Click(IDOK) }, IDOK, nullptr },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        fake::Reset();
        fake::SetCurrentDirectory("C:\\Medium");
        medium::Lay("C:\\Medium\\", c.products);

        EXPECT_FALSE(RunDialog(c.user));

        ASSERT_EQ(fake::DialogRuns().size(), 1u);
        EXPECT_EQ(fake::DialogRuns()[0].result, c.dialogResult);
        EXPECT_EQ(fake::DialogRuns()[0].stepsRun, static_cast<int>(c.user.size())) << "the dialog ended early";
        if (!c.started) {
            EXPECT_TRUE(fake::WinExecs().empty()) << fake::WinExecs()[0].commandLine;
            EXPECT_EQ(fake::Count("RegOpenKeyExA"), 0) << "nothing chosen, nothing prepared";
        } else {
            ASSERT_EQ(fake::WinExecs().size(), 1u);
            EXPECT_EQ(fake::WinExecs()[0].commandLine, c.started);
            EXPECT_EQ(fake::WinExecs()[0].show, static_cast<UINT>(SW_SHOWNOACTIVATE));
            EXPECT_GT(fake::IndexOf("WinExec"), fake::IndexOf("DialogBoxParamA ended")) << "started after the dialog closed";
        }
        EXPECT_TRUE(fake::Boxes().empty());
    }
}

TEST_F(InitInstanceTest, AMediumOnACdDriveStillStartsTheBareRelativePath)
{
    fake::AddFolder("C:\\Users\\Someone");
    fake::SetCurrentDirectory("C:\\Users\\Someone");
    fake::AddDrive('E', DRIVE_CDROM);
    medium::Lay("E:\\");

    EXPECT_FALSE(RunDialog({ Click(1002), Click(IDOK) }));

    ASSERT_EQ(fake::DialogRuns().size(), 1u);
    EXPECT_TRUE(fake::IsEnabled(fake::Control(fake::DialogRuns()[0].dialog, 1002))) << "the medium was found on E:";
    ASSERT_EQ(fake::WinExecs().size(), 1u);
    EXPECT_EQ(fake::WinExecs()[0].commandLine, "VoUsb.ins\\disk1\\setup.exe");
}

TEST_F(InitInstanceTest, ADialogThatCannotBeMadeStartsNothing)
{
    medium::Lay("C:\\");
    fake::DialogScript script;
    script.failCreation = true;
    fake::SetDialogScript(script);

    EXPECT_FALSE(app.InitInstance());

    ASSERT_EQ(fake::DialogRuns().size(), 1u);
    EXPECT_EQ(fake::DialogRuns()[0].result, -1);
    EXPECT_TRUE(fake::WinExecs().empty());
    EXPECT_EQ(fake::Count("RegOpenKeyExA"), 0);
    EXPECT_TRUE(fake::Boxes().empty());
}

TEST_F(InitInstanceTest, TheWholeStartShowsTemplate102OnceAndEnds)
{
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
    medium::Lay("C:\\");
    fake::DialogScript script;
    script.user = { Click(1001), Click(IDOK) };
    fake::SetDialogScript(script);

    EXPECT_EQ(AfxWinMain(instance, nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL), 0);

    ASSERT_EQ(fake::DialogRuns().size(), 1u);
    EXPECT_EQ(fake::DialogRuns()[0].instance, instance);
    EXPECT_EQ(fake::DialogRuns()[0].templateName, "#102");
    EXPECT_EQ(fake::DialogRuns()[0].owner, nullptr);
    EXPECT_EQ(fake::GetMessageCalls(), 0) << "no message loop";
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    ASSERT_EQ(fake::WinExecs().size(), 1u);
    EXPECT_EQ(fake::WinExecs()[0].commandLine, "Acrobat4\\ar40eng.exe");
}

}  // namespace
