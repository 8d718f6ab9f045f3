// A tiny window model: a dialog window with child controls, the messages the
// program sends, and the modal loop of DialogBoxParamA run from a test's script.
#include "internal.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

namespace fake {
namespace {

using detail::Log;

std::map<HWND, Window> g_windows;
uintptr_t g_nextWindow = 0;
DialogScript g_script;
std::vector<DialogRun> g_runs;
std::vector<HWND> g_running;  // dialogs in their modal loop, innermost last
std::vector<Sent> g_sent;
std::vector<IconDraw> g_draws;
std::vector<int> g_loadedIcons;
int g_openPaints = 0;
uintptr_t g_nextDc = 0;

// The controls of template 102 as ui/MasterInstall.rc declares them; a CONTROL
// statement adds WS_CHILD | WS_VISIBLE unless the style says NOT WS_VISIBLE.
struct TemplateControl
{
    int id;
    const char* className;
    DWORD style;
};
const DWORD kShown = WS_CHILD | WS_VISIBLE;
const TemplateControl kTemplate102[] = {
    { IDOK, "Button", kShown | BS_DEFPUSHBUTTON | WS_TABSTOP },
    { IDCANCEL, "Button", kShown | BS_PUSHBUTTON | WS_TABSTOP },
    { -1, "Static", kShown | SS_LEFT | WS_GROUP },
    { 1001, "Button", kShown | BS_AUTORADIOBUTTON | WS_GROUP },
    { 1002, "Button", kShown | BS_AUTORADIOBUTTON },
    { 1004, "Button", kShown | BS_AUTORADIOBUTTON },
    { 1005, "Button", WS_CHILD | BS_AUTORADIOBUTTON },
};
const DWORD kTemplate102Style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
const int kIconIds[] = { 128, 130 };  // the program's icon groups

Window* Find(HWND hwnd)
{
    const auto found = g_windows.find(hwnd);
    if (found == g_windows.end() || !found->second.alive)
        return nullptr;
    return &found->second;
}

Window* FindOrFail(HWND hwnd)
{
    Window* window = Find(hwnd);
    if (!window)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return window;
}

HWND NewWindow(HWND parent, const std::string& className, int id, DWORD style)
{
    const HWND hwnd = reinterpret_cast<HWND>(g_nextWindow);
    g_nextWindow += 0x10;
    Window window = {};
    window.hwnd = hwnd;
    window.parent = parent;
    window.id = id;
    window.className = className;
    window.style = style;
    window.alive = true;
    window.windowRect = { 0, 0, 100, 20 };
    window.clientRect = { 0, 0, 100, 20 };
    g_windows[hwnd] = window;
    if (parent)
        g_windows[parent].children.push_back(hwnd);
    return hwnd;
}

std::string Describe(HWND hwnd)
{
    const Window* window = Find(hwnd);
    if (!window)
        return "hwnd " + detail::Hex(reinterpret_cast<uintptr_t>(hwnd));
    if (window->parent)
        return "#" + std::to_string(window->id);
    return "dialog";
}

DWORD ButtonType(const Window& window)
{
    return window.className == "Button" ? (window.style & BS_TYPEMASK) : 0xFFFF;
}

bool IsRadio(const Window& window)
{
    return ButtonType(window) == BS_RADIOBUTTON || ButtonType(window) == BS_AUTORADIOBUTTON;
}

bool IsCheckable(const Window& window)
{
    const DWORD type = ButtonType(window);
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE ||
           IsRadio(window);
}

LRESULT DialogCode(const Window& window)
{
    if (window.className == "Static")
        return DLGC_STATIC;
    if (window.className != "Button")
        return 0;
    switch (ButtonType(window)) {
    case BS_DEFPUSHBUTTON:
        return DLGC_DEFPUSHBUTTON | DLGC_BUTTON;
    case BS_PUSHBUTTON:
        return DLGC_UNDEFPUSHBUTTON | DLGC_BUTTON;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        return DLGC_RADIOBUTTON | DLGC_BUTTON;
    case BS_GROUPBOX:
        return DLGC_STATIC;
    default:
        return DLGC_BUTTON;
    }
}

// Windows' own handling of a message nobody else answered.
LRESULT DefaultHandling(Window& window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GETDLGCODE:
        return DialogCode(window);
    case BM_GETCHECK:
        return IsCheckable(window) ? window.check : 0;
    case BM_SETCHECK:
        if (IsCheckable(window))
            window.check = static_cast<int>(wParam);
        return 0;
    case WM_SETICON: {
        HICON& slot = wParam == ICON_BIG ? window.bigIcon : window.smallIcon;
        const HICON previous = slot;
        slot = reinterpret_cast<HICON>(lParam);
        return reinterpret_cast<LRESULT>(previous);
    }
    case WM_CLOSE:  // a dialog turns it into Cancel
        if (window.proc)
            return Deliver(window.hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                           reinterpret_cast<LPARAM>(GetDlgItem(window.hwnd, IDCANCEL)));
        return 0;
    default:
        return 0;
    }
}

// Messages whose answer a dialog procedure returns itself rather than through DWLP_MSGRESULT.
bool AnsweredDirectly(UINT message)
{
    return message == WM_INITDIALOG || message == WM_QUERYDRAGICON || message == 0x002E /* WM_VKEYTOITEM */ ||
           message == 0x002F /* WM_CHARTOITEM */ || message == 0x0039 /* WM_COMPAREITEM */ ||
           (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC);
}

// DWLP_MSGRESULT, DWLP_DLGPROC, DWLP_USER: 0, 1, 2; -1 for any other index.
int DialogSlot(int index)
{
    if (index == static_cast<int>(DWLP_MSGRESULT))
        return 0;
    if (index == static_cast<int>(DWLP_DLGPROC))
        return 1;
    if (index == static_cast<int>(DWLP_USER))
        return 2;
    return -1;
}

void DestroyTree(HWND hwnd)
{
    Window* window = Find(hwnd);
    if (!window)
        return;
    for (HWND child : window->children)
        DestroyTree(child);
    if (window->proc) {
        Deliver(hwnd, WM_DESTROY);
        Deliver(hwnd, WM_NCDESTROY);
    }
    window->alive = false;
}

}  // namespace

void detail::ResetWindows()
{
    g_windows.clear();
    g_nextWindow = 0x10010;
    g_script = {};
    g_runs.clear();
    g_running.clear();
    g_sent.clear();
    g_draws.clear();
    g_loadedIcons.clear();
    g_openPaints = 0;
    g_nextDc = 0xDC00;
}

HWND MakeDialog(DLGPROC proc)
{
    const HWND hwnd = NewWindow(nullptr, "#32770", 0, WS_POPUP | WS_VISIBLE | WS_CAPTION);
    Window& window = g_windows[hwnd];
    window.proc = proc;
    window.dialogLongs[1] = reinterpret_cast<LONG_PTR>(proc);
    window.windowRect = { 0, 0, 231, 315 };
    window.clientRect = { 0, 0, 225, 290 };
    return hwnd;
}

HWND AddControl(HWND dialog, const std::string& className, int id, DWORD style)
{
    if (!Find(dialog)) {
        ADD_FAILURE() << "AddControl: no such dialog";
        return nullptr;
    }
    return NewWindow(dialog, className, id, style | WS_CHILD);
}

Window& WindowOf(HWND hwnd)
{
    const auto found = g_windows.find(hwnd);
    if (found == g_windows.end()) {
        ADD_FAILURE() << "no such window " << detail::Hex(reinterpret_cast<uintptr_t>(hwnd));
        throw std::runtime_error("no such window");
    }
    return found->second;
}

HWND Control(HWND dialog, int id)
{
    for (HWND child : WindowOf(dialog).children)
        if (g_windows[child].id == id)
            return child;
    ADD_FAILURE() << "no control " << id;
    return nullptr;
}

bool IsEnabled(HWND hwnd)
{
    return !(WindowOf(hwnd).style & WS_DISABLED);
}

bool IsVisible(HWND hwnd)
{
    return (WindowOf(hwnd).style & WS_VISIBLE) != 0;
}

const std::vector<Sent>& SentMessages()
{
    return g_sent;
}

std::string MessageName(UINT message)
{
    static const std::map<UINT, const char*> kNames = {
        { WM_PAINT, "WM_PAINT" },
        { WM_CLOSE, "WM_CLOSE" },
        { WM_ICONERASEBKGND, "WM_ICONERASEBKGND" },
        { WM_SETFONT, "WM_SETFONT" },
        { WM_QUERYDRAGICON, "WM_QUERYDRAGICON" },
        { WM_HELP, "WM_HELP" },
        { WM_SETICON, "WM_SETICON" },
        { WM_GETDLGCODE, "WM_GETDLGCODE" },
        { WM_INITDIALOG, "WM_INITDIALOG" },
        { WM_COMMAND, "WM_COMMAND" },
        { BM_GETCHECK, "BM_GETCHECK" },
        { BM_SETCHECK, "BM_SETCHECK" },
        { WM_DESTROY, "WM_DESTROY" },
        { WM_NCDESTROY, "WM_NCDESTROY" },
    };
    const auto found = kNames.find(message);
    return found != kNames.end() ? found->second : detail::Hex(message);
}

LRESULT Deliver(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* window = Find(hwnd);
    if (!window)
        return 0;
    if (window->proc) {
        const INT_PTR answer = window->proc(hwnd, message, wParam, lParam);
        window = Find(hwnd);
        if (!window)
            return 0;
        if (AnsweredDirectly(message)) {
            if (answer || message == WM_INITDIALOG)
                return answer;
        } else if (answer) {
            return window->dialogLongs[0];
        }
    }
    return DefaultHandling(*window, message, wParam, lParam);
}

void Click(HWND dialog, int id)
{
    const HWND control = Control(dialog, id);
    if (!control)
        return;
    Window& clicked = WindowOf(control);
    if (!IsVisible(control) || !IsEnabled(control))
        return;  // a user cannot click it
    if (ButtonType(clicked) == BS_AUTORADIOBUTTON) {
        // The group: back to the control that starts it, on to the next that starts another.
        const std::vector<HWND>& siblings = WindowOf(dialog).children;
        size_t first = 0;
        size_t at = 0;
        while (siblings[at] != control)
            ++at;
        for (first = at; first > 0 && !(g_windows[siblings[first]].style & WS_GROUP); --first) {
        }
        for (size_t i = first; i < siblings.size(); ++i) {
            Window& sibling = g_windows[siblings[i]];
            if (i != first && (sibling.style & WS_GROUP))
                break;
            if (IsRadio(sibling))
                sibling.check = BST_UNCHECKED;
        }
        clicked.check = BST_CHECKED;
    } else if (ButtonType(clicked) == BS_AUTOCHECKBOX) {
        clicked.check = clicked.check ? BST_UNCHECKED : BST_CHECKED;
    }
    Deliver(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

void Command(HWND dialog, int id)
{
    Deliver(dialog, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void SetDialogScript(DialogScript script)
{
    g_script = std::move(script);
}

const std::vector<DialogRun>& DialogRuns()
{
    return g_runs;
}

const std::vector<IconDraw>& IconDraws()
{
    return g_draws;
}

int OpenPaints()
{
    return g_openPaints;
}

HICON IconHandle(int id)
{
    return reinterpret_cast<HICON>(static_cast<uintptr_t>(0x1C0000 + id));
}

std::vector<int> LoadedIconIds()
{
    return g_loadedIcons;
}

}  // namespace fake

using namespace fake;
using fake::detail::Log;

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc,
                               LPARAM initParam)
{
    DialogRun run = { instance, "", owner, nullptr, -1, 0 };
    const bool byNumber = IS_INTRESOURCE(templateName);
    run.templateName = byNumber ? "#" + std::to_string(LOWORD(templateName)) : detail::Text(templateName);
    Log("DialogBoxParamA", run.templateName, "", 0);

    if (!byNumber || LOWORD(templateName) != 102) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    } else if (!g_script.failCreation && dialogProc) {
        const HWND dialog = NewWindow(nullptr, "#32770", 0, kTemplate102Style);
        run.dialog = dialog;
        {
            Window& window = g_windows[dialog];
            window.proc = dialogProc;
            window.dialogLongs[1] = reinterpret_cast<LONG_PTR>(dialogProc);
            window.iconic = g_script.iconic;
            window.clientRect = g_script.clientRect;
            window.windowRect = { 0, 0, g_script.clientRect.right + 6, g_script.clientRect.bottom + 25 };
        }
        HWND focus = nullptr;
        for (const TemplateControl& control : kTemplate102) {
            const HWND hwnd = NewWindow(dialog, control.className, control.id, control.style);
            if (!focus && (control.style & WS_TABSTOP))
                focus = hwnd;
        }
        if (g_script.beforeInit)
            g_script.beforeInit(dialog);

        g_running.push_back(dialog);
        Deliver(dialog, WM_SETFONT, 0xF047, FALSE);  // DS_SETFONT: the font comes before WM_INITDIALOG
        Deliver(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), initParam);
        for (const UserStep& step : g_script.user) {
            if (g_windows[dialog].ended)
                break;
            step(dialog);
            ++run.stepsRun;
        }
        Window& window = g_windows[dialog];
        if (!window.ended)
            ADD_FAILURE() << "the dialog's user script ended without EndDialog";
        else
            run.result = window.endResult;
        DestroyTree(dialog);
        g_running.pop_back();
    }
    g_runs.push_back(run);
    Log("DialogBoxParamA ended", run.templateName, "", run.result);
    return run.result;
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result)
{
    Window* window = FindOrFail(dialog);
    const BOOL done = window && window->proc;
    if (done) {
        window->ended = true;
        window->endResult = result;
    }
    Log("EndDialog", Describe(dialog), std::to_string(result), done);
    return done;
}

BOOL WINAPI DestroyWindow(HWND window)
{
    const bool known = FindOrFail(window) != nullptr;
    Log("DestroyWindow", Describe(window), "", known);
    DestroyTree(window);
    return known;
}

HWND WINAPI GetDlgItem(HWND dialog, int id)
{
    if (const Window* window = FindOrFail(dialog))
        for (HWND child : window->children)
            if (g_windows[child].alive && g_windows[child].id == id)
                return child;
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

HWND WINAPI GetWindow(HWND hwnd, UINT command)
{
    const Window* window = FindOrFail(hwnd);
    if (!window)
        return nullptr;
    if (command == GW_CHILD)
        return window->children.empty() ? nullptr : window->children.front();
    if (!window->parent)
        return nullptr;
    const std::vector<HWND>& siblings = g_windows[window->parent].children;
    size_t at = 0;
    while (siblings[at] != hwnd)
        ++at;
    switch (command) {
    case GW_HWNDFIRST:
        return siblings.front();
    case GW_HWNDLAST:
        return siblings.back();
    case GW_HWNDNEXT:
        return at + 1 < siblings.size() ? siblings[at + 1] : nullptr;
    case GW_HWNDPREV:
        return at > 0 ? siblings[at - 1] : nullptr;
    default:
        return nullptr;
    }
}

HWND WINAPI GetActiveWindow()
{
    return g_running.empty() ? nullptr : g_running.back();
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hwnd, int index)
{
    const Window* window = FindOrFail(hwnd);
    if (!window)
        return 0;
    if (index == GWL_STYLE)
        return static_cast<LONG>(window->style);
    if (index == GWL_ID)
        return window->id;
    if (window->proc && DialogSlot(index) >= 0)
        return window->dialogLongs[DialogSlot(index)];
    SetLastError(1413);  // ERROR_INVALID_INDEX
    return 0;
}

LONG WINAPI GetWindowLongA(HWND hwnd, int index)
{
    return static_cast<LONG>(GetWindowLongPtrA(hwnd, index));
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value)
{
    Window* window = FindOrFail(hwnd);
    if (!window)
        return 0;
    const LONG_PTR previous = GetWindowLongPtrA(hwnd, index);
    if (index == GWL_STYLE)
        window->style = static_cast<DWORD>(value);
    else if (index == GWL_ID)
        window->id = static_cast<int>(value);
    else if (window->proc && DialogSlot(index) >= 0)
        window->dialogLongs[DialogSlot(index)] = value;
    return previous;
}

BOOL WINAPI EnableWindow(HWND hwnd, BOOL enable)
{
    Window* window = FindOrFail(hwnd);
    BOOL wasDisabled = FALSE;
    if (window) {
        wasDisabled = (window->style & WS_DISABLED) != 0;
        if (enable)
            window->style &= ~static_cast<DWORD>(WS_DISABLED);
        else
            window->style |= WS_DISABLED;
    }
    Log("EnableWindow", Describe(hwnd), enable ? "TRUE" : "FALSE", wasDisabled);
    return wasDisabled;
}

LRESULT WINAPI SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!FindOrFail(hwnd)) {
        Log("SendMessageA", Describe(hwnd), MessageName(message), 0);
        return 0;
    }
    const size_t index = g_sent.size();
    g_sent.push_back({ hwnd, message, wParam, lParam, 0 });
    const size_t event = Events().size();
    Log("SendMessageA", Describe(hwnd), MessageName(message) + " " + std::to_string(wParam), 0);
    const LRESULT result = Deliver(hwnd, message, wParam, lParam);
    g_sent[index].result = result;
    detail::SetResult(event, result);  // logged before delivery, so that what the send causes comes after it
    return result;
}

BOOL WINAPI IsIconic(HWND hwnd)
{
    const Window* window = FindOrFail(hwnd);
    return window && window->iconic;
}

BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect)
{
    const Window* window = FindOrFail(hwnd);
    if (window)
        *rect = window->clientRect;
    return window != nullptr;
}

BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rect)
{
    const Window* window = FindOrFail(hwnd);
    if (window)
        *rect = window->windowRect;
    return window != nullptr;
}

BOOL WINAPI SetWindowPos(HWND hwnd, HWND, int x, int y, int cx, int cy, UINT flags)
{
    Window* window = FindOrFail(hwnd);
    if (window) {
        RECT& rect = window->windowRect;
        if (!(flags & SWP_NOSIZE)) {
            rect.right = rect.left + cx;
            rect.bottom = rect.top + cy;
        }
        if (!(flags & SWP_NOMOVE)) {
            rect.right += x - rect.left;
            rect.bottom += y - rect.top;
            rect.left = x;
            rect.top = y;
        }
    }
    Log("SetWindowPos", Describe(hwnd), std::to_string(x) + "," + std::to_string(y), window != nullptr);
    return window != nullptr;
}

HICON WINAPI LoadIconA(HINSTANCE, LPCSTR iconName)
{
    HICON icon = nullptr;
    if (IS_INTRESOURCE(iconName)) {
        const int id = LOWORD(iconName);
        g_loadedIcons.push_back(id);
        for (int known : kIconIds)
            if (known == id)
                icon = IconHandle(id);
    }
    if (!icon)
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    Log("LoadIconA", IS_INTRESOURCE(iconName) ? "#" + std::to_string(LOWORD(iconName)) : detail::Text(iconName), "",
        reinterpret_cast<uintptr_t>(icon));
    return icon;
}

HDC WINAPI BeginPaint(HWND hwnd, LPPAINTSTRUCT paint)
{
    const Window* window = FindOrFail(hwnd);
    if (!window || !paint)
        return nullptr;
    const HDC dc = reinterpret_cast<HDC>(g_nextDc);
    g_nextDc += 0x10;
    *paint = {};
    paint->hdc = dc;
    paint->rcPaint = window->clientRect;
    ++g_openPaints;
    Log("BeginPaint", Describe(hwnd), "", reinterpret_cast<uintptr_t>(dc));
    return dc;
}

BOOL WINAPI EndPaint(HWND hwnd, const PAINTSTRUCT* paint)
{
    --g_openPaints;
    Log("EndPaint", Describe(hwnd), paint ? detail::Hex(reinterpret_cast<uintptr_t>(paint->hdc)) : "", TRUE);
    return TRUE;
}

BOOL WINAPI DrawIcon(HDC dc, int x, int y, HICON icon)
{
    g_draws.push_back({ dc, x, y, icon });
    Log("DrawIcon", detail::Hex(reinterpret_cast<uintptr_t>(dc)), std::to_string(x) + "," + std::to_string(y), TRUE);
    return TRUE;
}
