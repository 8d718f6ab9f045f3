#include "FwApp.h"

#include "FwFile.h"

namespace {
CWinApp* g_app = nullptr;
}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR appName) : m_strAppName(appName)
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

CWinApp* AfxGetApp()
{
    return g_app;
}

HINSTANCE AfxGetResourceHandle()
{
    return g_app ? g_app->m_hInstance : nullptr;
}

BOOL CWinApp::InitApplication()
{
    return TRUE;
}

BOOL CWinApp::InitInstance()
{
    return FALSE;
}

int CWinApp::Run()
{
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return ExitInstance();
}

int CWinApp::ExitInstance()
{
    return 0;
}

void CWinApp::OnHelp()
{
    if (m_strHelpFilePath.IsEmpty())
        return;
    HWND owner = CWnd::SafeHwnd(m_pMainWnd);
    if (!owner)
        owner = ::GetActiveWindow();
    ::WinHelpA(owner, m_strHelpFilePath, HELP_CONTENTS, 0);
}

BOOL CWinApp::Enable3dControlsStatic()
{
    // Before 4.0 the 3-D control library would be needed, and none is available.
    return LOBYTE(LOWORD(::GetVersion())) >= 4;
}

int CWinApp::ShowMessage(LPCSTR text, LPCSTR caption, UINT type)
{
    if (m_pMainWnd)
        return m_pMainWnd->MessageBox(text, caption, type);
    return ::MessageBoxA(nullptr, text, caption, type);
}

void CWinApp::SetNamesFromModule(LPCSTR modulePath)
{
    const CString path(modulePath);
    const int nameStart = path.ReverseFind('\\') + 1;
    int extension = path.ReverseFind('.');
    if (extension < nameStart)
        extension = path.GetLength();
    const CString baseName = path.Mid(nameStart).Left(extension - nameStart);
    if (m_strAppName.IsEmpty())
        m_strAppName = baseName;
    m_strHelpFilePath = path.Left(extension) + ".HLP";
    m_strProfileName = baseName + ".INI";
}

BOOL AfxWinInit(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // Keep the platform's critical-error and open-file boxes off for the whole run:
    // probing an empty CD-ROM drive must stay silent.
    const UINT mode = ::SetErrorMode(0);
    ::SetErrorMode(mode | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

    CWinApp* app = AfxGetApp();
    if (!app)
        return FALSE;
    app->m_hInstance = instance;
    char modulePath[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(instance, modulePath, MAX_PATH);
    if (length > 0 && length < MAX_PATH)  // a cut path would name another file
        app->SetNamesFromModule(modulePath);
    return TRUE;
}

void AfxWinTerm()
{
}

int AfxWinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    int exitCode = -1;
    CWinApp* app = AfxGetApp();
    try {
        if (app && AfxWinInit(instance, previous, commandLine, show) && app->InitApplication()) {
            if (app->InitInstance()) {
                exitCode = app->Run();
            } else {
                if (app->m_pMainWnd && app->m_pMainWnd->m_hWnd)
                    ::DestroyWindow(app->m_pMainWnd->m_hWnd);
                exitCode = app->ExitInstance();
            }
        }
    } catch (CException* exception) {
        exception->Delete();
    } catch (...) {
    }
    AfxWinTerm();
    return exitCode;
}
