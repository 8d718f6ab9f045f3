// Pins what the built program asks of the system: which DLLs and which
// functions it imports, and how big it is. Windows 95 refuses to start a
// program that imports a function its DLLs do not export, so a new import,
// whether from our code or from a runtime routine that a change pulls in,
// must be looked at before it ships: docs/imports.md records each one and
// its availability. Update the table below and that page together.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/built_program.h"
#include "support/pe_reader.h"

#ifndef MASTERINSTALL_EXE
#error "MASTERINSTALL_EXE must name the built program"
#endif

namespace {

// The stripped program must fit well inside a floppy-era budget.
constexpr uint64_t kSizeBudget = 262144;

// The only DLLs the program may load: the system's own, present on every
// target. GDI32 is allowed though nothing imports from it today.
const std::set<std::string> kAllowedDlls = {"advapi32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
                                            "user32.dll"};

struct PinnedDll {
  const char* dll;
  std::vector<const char*> functions;  // sorted by byte value
};

// The import table of the current build, function by function.
const std::vector<PinnedDll> kPinnedImports = {
    {"advapi32.dll",
     {"RegCloseKey", "RegDeleteKeyA", "RegEnumKeyExA", "RegOpenKeyExA", "RegQueryValueExA"}},
    {"kernel32.dll",
     {"CloseHandle",        "CreateProcessA",
      "CreateSemaphoreW",   "DeleteCriticalSection",
      "DeleteFileA",        "EnterCriticalSection",
      "FindClose",          "FindFirstFileA",
      "FreeLibrary",        "GetCurrentThreadId",
      "GetDriveTypeA",      "GetFullPathNameA",
      "GetLastError",       "GetModuleFileNameA",
      "GetModuleHandleA",   "GetModuleHandleW",
      "GetProcAddress",     "GetStartupInfoA",
      "GetVersion",         "GetVolumeInformationA",
      "InitializeCriticalSection", "IsDBCSLeadByteEx",
      "LeaveCriticalSection", "LoadLibraryA",
      "LoadLibraryW",       "MoveFileA",
      "MultiByteToWideChar", "ReleaseSemaphore",
      "SetErrorMode",       "SetLastError",
      "SetUnhandledExceptionFilter", "Sleep",
      "TlsAlloc",           "TlsFree",
      "TlsGetValue",        "TlsSetValue",
      "VirtualProtect",     "VirtualQuery",
      "WaitForSingleObject", "WideCharToMultiByte",
      "WinExec",            "lstrcmpiA"}},
    {"msvcrt.dll",
     {"__getmainargs", "__initenv", "__mb_cur_max", "__p__acmdln", "__p__commode", "__p__fmode",
      "__set_app_type", "__setusermatherr", "_amsg_exit", "_cexit", "_close", "_errno", "_initterm",
      "_iob", "_onexit", "_read", "abort", "atoi", "calloc", "exit", "fprintf", "fputc", "free",
      "fwrite", "localeconv", "malloc", "memchr", "memcmp", "memcpy", "memmove", "memset", "realloc",
      "setlocale", "signal", "strchr", "strcmp", "strerror", "strlen", "strncmp", "strpbrk",
      "vfprintf", "wcslen"}},
    {"user32.dll",
     {"BeginPaint", "DestroyWindow", "DialogBoxParamA", "DispatchMessageA", "DrawIcon", "EnableWindow",
      "EndDialog", "EndPaint", "GetActiveWindow", "GetClientRect", "GetDlgItem", "GetMessageA",
      "GetSystemMetrics", "GetWindow", "GetWindowLongA", "GetWindowRect", "IsIconic", "LoadIconA",
      "MessageBoxA", "SendMessageA", "SetWindowLongA", "SetWindowPos", "TranslateMessage",
      "WinHelpA"}},
};

// Functions that mingw-w64 and libgcc routines are known to import and that
// Windows 95 does not export. Named in the failure message so that whoever
// pulls one in learns at once that the program would no longer start there.
const std::map<std::string, const char*> kNotOnWindows95 = {
    {"AddVectoredExceptionHandler", "Windows XP"},
    {"CreateSemaphoreExW", "Windows Vista"},
    {"GetFileSizeEx", "Windows 2000"},
    {"GetModuleHandleExW", "Windows XP"},
    {"GetSystemTimePreciseAsFileTime", "Windows 8"},
    {"GetTickCount64", "Windows Vista"},
    {"InitializeCriticalSectionAndSpinCount", "Windows 98 / NT 4.0 SP3"},
    {"InitializeCriticalSectionEx", "Windows Vista"},
    {"InterlockedCompareExchange", "Windows 98 / NT 4.0"},
    {"InterlockedExchangeAdd", "Windows 98 / NT 4.0"},
    {"IsDebuggerPresent", "Windows 98 / NT 4.0"},
    {"IsProcessorFeaturePresent", "Windows NT 4.0"},
    {"SetFilePointerEx", "Windows 2000"},
    {"TryEnterCriticalSection", "Windows NT 4.0"},
};

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string join(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) {
    if (!out.empty()) out += ", ";
    out += item;
    auto known = kNotOnWindows95.find(item);
    if (known != kNotOnWindows95.end()) out += std::string(" (not on Windows 95: since ") + known->second + ")";
  }
  return out;
}

// What `actual` has beyond `expected`, and what it lacks, both sorted.
void Difference(std::vector<std::string> expected, std::vector<std::string> actual, std::vector<std::string>& added,
                std::vector<std::string>& removed) {
  std::sort(expected.begin(), expected.end());
  std::sort(actual.begin(), actual.end());
  std::set_difference(actual.begin(), actual.end(), expected.begin(), expected.end(), std::back_inserter(added));
  std::set_difference(expected.begin(), expected.end(), actual.begin(), actual.end(), std::back_inserter(removed));
}

class Footprint : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    exe_ = BuiltProgram(error);
    ASSERT_TRUE(exe_) << "cannot read the built program " << MASTERINSTALL_EXE << " (" << error
                      << "); run `make build` first";
  }

  const pe::Image* exe_ = nullptr;
};

// ------------------------------------------------------------ the table

TEST(FootprintTable, IsSortedAndFreeOfDuplicates) {
  // A sorted table keeps diffs of it readable and makes a duplicate visible.
  std::set<std::string> dlls;
  for (const PinnedDll& pinned : kPinnedImports) {
    EXPECT_TRUE(dlls.insert(pinned.dll).second) << pinned.dll << " is listed twice";
    EXPECT_EQ(lower(pinned.dll), pinned.dll) << "write DLL names in lower case";
    EXPECT_TRUE(kAllowedDlls.count(pinned.dll)) << pinned.dll << " is not one of the allowed system DLLs";
    for (size_t i = 1; i < pinned.functions.size(); ++i)
      EXPECT_LT(std::string(pinned.functions[i - 1]), std::string(pinned.functions[i]))
          << pinned.dll << ": out of order or repeated";
    for (const char* function : pinned.functions)
      EXPECT_FALSE(kNotOnWindows95.count(function)) << pinned.dll << "!" << function << " is not on Windows 95";
  }
}

// ------------------------------------------------------------ the program

TEST_F(Footprint, ImportsOnlyThePinnedSystemDlls) {
  std::vector<std::string> actual;
  for (const pe::ImportedDll& dll : exe_->imports) {
    actual.push_back(lower(dll.name));
    EXPECT_TRUE(kAllowedDlls.count(lower(dll.name)))
        << "the program imports from " << dll.name << ", which is not a system DLL of every target";
  }
  std::vector<std::string> unique(actual);
  std::sort(unique.begin(), unique.end());
  EXPECT_EQ(std::adjacent_find(unique.begin(), unique.end()), unique.end()) << "a DLL has two import entries";

  std::vector<std::string> expected;
  for (const PinnedDll& pinned : kPinnedImports) expected.push_back(pinned.dll);
  std::vector<std::string> added, removed;
  Difference(expected, actual, added, removed);
  EXPECT_TRUE(added.empty() && removed.empty())
      << "imported DLLs changed; added: [" << join(added) << "], removed: [" << join(removed) << "]";
}

TEST_F(Footprint, ImportedFunctionsMatchThePinnedTable) {
  for (const PinnedDll& pinned : kPinnedImports) {
    SCOPED_TRACE(pinned.dll);
    const pe::ImportedDll* dll = exe_->findImport(pinned.dll);
    std::vector<std::string> actual;
    if (dll) actual = dll->functions;
    std::vector<std::string> expected(pinned.functions.begin(), pinned.functions.end());
    std::vector<std::string> added, removed;
    Difference(expected, actual, added, removed);
    EXPECT_TRUE(added.empty()) << pinned.dll << ": new imports: " << join(added)
                               << "; check that Windows 95 exports them, then add them here and to docs/imports.md";
    EXPECT_TRUE(removed.empty()) << pinned.dll << ": no longer imported: " << join(removed)
                                 << "; drop them here and from docs/imports.md";
  }
  for (const pe::ImportedDll& dll : exe_->imports) {
    const bool pinned = std::any_of(kPinnedImports.begin(), kPinnedImports.end(),
                                    [&](const PinnedDll& p) { return lower(dll.name) == p.dll; });
    std::vector<std::string> names(dll.functions);
    std::sort(names.begin(), names.end());
    EXPECT_TRUE(pinned) << dll.name << ": new imports from a DLL not in the table: " << join(names);
  }
}

TEST_F(Footprint, ImportsNothingByOrdinal) {
  // Ordinals differ between Windows 95 and Windows NT builds of the same DLL.
  for (const pe::ImportedDll& dll : exe_->imports) {
    std::string ordinals;
    for (uint32_t ordinal : dll.ordinals) ordinals += (ordinals.empty() ? "" : ", ") + std::to_string(ordinal);
    EXPECT_TRUE(dll.ordinals.empty()) << dll.name << " is imported by ordinal: " << ordinals;
  }
}

TEST_F(Footprint, NoFunctionImportedTwice) {
  // A function imported twice from one DLL means two import libraries
  // disagree about it, which the linker should not let through.
  for (const pe::ImportedDll& dll : exe_->imports) {
    std::vector<std::string> names(dll.functions);
    std::sort(names.begin(), names.end());
    auto twice = std::adjacent_find(names.begin(), names.end());
    EXPECT_EQ(twice, names.end()) << dll.name << "!" << (twice == names.end() ? "" : *twice) << " is imported twice";
  }
}

// ------------------------------------------------------------ the file

std::vector<uint8_t> ReadWholeFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(FootprintFile, StrippedSizeWithinBudget) {
  const std::vector<uint8_t> file = ReadWholeFile(MASTERINSTALL_EXE);
  ASSERT_FALSE(file.empty()) << "cannot read " << MASTERINSTALL_EXE << "; run `make build` first";
  EXPECT_LE(file.size(), kSizeBudget) << MASTERINSTALL_EXE << " is " << file.size() << " bytes, "
                                      << file.size() - kSizeBudget << " over the budget of " << kSizeBudget;
}

TEST(FootprintFile, CarriesNoSymbolTable) {
  // The size budget is for the stripped program; a symbol table or debug
  // sections mean the link lost its -s.
  const std::vector<uint8_t> file = ReadWholeFile(MASTERINSTALL_EXE);
  pe::ByteReader r(file);
  r.seek(0x3C);
  const uint32_t peOffset = r.u32();
  r.seek(peOffset);
  const uint32_t signature = r.u32();
  r.skip(4);  // machine, number of sections
  r.skip(4);  // time stamp
  const uint32_t symbolTable = r.u32();
  const uint32_t symbols = r.u32();
  ASSERT_TRUE(r.ok()) << MASTERINSTALL_EXE << " is too short for a COFF header";
  ASSERT_EQ(signature, 0x00004550u) << "no PE signature";
  EXPECT_EQ(symbolTable, 0u) << "the program carries a COFF symbol table";
  EXPECT_EQ(symbols, 0u) << "the program carries " << symbols << " COFF symbols";

  pe::Image image;
  std::string error;
  ASSERT_TRUE(pe::parse(file, image, error)) << error;
  // Debug sections have names longer than eight characters, which the
  // section table holds as "/offset" into the symbol string table.
  for (const pe::Section& section : image.sections) {
    EXPECT_NE(section.name.rfind(".debug", 0), 0u) << "the program carries a debug section " << section.name;
    EXPECT_NE(section.name.rfind("/", 0), 0u) << "the program carries a long-named section " << section.name;
  }
}

}  // namespace
