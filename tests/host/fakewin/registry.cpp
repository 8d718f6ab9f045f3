// The registry: a tree of keys with case-insensitive names, values kept as
// raw bytes with their type, and handles that tests can count.
#include "internal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>

namespace fake {
namespace {

using detail::Log;
using detail::Upper;
using detail::UpperLess;

struct Value
{
    DWORD type;
    std::vector<BYTE> data;
};

struct Key
{
    std::string fullName;
    Key* parent = nullptr;
    bool deleted = false;
    std::map<std::string, std::shared_ptr<Key>, UpperLess> subkeys;
    std::map<std::string, Value, UpperLess> values;
};

struct Root
{
    HKEY handle;
    const char* name;
    const char* shortName;
};

const Root kRoots[] = {
    { HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR" },
    { HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU" },
    { HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM" },
    { HKEY_USERS, "HKEY_USERS", "HKU" },
};

std::map<HKEY, std::shared_ptr<Key>> g_roots;
std::map<HKEY, std::shared_ptr<Key>> g_handles;  // opened by the program
uintptr_t g_nextHandle = 0;
std::map<std::pair<std::string, std::string>, LONG> g_scripted;  // (api, upper full name) -> answer

std::vector<std::string> Split(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            parts.emplace_back(path, start, end - start);
        start = end + 1;
    }
    return parts;
}

std::shared_ptr<Key> RootNamed(const std::string& name)
{
    for (const Root& root : kRoots)
        if (detail::SameText(name, root.name) || detail::SameText(name, root.shortName))
            return g_roots[root.handle];
    return nullptr;
}

// The key of a full name; null when any part is missing. With create, missing parts are made.
std::shared_ptr<Key> KeyAt(const std::string& path, bool create)
{
    const std::vector<std::string> parts = Split(path);
    if (parts.empty())
        return nullptr;
    std::shared_ptr<Key> key = RootNamed(parts[0]);
    if (!key) {
        ADD_FAILURE() << "registry path must start with a root key: " << path;
        return nullptr;
    }
    for (size_t i = 1; i < parts.size(); ++i) {
        auto found = key->subkeys.find(parts[i]);
        if (found == key->subkeys.end()) {
            if (!create)
                return nullptr;
            auto child = std::make_shared<Key>();
            child->fullName = key->fullName + "\\" + parts[i];
            child->parent = key.get();
            found = key->subkeys.emplace(parts[i], child).first;
        }
        key = found->second;
    }
    return key;
}

std::string Canonical(const std::string& path)
{
    std::vector<std::string> parts = Split(path);
    if (!parts.empty())
        if (std::shared_ptr<Key> root = RootNamed(parts[0]))
            parts[0] = root->fullName;
    std::string name;
    for (const std::string& part : parts)
        name += (name.empty() ? "" : "\\") + part;
    return Upper(name);
}

bool Scripted(const char* api, const std::string& fullName, LONG& answer)
{
    if (g_scripted.empty())
        return false;
    const auto found = g_scripted.find({ api, Canonical(fullName) });
    if (found == g_scripted.end())
        return false;
    answer = found->second;
    return true;
}

LONG KeyOfHandle(HKEY handle, std::shared_ptr<Key>& key)
{
    auto found = g_handles.find(handle);
    if (found == g_handles.end()) {
        found = g_roots.find(handle);
        if (found == g_roots.end())
            return ERROR_INVALID_HANDLE;
    }
    key = found->second;
    return key->deleted ? ERROR_KEY_DELETED : ERROR_SUCCESS;
}

std::string HandleName(HKEY handle)
{
    std::shared_ptr<Key> key;
    if (KeyOfHandle(handle, key) == ERROR_INVALID_HANDLE)
        return "(handle " + detail::Hex(reinterpret_cast<uintptr_t>(handle)) + ")";
    return key->fullName;
}

// The name a subkey path would have below a key, as given (for the log when it does not exist).
std::string Join(const std::string& base, LPCSTR subKey)
{
    std::string name = base;
    for (const std::string& part : Split(subKey ? subKey : ""))
        name += "\\" + part;
    return name;
}

// Finds subKey below the key; a null or empty subKey names the key itself.
LONG Walk(const std::shared_ptr<Key>& from, LPCSTR subKey, std::shared_ptr<Key>& key)
{
    if (subKey && subKey[0] == '\\')
        return ERROR_BAD_PATHNAME;
    key = from;
    for (const std::string& part : Split(subKey ? subKey : "")) {
        const auto found = key->subkeys.find(part);
        if (found == key->subkeys.end())
            return ERROR_FILE_NOT_FOUND;
        key = found->second;
    }
    return ERROR_SUCCESS;
}

}  // namespace

void detail::ResetRegistry()
{
    g_roots.clear();
    for (const Root& root : kRoots) {
        auto key = std::make_shared<Key>();
        key->fullName = root.name;
        g_roots[root.handle] = key;
    }
    g_handles.clear();
    g_nextHandle = 0x2000;
    g_scripted.clear();
}

void AddKey(const std::string& path)
{
    KeyAt(path, true);
}

void SetValue(const std::string& keyPath, const std::string& name, DWORD type, const std::vector<BYTE>& data)
{
    if (std::shared_ptr<Key> key = KeyAt(keyPath, true))
        key->values[name] = { type, data };
}

void SetString(const std::string& keyPath, const std::string& name, const std::string& text)
{
    std::vector<BYTE> data(text.begin(), text.end());
    data.push_back(0);
    SetValue(keyPath, name, REG_SZ, data);
}

bool KeyExists(const std::string& path)
{
    return KeyAt(path, false) != nullptr;
}

bool ValueExists(const std::string& keyPath, const std::string& name)
{
    const std::shared_ptr<Key> key = KeyAt(keyPath, false);
    return key && key->values.count(name) != 0;
}

std::vector<std::string> SubKeys(const std::string& path)
{
    std::vector<std::string> names;
    if (const std::shared_ptr<Key> key = KeyAt(path, false))
        for (const auto& subkey : key->subkeys)
            names.push_back(subkey.first);
    return names;
}

namespace {
void Collect(const Key& key, std::vector<std::string>& names)
{
    for (const auto& subkey : key.subkeys) {
        names.push_back(subkey.second->fullName);
        Collect(*subkey.second, names);
    }
}
}  // namespace

std::vector<std::string> AllKeys()
{
    std::vector<std::string> names;
    for (const Root& root : kRoots)
        Collect(*g_roots[root.handle], names);
    return names;
}

int OpenKeyHandles()
{
    return static_cast<int>(g_handles.size());
}

void ScriptRegistryAnswer(const std::string& api, const std::string& keyPath, LONG error)
{
    g_scripted[{ api, Canonical(keyPath) }] = error;
}

// Finds parent\subKey. name is what the log and scripted answers go by: the
// key's own spelling when found, else the path as asked.
LONG ResolveKey(HKEY parent, LPCSTR subKey, bool argumentsValid, std::shared_ptr<Key>& key, std::string& name)
{
    std::shared_ptr<Key> from;
    LONG error = KeyOfHandle(parent, from);
    name = error == ERROR_INVALID_HANDLE ? HandleName(parent) : Join(from->fullName, subKey);
    if (error == ERROR_SUCCESS && !argumentsValid)
        error = ERROR_INVALID_PARAMETER;
    if (error == ERROR_SUCCESS) {
        error = Walk(from, subKey, key);
        if (error == ERROR_SUCCESS)
            name = key->fullName;
    }
    return error;
}

}  // namespace fake

using namespace fake;
using fake::detail::Log;

LONG WINAPI RegOpenKeyExA(HKEY parent, LPCSTR subKey, DWORD, REGSAM, PHKEY result)
{
    std::shared_ptr<Key> key;
    std::string name;
    LONG error = ResolveKey(parent, subKey, result != nullptr, key, name);
    if (!result)
        error = ERROR_INVALID_PARAMETER;
    LONG answer;
    if (Scripted("RegOpenKeyExA", name, answer) && answer != ERROR_SUCCESS)
        error = answer;
    if (error == ERROR_SUCCESS) {
        const HKEY handle = reinterpret_cast<HKEY>(g_nextHandle);
        g_nextHandle += 4;
        g_handles[handle] = key;
        *result = handle;
    }
    Log("RegOpenKeyExA", name, "", error);
    return error;
}

LONG WINAPI RegCloseKey(HKEY handle)
{
    const std::string name = HandleName(handle);
    LONG error = ERROR_SUCCESS;
    if (g_handles.erase(handle) == 0 && g_roots.count(handle) == 0)
        error = ERROR_INVALID_HANDLE;
    Log("RegCloseKey", name, "", error);
    return error;
}

LONG WINAPI RegEnumKeyExA(HKEY handle, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                          LPSTR className, LPDWORD classSize, PFILETIME lastWriteTime)
{
    std::shared_ptr<Key> key;
    LONG error = KeyOfHandle(handle, key);
    std::string found;
    if (error == ERROR_SUCCESS && (!name || !nameSize || reserved))
        error = ERROR_INVALID_PARAMETER;
    LONG answer;
    if (error == ERROR_SUCCESS && Scripted("RegEnumKeyExA", key->fullName, answer))
        error = answer;
    else if (error == ERROR_SUCCESS && index >= key->subkeys.size())
        error = ERROR_NO_MORE_ITEMS;
    else if (error == ERROR_SUCCESS) {
        auto at = key->subkeys.begin();
        std::advance(at, index);
        found = at->first;
        // The size counts the null; when the name does not fit, nothing is written.
        if (found.size() + 1 > *nameSize) {
            error = ERROR_MORE_DATA;
        } else {
            std::memcpy(name, found.c_str(), found.size() + 1);
            *nameSize = static_cast<DWORD>(found.size());
            if (className && classSize && *classSize > 0)
                className[0] = '\0';
            if (classSize)
                *classSize = 0;
            if (lastWriteTime)
                *lastWriteTime = {};
        }
    }
    Log("RegEnumKeyExA", HandleName(handle), std::to_string(index) + (found.empty() ? "" : " " + found), error);
    return error;
}

LONG WINAPI RegQueryValueExA(HKEY handle, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD dataSize)
{
    std::shared_ptr<Key> key;
    LONG error = KeyOfHandle(handle, key);
    const std::string nameText = valueName ? valueName : "";
    if (error == ERROR_SUCCESS && (reserved || (data && !dataSize)))
        error = ERROR_INVALID_PARAMETER;
    LONG answer;
    if (error == ERROR_SUCCESS && Scripted("RegQueryValueExA", key->fullName, answer)) {
        error = answer;
    } else if (error == ERROR_SUCCESS) {
        const auto found = key->values.find(nameText);
        if (found == key->values.end()) {
            error = ERROR_FILE_NOT_FOUND;
        } else {
            const Value& value = found->second;
            const DWORD size = static_cast<DWORD>(value.data.size());
            if (type)
                *type = value.type;
            if (data && *dataSize < size) {
                error = ERROR_MORE_DATA;
            } else if (data && size > 0) {
                std::memcpy(data, value.data.data(), size);
            }
            if (dataSize)
                *dataSize = size;
        }
    }
    Log("RegQueryValueExA", HandleName(handle), nameText, error);
    return error;
}

LONG WINAPI RegDeleteKeyA(HKEY parent, LPCSTR subKey)
{
    std::shared_ptr<Key> key;
    std::string name;
    LONG error = ResolveKey(parent, subKey, subKey != nullptr, key, name);
    LONG answer;
    if (Scripted("RegDeleteKeyA", name, answer)) {
        error = answer;
    } else if (error == ERROR_SUCCESS) {
        // As Windows NT: a key with subkeys, or a root, cannot be deleted.
        if (!key->parent || !key->subkeys.empty()) {
            error = ERROR_ACCESS_DENIED;
        } else {
            Key* owner = key->parent;
            key->deleted = true;
            key->parent = nullptr;
            for (auto at = owner->subkeys.begin(); at != owner->subkeys.end(); ++at)
                if (at->second == key) {
                    owner->subkeys.erase(at);
                    break;
                }
        }
    }
    Log("RegDeleteKeyA", name, "", error);
    return error;
}
