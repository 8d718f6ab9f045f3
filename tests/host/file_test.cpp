// CFile: the three-step presence test, and removal and renaming that raise a
// CFileException pointer the caller must Delete().
#include "../../framework/Framework.h"
#include "fakewin/fixture.h"

#include <string>
#include <vector>

namespace {

class FileTest : public FakeWinTest
{
protected:
    void SetUp() override
    {
        FakeWinTest::SetUp();
        fake::AddFile("C:\\Medium\\setup.exe", {}, 1234);
        fake::AddFolder("C:\\Medium\\Data");
        fake::SetCurrentDirectory("C:\\Medium");
        fake::AddDrive('E', DRIVE_CDROM, false);
        fake::AddDrive('F', DRIVE_CDROM);
        fake::AddFile("F:\\readme.txt");
    }

    static std::vector<std::string> Apis()
    {
        std::vector<std::string> apis;
        for (const fake::Event& event : fake::Events())
            apis.push_back(event.api);
        return apis;
    }
};

const std::vector<std::string> kFound = { "GetFullPathNameA", "GetVolumeInformationA", "FindFirstFileA", "FindClose" };
const std::vector<std::string> kNotFound = { "GetFullPathNameA", "GetVolumeInformationA", "FindFirstFileA" };
const std::vector<std::string> kNoVolume = { "GetFullPathNameA", "GetVolumeInformationA" };
const std::vector<std::string> kNotFull = { "GetFullPathNameA" };
const std::vector<std::string> kNoCall = {};

TEST_F(FileTest, GetStatusNeedsAFullPathAnAnsweringVolumeAndAnEntry)
{
    const struct
    {
        int line;
        const char* path;
        BOOL present;
        const std::vector<std::string>* calls;
        const char* fullName;
        DWORD attribute;
    } cases[] = {
        { __LINE__, "C:\\Medium\\setup.exe", TRUE, &kFound, "C:\\Medium\\setup.exe", FILE_ATTRIBUTE_ARCHIVE },
        { __LINE__, "setup.exe", TRUE, &kFound, "C:\\Medium\\setup.exe", FILE_ATTRIBUTE_ARCHIVE },
        { __LINE__, "..\\Medium\\SETUP.EXE", TRUE, &kFound, "C:\\Medium\\SETUP.EXE", FILE_ATTRIBUTE_ARCHIVE },
        { __LINE__, ".\\Data", TRUE, &kFound, "C:\\Medium\\Data", FILE_ATTRIBUTE_DIRECTORY },
        { __LINE__, "F:\\readme.txt", TRUE, &kFound, "F:\\readme.txt", FILE_ATTRIBUTE_ARCHIVE },
        { __LINE__, "C:\\Medium\\missing.exe", FALSE, &kNotFound, nullptr, 0 },
        { __LINE__, "C:\\Nowhere\\setup.exe", FALSE, &kNotFound, nullptr, 0 },
        { __LINE__, "E:\\readme.txt", FALSE, &kNoVolume, nullptr, 0 },  // a CD-ROM drive without a disc
        { __LINE__, "Q:\\readme.txt", FALSE, &kNoVolume, nullptr, 0 },  // no such drive
        { __LINE__, "\\\\server\\share\\readme.txt", FALSE, &kNoVolume, nullptr, 0 },
        { __LINE__, "C:\\Medium\\*.exe", FALSE, &kNoCall, nullptr, 0 },
        { __LINE__, "C:\\Medium\\setup.ex?", FALSE, &kNoCall, nullptr, 0 },
        { __LINE__, "*", FALSE, &kNoCall, nullptr, 0 },
        { __LINE__, "", FALSE, &kNoCall, nullptr, 0 },
        { __LINE__, nullptr, FALSE, &kNoCall, nullptr, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line << ": " << (c.path ? c.path : "(null)"));
        SetUp();  // a fresh stand-in and the same files
        CFileStatus status;
        status.m_attribute = 0xdeadbeef;

        EXPECT_EQ(CFile::GetStatus(c.path, status), c.present);

        EXPECT_EQ(Apis(), *c.calls);
        if (c.present) {
            EXPECT_STREQ(status.m_szFullName, c.fullName);
            EXPECT_EQ(status.m_attribute, c.attribute);
        }
    }
}

TEST_F(FileTest, GetStatusReportsSizeAndTimeOfWhatItFound)
{
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus("C:\\Medium\\setup.exe", status));
    EXPECT_EQ(status.m_size, 1234u);
    EXPECT_EQ(status.m_mtime.dwLowDateTime, 0x12345678u);
    EXPECT_EQ(status.m_mtime.dwHighDateTime, 0x01C00000u);
}

TEST_F(FileTest, GetStatusFailsWhenTheFullPathDoesNotFit)
{
    const std::string fits = "C:\\" + std::string(250, 'L') + "\\f.txt";  // 259 characters
    const std::string tooLong = "C:\\" + std::string(251, 'L') + "\\f.txt";
    ASSERT_EQ(fits.size(), 259u);
    fake::AddFile(fits);
    fake::AddFile(tooLong);
    CFileStatus status;

    EXPECT_TRUE(CFile::GetStatus(fits.c_str(), status));
    EXPECT_EQ(std::string(status.m_szFullName), fits);

    const size_t before = fake::Events().size();
    EXPECT_FALSE(CFile::GetStatus(tooLong.c_str(), status));
    ASSERT_EQ(fake::Events().size(), before + 1) << "nothing after the full path";
    EXPECT_EQ(fake::Events().back().api, "GetFullPathNameA");
    EXPECT_EQ(fake::Events().back().result, 261) << "the size it would need";
}

TEST_F(FileTest, GetStatusAsksTheVolumeRootOfTheFullPath)
{
    CFileStatus status;
    fake::AddDrive('G', DRIVE_CDROM);
    fake::AddFile("G:\\Setup\\x.exe");
    for (const char* path : { "G:\\Setup\\x.exe", "\\\\server\\share\\dir\\x.exe", "\\\\server\\share\\x.exe" })
        CFile::GetStatus(path, status);
    EXPECT_EQ(fake::Trace({ "GetVolumeInformationA" }),
              (std::vector<std::string>{ "GetVolumeInformationA G:\\", "GetVolumeInformationA \\\\server\\share\\",
                                         "GetVolumeInformationA \\\\server\\share\\" }));
}

struct Raised
{
    bool thrown = false;
    LONG error = 0;
    std::string fileName;
};

template <typename Action>
Raised Catch(Action action)
{
    Raised raised;
    try {
        action();
    } catch (CFileException* exception) {
        raised.thrown = true;
        raised.error = exception->m_lOsError;
        raised.fileName = exception->m_strFileName;
        exception->Delete();  // ASan reports a leak or a double free if this is wrong
    }
    return raised;
}

TEST_F(FileTest, RemoveThrowsTheSystemsReason)
{
    fake::AddFile("C:\\Sys\\busy.sys", { false, true });
    fake::AddFile("C:\\Sys\\locked.sys", { true, false });
    fake::AddFile("C:\\Sys\\plain.sys");
    fake::AddFolder("C:\\Sys\\Folder");
    const struct
    {
        int line;
        const char* path;
        LONG error;  // 0: removed
    } cases[] = {
        { __LINE__, "C:\\Sys\\busy.sys", ERROR_SHARING_VIOLATION },
        { __LINE__, "C:\\Sys\\locked.sys", ERROR_ACCESS_DENIED },
        { __LINE__, "C:\\Sys\\missing.sys", ERROR_FILE_NOT_FOUND },
        { __LINE__, "C:\\Missing\\missing.sys", ERROR_PATH_NOT_FOUND },
        { __LINE__, "C:\\Sys\\Folder", ERROR_ACCESS_DENIED },
        { __LINE__, "C:\\Sys\\plain.sys", 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line << ": " << c.path);
        const bool existed = fake::FileExists(c.path) || fake::FolderExists(c.path);
        const Raised raised = Catch([&] { CFile::Remove(c.path); });
        EXPECT_EQ(raised.thrown, c.error != 0);
        EXPECT_EQ(raised.error, c.error);
        if (c.error) {
            EXPECT_EQ(raised.fileName, c.path);
            EXPECT_EQ(fake::FileExists(c.path) || fake::FolderExists(c.path), existed) << "left as it was";
        } else {
            EXPECT_FALSE(fake::FileExists(c.path));
        }
    }
}

TEST_F(FileTest, RenameThrowsTheSystemsReason)
{
    const struct
    {
        int line;
        fake::FileFlags sourceFlags;
        bool sourceExists;
        bool targetExists;
        LONG error;  // 0: renamed
    } cases[] = {
        { __LINE__, {}, true, false, 0 },
        { __LINE__, { false, true }, true, false, ERROR_SHARING_VIOLATION },
        { __LINE__, {}, false, false, ERROR_FILE_NOT_FOUND },
        { __LINE__, {}, true, true, ERROR_ALREADY_EXISTS },
        { __LINE__, { true, false }, true, false, 0 },  // Windows renames a read-only file
    };
    const char* const from = "C:\\Windows\\Inf\\vousb.inf";
    const char* const to = "C:\\Windows\\Inf\\vousb.bak";
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        fake::Reset();
        fake::AddFolder("C:\\Windows\\Inf");
        if (c.sourceExists)
            fake::AddFile(from, c.sourceFlags);
        if (c.targetExists)
            fake::AddFile(to);

        const Raised raised = Catch([&] { CFile::Rename(from, to); });

        EXPECT_EQ(raised.thrown, c.error != 0);
        EXPECT_EQ(raised.error, c.error);
        if (c.error) {
            EXPECT_EQ(raised.fileName, from);
            EXPECT_EQ(fake::FileExists(from), c.sourceExists);
            EXPECT_EQ(fake::FileExists(to), c.targetExists);
        } else {
            EXPECT_FALSE(fake::FileExists(from));
            EXPECT_TRUE(fake::FileExists(to));
        }
    }
}

}  // namespace
