#include "FwFile.h"

#include <cstring>

namespace {

// The root of the volume that holds a full path: "X:\" or "\\server\share\".
bool VolumeRoot(LPCSTR fullPath, char (&root)[MAX_PATH])
{
    size_t length = 0;
    if (fullPath[0] != '\0' && fullPath[1] == ':' && fullPath[2] == '\\') {
        length = 3;
    } else if (fullPath[0] == '\\' && fullPath[1] == '\\') {
        int separators = 0;
        for (length = 2; fullPath[length] != '\0' && separators < 2; ++length)
            if (fullPath[length] == '\\')
                ++separators;
        if (separators < 2)
            return false;
    } else {
        return false;
    }
    memcpy(root, fullPath, length);
    root[length] = '\0';
    return true;
}

}  // namespace

BOOL CFile::GetStatus(LPCSTR path, CFileStatus& status)
{
    // A pattern would let the directory search find some other entry.
    if (path == nullptr || path[0] == '\0' || strpbrk(path, "*?") != nullptr)
        return FALSE;

    char fullPath[MAX_PATH];
    LPSTR filePart = nullptr;
    const DWORD length = GetFullPathNameA(path, MAX_PATH, fullPath, &filePart);
    if (length == 0 || length >= MAX_PATH)
        return FALSE;

    char root[MAX_PATH];
    if (!VolumeRoot(fullPath, root) ||
        !GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0))
        return FALSE;

    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(fullPath, &found);
    if (search == INVALID_HANDLE_VALUE)
        return FALSE;
    FindClose(search);

    status.m_attribute = found.dwFileAttributes;
    status.m_size = (static_cast<DWORDLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    status.m_mtime = found.ftLastWriteTime;
    memcpy(status.m_szFullName, fullPath, length + 1);
    return TRUE;
}

void CFile::Remove(LPCSTR path)
{
    if (!DeleteFileA(path))
        throw new CFileException(static_cast<LONG>(GetLastError()), path);
}

void CFile::Rename(LPCSTR oldName, LPCSTR newName)
{
    if (!MoveFileA(oldName, newName))
        throw new CFileException(static_cast<LONG>(GetLastError()), oldName);
}
