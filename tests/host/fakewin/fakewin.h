// The test side of the in-memory stand-in for the Windows calls: what a test
// sets up before the program runs, and what it reads back afterwards.
// Everything here is reset by fake::Reset() (the FakeWinTest fixture does it).
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace fake {

void Reset();

// ---- The event log ---------------------------------------------------------
// One ordered log of the calls the program made: registry, files, drives,
// program starts, waits, handles, message boxes, help, messages sent to windows.
struct Event
{
    std::string api;      // "MoveFileA"
    std::string subject;  // its main argument as text: a full path, a key's full name, a command line, "#1001"
    std::string detail;   // a second argument as text: the rename target, a value name, "BM_SETCHECK 0"
    long long result;     // the call's answer: the return value, or the error code for the registry
};
const std::vector<Event>& Events();
// The events of the named calls as "api subject" (" -> detail" when there is a detail), in order.
std::vector<std::string> Trace(std::initializer_list<std::string> apis);
// Index of the first event of api whose subject equals subject (any subject when empty); -1 when none.
int IndexOf(const std::string& api, const std::string& subject = "");
// As IndexOf, but the last such event.
int LastIndexOf(const std::string& api, const std::string& subject = "");
int Count(const std::string& api);

// ---- Registry ----------------------------------------------------------------
// Key names are full names starting with the root's name, "HKEY_LOCAL_MACHINE\..."
// ("HKLM\..." is accepted as a short form); all names are case-insensitive and
// subkeys enumerate sorted case-insensitively (by upper case), as Wine and NT do.
void AddKey(const std::string& path);  // with every missing parent
// A value of any type with exactly these bytes (no terminating null added).
void SetValue(const std::string& keyPath, const std::string& name, DWORD type, const std::vector<BYTE>& data);
// A REG_SZ value with its terminating null.
void SetString(const std::string& keyPath, const std::string& name, const std::string& text);
bool KeyExists(const std::string& path);
bool ValueExists(const std::string& keyPath, const std::string& name);
std::vector<std::string> SubKeys(const std::string& path);  // names in enumeration order
// Full names of every key, depth first in enumeration order ("HKEY_LOCAL_MACHINE" itself excluded).
std::vector<std::string> AllKeys();
int OpenKeyHandles();  // handles returned by RegOpenKeyExA and not yet closed
// From now on, api ("RegOpenKeyExA", "RegDeleteKeyA", "RegQueryValueExA", "RegEnumKeyExA")
// on the key of that full name answers `error` without doing anything else;
// ERROR_SUCCESS thus makes a call report success without effect.
void ScriptRegistryAnswer(const std::string& api, const std::string& keyPath, LONG error);

// ---- Files, folders and drives --------------------------------------------------
// Paths are full ("C:\Dir\File") and case-insensitive. Drive C: is a fixed disk
// with the current directory C:\ after Reset.
struct FileFlags
{
    bool readOnly = false;
    bool inUse = false;  // opened by some process without sharing: no delete, no rename
};
void AddFile(const std::string& path, FileFlags flags = {}, DWORD size = 0);  // parents created
void AddFolder(const std::string& path);                                      // parents created
void SetFileFlags(const std::string& path, FileFlags flags);
bool FileExists(const std::string& path);    // a file, not a folder
bool FolderExists(const std::string& path);  // a folder, not a file
std::vector<std::string> AllPaths();         // every file and folder's full name, sorted
void SetCurrentDirectory(const std::string& fullPath);
void AddDrive(char letter, UINT type, bool hasDisc = true);
void SetDisc(char letter, bool present);
int OpenFindHandles();  // FindFirstFileA handles not yet closed with FindClose

// ---- Program starts, waits and handles ----------------------------------------------
struct Exec
{
    std::string commandLine;
    UINT show;
};
const std::vector<Exec>& WinExecs();
void SetWinExecResult(UINT result);  // 33 (success) after Reset

struct ProcessStart
{
    bool hasApplicationName;
    std::string applicationName;
    bool hasCommandLine;
    std::string commandLine;
    LPSECURITY_ATTRIBUTES processAttributes;
    LPSECURITY_ATTRIBUTES threadAttributes;
    BOOL inheritHandles;
    DWORD creationFlags;
    LPVOID environment;
    bool hasCurrentDirectory;
    std::string currentDirectory;
    bool hasStartupInfo;
    STARTUPINFOA startupInfo;                 // as passed
    std::vector<unsigned char> startupBytes;  // the first cb bytes (at most sizeof(STARTUPINFOA))
    BOOL succeeded;
    HANDLE process;  // the handles handed back, null when the start failed
    HANDLE thread;
    std::vector<unsigned char> processInformationBytes;  // the PROCESS_INFORMATION as passed, before it is filled in
};
const std::vector<ProcessStart>& ProcessStarts();
// Every later CreateProcessA fails with this error (0: they succeed again).
void FailProcessStarts(DWORD error);
// Runs inside a successful CreateProcessA, after the start is recorded: what the
// started program does to the machine (removes files, keys...).
void OnProcessStart(std::function<void(const ProcessStart&)> action);

struct Wait
{
    HANDLE handle;
    DWORD timeout;
};
const std::vector<Wait>& Waits();
const std::vector<HANDLE>& ClosedHandles();  // by CloseHandle, in order, valid or not
int OpenProcessHandles();                    // process and thread handles not yet closed

// ---- Message boxes and help -------------------------------------------------------------
// Answers for the coming message boxes, in order; a box with no answer left
// fails the test (and answers 0). Answers left unused fail it at the fixture's end.
void AnswerBoxes(std::initializer_list<int> answers);
int UnusedBoxAnswers();
struct Box
{
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
    int answer;
};
const std::vector<Box>& Boxes();

struct Help
{
    HWND owner;
    std::string file;
    UINT command;
    ULONG_PTR data;
};
const std::vector<Help>& HelpCalls();

// ---- Process-wide settings ----------------------------------------------------------------
void SetModuleFileName(const std::string& path);  // "C:\Medium\MasterInstall.exe" after Reset
void SetVersion(DWORD version);                   // 0xC0000A04 (4.10) after Reset
void SetStartErrorMode(UINT mode);                // 0 after Reset
const std::vector<UINT>& ErrorModeCalls();        // the argument of every SetErrorMode call
UINT ErrorMode();                                 // the mode in force now
void SetSystemMetric(int index, int value);       // SM_CXICON/SM_CYICON 32, screen 1024x768 after Reset
int GetMessageCalls();                            // GetMessageA always answers WM_QUIT

// ---- Windows --------------------------------------------------------------------------------
struct Window
{
    HWND hwnd;
    HWND parent;
    std::vector<HWND> children;  // in Z order, the order GetWindow(GW_HWNDNEXT) walks
    int id;
    std::string className;  // "Button", "Static", "#32770" for dialogs
    DWORD style;            // WS_VISIBLE and WS_DISABLED kept in step with the state
    int check;              // BST_ for check and radio buttons
    bool alive;
    bool iconic;
    RECT windowRect;
    RECT clientRect;
    DLGPROC proc;  // dialogs only
    LONG_PTR dialogLongs[3];  // DWLP_MSGRESULT, DWLP_DLGPROC, DWLP_USER
    HICON bigIcon;
    HICON smallIcon;
    bool ended;  // EndDialog was called
    INT_PTR endResult;
};
// A free-standing dialog window with no procedure, for tests that drive the
// framework's helpers directly; give it controls with AddControl.
HWND MakeDialog(DLGPROC proc = nullptr);
HWND AddControl(HWND dialog, const std::string& className, int id, DWORD style);
Window& WindowOf(HWND hwnd);  // fails the test (and aborts it) for an unknown handle
HWND Control(HWND dialog, int id);
bool IsEnabled(HWND hwnd);
bool IsVisible(HWND hwnd);

// Messages the program sent with SendMessageA, in order.
struct Sent
{
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
};
const std::vector<Sent>& SentMessages();
std::string MessageName(UINT message);  // "BM_SETCHECK", or "0x1234"

// Delivers a message to a window as Windows would: a dialog's procedure first,
// then the default handling. Not logged as the program's own send.
LRESULT Deliver(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// What a user's click does: ignored on a hidden or disabled control; an auto
// radio button becomes the one checked button of its group; then the dialog
// procedure gets WM_COMMAND (BN_CLICKED, the control).
void Click(HWND dialog, int id);
// WM_COMMAND with an ID and no control, as from a key or menu.
void Command(HWND dialog, int id);

// The next DialogBoxParamA calls: made with the controls of template 102
// (other template IDs fail with -1 as a missing resource would).
using UserStep = std::function<void(HWND dialog)>;
struct DialogScript
{
    bool failCreation = false;                     // DialogBoxParamA answers -1 without a window
    std::function<void(HWND dialog)> beforeInit;   // runs after the controls are made, before WM_INITDIALOG
    std::vector<UserStep> user;                    // run in order until EndDialog was called
    bool iconic = false;                           // the dialog starts minimised
    RECT clientRect = { 0, 0, 225, 290 };
};
void SetDialogScript(DialogScript script);
struct DialogRun
{
    HINSTANCE instance;
    std::string templateName;  // "#102" for an integer resource
    HWND owner;
    HWND dialog;  // null when creation failed; the window stays readable with WindowOf
    INT_PTR result;
    int stepsRun;
};
const std::vector<DialogRun>& DialogRuns();

struct IconDraw
{
    HDC dc;
    int x;
    int y;
    HICON icon;
};
const std::vector<IconDraw>& IconDraws();
int OpenPaints();           // BeginPaint calls not yet ended
HICON IconHandle(int id);   // what LoadIconA answers for an integer resource ID
std::vector<int> LoadedIconIds();

}  // namespace fake
