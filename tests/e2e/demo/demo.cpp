// A small dialog program with the shape of the real one, so that the driver's
// verbs can be checked without it: OK with an option asks "Demo Question" and,
// after Yes, starts ".\setup.exe <option id>" from the current directory with
// WinExec; Cancel, Escape and the close box end it. The exit code is the
// option started, 0 for none.
#include <windows.h>

#include <string>

namespace {

const int kOptions[] = {1001, 1002, 1005};

INT_PTR CALLBACK demoProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg != WM_COMMAND) return FALSE;
    if (LOWORD(wp) == IDCANCEL) {
        EndDialog(dlg, 0);
        return TRUE;
    }
    if (LOWORD(wp) != IDOK) return FALSE;
    for (int id : kOptions) {
        if (IsDlgButtonChecked(dlg, id) != BST_CHECKED) continue;
        std::string text = "Start option " + std::to_string(id) + "?";
        if (MessageBoxA(nullptr, text.c_str(), "Demo Question", MB_YESNO) != IDYES) return TRUE;
        std::string cmd = "setup.exe " + std::to_string(id);
        WinExec(cmd.c_str(), SW_SHOWNORMAL);
        EndDialog(dlg, id);
        return TRUE;
    }
    EndDialog(dlg, 0);
    return TRUE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int) {
    return static_cast<int>(DialogBoxParamA(inst, MAKEINTRESOURCEA(101), nullptr, demoProc, 0));
}
