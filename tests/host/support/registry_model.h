// The kit's registry layout as the tests see it, and whole-registry snapshots
// that can be compared with what a test expects to remain.
#pragma once
#include "fakewin/fakewin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

namespace regmodel {

// Relative to HKEY_LOCAL_MACHINE, in the order the program must process them.
const char* const kDeviceKeys[6] = {
    "Enum\\USB\\VID_0B7C&PID_0F60", "Enum\\USB\\VID_0B7C&PID_6B10", "Enum\\USB\\VID_0B7C&PID_6B40",
    "Enum\\USB\\VID_0B7C&PID_6B50", "Enum\\USB\\VID_0B7C&PID_3C07", "Enum\\USB\\VID_0B7C&PID_8E15",
};
const char* const kClassPrefix = "System\\CurrentControlSet\\Services\\Class\\";
const char* const kDriverIndex = "C:\\Windows\\Inf\\Drvidx.bin";
const char* const kDriverData = "C:\\Windows\\Inf\\Drvdata.bin";

inline std::string Hklm(const std::string& relative)
{
    return "HKEY_LOCAL_MACHINE\\" + relative;
}
inline std::string Device(int index)  // 0..5
{
    return Hklm(kDeviceKeys[index]);
}
inline std::string ClassKey(const std::string& driver)
{
    return Hklm(kClassPrefix + driver);
}

inline std::string Upper(std::string text)
{
    for (char& ch : text)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return text;
}

// True when key is path itself or lies below it (names compare case-insensitively).
inline bool AtOrBelow(const std::string& key, const std::string& path)
{
    const std::string k = Upper(key);
    const std::string p = Upper(path);
    return k == p || (k.size() > p.size() && k.compare(0, p.size(), p) == 0 && k[p.size()] == '\\');
}

// Every key, by upper-case full name (the registry ignores case).
using Keys = std::set<std::string>;

inline Keys Snapshot()
{
    Keys keys;
    for (const std::string& key : fake::AllKeys())
        keys.insert(Upper(key));
    return keys;
}

inline Keys Without(Keys keys, const std::vector<std::string>& removedTrees)
{
    for (const std::string& tree : removedTrees) {
        const std::string top = Upper(tree);
        keys.erase(top);
        // Everything below a key sorts together, right after "KEY\".
        const std::string below = top + "\\";
        auto at = keys.lower_bound(below);
        while (at != keys.end() && at->compare(0, below.size(), below) == 0)
            at = keys.erase(at);
    }
    return keys;
}

// Names the keys missing and the keys left over, a few of each, so that a
// failure in a large tree stays readable.
inline ::testing::AssertionResult SameKeys(const Keys& expected, const Keys& actual)
{
    std::vector<std::string> missing;
    std::vector<std::string> extra;
    std::set_difference(expected.begin(), expected.end(), actual.begin(), actual.end(), std::back_inserter(missing));
    std::set_difference(actual.begin(), actual.end(), expected.begin(), expected.end(), std::back_inserter(extra));
    if (missing.empty() && extra.empty())
        return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    failure << missing.size() << " key(s) deleted that should remain, " << extra.size()
            << " key(s) remaining that should be gone";
    for (size_t i = 0; i < missing.size() && i < 5; ++i)
        failure << "\n  deleted: " << missing[i].substr(0, 160);
    for (size_t i = 0; i < extra.size() && i < 5; ++i)
        failure << "\n  left:    " << extra[i].substr(0, 160);
    return failure;
}

// A device instance with a "Driver" string and a few keys of its own below it.
inline void AddInstance(int device, const std::string& instance, const std::string& driver)
{
    const std::string key = Device(device) + "\\" + instance;
    fake::SetString(key, "Driver", driver);
    fake::AddKey(key + "\\Device Parameters");
    fake::AddKey(key + "\\LogConf");
}

// A class key with values and a nested subkey, as a driver installation leaves it.
inline void AddClassKey(const std::string& driver)
{
    const std::string key = ClassKey(driver);
    fake::SetString(key, "DriverDesc", "USB device");
    fake::SetString(key + "\\Settings", "Mode", "1");
}

}  // namespace regmodel
