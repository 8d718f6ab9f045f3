#include "FwWnd.h"

const MessageMap* CCmdTarget::GetThisMessageMap()
{
    static const MessageMapEntry entries[] = { { 0, 0, 0, nullptr, nullptr } };
    static const MessageMap map = { nullptr, entries };
    return &map;
}

const MessageMap* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const MessageMapEntry* CCmdTarget::FindEntry(UINT message, UINT id) const
{
    for (const MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
        for (const MessageMapEntry* entry = map->entries; entry->message != 0; ++entry) {
            if (entry->message != message)
                continue;
            if (message != WM_COMMAND || (id >= entry->firstId && id <= entry->lastId))
                return entry;
        }
    }
    return nullptr;
}

LRESULT CCmdTarget::Invoke(const MessageMapEntry& entry)
{
    if (entry.onCursor)
        return reinterpret_cast<LRESULT>((this->*entry.onCursor)());
    (this->*entry.onVoid)();
    return 0;
}

BOOL CCmdTarget::OnCmdMsg(UINT id)
{
    const MessageMapEntry* entry = FindEntry(WM_COMMAND, id);
    if (!entry)
        return FALSE;
    Invoke(*entry);
    return TRUE;
}

BOOL CWnd::OnWndMsg(UINT message, LRESULT* result)
{
    const MessageMapEntry* entry = FindEntry(message, 0);
    if (!entry)
        return FALSE;
    m_useDefault = false;
    *result = Invoke(*entry);
    return !m_useDefault;
}

CWnd* CWnd::GetDlgItem(int id) const
{
    const HWND child = ::GetDlgItem(m_hWnd, id);
    if (!child)
        return nullptr;
    for (const auto& known : m_children)
        if (known->m_hWnd == child)
            return known.get();
    m_children.push_back(std::make_unique<CWnd>(child));
    return m_children.back().get();
}

void DDX_Radio(CDataExchange* pDX, int firstId, int& value)
{
    const HWND first = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, firstId);
    if (!first)
        return;
    if (pDX->m_bSaveAndValidate)
        value = -1;

    // The group runs from the first control to the next one that starts a group.
    int index = 0;
    for (HWND control = first; control; control = ::GetWindow(control, GW_HWNDNEXT)) {
        if (control != first && (::GetWindowLongA(control, GWL_STYLE) & WS_GROUP))
            break;
        if (!(::SendMessageA(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON))
            continue;
        if (pDX->m_bSaveAndValidate) {
            if (::SendMessageA(control, BM_GETCHECK, 0, 0) != 0)
                value = index;  // the last checked button wins
        } else {
            ::SendMessageA(control, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        ++index;
    }
}
