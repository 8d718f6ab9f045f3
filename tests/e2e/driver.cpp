// e2e-driver: drives a dialog program from outside, inside the same Wine prefix.
//
//   e2e-driver.exe VERB ARGS...     runs one verb
//   e2e-driver.exe < script         runs one verb per line; "quoted words" keep
//                                   their spaces, lines starting with # are skipped
//
// Results are printed as key=value lines. The first verb that fails prints
// "error=<verb>: <reason>" and ends the run with exit code 1. A program that
// was launched and is still running when the run ends is terminated
// ("killed=1"), so that a failed scenario leaves nothing behind.
// The verbs are listed in README.md.
#include <windows.h>
#include <tlhelp32.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const DWORD kDefaultTimeoutMs = 60000;
const DWORD kPollMs = 50;

struct Failure {
    std::string what;
};

[[noreturn]] void fail(const std::string& what) { throw Failure{what}; }

std::string hex(unsigned long v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08lX", v);
    return buf;
}

void out(const std::string& key, const std::string& value) {
    std::printf("%s=%s\n", key.c_str(), value.c_str());
    std::fflush(stdout);
}
void out(const std::string& key, long value) { out(key, std::to_string(value)); }

std::string rectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

// Messages to another process's window time out: a program that is busy (say,
// inside WinExec waiting for a child) must not hang the driver.
LRESULT ask(HWND w, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(w, msg, wp, lp, SMTO_ABORTIFHUNG, 20000, &result))
        fail("no answer to message " + std::to_string(msg));
    return static_cast<LRESULT>(result);
}

std::string windowText(HWND w) {
    // WM_GETTEXT works across processes; GetWindowText would not read a
    // control of another process.
    char buf[1024] = {};
    ask(w, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
    std::string s = buf;
    for (char& c : s)  // one result per line
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

std::string className(HWND w) {
    char buf[256] = {};
    GetClassNameA(w, buf, sizeof buf);
    return buf;
}

int parseInt(const std::string& s) {
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 0);
    if (s.empty() || *end) fail("not a number: " + s);
    return static_cast<int>(v);
}

DWORD timeoutArg(const std::vector<std::string>& a, size_t i) {
    return a.size() > i ? static_cast<DWORD>(parseInt(a[i])) : kDefaultTimeoutMs;
}

// Polls cond until it holds or timeoutMs passes.
template <class Cond>
bool waitFor(DWORD timeoutMs, Cond cond) {
    DWORD start = GetTickCount();
    for (;;) {
        if (cond()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(kPollMs);
    }
}

struct TopLevel {
    HWND hwnd;
    DWORD pid;
};

BOOL CALLBACK collectVisible(HWND w, LPARAM all) {
    if (IsWindowVisible(w)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        reinterpret_cast<std::vector<TopLevel>*>(all)->push_back({w, pid});
    }
    return TRUE;
}

std::vector<TopLevel> visibleTopLevels() {
    std::vector<TopLevel> all;
    EnumWindows(collectVisible, reinterpret_cast<LPARAM>(&all));
    return all;
}

class Driver {
public:
    ~Driver() {
        if (process_) CloseHandle(process_);
        for (HANDLE h : held_) CloseHandle(h);
    }

    void run(const std::vector<std::string>& a) {
        const std::string& v = a[0];
        if (v == "version") return version();
        if (v == "drive-type") return driveType(a);
        if (v == "launch") return launch(a);
        if (v == "wait-window") return waitWindow(a);
        if (v == "window") return describeWindow("window", need(dialog_, "window"));
        if (v == "screen") return screen();
        if (v == "control") return control(a);
        if (v == "controls") return controls();
        if (v == "wait-control") return waitControl(a);
        if (v == "focus") return focus();
        if (v == "wait-focus") return waitFocus(a);
        if (v == "click") return click(a);
        if (v == "mouse") return mouse(a);
        if (v == "key") return key(a);
        if (v == "close") return closeBox();
        if (v == "minimize") return sysCommand(SC_MINIMIZE, "minimized");
        if (v == "restore") return sysCommand(SC_RESTORE, "restored");
        if (v == "wait-iconic") return waitIconic(a);
        if (v == "wait-gone") return waitGone(a);
        if (v == "wait-box") return waitBox(a);
        if (v == "answer") return answer(a);
        if (v == "wait-exit") return waitExit(a);
        if (v == "windows") return listWindows();
        if (v == "processes") return listProcesses();
        if (v == "hold") return hold(a);
        if (v == "check") return check(a);
        fail("unknown verb");
    }

    // Ends a program that outlived the run.
    void finish() {
        if (process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 99);
            WaitForSingleObject(process_, 5000);
            out("killed", 1);
        }
    }

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND dialog_ = nullptr;  // the window found by wait-window
    HWND box_ = nullptr;     // the message box found by wait-box
    std::vector<HANDLE> held_;  // files kept open by hold, until the run ends

    static HWND need(HWND w, const char* what) {
        if (!w || !IsWindow(w)) fail(std::string("no ") + what + " (use wait-window/wait-box first)");
        return w;
    }

    static void argc(const std::vector<std::string>& a, size_t min) {
        if (a.size() < min) fail("missing arguments");
    }

    void version() { out("version", hex(GetVersion())); }

    void driveType(const std::vector<std::string>& a) {
        argc(a, 2);
        std::string root = a[1].substr(0, 1) + ":\\";
        out("drive." + a[1].substr(0, 1), static_cast<long>(GetDriveTypeA(root.c_str())));
    }

    void launch(const std::vector<std::string>& a) {
        argc(a, 3);
        if (process_) fail("a program was launched already");
        GetDesktopWindow();  // starts Wine's desktop process as our child, not the program's
        std::string cmd = "\"" + a[2] + "\"";
        for (size_t i = 3; i < a.size(); ++i) cmd += " " + a[i];
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessA(a[2].c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                            a[1].c_str(), &si, &pi))
            fail("CreateProcess failed, error " + std::to_string(GetLastError()));
        CloseHandle(pi.hThread);
        process_ = pi.hProcess;
        pid_ = pi.dwProcessId;
        out("launch.pid", static_cast<long>(pid_));
    }

    bool ownedByLaunched(HWND w) const {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        return pid_ && pid == pid_;
    }

    void describeWindow(const std::string& p, HWND w) {
        RECT r;
        GetWindowRect(w, &r);
        out(p + ".caption", windowText(w));
        out(p + ".class", className(w));
        out(p + ".rect", rectText(r));
        out(p + ".style", hex(GetWindowLongA(w, GWL_STYLE)));
        out(p + ".exstyle", hex(GetWindowLongA(w, GWL_EXSTYLE)));
        out(p + ".enabled", IsWindowEnabled(w) ? 1 : 0);
        out(p + ".owner", hex(reinterpret_cast<unsigned long>(GetWindow(w, GW_OWNER))));
        out(p + ".launched", ownedByLaunched(w) ? 1 : 0);
    }

    void waitWindow(const std::vector<std::string>& a) {
        argc(a, 2);
        HWND found = nullptr;
        if (!waitFor(timeoutArg(a, 2), [&] {
                found = FindWindowA(nullptr, a[1].c_str());
                return found && IsWindowVisible(found);
            }))
            fail("no visible window \"" + a[1] + "\"");
        dialog_ = found;
        describeWindow("window", found);
    }

    void screen() {
        out("screen.size", std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "," +
                               std::to_string(GetSystemMetrics(SM_CYSCREEN)));
        RECT work;
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        out("screen.workarea", rectText(work));
    }

    void describeControl(HWND c, int id) {
        std::string p = "ctl." + std::to_string(id);
        RECT r;
        GetWindowRect(c, &r);
        out(p + ".class", className(c));
        out(p + ".text", windowText(c));
        out(p + ".visible", IsWindowVisible(c) ? 1 : 0);
        out(p + ".enabled", IsWindowEnabled(c) ? 1 : 0);
        out(p + ".checked", static_cast<long>(ask(c, BM_GETCHECK)));
        out(p + ".dlgcode", hex(static_cast<unsigned long>(ask(c, WM_GETDLGCODE))));
        out(p + ".style", hex(GetWindowLongA(c, GWL_STYLE)));
        out(p + ".rect", rectText(r));
    }

    HWND controlOf(HWND parent, const std::string& idText) {
        int id = parseInt(idText);
        HWND c = GetDlgItem(parent, id);
        if (!c) fail("no control " + idText);
        return c;
    }

    void control(const std::vector<std::string>& a) {
        argc(a, 2);
        HWND c = GetDlgItem(need(dialog_, "window"), parseInt(a[1]));
        out("ctl." + a[1] + ".exists", c ? 1 : 0);
        if (c) describeControl(c, parseInt(a[1]));
    }

    void controls() {
        HWND dlg = need(dialog_, "window");
        std::vector<int> ids;
        for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            int id = static_cast<short>(GetDlgCtrlID(c));  // a static's 0xFFFF reads as -1
            ids.push_back(id);
            describeControl(c, id);
        }
        std::string list;
        for (int id : ids) list += (list.empty() ? "" : ",") + std::to_string(id);
        out("controls", list);
    }

    // "wait-control ID visible|enabled|checked VALUE [ms]"
    void waitControl(const std::vector<std::string>& a) {
        argc(a, 4);
        HWND dlg = need(dialog_, "window");
        HWND c = controlOf(dlg, a[1]);
        int want = parseInt(a[3]);
        auto state = [&]() -> int {
            if (a[2] == "visible") return IsWindowVisible(c) ? 1 : 0;
            if (a[2] == "enabled") return IsWindowEnabled(c) ? 1 : 0;
            if (a[2] == "checked") return static_cast<int>(ask(c, BM_GETCHECK));
            fail("unknown state " + a[2]);
        };
        bool reached = waitFor(timeoutArg(a, 4), [&] { return state() == want; });
        describeControl(c, parseInt(a[1]));
        if (!reached) fail("control " + a[1] + " " + a[2] + " did not become " + a[3]);
    }

    HWND focusedControl() {
        HWND dlg = need(dialog_, "window");
        GUITHREADINFO gti = {};
        gti.cbSize = sizeof gti;
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(dlg, nullptr), &gti)) return nullptr;
        return gti.hwndFocus;
    }

    void focus() {
        HWND f = focusedControl();
        if (!f) return out("focus.id", "none");
        out("focus.id", static_cast<short>(GetDlgCtrlID(f)));
        out("focus.class", className(f));
        out("focus.text", windowText(f));
    }

    void waitFocus(const std::vector<std::string>& a) {
        argc(a, 2);
        int want = parseInt(a[1]);
        if (!waitFor(timeoutArg(a, 2), [&] {
                HWND f = focusedControl();
                return f && static_cast<short>(GetDlgCtrlID(f)) == want;
            })) {
            focus();
            fail("focus did not move to " + a[1]);
        }
        focus();
    }

    // BM_CLICK is posted: the click may open a modal box, and a sent message
    // would not return until that box is closed.
    void click(const std::vector<std::string>& a) {
        argc(a, 2);
        HWND c = controlOf(need(dialog_, "window"), a[1]);
        if (!PostMessageA(c, BM_CLICK, 0, 0)) fail("PostMessage failed");
        out("clicked", a[1]);
    }

    void foreground(HWND w) {
        SetForegroundWindow(w);
        if (!waitFor(5000, [&] { return GetForegroundWindow() == w; }))
            fail("window did not come to the foreground");
    }

    void mouse(const std::vector<std::string>& a) {
        argc(a, 2);
        HWND dlg = need(dialog_, "window");
        HWND c = controlOf(dlg, a[1]);
        foreground(dlg);
        RECT r;
        GetWindowRect(c, &r);
        int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
        INPUT in[3] = {};
        for (INPUT& i : in) {
            i.type = INPUT_MOUSE;
            i.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
            i.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
            i.mi.dwFlags = MOUSEEVENTF_ABSOLUTE;
        }
        // Press and release carry the position too: in a Wine virtual desktop a
        // window (re)appearing under the X pointer puts the cursor back there.
        for (INPUT& i : in) i.mi.dwFlags |= MOUSEEVENTF_MOVE;
        in[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
        in[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
        // The button goes down only once the pointer is over the control: a
        // click sent together with the move was lost once on a busy machine.
        if (SendInput(1, &in[0], sizeof(INPUT)) != 1) fail("SendInput failed");
        if (!waitFor(5000, [&] {
                POINT p;
                if (!GetCursorPos(&p)) return false;
                // A disabled control is not hit: the point then belongs to the dialog.
                HWND hit = WindowFromPoint(p);
                return hit == c || (!IsWindowEnabled(c) && hit == dlg && p.x == x && p.y == y);
            }))
            fail("the pointer did not get over control " + a[1]);
        if (SendInput(2, &in[1], sizeof(INPUT)) != 2) fail("SendInput failed");
        out("mouse", std::to_string(x) + "," + std::to_string(y));
    }

    static WORD keyCode(const std::string& name) {
        static const struct {
            const char* name;
            WORD vk;
        } keys[] = {{"tab", VK_TAB},     {"enter", VK_RETURN}, {"escape", VK_ESCAPE},
                    {"space", VK_SPACE}, {"f1", VK_F1},        {"up", VK_UP},
                    {"down", VK_DOWN},   {"left", VK_LEFT},    {"right", VK_RIGHT},
                    {"shift", VK_SHIFT}, {"alt", VK_MENU},     {"ctrl", VK_CONTROL}};
        for (const auto& k : keys)
            if (name == k.name) return k.vk;
        if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
            return static_cast<WORD>(std::toupper(static_cast<unsigned char>(name[0])));
        fail("unknown key " + name);
    }

    // "key shift+tab": presses the keys in order, releases them in reverse.
    void key(const std::vector<std::string>& a) {
        argc(a, 2);
        std::vector<WORD> vks;
        for (size_t start = 0;;) {
            size_t plus = a[1].find('+', start);
            vks.push_back(keyCode(a[1].substr(start, plus - start)));
            if (plus == std::string::npos) break;
            start = plus + 1;
        }
        HWND target = box_ && IsWindow(box_) ? box_ : need(dialog_, "window");
        foreground(target);
        std::vector<INPUT> in;
        for (WORD vk : vks) {
            INPUT i = {};
            i.type = INPUT_KEYBOARD;
            i.ki.wVk = vk;
            i.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, 0));
            in.push_back(i);
        }
        for (size_t n = vks.size(); n-- > 0;) {
            INPUT i = in[n];
            i.ki.dwFlags = KEYEVENTF_KEYUP;
            in.push_back(i);
        }
        if (SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)) != in.size())
            fail("SendInput failed");
        out("key", a[1]);
    }

    void closeBox() {
        HWND dlg = need(dialog_, "window");
        if (!PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0)) fail("PostMessage failed");
        out("closed", 1);
    }

    // As the taskbar button does, so it is posted like close. Only once the
    // program has been idle: a dialog box loop shows its dialog again when its
    // queue first runs empty, which would undo an earlier minimize.
    void sysCommand(WPARAM command, const char* done) {
        HWND dlg = need(dialog_, "window");
        if (process_ && WaitForInputIdle(process_, kDefaultTimeoutMs) == WAIT_TIMEOUT)
            fail("the program never waited for input");
        if (!PostMessageA(dlg, WM_SYSCOMMAND, command, 0)) fail("PostMessage failed");
        out(done, 1);
    }

    // "wait-iconic 0|1 [ms]": waits until the window is (not) minimized.
    void waitIconic(const std::vector<std::string>& a) {
        argc(a, 2);
        HWND dlg = need(dialog_, "window");
        int want = parseInt(a[1]);
        bool reached = waitFor(timeoutArg(a, 2), [&] { return (IsIconic(dlg) ? 1 : 0) == want; });
        out("window.iconic", IsIconic(dlg) ? 1 : 0);
        if (!reached) fail("window iconic did not become " + a[1]);
    }

    void waitGone(const std::vector<std::string>& a) {
        HWND dlg = need(dialog_, "window");
        if (!waitFor(timeoutArg(a, 1), [&] { return !IsWindow(dlg) || !IsWindowVisible(dlg); }))
            fail("window still there");
        dialog_ = nullptr;
        out("gone", 1);
    }

    // A box shown right after a long wait in its thread (say, for a child
    // process) may still count as hung there: no answer yet is no mismatch.
    static bool captionIs(HWND w, const std::string& caption) {
        try {
            return windowText(w) == caption;
        } catch (const Failure&) {
            return false;
        }
    }

    // A message box: a visible top-level dialog other than the main window.
    bool isBox(HWND w) const {
        return w != dialog_ && className(w) == "#32770";
    }

    void describeBox(HWND b) {
        describeWindow("box", b);
        out("box.text", windowText(GetDlgItem(b, 0xFFFF)));
        out("box.text.escaped", escapedText(GetDlgItem(b, 0xFFFF)));
        std::string ids;
        for (HWND c = GetWindow(b, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            if (className(c) != "Button" || !IsWindowVisible(c)) continue;
            int id = GetDlgCtrlID(c);
            ids += (ids.empty() ? "" : ",") + std::to_string(id);
            out("box.button." + std::to_string(id), windowText(c));
        }
        out("box.buttons", ids);
    }

    // "wait-box CAPTION" or "wait-box *" for any box.
    void waitBox(const std::vector<std::string>& a) {
        argc(a, 2);
        HWND found = nullptr;
        if (!waitFor(timeoutArg(a, 2), [&] {
                for (const TopLevel& t : visibleTopLevels())
                    if (isBox(t.hwnd) && (a[1] == "*" || captionIs(t.hwnd, a[1]))) {
                        found = t.hwnd;
                        return true;
                    }
                return false;
            }))
            fail("no box \"" + a[1] + "\"");
        box_ = found;
        describeBox(found);
    }

    void answer(const std::vector<std::string>& a) {
        argc(a, 2);
        HWND b = need(box_, "box");
        HWND button = controlOf(b, a[1]);
        if (className(button) != "Button" || !IsWindowVisible(button))
            fail("box has no button " + a[1]);
        PostMessageA(button, BM_CLICK, 0, 0);
        if (!waitFor(kDefaultTimeoutMs, [&] { return !IsWindow(b) || !IsWindowVisible(b); }))
            fail("box still there after answering");
        box_ = nullptr;
        out("answered", a[1]);
    }

    // Waits for the launched program to end. A box the program puts up in the
    // meantime is reported and ends the wait: nobody would answer it.
    void waitExit(const std::vector<std::string>& a) {
        if (!process_) fail("nothing launched");
        HWND box = nullptr;
        bool ended = waitFor(timeoutArg(a, 1), [&] {
            if (WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) return true;
            for (const TopLevel& t : visibleTopLevels())
                if (t.pid == pid_ && isBox(t.hwnd)) box = t.hwnd;
            return box != nullptr;
        });
        if (box) {
            describeBox(box);
            fail("a box appeared: " + windowText(box));
        }
        if (!ended) fail("program still running");
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        out("exit.code", std::to_string(code));

        // What it started (a setup program, say) may still be starting up;
        // its traces are only complete once it has ended too. The children
        // are taken right away, before the program's ID can be reused.
        std::vector<HANDLE> children;
        for (const PROCESSENTRY32& pe : childrenOf(pid_)) {
            HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pe.th32ProcessID);
            if (h) children.push_back(h);
            out("child", std::to_string(pe.th32ProcessID) + " exe=" + pe.szExeFile);
        }
        bool childrenEnded = waitFor(timeoutArg(a, 1), [&] {
            for (HANDLE h : children)
                if (WaitForSingleObject(h, 0) == WAIT_TIMEOUT) return false;
            return true;
        });
        for (HANDLE h : children) CloseHandle(h);
        if (!childrenEnded) fail("programs it started are still running");
    }

    // The text with its line breaks kept: \\ \n \r for a backslash and the breaks.
    static std::string escapedText(HWND w) {
        char buf[1024] = {};
        ask(w, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
        std::string s;
        for (const char* p = buf; *p; ++p)
            s += *p == '\\' ? "\\\\" : *p == '\n' ? "\\n" : *p == '\r' ? "\\r" : std::string(1, *p);
        return s;
    }

    // "check ID": BM_SETCHECK, for a control the user cannot reach (hidden).
    // BM_CLICK on a hidden auto radio button loops for ever in Wine 8 (user32
    // BUTTON_CheckAutoRadioButton never meets the hidden start again).
    void check(const std::vector<std::string>& a) {
        argc(a, 2);
        ask(controlOf(need(dialog_, "window"), a[1]), BM_SETCHECK, BST_CHECKED);
        out("check", a[1]);
    }

    // "hold PATH": opens the file without sharing it, as a program using it
    // would; nobody else can delete or rename it until the run ends.
    void hold(const std::vector<std::string>& a) {
        argc(a, 2);
        HANDLE h = CreateFileA(a[1].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) fail("cannot open " + a[1] + ", error " + std::to_string(GetLastError()));
        held_.push_back(h);
        out("held", a[1]);
    }

    static std::vector<PROCESSENTRY32> processes() {
        HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snap == INVALID_HANDLE_VALUE) fail("no process snapshot");
        std::vector<PROCESSENTRY32> all;
        PROCESSENTRY32 pe = {};
        pe.dwSize = sizeof pe;
        for (BOOL more = Process32First(snap, &pe); more; more = Process32Next(snap, &pe))
            all.push_back(pe);
        CloseHandle(snap);
        return all;
    }

    // Wine's desktop process (explorer.exe) is started by the first program
    // that needs the desktop, and stays: it is not one of the program's own.
    static std::vector<PROCESSENTRY32> childrenOf(DWORD parent) {
        std::vector<PROCESSENTRY32> children;
        for (const PROCESSENTRY32& pe : processes())
            if (pe.th32ParentProcessID == parent && lstrcmpiA(pe.szExeFile, "explorer.exe") != 0)
                children.push_back(pe);
        return children;
    }

    void listProcesses() {
        for (const PROCESSENTRY32& pe : processes())
            out("process", std::to_string(pe.th32ProcessID) + " parent=" +
                               std::to_string(pe.th32ParentProcessID) + " exe=" + pe.szExeFile);
    }

    void listWindows() {
        for (const TopLevel& t : visibleTopLevels())
            out("top", hex(reinterpret_cast<unsigned long>(t.hwnd)) + " pid=" +
                           std::to_string(t.pid) + " class=" + className(t.hwnd) +
                           " caption=" + windowText(t.hwnd));
    }
};

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        if (std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
            continue;
        }
        std::string w;
        if (line[i] == '"') {
            size_t end = line.find('"', i + 1);
            if (end == std::string::npos) fail("unterminated quote");
            w = line.substr(i + 1, end - i - 1);
            i = end + 1;
        } else {
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
                w += line[i++];
        }
        words.push_back(w);
    }
    return words;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::vector<std::string>> script;
    int status = 0;
    Driver d;
    std::string current;
    try {
        if (argc > 1) {
            script.emplace_back(argv + 1, argv + argc);
        } else {
            char buf[4096];
            while (std::fgets(buf, sizeof buf, stdin)) {
                std::string line = buf;
                while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                    line.pop_back();
                std::vector<std::string> words = split(line);
                if (!words.empty() && words[0][0] != '#') script.push_back(words);
            }
        }
        for (const auto& words : script) {
            current = words[0];
            d.run(words);
        }
    } catch (const Failure& f) {
        std::printf("error=%s: %s\n", current.c_str(), f.what.c_str());
        std::fflush(stdout);
        status = 1;
        try {
            d.run({"windows"});  // what was on the screen, for the log
        } catch (const Failure&) {
        }
    }
    d.finish();
    return status;
}
