// Shared by the stub programs: appends one record to the log that a scenario reads.
//
// The log is the file named by the environment variable E2E_LOG (a Windows
// path); without it, "stub.log" next to the stub's own exe. Each record is one
// line of fields separated by '|', the second field is GetTickCount():
//   setup|TICK|COMMAND LINE|WORKING DIRECTORY|EXE PATH
//   uninst-start|TICK|COMMAND LINE|WORKING DIRECTORY|EXE PATH
//   probe|TICK|PATH|present or absent
//   uninst-end|TICK|EXIT CODE
#pragma once
#include <windows.h>

#include <cstdlib>
#include <string>

inline std::string stubLogPath() {
    char buf[MAX_PATH] = {};
    if (GetEnvironmentVariableA("E2E_LOG", buf, sizeof buf) && buf[0]) return buf;
    GetModuleFileNameA(nullptr, buf, sizeof buf);
    std::string path = buf;
    return path.substr(0, path.find_last_of('\\') + 1) + "stub.log";
}

inline void stubLog(const std::string& event, const std::string& detail) {
    std::string line = event + "|" + std::to_string(GetTickCount()) + "|" + detail + "\r\n";
    // Appends in one write so that records of two stubs never interleave.
    HANDLE f = CreateFileA(stubLogPath().c_str(), FILE_APPEND_DATA,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(f);
}

// "COMMAND LINE|WORKING DIRECTORY|EXE PATH" of this process.
inline std::string stubStartDetail() {
    char cwd[MAX_PATH] = {}, exe[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof cwd, cwd);
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    return std::string(GetCommandLineA()) + "|" + cwd + "|" + exe;
}

inline int envInt(const char* name, int fallback) {
    char buf[32] = {};
    if (!GetEnvironmentVariableA(name, buf, sizeof buf) || !buf[0]) return fallback;
    return std::atoi(buf);
}
