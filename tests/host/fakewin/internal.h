// Shared between the stand-in's own files; tests use fakewin.h.
#pragma once
#include "fakewin.h"

#include <string>

namespace fake {
namespace detail {

std::string Upper(std::string text);
bool SameText(const std::string& a, const std::string& b);  // case-insensitive

// Orders names as the registry lists them: by their upper-case form.
struct UpperLess
{
    bool operator()(const std::string& a, const std::string& b) const;
};

void Log(const std::string& api, const std::string& subject, const std::string& detail, long long result);
void SetResult(size_t eventIndex, long long result);
std::string Hex(unsigned long long value);
std::string Text(LPCSTR text);  // "(null)" for a null pointer

// Each part's own reset, called by fake::Reset().
void ResetRegistry();
void ResetFiles();
void ResetProcesses();
void ResetWindows();

}  // namespace detail
}  // namespace fake
