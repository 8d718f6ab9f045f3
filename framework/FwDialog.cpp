#include "FwDialog.h"

#include "FwApp.h"
#include "FwFile.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

INT_PTR CDialog::DoModal()
{
    const INT_PTR result = ::DialogBoxParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate),
                                             SafeHwnd(m_pParentWnd), DialogProc,
                                             reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    ForgetChildren();
    return result;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange exchange(this, saveAndValidate);
    DoDataExchange(&exchange);
    return TRUE;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::RouteCommand(UINT id)
{
    if (OnCmdMsg(id))
        return TRUE;
    if (id < 0x8000 || id > 0xEFFF)
        return FALSE;
    if (m_pParentWnd && m_pParentWnd->OnCmdMsg(id))
        return TRUE;
    CWinApp* app = AfxGetApp();
    return app && app->OnCmdMsg(id);
}

void CDialog::CenterWindow()
{
    RECT rect;
    ::GetWindowRect(m_hWnd, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    RECT area = { 0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN) };
    if (m_pParentWnd)
        ::GetWindowRect(m_pParentWnd->m_hWnd, &area);
    const int x = area.left + (area.right - area.left - width) / 2;
    const int y = area.top + (area.bottom - area.top - height) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        const BOOL result = OnInitDialog();
        // A template without a position of its own is centred when first shown.
        const LONG style = ::GetWindowLongA(m_hWnd, GWL_STYLE);
        if (!(style & (DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN)))
            CenterWindow();
        return result;
    }
    case WM_COMMAND:
        return RouteCommand(LOWORD(wParam));
    case WM_HELP:  // F1
        RouteCommand(ID_HELP);
        return TRUE;
    default:
        break;
    }

    LRESULT result = 0;
    if (!OnWndMsg(message, &result))
        return FALSE;
    if (message == WM_QUERYDRAGICON)  // answered directly, not through DWLP_MSGRESULT
        return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
    return TRUE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* dialog;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        if (!dialog)
            return FALSE;  // created by someone else: nothing to bind
        ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        dialog->m_hWnd = hwnd;
    } else {
        dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!dialog)
        return FALSE;  // messages before WM_INITDIALOG get the default answer

    // No C++ exception may unwind into the platform's code.
    try {
        return dialog->HandleMessage(message, wParam, lParam);
    } catch (CException* exception) {
        exception->Delete();
    } catch (...) {
    }
    return FALSE;
}
