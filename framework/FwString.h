// CString: a growable single-byte text with printf-style formatting.
#pragma once
#include <windows.h>
#include <string>

class CString
{
public:
    CString() = default;
    CString(LPCSTR text) : m_text(text ? text : "") {}
    CString(LPCSTR text, int length) : m_text(text, static_cast<size_t>(length)) {}

    int GetLength() const { return static_cast<int>(m_text.size()); }
    BOOL IsEmpty() const { return m_text.empty(); }
    operator LPCSTR() const { return m_text.c_str(); }
    char operator[](int index) const { return m_text[static_cast<size_t>(index)]; }

    CString& operator=(LPCSTR text) { m_text = text ? text : ""; return *this; }
    CString& operator+=(LPCSTR text) { m_text += text ? text : ""; return *this; }
    friend CString operator+(const CString& left, LPCSTR right)
    {
        CString result(left);
        result += right;
        return result;
    }
    bool operator==(LPCSTR other) const { return m_text == (other ? other : ""); }

    // Position of the last occurrence of ch, or -1.
    int ReverseFind(char ch) const;
    CString Left(int count) const;
    CString Mid(int first) const;

    // Replaces the text with printf-style output; the text grows as needed.
    void Format(LPCSTR format, ...);

private:
    std::string m_text;
};
