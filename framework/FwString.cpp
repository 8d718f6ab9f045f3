#include "FwString.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

int CString::ReverseFind(char ch) const
{
    const size_t at = m_text.rfind(ch);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

CString CString::Left(int count) const
{
    return CString(m_text.substr(0, count < 0 ? 0 : static_cast<size_t>(count)).c_str());
}

CString CString::Mid(int first) const
{
    if (first < 0 || static_cast<size_t>(first) >= m_text.size())
        return CString();
    return CString(m_text.c_str() + first);
}

void CString::Format(LPCSTR format, ...)
{
    // Some C runtimes answer -1 rather than the needed length when the
    // output does not fit, so grow until it does.
    std::vector<char> buffer(128);
    for (;;) {
        va_list args;
        va_start(args, format);
        const int written = vsnprintf(buffer.data(), buffer.size(), format, args);
        va_end(args);
        if (written >= 0 && static_cast<size_t>(written) < buffer.size()) {
            m_text.assign(buffer.data(), static_cast<size_t>(written));
            return;
        }
        buffer.resize(written > 0 ? static_cast<size_t>(written) + 1 : buffer.size() * 2);
    }
}
