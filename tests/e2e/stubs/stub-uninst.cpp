// Stands in for the old uninstaller (installed as C:\WINDOWS\uninst.exe).
// Records its start and its end, so that a scenario can tell whether the
// caller waited for it. Behaviour from the environment:
//   E2E_UNINST_SECONDS  run this long before ending (default 0)
//   E2E_UNINST_EXIT     exit code (default 0)
//   E2E_PROBE           paths separated by ';' whose presence is recorded
//                       just before the end, while the caller should still
//                       be waiting
#include "stub-log.h"

int main() {
    stubLog("uninst-start", stubStartDetail());
    Sleep(static_cast<DWORD>(envInt("E2E_UNINST_SECONDS", 0)) * 1000);

    char probes[4096] = {};
    GetEnvironmentVariableA("E2E_PROBE", probes, sizeof probes);
    std::string list = probes;
    for (size_t start = 0; start < list.size();) {
        size_t end = list.find(';', start);
        if (end == std::string::npos) end = list.size();
        std::string path = list.substr(start, end - start);
        if (!path.empty()) {
            bool present = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
            stubLog("probe", path + (present ? "|present" : "|absent"));
        }
        start = end + 1;
    }

    int code = envInt("E2E_UNINST_EXIT", 0);
    stubLog("uninst-end", std::to_string(code));
    return code;
}
