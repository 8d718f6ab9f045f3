// The event log, the last error, process-wide settings, message boxes and help.
#include "internal.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <deque>
#include <map>

namespace fake {
namespace detail {

std::string Upper(std::string text)
{
    for (char& ch : text)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return text;
}

bool UpperLess::operator()(const std::string& a, const std::string& b) const
{
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        const int x = std::toupper(static_cast<unsigned char>(a[i]));
        const int y = std::toupper(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

bool SameText(const std::string& a, const std::string& b)
{
    return Upper(a) == Upper(b);
}

std::string Hex(unsigned long long value)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx", value);
    return text;
}

std::string Text(LPCSTR text)
{
    return text ? text : "(null)";
}

}  // namespace detail

namespace {

std::vector<Event> g_events;
DWORD g_lastError = 0;

std::string g_moduleFileName;
DWORD g_version = 0;
UINT g_errorMode = 0;
std::vector<UINT> g_errorModeCalls;
std::map<int, int> g_metrics;
int g_getMessageCalls = 0;

std::deque<int> g_boxAnswers;
std::vector<Box> g_boxes;
std::vector<Help> g_help;

void ResetState()
{
    g_events.clear();
    g_lastError = 0;
    g_moduleFileName = "C:\\Medium\\MasterInstall.exe";
    g_version = 0xC0000A04;  // 4.10
    g_errorMode = 0;
    g_errorModeCalls.clear();
    g_metrics = { { SM_CXSCREEN, 1024 }, { SM_CYSCREEN, 768 }, { SM_CXICON, 32 }, { SM_CYICON, 32 } };
    g_getMessageCalls = 0;
    g_boxAnswers.clear();
    g_boxes.clear();
    g_help.clear();
}

std::string TraceLine(const Event& event)
{
    std::string line = event.api + " " + event.subject;
    if (!event.detail.empty())
        line += " -> " + event.detail;
    return line;
}

}  // namespace

void detail::Log(const std::string& api, const std::string& subject, const std::string& detail, long long result)
{
    g_events.push_back({ api, subject, detail, result });
}

void detail::SetResult(size_t eventIndex, long long result)
{
    g_events.at(eventIndex).result = result;
}

void Reset()
{
    ResetState();
    detail::ResetRegistry();
    detail::ResetFiles();
    detail::ResetProcesses();
    detail::ResetWindows();
}

const std::vector<Event>& Events()
{
    return g_events;
}

std::vector<std::string> Trace(std::initializer_list<std::string> apis)
{
    std::vector<std::string> lines;
    for (const Event& event : g_events)
        for (const std::string& api : apis)
            if (event.api == api)
                lines.push_back(TraceLine(event));
    return lines;
}

int IndexOf(const std::string& api, const std::string& subject)
{
    for (size_t i = 0; i < g_events.size(); ++i)
        if (g_events[i].api == api && (subject.empty() || g_events[i].subject == subject))
            return static_cast<int>(i);
    return -1;
}

int LastIndexOf(const std::string& api, const std::string& subject)
{
    for (size_t i = g_events.size(); i-- > 0;)
        if (g_events[i].api == api && (subject.empty() || g_events[i].subject == subject))
            return static_cast<int>(i);
    return -1;
}

int Count(const std::string& api)
{
    int count = 0;
    for (const Event& event : g_events)
        if (event.api == api)
            ++count;
    return count;
}

void AnswerBoxes(std::initializer_list<int> answers)
{
    g_boxAnswers.insert(g_boxAnswers.end(), answers.begin(), answers.end());
}

int UnusedBoxAnswers()
{
    return static_cast<int>(g_boxAnswers.size());
}

const std::vector<Box>& Boxes()
{
    return g_boxes;
}

const std::vector<Help>& HelpCalls()
{
    return g_help;
}

void SetModuleFileName(const std::string& path)
{
    g_moduleFileName = path;
}

void SetVersion(DWORD version)
{
    g_version = version;
}

void SetStartErrorMode(UINT mode)
{
    g_errorMode = mode;
}

const std::vector<UINT>& ErrorModeCalls()
{
    return g_errorModeCalls;
}

UINT ErrorMode()
{
    return g_errorMode;
}

void SetSystemMetric(int index, int value)
{
    g_metrics[index] = value;
}

int GetMessageCalls()
{
    return g_getMessageCalls;
}

}  // namespace fake

using namespace fake;
using fake::detail::Log;
using fake::detail::Text;

DWORD WINAPI GetLastError()
{
    return g_lastError;
}

void WINAPI SetLastError(DWORD error)
{
    g_lastError = error;
}

UINT WINAPI SetErrorMode(UINT mode)
{
    const UINT previous = g_errorMode;
    g_errorMode = mode;
    g_errorModeCalls.push_back(mode);
    Log("SetErrorMode", detail::Hex(mode), "", previous);
    return previous;
}

DWORD WINAPI GetVersion()
{
    Log("GetVersion", "", "", g_version);
    return g_version;
}

DWORD WINAPI GetModuleFileNameA(HMODULE, LPSTR fileName, DWORD size)
{
    // As from Windows XP on: a path that does not fit is cut, null-terminated,
    // and the whole buffer size is returned.
    if (size == 0) {
        g_lastError = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    const DWORD length = static_cast<DWORD>(g_moduleFileName.size());
    if (length < size) {
        g_moduleFileName.copy(fileName, length);
        fileName[length] = '\0';
        return length;
    }
    g_moduleFileName.copy(fileName, size - 1);
    fileName[size - 1] = '\0';
    g_lastError = ERROR_INSUFFICIENT_BUFFER;
    return size;
}

int WINAPI lstrcmpiA(LPCSTR first, LPCSTR second)
{
    if (!first || !second)
        return first == second ? 0 : (first ? 1 : -1);
    for (;; ++first, ++second) {
        const int a = std::tolower(static_cast<unsigned char>(*first));
        const int b = std::tolower(static_cast<unsigned char>(*second));
        if (a != b)
            return a < b ? -1 : 1;
        if (a == 0)
            return 0;
    }
}

int WINAPI GetSystemMetrics(int index)
{
    const auto found = g_metrics.find(index);
    return found == g_metrics.end() ? 0 : found->second;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    int answer = 0;
    if (g_boxAnswers.empty()) {
        ADD_FAILURE() << "unexpected message box: \"" << Text(caption) << "\": " << Text(text);
    } else {
        answer = g_boxAnswers.front();
        g_boxAnswers.pop_front();
    }
    g_boxes.push_back({ owner, Text(text), Text(caption), type, answer });
    Log("MessageBoxA", Text(text), Text(caption), answer);
    return answer;
}

BOOL WINAPI WinHelpA(HWND window, LPCSTR helpFile, UINT command, ULONG_PTR data)
{
    g_help.push_back({ window, Text(helpFile), command, data });
    Log("WinHelpA", Text(helpFile), std::to_string(command), TRUE);
    return TRUE;
}

BOOL WINAPI GetMessageA(LPMSG message, HWND, UINT, UINT)
{
    ++g_getMessageCalls;
    *message = {};
    message->message = WM_QUIT;
    Log("GetMessageA", "", "", 0);
    return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG*)
{
    Log("TranslateMessage", "", "", FALSE);
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG*)
{
    Log("DispatchMessageA", "", "", 0);
    return 0;
}
