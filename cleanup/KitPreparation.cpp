// Removal of what an earlier installation of the kit left behind.
#include "../app/MasterInstallApp.h"

#include <cstring>

namespace {

const char* const kUninstallLog = "C:\\Kestrin\\VoUsb\\Uninst.isu";
const char* const kOldInf = "C:\\WINDOWS\\INF\\vousb.inf";
const char* const kOldInfBackup = "C:\\WINDOWS\\INF\\vousb.bak";
const char* const kOldDriverFiles[] = {
    "C:\\Windows\\System\\vousb.sys",
    "C:\\Windows\\System\\vomon.sys",
};
const char kUninstallCommand[] = "C:\\WINDOWS\\uninst.exe IsUninst.exe -y -fC:\\Kestrin\\VoUsb\\Uninst.isu";

struct Message
{
    const char* text;
    const char* caption;
    UINT type;
};

const Message kPreviousInstallation = {
    "Previous Installation detected: It will be uninstalled.\n"
    "NOTE: Any user-modified files will be retained.\n"
    "A new install will follow Uninstall.",
    "Previous Installation Detected", MB_OKCANCEL };
// The text promises "vousb.old"; the file really becomes vousb.bak.
const Message kOldInfFound = {
    "Old vousb.inf file detected: To avoid conflicts, it will be renamed vousb.old.\n"
    "NOTE: You must manually add any additional devices if required.",
    "Old vousb.inf Detected", MB_OKCANCEL };
const Message kOldInfNotMoved = {
    "Error removing C:\\WINDOWS\\INF\\vousb.inf or C:\\WINDOWS\\INF\\vousb.bak: Please remove both and reinstall",
    "Error", MB_OK };
const Message kDriverFileNotRemoved[] = {
    { "Error removing C:\\Windows\\System\\vousb.sys: Please remove it manually", "Error", MB_OK },
    { "Error removing C:\\Windows\\System\\vomon.sys: Please remove it manually", "Error", MB_OK },
};

bool Exists(const char* path)
{
    CFileStatus status;
    return CFile::GetStatus(path, status) != FALSE;
}

// Runs the earlier installation's uninstaller and waits for its end, however long.
void RunUninstaller()
{
    char commandLine[sizeof kUninstallCommand];  // CreateProcessA wants writable text
    memcpy(commandLine, kUninstallCommand, sizeof commandLine);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                        nullptr, &startup, &process))
        return;  // nothing started, nothing to wait for
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace

BOOL CMasterInstallApp::PrepareKit()
{
    ClearDeviceInstances();

    if (Exists(kUninstallLog)) {
        if (ShowMessage(kPreviousInstallation.text, kPreviousInstallation.caption, kPreviousInstallation.type) != IDOK)
            return FALSE;
        RunUninstaller();
    }

    if (Exists(kOldInf)) {
        if (ShowMessage(kOldInfFound.text, kOldInfFound.caption, kOldInfFound.type) != IDOK)
            return FALSE;
        try {
            if (Exists(kOldInfBackup))
                CFile::Remove(kOldInfBackup);
            CFile::Rename(kOldInf, kOldInfBackup);
        } catch (CFileException* exception) {
            ShowMessage(kOldInfNotMoved.text, kOldInfNotMoved.caption, kOldInfNotMoved.type);
            exception->Delete();
            return FALSE;
        }
    }

    for (size_t i = 0; i < sizeof kOldDriverFiles / sizeof kOldDriverFiles[0]; ++i) {
        if (!Exists(kOldDriverFiles[i]))
            continue;
        try {
            CFile::Remove(kOldDriverFiles[i]);
        } catch (CFileException* exception) {
            const Message& error = kDriverFileNotRemoved[i];
            ShowMessage(error.text, error.caption, error.type);
            exception->Delete();
            return FALSE;
        }
    }
    return TRUE;
}
