// Finding the medium (the working directory, else the first CD-ROM drive from
// D: to Z: that holds it) and disabling the options whose product is missing.
#include "../../app/MediumDiscovery.h"
#include "../../ui/MasterInstallDlg.h"
#include "fakewin/fixture.h"
#include "medium.h"

#include <string>
#include <vector>

namespace {

const int kOptions[] = { 1001, 1002, 1004 };

class DiscoveryTest : public FakeWinTest
{
protected:
    // Shows the product dialog and cancels it; the window stays readable afterwards.
    HWND ShowDialog(std::function<void(HWND)> beforeInit = nullptr)
    {
        fake::DialogScript script;
        script.beforeInit = std::move(beforeInit);
        script.user = { [](HWND dialog) { fake::Click(dialog, IDCANCEL); } };
        fake::SetDialogScript(script);
        CMasterInstallDlg dialog;
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        return fake::DialogRuns().at(0).dialog;
    }

    static std::vector<int> Disabled(HWND dialog)
    {
        std::vector<int> ids;
        for (int id : { 1001, 1002, 1004, 1005 })
            if (!fake::IsEnabled(fake::Control(dialog, id)))
                ids.push_back(id);
        return ids;
    }

    static std::vector<std::string> Probes()
    {
        return fake::Trace({ "GetDriveTypeA", "GetVolumeInformationA", "FindFirstFileA" });
    }

    static std::vector<std::string> DriveTypeQueries(char from, char to)
    {
        std::vector<std::string> lines;
        for (char letter = from; letter <= to; ++letter)
            lines.push_back(std::string("GetDriveTypeA ") + letter + ":\\");
        return lines;
    }

    static std::vector<std::string> Join(std::vector<std::string> first, const std::vector<std::string>& second)
    {
        first.insert(first.end(), second.begin(), second.end());
        return first;
    }

    // Every event that names the drive, whatever the call.
    static std::vector<std::string> Touching(char letter)
    {
        std::vector<std::string> lines;
        const std::string prefix = std::string(1, letter) + ":";
        for (const fake::Event& event : fake::Events())
            if (event.subject.rfind(prefix, 0) == 0)
                lines.push_back(event.api + " " + event.subject);
        return lines;
    }
};

TEST_F(DiscoveryTest, TheWorkingDirectoryWinsWithoutAskingAnyDrive)
{
    fake::SetCurrentDirectory("C:\\Medium");
    medium::Lay("C:\\Medium\\");
    fake::AddDrive('E', DRIVE_CDROM);
    medium::Lay("E:\\");

    EXPECT_STREQ(FindMediumRoot(), ".\\");

    EXPECT_EQ(fake::Count("GetDriveTypeA"), 0);
    EXPECT_EQ(Probes(), (std::vector<std::string>{ "GetVolumeInformationA C:\\",
                                                   "FindFirstFileA C:\\Medium\\VoUsb.ins\\disk1\\setup.exe -> setup.exe" }));
    EXPECT_EQ(fake::Trace({ "GetFullPathNameA" }),
              std::vector<std::string>{ "GetFullPathNameA .\\VoUsb.ins\\disk1\\setup.exe -> C:\\Medium\\VoUsb.ins\\disk1\\setup.exe" });
}

TEST_F(DiscoveryTest, WithoutACdDriveEveryLetterIsAskedOnceAndZIsTheRoot)
{
    fake::AddDrive('D', DRIVE_FIXED);
    medium::Lay("D:\\");  // not a CD-ROM: never looked into

    const HWND dialog = ShowDialog();

    const std::vector<std::string> zTests = {
        "GetFullPathNameA Z:\\Acrobat4\\ar40eng.exe -> Z:\\Acrobat4\\ar40eng.exe",
        "GetFullPathNameA Z:\\VoUsb.ins\\disk1\\setup.exe -> Z:\\VoUsb.ins\\disk1\\setup.exe",
        "GetFullPathNameA Z:\\Keil4k.ins\\disk1\\setup.exe -> Z:\\Keil4k.ins\\disk1\\setup.exe",
    };
    EXPECT_EQ(fake::Trace({ "GetFullPathNameA" }),
              Join({ "GetFullPathNameA .\\VoUsb.ins\\disk1\\setup.exe -> C:\\VoUsb.ins\\disk1\\setup.exe" }, zTests));
    EXPECT_EQ(Probes(), Join(Join({ "GetVolumeInformationA C:\\", "FindFirstFileA C:\\VoUsb.ins\\disk1\\setup.exe" },
                                  DriveTypeQueries('D', 'Z')),
                             { "GetVolumeInformationA Z:\\", "GetVolumeInformationA Z:\\", "GetVolumeInformationA Z:\\" }));
    EXPECT_EQ(Touching('D'), std::vector<std::string>{ "GetDriveTypeA D:\\" }) << "only its drive type is asked";
    EXPECT_EQ(Disabled(dialog), (std::vector<int>{ 1001, 1002, 1004 }));
}

TEST_F(DiscoveryTest, TheFirstCdDriveWithTheMediumWinsAndLaterOnesAreNeverAsked)
{
    fake::AddDrive('E', DRIVE_CDROM);
    fake::AddDrive('G', DRIVE_CDROM);
    medium::Lay("E:\\", { false, true, true });
    medium::Lay("G:\\");

    const HWND dialog = ShowDialog();

    EXPECT_EQ(Probes(), Join(Join({ "GetVolumeInformationA C:\\", "FindFirstFileA C:\\VoUsb.ins\\disk1\\setup.exe" },
                                  DriveTypeQueries('D', 'E')),
                             {
                                 "GetVolumeInformationA E:\\",
                                 "FindFirstFileA E:\\VoUsb.ins\\disk1\\setup.exe -> setup.exe",
                                 "GetVolumeInformationA E:\\",
                                 "FindFirstFileA E:\\Acrobat4\\ar40eng.exe",
                                 "GetVolumeInformationA E:\\",
                                 "FindFirstFileA E:\\VoUsb.ins\\disk1\\setup.exe -> setup.exe",
                                 "GetVolumeInformationA E:\\",
                                 "FindFirstFileA E:\\Keil4k.ins\\disk1\\setup.exe -> setup.exe",
                             }));
    EXPECT_TRUE(Touching('G').empty()) << Touching('G').front();
    EXPECT_EQ(Disabled(dialog), std::vector<int>{ 1001 }) << "E:'s products decide, not G:'s";
}

TEST_F(DiscoveryTest, AnEmptyCdDriveIsPassedSilently)
{
    fake::AddDrive('E', DRIVE_CDROM, false);
    fake::AddDrive('F', DRIVE_CDROM);
    medium::Lay("F:\\");

    EXPECT_STREQ(FindMediumRoot(), "F:\\");

    EXPECT_EQ(Probes(), Join(Join({ "GetVolumeInformationA C:\\", "FindFirstFileA C:\\VoUsb.ins\\disk1\\setup.exe" },
                                  DriveTypeQueries('D', 'E')),
                             { "GetVolumeInformationA E:\\", "GetDriveTypeA F:\\", "GetVolumeInformationA F:\\",
                               "FindFirstFileA F:\\VoUsb.ins\\disk1\\setup.exe -> setup.exe" }));
    EXPECT_TRUE(fake::Boxes().empty());
}

TEST_F(DiscoveryTest, OnlyCdDrivesAreLookedInto)
{
    const struct
    {
        int line;
        UINT type;
        const char* root;
    } cases[] = {
        { __LINE__, DRIVE_CDROM, "D:\\" },
        { __LINE__, DRIVE_FIXED, "Z:\\" },
        { __LINE__, DRIVE_REMOVABLE, "Z:\\" },
        { __LINE__, DRIVE_REMOTE, "Z:\\" },
        { __LINE__, DRIVE_RAMDISK, "Z:\\" },
        { __LINE__, DRIVE_UNKNOWN, "Z:\\" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line << ": drive type " << c.type);
        fake::Reset();
        fake::AddDrive('D', c.type);
        medium::Lay("D:\\");

        EXPECT_STREQ(FindMediumRoot(), c.root);
        EXPECT_EQ(fake::Count("GetDriveTypeA"), c.type == DRIVE_CDROM ? 1 : 23);
        EXPECT_EQ(fake::Count("FindFirstFileA"), c.type == DRIVE_CDROM ? 2 : 1);
    }
}

TEST_F(DiscoveryTest, AFixedZDriveWithTheProductsLeavesTheOptionsEnabled)
{
    fake::AddDrive('Z', DRIVE_FIXED);
    medium::Lay("Z:\\");

    const HWND dialog = ShowDialog();

    EXPECT_EQ(fake::Count("GetDriveTypeA"), 23);
    EXPECT_TRUE(Disabled(dialog).empty());
    EXPECT_EQ(fake::Count("EnableWindow"), 0);
}

TEST_F(DiscoveryTest, AFolderNamedLikeTheSetupProgramCounts)
{
    fake::AddDrive('E', DRIVE_CDROM);
    fake::AddFolder("E:\\VoUsb.ins\\disk1\\setup.exe");
    fake::AddFolder("E:\\Keil4k.ins\\disk1\\setup.exe");

    const HWND dialog = ShowDialog();

    EXPECT_EQ(fake::Count("GetDriveTypeA"), 2) << "E: was taken";
    EXPECT_EQ(Disabled(dialog), std::vector<int>{ 1001 });
}

TEST_F(DiscoveryTest, NamesOnTheMediumMatchWhateverTheirCase)
{
    fake::AddDrive('E', DRIVE_CDROM);
    fake::AddFile("E:\\VOUSB.INS\\DISK1\\SETUP.EXE");
    fake::AddFile("e:\\acrobat4\\AR40ENG.EXE");

    EXPECT_STREQ(FindMediumRoot(), "E:\\");
}

TEST_F(DiscoveryTest, EachMissingProductDisablesItsOption)
{
    const struct
    {
        int line;
        medium::Products products;  // in the working directory
        std::vector<int> disabled;
    } cases[] = {
        { __LINE__, { true, true, true }, {} },
        { __LINE__, { false, true, false }, { 1001, 1004 } },
        { __LINE__, { true, true, false }, { 1004 } },
        { __LINE__, { false, true, true }, { 1001 } },
        // Without the kit there is no medium: everything is looked for under Z:\ .
        { __LINE__, { true, false, true }, { 1001, 1002, 1004 } },
        { __LINE__, { false, false, false }, { 1001, 1002, 1004 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        fake::Reset();
        medium::Lay("C:\\", c.products);

        const HWND dialog = ShowDialog();

        EXPECT_EQ(Disabled(dialog), c.disabled);
        std::vector<std::string> expected;
        for (int id : c.disabled)
            expected.push_back("EnableWindow #" + std::to_string(id) + " -> FALSE");
        EXPECT_EQ(fake::Trace({ "EnableWindow" }), expected);
    }
}

TEST_F(DiscoveryTest, NothingIsEverEnabledAndTheHiddenOptionIsNeverTouched)
{
    for (bool mediumPresent : { true, false }) {
        SCOPED_TRACE(mediumPresent ? "full medium" : "no medium");
        fake::Reset();
        if (mediumPresent)
            medium::Lay("C:\\");

        const HWND dialog = ShowDialog([](HWND window) {
            fake::WindowOf(fake::Control(window, 1002)).style |= WS_DISABLED;  // disabled before the search
        });

        EXPECT_FALSE(fake::IsEnabled(fake::Control(dialog, 1002)));
        for (const std::string& line : fake::Trace({ "EnableWindow" })) {
            EXPECT_EQ(line.find("TRUE"), std::string::npos) << line;
            EXPECT_EQ(line.find("#1005"), std::string::npos) << line;
        }
        const fake::Window& hidden = fake::WindowOf(fake::Control(dialog, 1005));
        EXPECT_TRUE(fake::IsEnabled(hidden.hwnd));
        EXPECT_FALSE(fake::IsVisible(hidden.hwnd));
        EXPECT_EQ(fake::IndexOf("FindFirstFileA", "C:\\CTst.ins\\disk1\\setup.exe"), -1);
        EXPECT_EQ(fake::IndexOf("GetFullPathNameA", "Z:\\CTst.ins\\disk1\\setup.exe"), -1);
    }
}

TEST_F(DiscoveryTest, AProgramStartedFromTheCdFindsItInItsWorkingDirectory)
{
    fake::AddDrive('E', DRIVE_CDROM);
    medium::Lay("E:\\");
    fake::SetCurrentDirectory("E:\\");

    EXPECT_STREQ(FindMediumRoot(), ".\\");
    EXPECT_EQ(fake::Count("GetDriveTypeA"), 0);
}

}  // namespace
