// File helpers: the presence test, and removal and renaming that raise
// a CFileException pointer when the platform refuses.
#pragma once
#include "FwString.h"

class CException
{
public:
    virtual ~CException() = default;
    // Releases an exception caught by pointer.
    void Delete() { delete this; }
};

class CFileException : public CException
{
public:
    CFileException(LONG osError, LPCSTR fileName) : m_lOsError(osError), m_strFileName(fileName) {}

    LONG m_lOsError;
    CString m_strFileName;
};

struct CFileStatus
{
    DWORD m_attribute = 0;
    DWORDLONG m_size = 0;
    FILETIME m_mtime = {};
    char m_szFullName[MAX_PATH] = {};
};

class CFile
{
public:
    // Non-zero when the path names an existing file or folder: the path can
    // be made full, its volume answers, and a directory search finds it.
    // Never shows a message.
    static BOOL GetStatus(LPCSTR path, CFileStatus& status);
    static void Remove(LPCSTR path);                     // throws CFileException*
    static void Rename(LPCSTR oldName, LPCSTR newName);  // throws CFileException*
};
