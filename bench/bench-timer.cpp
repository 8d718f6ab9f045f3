// bench-timer: times a dialog program from outside, in the same Wine prefix.
//
//   bench-timer.exe startup PAIRS DIR CAPTION EXE_A EXE_B
//       Starts A, B, A, B, ... in DIR (one warm-up run of each first). Each run
//       is timed from just before CreateProcess until a visible top-level
//       window CAPTION of that process exists; then its Cancel button is
//       clicked and the run waits for the process to end.
//       Prints "warmup=A_MS B_MS", then "pair=I A_MS B_MS" per pair.
//
//   bench-timer.exe cleanup DIR CAPTION EXE OPTION_ID
//       Starts EXE in DIR, waits for its dialog and for it to be idle, checks
//       option OPTION_ID (BM_SETCHECK: the option may be hidden), clicks OK,
//       and times from the click until the process has ended.
//       Prints "cleanup.ms=MS" and "exit.code=CODE".
//
// A failure prints "error=REASON" and ends with exit code 1.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const DWORD kTimeoutMs = 120000;
const DWORD kPollMs = 5;

struct Failure {
    std::string what;
};

[[noreturn]] void fail(const std::string& what) { throw Failure{what}; }

double nowMs()
{
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Run {
    HANDLE process = nullptr;
    DWORD pid = 0;
    double startMs = 0;

    ~Run()
    {
        if (!process)
            return;
        // A run that failed half-way must not leave its program behind.
        if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process, 99);
            WaitForSingleObject(process, 5000);
        }
        CloseHandle(process);
    }

    void launch(const std::string& dir, const std::string& exe)
    {
        std::string cmd = "\"" + exe + "\"";
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        startMs = nowMs();
        if (!CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
            fail("CreateProcess " + exe + " failed, error " + std::to_string(GetLastError()));
        CloseHandle(pi.hThread);
        process = pi.hProcess;
        pid = pi.dwProcessId;
    }

    // The launched program's visible top-level window with this caption.
    HWND visibleWindow(const std::string& caption) const
    {
        for (HWND w = FindWindowExA(nullptr, nullptr, nullptr, caption.c_str()); w;
             w = FindWindowExA(nullptr, w, nullptr, caption.c_str())) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == pid && IsWindowVisible(w))
                return w;
        }
        return nullptr;
    }

    // An out-of-context EVENT_OBJECT_SHOW hook never fired under Wine 8 when
    // tried, so this polls. Each poll
    // is a server call and, under qemu, costs CPU that the program shares:
    // 5 ms keeps both the error and that cost small against a start-up of
    // about a second.
    HWND waitVisible(const std::string& caption) const
    {
        const double start = nowMs();
        for (;;) {
            if (HWND w = visibleWindow(caption))
                return w;
            if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0)
                fail("the program ended before its window \"" + caption + "\" showed");
            if (nowMs() - start > kTimeoutMs)
                fail("no visible window \"" + caption + "\"");
            Sleep(kPollMs);
        }
    }

    DWORD waitExit() const
    {
        if (WaitForSingleObject(process, kTimeoutMs) != WAIT_OBJECT_0)
            fail("the program did not end");
        DWORD code = 0;
        GetExitCodeProcess(process, &code);
        return code;
    }
};

HWND control(HWND dialog, int id)
{
    HWND c = GetDlgItem(dialog, id);
    if (!c)
        fail("no control " + std::to_string(id));
    return c;
}

// BM_CLICK is posted: a sent one would wait for whatever the click starts.
void click(HWND dialog, int id)
{
    if (!PostMessageA(control(dialog, id), BM_CLICK, 0, 0))
        fail("PostMessage failed");
}

LRESULT ask(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(w, msg, wp, lp, SMTO_ABORTIFHUNG, 20000, &result))
        fail("no answer to message " + std::to_string(msg));
    return static_cast<LRESULT>(result);
}

// One start-up: ms from CreateProcess to the visible window. (Wine 8 answers
// GetProcessTimes for another process with the caller's own times, as far
// as seen here, so CPU time cannot be taken from here.)
double startupOnce(const std::string& dir, const std::string& caption, const std::string& exe)
{
    Run run;
    run.launch(dir, exe);
    HWND dialog = run.waitVisible(caption);
    const double ms = nowMs() - run.startMs;
    click(dialog, IDCANCEL);
    run.waitExit();
    return ms;
}

int startup(int argc, char** argv)
{
    if (argc < 7)
        fail("usage: startup PAIRS DIR CAPTION EXE_A EXE_B");
    const int pairs = std::atoi(argv[2]);
    const std::string dir = argv[3], caption = argv[4], a = argv[5], b = argv[6];
    // Wine's desktop process starts with the first program that needs it; let
    // that be us, now, rather than the first timed run.
    GetDesktopWindow();
    double msA = startupOnce(dir, caption, a);
    double msB = startupOnce(dir, caption, b);
    std::printf("warmup=%.1f %.1f\n", msA, msB);
    std::fflush(stdout);
    for (int i = 1; i <= pairs; ++i) {
        msA = startupOnce(dir, caption, a);
        msB = startupOnce(dir, caption, b);
        std::printf("pair=%d %.1f %.1f\n", i, msA, msB);
        std::fflush(stdout);
    }
    return 0;
}

int cleanup(int argc, char** argv)
{
    if (argc < 6)
        fail("usage: cleanup DIR CAPTION EXE OPTION_ID");
    const std::string dir = argv[2], caption = argv[3], exe = argv[4];
    const int option = std::atoi(argv[5]);
    GetDesktopWindow();
    Run run;
    run.launch(dir, exe);
    HWND dialog = run.waitVisible(caption);
    // Whatever the program does after showing its window is not the cleanup.
    WaitForInputIdle(run.process, 10000);
    HWND button = control(dialog, option);
    ask(button, BM_SETCHECK, BST_CHECKED, 0);
    if (ask(button, BM_GETCHECK, 0, 0) != BST_CHECKED)
        fail("option " + std::to_string(option) + " did not take the check");
    const double start = nowMs();
    click(dialog, IDOK);
    const DWORD code = run.waitExit();
    const double ms = nowMs() - start;
    std::printf("cleanup.ms=%.1f\nexit.code=%lu\n", ms, static_cast<unsigned long>(code));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        if (argc > 1 && std::string(argv[1]) == "startup")
            return startup(argc, argv);
        if (argc > 1 && std::string(argv[1]) == "cleanup")
            return cleanup(argc, argv);
        fail("usage: bench-timer.exe startup|cleanup ...");
    } catch (const Failure& f) {
        std::printf("error=%s\n", f.what.c_str());
        std::fflush(stdout);
        return 1;
    }
}
