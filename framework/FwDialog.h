// Modal dialogs built from a dialog template of the program's resources.
#pragma once
#include "FwWnd.h"

class CDialog : public CWnd
{
public:
    CDialog(UINT templateId, CWnd* parent = nullptr) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

    // IDOK, IDCANCEL (or another EndDialog value), or -1 when the window cannot be made.
    virtual INT_PTR DoModal();
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    void EndDialog(int result) { ::EndDialog(m_hWnd, result); }

    virtual BOOL OnInitDialog();  // exchanges data toward the controls
    virtual void OnOK();          // exchanges data from the controls, ends with IDOK
    virtual void OnCancel();      // ends with IDCANCEL

    // The one dialog procedure: binds the object at WM_INITDIALOG, then only dispatches.
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    virtual void DoDataExchange(CDataExchange*) {}
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // A command that the dialog leaves alone goes on to its parent and the application.
    BOOL RouteCommand(UINT id);
    void CenterWindow();

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()
};
