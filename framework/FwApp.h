// The application object and the start and end of the program.
#pragma once
#include "FwWnd.h"

#define ID_HELP 0xE146

class CWinApp : public CCmdTarget
{
public:
    // The one application object of the process; a null name means the
    // program file's base name.
    explicit CWinApp(LPCSTR appName = nullptr);
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitApplication();
    virtual BOOL InitInstance();  // TRUE: go on to the message loop
    virtual int Run();
    virtual int ExitInstance();

    // Opens the help file with the platform's help engine.
    void OnHelp();
    // The 3-D look: the platform draws it itself from version 4.0 on.
    BOOL Enable3dControlsStatic();
    // A message box owned by the main window, or by none while there is none.
    int ShowMessage(LPCSTR text, LPCSTR caption, UINT type);

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;
    CString m_strAppName;       // the program file's base name
    CString m_strHelpFilePath;  // the program file's path with ".HLP"
    CString m_strProfileName;   // the base name with ".INI"

    DECLARE_MESSAGE_MAP()

private:
    friend BOOL AfxWinInit(HINSTANCE, HINSTANCE, LPSTR, int);
    void SetNamesFromModule(LPCSTR modulePath);
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetResourceHandle();
// Prepares the framework for the application object: error mode, names.
BOOL AfxWinInit(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);
void AfxWinTerm();
// The start-up body: initialise, InitApplication, InitInstance, then Run or ExitInstance.
int AfxWinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);
