// Removal of the kit's USB device registrations and of the driver database.
// Everything here is silent: failures are skipped, nothing is reported.
#include "../app/MasterInstallApp.h"

#include <vector>

namespace {

// Processed in this order; the first also holds the instances that a kit reinstall clears.
const char* const kDeviceKeys[] = {
    "Enum\\USB\\VID_0B7C&PID_0F60",
    "Enum\\USB\\VID_0B7C&PID_6B10",
    "Enum\\USB\\VID_0B7C&PID_6B40",
    "Enum\\USB\\VID_0B7C&PID_6B50",
    "Enum\\USB\\VID_0B7C&PID_3C07",
    "Enum\\USB\\VID_0B7C&PID_8E15",
};

const char* const kClassKeyPrefix = "System\\CurrentControlSet\\Services\\Class\\";

const char* const kDriverDatabaseFiles[] = {
    "C:\\Windows\\Inf\\Drvidx.bin",
    "C:\\Windows\\Inf\\Drvdata.bin",
};

const DWORD kNameSize = 260;   // a key name and its null
const DWORD kValueSize = 512;  // the "Driver" value's text

// Deletes a key together with its subtree, bottom-up: Windows NT and Wine
// refuse to delete a key that still has subkeys.
LONG DeleteKeyTree(HKEY parent, const char* path)
{
    HKEY key;
    if (RegOpenKeyExA(parent, path, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        char name[kNameSize];
        CString deleted;
        for (;;) {
            DWORD size = kNameSize;
            // Always index 0: each deletion moves the next subkey there.
            if (RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            // A subkey that comes back after its deletion reported success would loop forever.
            if (!deleted.IsEmpty() && lstrcmpiA(deleted, name) == 0)
                break;
            if (DeleteKeyTree(key, name) != ERROR_SUCCESS)
                break;
            deleted = name;
        }
        RegCloseKey(key);
    }
    return RegDeleteKeyA(parent, path);
}

// A "Driver" value must name exactly one class key below the prefix: at least
// "class\instance", with no empty, "." or ".." part. Anything else (such as a
// bare class name) would take other drivers' keys with it.
bool NamesOneClassKey(const CString& driver)
{
    int parts = 0;
    int partStart = 0;
    for (int i = 0; i <= driver.GetLength(); ++i) {
        if (i < driver.GetLength() && driver[i] != '\\')
            continue;
        const CString part = driver.Mid(partStart).Left(i - partStart);
        if (part.IsEmpty() || part == "." || part == "..")
            return false;
        ++parts;
        partStart = i + 1;
    }
    return parts >= 2;
}

// Reads an instance's "Driver" text. The result is the query's; a value that
// is not a string comes back as empty text.
LONG ReadDriverValue(HKEY instance, CString& driver)
{
    char value[kValueSize + 1];  // room for a null that the stored value may lack
    DWORD type = REG_SZ;
    DWORD size = kValueSize;
    const LONG result = RegQueryValueExA(instance, "Driver", nullptr, &type,
                                         reinterpret_cast<BYTE*>(value), &size);
    if (result != ERROR_SUCCESS)
        return result;
    value[size < kValueSize ? size : kValueSize] = '\0';
    driver = type == REG_SZ ? value : "";
    return result;
}

}  // namespace

void CMasterInstallApp::DeleteSubKeys(HKEY key)
{
    // Collect every name before deleting any, so that the enumeration stays stable.
    std::vector<CString> names;
    char name[kNameSize];
    for (DWORD index = 0;; ++index) {
        DWORD size = kNameSize;
        if (RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    for (const CString& subKey : names)
        if (DeleteKeyTree(key, subKey) != ERROR_SUCCESS)
            break;
}

void CMasterInstallApp::RemoveDeviceKey(const char* devicePath)
{
    HKEY device;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, devicePath, 0, KEY_READ, &device) != ERROR_SUCCESS)
        return;

    // The walk ends after the first instance that does not open or whose
    // "Driver" value cannot be read; the instances themselves go below all the same.
    char name[kNameSize];
    for (DWORD index = 0;; ++index) {
        DWORD size = kNameSize;
        if (RegEnumKeyExA(device, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY instance;
        LONG result = RegOpenKeyExA(device, name, 0, KEY_READ, &instance);
        if (result == ERROR_SUCCESS) {
            CString driver;
            result = ReadDriverValue(instance, driver);
            if (result == ERROR_SUCCESS && NamesOneClassKey(driver))
                DeleteKeyTree(HKEY_LOCAL_MACHINE, CString(kClassKeyPrefix) + driver);
            RegCloseKey(instance);
        }
        if (result != ERROR_SUCCESS)
            break;
    }

    DeleteSubKeys(device);
    RegCloseKey(device);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, devicePath);
}

void CMasterInstallApp::RemoveAllDeviceKeys()
{
    for (const char* devicePath : kDeviceKeys)
        RemoveDeviceKey(devicePath);
    for (const char* file : kDriverDatabaseFiles)
        DeleteFileA(file);
}

void CMasterInstallApp::ClearDeviceInstances()
{
    HKEY device;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDeviceKeys[0], 0, KEY_READ, &device) != ERROR_SUCCESS)
        return;
    DeleteSubKeys(device);
    RegCloseKey(device);
}
