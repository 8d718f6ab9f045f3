// Files, folders and drives: full paths made as Windows makes them, entries
// keyed by their upper-case full name, drives with a type and a disc.
#include "internal.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <map>
#include <set>

namespace fake {
namespace {

using detail::Log;
using detail::Upper;

struct Entry
{
    std::string path;  // full name as created
    bool folder;
    FileFlags flags;
    DWORD size;
};

struct Drive
{
    UINT type;
    bool hasDisc;
};

std::map<std::string, Entry> g_entries;  // by upper-case full name
std::map<char, Drive> g_drives;          // by upper-case letter
std::string g_currentDirectory;
std::set<HANDLE> g_findHandles;
uintptr_t g_nextFindHandle = 0;

bool IsDriveLetter(char ch)
{
    return std::isalpha(static_cast<unsigned char>(ch)) != 0;
}

char DriveOf(const std::string& fullPath)
{
    return fullPath.size() >= 2 && fullPath[1] == ':' ? static_cast<char>(std::toupper(static_cast<unsigned char>(fullPath[0]))) : 0;
}

// Windows' rules: "X:\..." as it stands, "X:rel" against the current directory
// when X is its drive, "\..." on the current drive, anything else against the
// current directory; then ".", ".." and runs of separators are resolved, and
// trailing dots and spaces are dropped when the path does not end in a separator.
bool MakeFull(const std::string& input, std::string& full)
{
    std::string path = input;
    for (char& ch : path)
        if (ch == '/')
            ch = '\\';
    if (path.empty())
        return false;

    std::string root;  // "X:\" or "\\server\share\"
    std::string rest;
    const std::string& current = g_currentDirectory;
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        const size_t server = path.find('\\', 2);
        if (server == std::string::npos)
            return false;
        size_t share = path.find('\\', server + 1);
        if (share == std::string::npos)
            share = path.size();
        root = path.substr(0, share) + "\\";
        rest = share < path.size() ? path.substr(share + 1) : "";
    } else if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':') {
        root = path.substr(0, 2) + "\\";
        if (path.size() >= 3 && path[2] == '\\')
            rest = path.substr(3);
        else if (DriveOf(path) == DriveOf(current))
            rest = current.substr(3) + "\\" + path.substr(2);
        else
            rest = path.substr(2);
    } else if (path[0] == '\\') {
        root = current.substr(0, 3);
        rest = path.substr(1);
    } else {
        root = current.substr(0, 3);
        rest = current.substr(3) + "\\" + path;
    }

    std::vector<std::string> parts;
    std::string part;
    for (size_t i = 0; i <= rest.size(); ++i) {
        if (i < rest.size() && rest[i] != '\\') {
            part += rest[i];
            continue;
        }
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
    }
    full = root;
    for (size_t i = 0; i < parts.size(); ++i)
        full += (i ? "\\" : "") + parts[i];
    const bool endsInSeparator = path.back() == '\\';
    if (endsInSeparator && !parts.empty())
        full += "\\";
    if (!endsInSeparator)
        while (full.size() > root.size() && (full.back() == '.' || full.back() == ' '))
            full.pop_back();
    return true;
}

std::string FullOrFail(const std::string& path)
{
    std::string full;
    if (!MakeFull(path, full) || DriveOf(full) == 0)
        ADD_FAILURE() << "the stand-in wants a full path with a drive: " << path;
    return full;
}

std::string ParentOf(const std::string& full)
{
    const size_t slash = full.find_last_of('\\', full.size() >= 2 ? full.size() - 2 : 0);
    if (slash == std::string::npos)
        return "";
    return slash <= 2 ? full.substr(0, slash + 1) : full.substr(0, slash);
}

std::string NameOf(const std::string& full)
{
    return full.substr(full.find_last_of('\\') + 1);
}

bool IsRoot(const std::string& full)
{
    return full.size() == 3 && full[1] == ':' && full[2] == '\\';
}

Entry* Find(const std::string& full)
{
    const auto found = g_entries.find(Upper(full));
    return found == g_entries.end() ? nullptr : &found->second;
}

bool FolderAt(const std::string& full)
{
    if (IsRoot(full))
        return g_drives.count(DriveOf(full)) != 0;
    const Entry* entry = Find(full);
    return entry && entry->folder;
}

void Add(const std::string& path, bool folder, FileFlags flags, DWORD size)
{
    const std::string full = FullOrFail(path);
    for (std::string parent = ParentOf(full); !parent.empty() && !IsRoot(parent); parent = ParentOf(parent))
        if (!Find(parent))
            g_entries[Upper(parent)] = { parent, true, {}, 0 };
    g_entries[Upper(full)] = { full, folder, flags, size };
}

// Why a path on its drive cannot be reached, or 0.
DWORD DriveError(const std::string& full)
{
    const auto drive = g_drives.find(DriveOf(full));
    if (drive == g_drives.end())
        return ERROR_PATH_NOT_FOUND;
    if (!drive->second.hasDisc)
        return ERROR_NOT_READY;
    return 0;
}

// '*' any run, '?' one character, case-insensitive; "*.*" is "*" as on Windows.
bool Matches(const char* pattern, const char* name)
{
    if (std::strcmp(pattern, "*.*") == 0)
        pattern = "*";
    if (*pattern == '\0')
        return *name == '\0';
    if (*pattern == '*')
        return Matches(pattern + 1, name) || (*name != '\0' && Matches(pattern, name + 1));
    if (*name == '\0')
        return false;
    if (*pattern != '?' && std::toupper(static_cast<unsigned char>(*pattern)) != std::toupper(static_cast<unsigned char>(*name)))
        return false;
    return Matches(pattern + 1, name + 1);
}

std::string Describe(const char* text)
{
    return detail::Text(text);
}

}  // namespace

void detail::ResetFiles()
{
    g_entries.clear();
    g_drives.clear();
    g_drives['C'] = { DRIVE_FIXED, true };
    g_currentDirectory = "C:\\";
    g_findHandles.clear();
    g_nextFindHandle = 0x5000;
}

void AddFile(const std::string& path, FileFlags flags, DWORD size)
{
    Add(path, false, flags, size);
}

void AddFolder(const std::string& path)
{
    Add(path, true, {}, 0);
}

void SetFileFlags(const std::string& path, FileFlags flags)
{
    Entry* entry = Find(FullOrFail(path));
    if (!entry)
        ADD_FAILURE() << "no such file: " << path;
    else
        entry->flags = flags;
}

bool FileExists(const std::string& path)
{
    const Entry* entry = Find(FullOrFail(path));
    return entry && !entry->folder;
}

bool FolderExists(const std::string& path)
{
    const Entry* entry = Find(FullOrFail(path));
    return entry && entry->folder;
}

std::vector<std::string> AllPaths()
{
    std::vector<std::string> paths;
    for (const auto& entry : g_entries)
        paths.push_back(entry.second.path);
    return paths;
}

void SetCurrentDirectory(const std::string& fullPath)
{
    std::string full = FullOrFail(fullPath);
    if (full.size() > 3 && full.back() == '\\')
        full.pop_back();
    g_currentDirectory = full;
}

void AddDrive(char letter, UINT type, bool hasDisc)
{
    g_drives[static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))] = { type, hasDisc };
}

void SetDisc(char letter, bool present)
{
    const auto drive = g_drives.find(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
    if (drive == g_drives.end())
        ADD_FAILURE() << "no drive " << letter;
    else
        drive->second.hasDisc = present;
}

int OpenFindHandles()
{
    return static_cast<int>(g_findHandles.size());
}

}  // namespace fake

using namespace fake;
using fake::detail::Log;

DWORD WINAPI GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR* filePart)
{
    std::string full;
    DWORD answer = 0;
    if (!fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else if (!MakeFull(fileName, full)) {
        SetLastError(ERROR_INVALID_NAME);
    } else if (full.size() + 1 > bufferLength) {
        answer = static_cast<DWORD>(full.size() + 1);  // the size needed, null included
    } else {
        std::memcpy(buffer, full.c_str(), full.size() + 1);
        answer = static_cast<DWORD>(full.size());
        if (filePart)
            *filePart = full.back() == '\\' ? nullptr : buffer + full.find_last_of('\\') + 1;
    }
    Log("GetFullPathNameA", Describe(fileName), full, answer);
    return answer;
}

UINT WINAPI GetDriveTypeA(LPCSTR rootPathName)
{
    std::string root = rootPathName ? rootPathName : g_currentDirectory.substr(0, 3);
    UINT type = DRIVE_NO_ROOT_DIR;
    if ((root.size() == 3 && root[2] == '\\') || root.size() == 2) {
        const auto drive = g_drives.find(DriveOf(root));
        if (drive != g_drives.end())
            type = drive->second.type;
    }
    Log("GetDriveTypeA", Describe(rootPathName), "", type);
    return type;
}

BOOL WINAPI GetVolumeInformationA(LPCSTR rootPathName, LPSTR volumeName, DWORD volumeNameSize,
                                  LPDWORD serialNumber, LPDWORD maxComponentLength, LPDWORD fileSystemFlags,
                                  LPSTR fileSystemName, DWORD fileSystemNameSize)
{
    const std::string root = rootPathName ? rootPathName : g_currentDirectory.substr(0, 3);
    DWORD error = 0;
    if (root.size() != 3 || DriveOf(root) == 0 || root[2] != '\\')
        error = root.size() == 2 && DriveOf(root) ? ERROR_INVALID_NAME : ERROR_PATH_NOT_FOUND;
    else
        error = DriveError(root);
    const char* system = "FAT32";
    if (!error && g_drives[DriveOf(root)].type == DRIVE_CDROM)
        system = "CDFS";
    if (!error && ((volumeName && volumeNameSize < 1) ||
                   (fileSystemName && fileSystemNameSize < std::strlen(system) + 1)))
        error = ERROR_BAD_LENGTH;
    if (!error) {
        if (volumeName)
            volumeName[0] = '\0';
        if (serialNumber)
            *serialNumber = 0x1234ABCD;
        if (maxComponentLength)
            *maxComponentLength = 255;
        if (fileSystemFlags)
            *fileSystemFlags = 0;
        if (fileSystemName)
            std::strcpy(fileSystemName, system);
    }
    if (error)
        SetLastError(error);
    Log("GetVolumeInformationA", Describe(rootPathName), "", !error);
    return !error;
}

HANDLE WINAPI FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData)
{
    std::string full;
    DWORD error = 0;
    const Entry* match = nullptr;
    if (!fileName || !findData || !MakeFull(fileName, full) || DriveOf(full) == 0) {
        error = fileName ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER;
    } else if ((error = DriveError(full)) == 0) {
        const std::string parent = ParentOf(full);
        const std::string pattern = NameOf(full);
        if (pattern.empty()) {
            error = ERROR_FILE_NOT_FOUND;  // "C:\" or "C:\Dir\": no entry names that
        } else if (!FolderAt(parent)) {
            error = ERROR_PATH_NOT_FOUND;
        } else {
            for (const auto& entry : g_entries)  // sorted by name: the first match is stable
                if (detail::SameText(ParentOf(entry.second.path), parent) &&
                    Matches(pattern.c_str(), NameOf(entry.second.path).c_str())) {
                    match = &entry.second;
                    break;
                }
            if (!match)
                error = ERROR_FILE_NOT_FOUND;
        }
    }

    HANDLE handle = INVALID_HANDLE_VALUE;
    if (match) {
        *findData = {};
        findData->dwFileAttributes = match->folder ? FILE_ATTRIBUTE_DIRECTORY
                                                   : (match->flags.readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_ARCHIVE);
        findData->nFileSizeLow = match->size;
        findData->ftLastWriteTime = { 0x12345678, 0x01C00000 };
        const std::string name = NameOf(match->path);
        std::strncpy(findData->cFileName, name.c_str(), MAX_PATH - 1);
        handle = reinterpret_cast<HANDLE>(g_nextFindHandle);
        g_nextFindHandle += 4;
        g_findHandles.insert(handle);
    } else {
        SetLastError(error);
    }
    Log("FindFirstFileA", Describe(fileName), match ? NameOf(match->path) : "", match != nullptr);
    return handle;
}

BOOL WINAPI FindClose(HANDLE findFile)
{
    const BOOL closed = g_findHandles.erase(findFile) != 0;
    if (!closed)
        SetLastError(ERROR_INVALID_HANDLE);
    Log("FindClose", detail::Hex(reinterpret_cast<uintptr_t>(findFile)), "", closed);
    return closed;
}

BOOL WINAPI DeleteFileA(LPCSTR fileName)
{
    std::string full;
    DWORD error = 0;
    if (!fileName || !MakeFull(fileName, full) || DriveOf(full) == 0) {
        error = ERROR_PATH_NOT_FOUND;
    } else if (std::strpbrk(fileName, "*?")) {
        error = ERROR_INVALID_NAME;
    } else if ((error = DriveError(full)) == 0) {
        const Entry* entry = Find(full);
        if (!entry)
            error = FolderAt(ParentOf(full)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        else if (entry->folder || entry->flags.readOnly)
            error = ERROR_ACCESS_DENIED;
        else if (entry->flags.inUse)
            error = ERROR_SHARING_VIOLATION;
        else
            g_entries.erase(Upper(full));
    }
    if (error)
        SetLastError(error);
    Log("DeleteFileA", Describe(fileName), "", !error);
    return !error;
}

BOOL WINAPI MoveFileA(LPCSTR existingFileName, LPCSTR newFileName)
{
    std::string from;
    std::string to;
    DWORD error = 0;
    if (!existingFileName || !newFileName || !MakeFull(existingFileName, from) || !MakeFull(newFileName, to) ||
        DriveOf(from) == 0 || DriveOf(to) == 0) {
        error = ERROR_PATH_NOT_FOUND;
    } else if ((error = DriveError(from)) == 0 && (error = DriveError(to)) == 0) {
        const Entry* source = Find(from);
        const bool sameEntry = Upper(from) == Upper(to);  // a change of case only
        if (!source)
            error = FolderAt(ParentOf(from)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        else if (!sameEntry && (Find(to) || IsRoot(to)))
            error = ERROR_ALREADY_EXISTS;
        else if (!FolderAt(ParentOf(to)))
            error = ERROR_PATH_NOT_FOUND;
        else if (source->flags.inUse)
            error = ERROR_SHARING_VIOLATION;
        else if (DriveOf(from) != DriveOf(to) && source->folder)
            error = ERROR_NOT_SAME_DEVICE;
        else if (DriveOf(from) != DriveOf(to) && source->flags.readOnly)
            error = ERROR_ACCESS_DENIED;  // the copy is made but the source cannot be deleted
        else {
            // A rename keeps the read-only flag; a folder takes everything below it along.
            std::map<std::string, Entry> moved;
            const std::string prefix = Upper(from) + "\\";
            for (auto at = g_entries.begin(); at != g_entries.end();) {
                if (at->first == Upper(from) || at->first.compare(0, prefix.size(), prefix) == 0) {
                    Entry entry = at->second;
                    entry.path = to + entry.path.substr(from.size());
                    moved[Upper(entry.path)] = entry;
                    at = g_entries.erase(at);
                } else {
                    ++at;
                }
            }
            g_entries.insert(moved.begin(), moved.end());
        }
    }
    if (error)
        SetLastError(error);
    Log("MoveFileA", Describe(existingFileName), Describe(newFileName), !error);
    return !error;
}
