// Program starts: WinExec, CreateProcessA, and the handles they hand out.
#include "internal.h"

#include <cstring>
#include <map>

namespace fake {
namespace {

using detail::Log;

std::vector<Exec> g_execs;
UINT g_winExecResult = 0;
std::vector<ProcessStart> g_starts;
DWORD g_startError = 0;
std::function<void(const ProcessStart&)> g_onStart;
std::vector<Wait> g_waits;
std::vector<HANDLE> g_closed;
std::map<HANDLE, std::string> g_open;  // process and thread handles, with a name for the log
uintptr_t g_nextHandle = 0;

std::string HandleText(HANDLE handle)
{
    const auto found = g_open.find(handle);
    return found != g_open.end() ? found->second : detail::Hex(reinterpret_cast<uintptr_t>(handle));
}

HANDLE NewHandle(const std::string& name)
{
    const HANDLE handle = reinterpret_cast<HANDLE>(g_nextHandle);
    g_nextHandle += 4;
    g_open[handle] = name;
    return handle;
}

}  // namespace

void detail::ResetProcesses()
{
    g_execs.clear();
    g_winExecResult = 33;
    g_starts.clear();
    g_startError = 0;
    g_onStart = nullptr;
    g_waits.clear();
    g_closed.clear();
    g_open.clear();
    g_nextHandle = 0x7000;
}

const std::vector<Exec>& WinExecs()
{
    return g_execs;
}

void SetWinExecResult(UINT result)
{
    g_winExecResult = result;
}

const std::vector<ProcessStart>& ProcessStarts()
{
    return g_starts;
}

void FailProcessStarts(DWORD error)
{
    g_startError = error;
}

void OnProcessStart(std::function<void(const ProcessStart&)> action)
{
    g_onStart = std::move(action);
}

const std::vector<Wait>& Waits()
{
    return g_waits;
}

const std::vector<HANDLE>& ClosedHandles()
{
    return g_closed;
}

int OpenProcessHandles()
{
    return static_cast<int>(g_open.size());
}

}  // namespace fake

using namespace fake;
using fake::detail::Log;

UINT WINAPI WinExec(LPCSTR commandLine, UINT show)
{
    g_execs.push_back({ detail::Text(commandLine), show });
    Log("WinExec", detail::Text(commandLine), std::to_string(show), g_winExecResult);
    return g_winExecResult;
}

BOOL WINAPI CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                           LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                           LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                           LPPROCESS_INFORMATION processInformation)
{
    ProcessStart start = {};
    start.hasApplicationName = applicationName != nullptr;
    start.applicationName = applicationName ? applicationName : "";
    start.hasCommandLine = commandLine != nullptr;
    start.commandLine = commandLine ? commandLine : "";
    start.processAttributes = processAttributes;
    start.threadAttributes = threadAttributes;
    start.inheritHandles = inheritHandles;
    start.creationFlags = creationFlags;
    start.environment = environment;
    start.hasCurrentDirectory = currentDirectory != nullptr;
    start.currentDirectory = currentDirectory ? currentDirectory : "";
    start.hasStartupInfo = startupInfo != nullptr;
    if (startupInfo) {
        start.startupInfo = *startupInfo;
        const size_t size = startupInfo->cb < sizeof(STARTUPINFOA) ? startupInfo->cb : sizeof(STARTUPINFOA);
        const auto* bytes = reinterpret_cast<const unsigned char*>(startupInfo);
        start.startupBytes.assign(bytes, bytes + size);
    }

    if (processInformation) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(processInformation);
        start.processInformationBytes.assign(bytes, bytes + sizeof(PROCESS_INFORMATION));
    }

    DWORD error = g_startError;
    if (!error && (!startupInfo || !processInformation || (!applicationName && !commandLine)))
        error = ERROR_INVALID_PARAMETER;
    start.succeeded = !error;
    if (!error) {
        const std::string number = std::to_string(g_starts.size() + 1);
        start.process = NewHandle("process " + number);
        start.thread = NewHandle("thread " + number);
        processInformation->hProcess = start.process;
        processInformation->hThread = start.thread;
        processInformation->dwProcessId = 0x100 + static_cast<DWORD>(g_starts.size());
        processInformation->dwThreadId = 0x200 + static_cast<DWORD>(g_starts.size());
    } else {
        SetLastError(error);
    }
    g_starts.push_back(start);
    Log("CreateProcessA", start.commandLine, start.applicationName, !error);
    if (!error && g_onStart)
        g_onStart(g_starts.back());
    return !error;
}

DWORD WINAPI WaitForSingleObject(HANDLE object, DWORD milliseconds)
{
    g_waits.push_back({ object, milliseconds });
    // A started program has always ended by the time anyone waits for it.
    const DWORD answer = g_open.count(object) ? WAIT_OBJECT_0 : WAIT_FAILED;
    if (answer == WAIT_FAILED)
        SetLastError(ERROR_INVALID_HANDLE);
    Log("WaitForSingleObject", HandleText(object), milliseconds == INFINITE ? "INFINITE" : std::to_string(milliseconds),
        answer);
    return answer;
}

BOOL WINAPI CloseHandle(HANDLE object)
{
    const std::string name = HandleText(object);
    g_closed.push_back(object);
    const BOOL closed = g_open.erase(object) != 0;
    if (!closed)
        SetLastError(ERROR_INVALID_HANDLE);
    Log("CloseHandle", name, "", closed);
    return closed;
}
