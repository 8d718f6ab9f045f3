// Command targets with message maps, and thin window wrappers.
#pragma once
#include "FwString.h"

#include <memory>
#include <vector>

class CCmdTarget;

// The shapes of handler that a map entry may hold; an entry fills exactly one.
typedef void (CCmdTarget::*VoidHandler)();       // void OnXxx()
typedef HCURSOR (CCmdTarget::*CursorHandler)();  // HCURSOR OnXxx()

struct MessageMapEntry
{
    UINT message;  // 0 ends the map
    UINT firstId;  // commands only
    UINT lastId;
    VoidHandler onVoid;
    CursorHandler onCursor;
};

struct MessageMap
{
    const MessageMap* (*base)();  // null for the root
    const MessageMapEntry* entries;
};

#define DECLARE_MESSAGE_MAP()                                   \
public:                                                         \
    static const MessageMap* GetThisMessageMap();               \
protected:                                                      \
    const MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                  \
    const MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const MessageMap* theClass::GetThisMessageMap()                             \
    {                                                                           \
        using ThisClass [[maybe_unused]] = theClass;                            \
        typedef baseClass TheBaseClass;                                         \
        static const MessageMapEntry entries[] = {

#define END_MESSAGE_MAP()                                                       \
            { 0, 0, 0, nullptr, nullptr }                               \
        };                                                                      \
        static const MessageMap map = { &TheBaseClass::GetThisMessageMap, entries }; \
        return &map;                                                            \
    }

// void OnXxx()
#define ON_COMMAND(id, memberFxn) \
    { WM_COMMAND, (id), (id), static_cast<VoidHandler>(&ThisClass::memberFxn), nullptr },
// void OnPaint()
#define ON_WM_PAINT() \
    { WM_PAINT, 0, 0, static_cast<VoidHandler>(&ThisClass::OnPaint), nullptr },
// HCURSOR OnQueryDragIcon()
#define ON_WM_QUERYDRAGICON() \
    { WM_QUERYDRAGICON, 0, 0, nullptr, static_cast<CursorHandler>(&ThisClass::OnQueryDragIcon) },

class CCmdTarget
{
public:
    virtual ~CCmdTarget() = default;

    // Runs the handler that this object's maps hold for the command;
    // FALSE when none does.
    BOOL OnCmdMsg(UINT id);

    static const MessageMap* GetThisMessageMap();

protected:
    virtual const MessageMap* GetMessageMap() const;
    const MessageMapEntry* FindEntry(UINT message, UINT id) const;
    LRESULT Invoke(const MessageMapEntry& entry);
};

class CWnd : public CCmdTarget
{
public:
    CWnd() = default;
    explicit CWnd(HWND hwnd) : m_hWnd(hwnd) {}
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    static HWND SafeHwnd(const CWnd* wnd) { return wnd ? wnd->m_hWnd : nullptr; }

    // The child with that ID, wrapped for the life of this window; null when there is none.
    CWnd* GetDlgItem(int id) const;
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    int MessageBox(LPCSTR text, LPCSTR caption = nullptr, UINT type = MB_OK)
    {
        return ::MessageBoxA(m_hWnd, text, caption, type);
    }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void GetClientRect(LPRECT rect) const { ::GetClientRect(m_hWnd, rect); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }

protected:
    // Dispatches a window message through the maps. FALSE: no entry took it,
    // or the handler asked for the platform's default processing.
    BOOL OnWndMsg(UINT message, LRESULT* result);
    // Called by a handler: leave the current message to the default processing.
    void Default() { m_useDefault = true; }
    void OnPaint() { Default(); }

    void ForgetChildren() { m_children.clear(); }

private:
    bool m_useDefault = false;
    mutable std::vector<std::unique_ptr<CWnd>> m_children;
};

// Begins painting on construction and ends it on destruction.
class CPaintDC
{
public:
    explicit CPaintDC(CWnd* wnd) : m_hWnd(wnd->m_hWnd), m_hDC(::BeginPaint(m_hWnd, &m_ps)) {}
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HWND m_hWnd;
    PAINTSTRUCT m_ps = {};
    HDC m_hDC;
};

// The direction and the window of one data exchange.
class CDataExchange
{
public:
    CDataExchange(CWnd* dlgWnd, BOOL saveAndValidate) : m_pDlgWnd(dlgWnd), m_bSaveAndValidate(saveAndValidate) {}

    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;  // TRUE: from the controls into the members
};

// Exchanges the index of the selected radio button of the group that starts
// at control firstId; -1 stands for none.
void DDX_Radio(CDataExchange* pDX, int firstId, int& value);
