// The stand-in itself against the documented Windows behaviour the program's
// tests rely on: full paths, drives, registry enumeration, sizes and deletion.
#include "fakewin/fixture.h"

#include <cstring>
#include <string>

namespace {

class StandInTest : public FakeWinTest
{
};

TEST_F(StandInTest, GetFullPathNameFollowsTheWindowsRules)
{
    const struct
    {
        int line;
        const char* input;
        const char* full;
        const char* filePart;  // null: none
    } cases[] = {
        { __LINE__, "C:\\Dir\\file.txt", "C:\\Dir\\file.txt", "file.txt" },
        { __LINE__, "C:\\Dir\\.\\sub\\..\\file.txt", "C:\\Dir\\file.txt", "file.txt" },
        { __LINE__, "C:\\..\\..\\file.txt", "C:\\file.txt", "file.txt" },
        { __LINE__, "C:/Dir//file.txt", "C:\\Dir\\file.txt", "file.txt" },
        { __LINE__, ".\\VoUsb.ins\\disk1\\setup.exe", "C:\\Work\\VoUsb.ins\\disk1\\setup.exe", "setup.exe" },
        { __LINE__, "setup.exe", "C:\\Work\\setup.exe", "setup.exe" },
        { __LINE__, "..\\x", "C:\\x", "x" },
        { __LINE__, "\\Root\\x", "C:\\Root\\x", "x" },
        { __LINE__, "C:rel", "C:\\Work\\rel", "rel" },
        { __LINE__, "E:rel", "E:\\rel", "rel" },
        { __LINE__, "C:\\Dir\\", "C:\\Dir\\", nullptr },
        { __LINE__, "C:\\Dir\\name. .", "C:\\Dir\\name", "name" },
        { __LINE__, "Z:\\", "Z:\\", nullptr },
    };
    fake::AddFolder("C:\\Work");
    fake::SetCurrentDirectory("C:\\Work");
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line << ": " << c.input);
        char buffer[MAX_PATH];
        std::memset(buffer, 0x55, sizeof buffer);
        LPSTR filePart = reinterpret_cast<LPSTR>(0xdeadbeef);
        const DWORD length = GetFullPathNameA(c.input, MAX_PATH, buffer, &filePart);
        EXPECT_EQ(length, std::strlen(c.full));
        EXPECT_STREQ(buffer, c.full);
        if (c.filePart)
            EXPECT_STREQ(filePart, c.filePart);
        else
            EXPECT_EQ(filePart, nullptr);
    }
}

TEST_F(StandInTest, GetFullPathNameAnswersTheNeededSizeWhenTheBufferIsShort)
{
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(GetFullPathNameA("C:\\12345678", sizeof buffer, buffer, nullptr), 12u);  // with the null
    EXPECT_EQ(buffer[0], 'x') << "nothing written";
    EXPECT_EQ(GetFullPathNameA("C:\\1234", sizeof buffer, buffer, nullptr), 7u);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetFullPathNameA("", sizeof buffer, buffer, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
}

TEST_F(StandInTest, DrivesAnswerByTypeAndDisc)
{
    fake::AddDrive('E', DRIVE_CDROM, false);
    EXPECT_EQ(GetDriveTypeA("C:\\"), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_EQ(GetDriveTypeA("e:\\"), static_cast<UINT>(DRIVE_CDROM));
    EXPECT_EQ(GetDriveTypeA("Q:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
    EXPECT_TRUE(GetVolumeInformationA("C:\\", nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(GetVolumeInformationA("E:\\", nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
    fake::SetDisc('E', true);
    EXPECT_TRUE(GetVolumeInformationA("E:\\", nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0));
}

TEST_F(StandInTest, SubkeysEnumerateSortedByUpperCase)
{
    // '_' sorts after the letters when compared in upper case, before them in lower case.
    for (const char* name : { "b", "A_", "az", "C", "a" })
        fake::AddKey(std::string("HKLM\\Software\\Test\\") + name);
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\TEST", 0, KEY_READ, &key), ERROR_SUCCESS);
    std::vector<std::string> names;
    char name[16];
    DWORD size = sizeof name;
    LONG result;
    for (DWORD index = 0; (result = RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr)) == ERROR_SUCCESS;
         ++index, size = sizeof name) {
        EXPECT_EQ(size, std::strlen(name));
        names.push_back(name);
    }
    EXPECT_EQ(result, ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(names, (std::vector<std::string>{ "a", "az", "A_", "b", "C" }));
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(fake::OpenKeyHandles(), 0);
}

TEST_F(StandInTest, EnumerationAndQueriesHonourTheGivenSizes)
{
    fake::AddKey("HKLM\\K\\abcd");
    fake::SetValue("HKLM\\K", "Raw", REG_BINARY, { 1, 2, 3 });
    fake::SetValue("HKLM\\K", "NoNull", REG_SZ, { 'a', 'b' });
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "K", 0, KEY_READ, &key), ERROR_SUCCESS);

    char name[8];
    DWORD size = 4;  // "abcd" needs 5 with its null
    EXPECT_EQ(RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    size = 5;
    EXPECT_EQ(RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(size, 4u);

    BYTE data[8] = { 0xee, 0xee, 0xee, 0xee };
    DWORD type = 0xdeadbeef;
    DWORD dataSize = 2;
    EXPECT_EQ(RegQueryValueExA(key, "raw", nullptr, &type, data, &dataSize), ERROR_MORE_DATA);
    EXPECT_EQ(dataSize, 3u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    dataSize = sizeof data;
    EXPECT_EQ(RegQueryValueExA(key, "NoNull", nullptr, &type, data, &dataSize), ERROR_SUCCESS);
    EXPECT_EQ(dataSize, 2u);
    EXPECT_EQ(data[2], 0xee) << "no null added";
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, data, &dataSize), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    HKEY missing = reinterpret_cast<HKEY>(0xdeadbeef);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "K\\nothing", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, reinterpret_cast<HKEY>(0xdeadbeef));
}

TEST_F(StandInTest, DeletingAKeyNeedsItEmptyAndLeavesOtherHandlesAlone)
{
    fake::AddKey("HKLM\\P\\Child\\Grandchild");
    HKEY parent;
    HKEY child;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "P", 0, KEY_READ, &parent), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExA(parent, "Child", 0, KEY_READ, &child), ERROR_SUCCESS);

    EXPECT_EQ(RegDeleteKeyA(parent, "Child"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(child, "Grandchild"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(child, "Grandchild"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(parent, "child"), ERROR_SUCCESS);
    EXPECT_FALSE(fake::KeyExists("HKLM\\P\\Child"));

    char name[8];
    DWORD size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(parent, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegEnumKeyExA(child, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(child), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(parent), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(parent), ERROR_INVALID_HANDLE);
    EXPECT_EQ(fake::Trace({ "RegDeleteKeyA" }),
              (std::vector<std::string>{ "RegDeleteKeyA HKEY_LOCAL_MACHINE\\P\\Child", "RegDeleteKeyA HKEY_LOCAL_MACHINE\\P\\Child\\Grandchild",
                                         "RegDeleteKeyA HKEY_LOCAL_MACHINE\\P\\Child\\Grandchild", "RegDeleteKeyA HKEY_LOCAL_MACHINE\\P\\Child" }));
}

TEST_F(StandInTest, MoveFileRefusesAnExistingTargetAndDeleteFileAFolder)
{
    fake::AddFile("C:\\A\\one.txt");
    fake::AddFile("C:\\A\\two.txt");
    SetLastError(0);
    EXPECT_FALSE(MoveFileA("C:\\A\\one.txt", "C:\\A\\TWO.TXT"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(DeleteFileA("C:\\A"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(MoveFileA("C:\\A", "C:\\B"));
    EXPECT_EQ(fake::AllPaths(), (std::vector<std::string>{ "C:\\B", "C:\\B\\one.txt", "C:\\B\\two.txt" }));
}

TEST_F(StandInTest, SendingToADialogReachesItsProcedureFirst)
{
    static std::vector<UINT> seen;
    seen.clear();
    const HWND dialog = fake::MakeDialog([](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR {
        seen.push_back(message);
        return FALSE;
    });
    const HICON icon = fake::IconHandle(130);
    EXPECT_EQ(SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)), 0);
    EXPECT_EQ(seen, std::vector<UINT>{ WM_SETICON });
    EXPECT_EQ(fake::WindowOf(dialog).bigIcon, icon) << "then the default handling";
    const HWND radio = fake::AddControl(dialog, "Button", 7, BS_AUTORADIOBUTTON | WS_VISIBLE);
    EXPECT_EQ(SendMessageA(radio, WM_GETDLGCODE, 0, 0), DLGC_RADIOBUTTON | DLGC_BUTTON);
    SendMessageA(radio, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageA(radio, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(seen.size(), 1u) << "controls' messages are not the dialog's";
}

}  // namespace
