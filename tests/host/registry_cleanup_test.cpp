// Removal of the kit's device registrations: which class keys a device's
// instances take with them, when the walk over the instances ends, and that
// nothing outside the six device keys and the named class keys is touched.
#include "../../app/MasterInstallApp.h"
#include "fakewin/fixture.h"
#include "support/registry_model.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using regmodel::AtOrBelow;
using regmodel::ClassKey;
using regmodel::Device;
using regmodel::Hklm;
using regmodel::Keys;
using regmodel::SameKeys;
using regmodel::Snapshot;
using regmodel::Upper;
using regmodel::Without;

// A "Driver" value as stored: any type, any bytes, or no value at all.
struct Driver
{
    bool present = true;
    DWORD type = REG_SZ;
    std::vector<BYTE> bytes;
};

std::vector<BYTE> Bytes(const std::string& text)
{
    return std::vector<BYTE>(text.begin(), text.end());
}

Driver Sz(const std::string& text)
{
    Driver driver{ true, REG_SZ, Bytes(text) };
    driver.bytes.push_back(0);
    return driver;
}

Driver NoNull(const std::string& text)
{
    return { true, REG_SZ, Bytes(text) };
}

Driver Typed(DWORD type, const std::vector<BYTE>& bytes)
{
    return { true, type, bytes };
}

Driver Missing()
{
    return { false, REG_NONE, {} };
}

// An instance key with its "Driver" value (or another value only) and a
// subkey, so that its deletion has to go bottom-up.
void AddInstanceKey(const std::string& key, const Driver& driver)
{
    if (driver.present)
        fake::SetValue(key, "Driver", driver.type, driver.bytes);
    else
        fake::SetString(key, "DeviceDesc", "no driver yet");
    fake::AddKey(key + "\\Device Parameters");
}

// Names in the order the registry enumerates them: by their upper-case form.
std::vector<std::string> EnumerationOrder(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return Upper(a) < Upper(b); });
    return names;
}

// Full names of the RegDeleteKeyA calls (whatever their result) on any of the given keys, in order.
std::vector<std::string> DeletionsAmong(const std::vector<std::string>& keys)
{
    std::set<std::string> wanted;
    for (const std::string& key : keys)
        wanted.insert(Upper(key));
    std::vector<std::string> deletions;
    for (const fake::Event& event : fake::Events())
        if (event.api == "RegDeleteKeyA" && wanted.count(Upper(event.subject)))
            deletions.push_back(Upper(event.subject));
    return deletions;
}

// Every registry call below the class prefix must concern one of the class
// keys the test expects the program to go for.
::testing::AssertionResult TouchesOnlyClassKeys(const std::vector<std::string>& allowed)
{
    const std::string prefix = Upper(Hklm(regmodel::kClassPrefix));
    for (const fake::Event& event : fake::Events()) {
        if (event.api.compare(0, 3, "Reg") != 0 || Upper(event.subject).compare(0, prefix.size(), prefix) != 0)
            continue;
        const bool expected = std::any_of(allowed.begin(), allowed.end(), [&](const std::string& driver) {
            return AtOrBelow(event.subject, ClassKey(driver));
        });
        if (!expected)
            return ::testing::AssertionFailure() << event.api << " on a class key no instance names: " << event.subject;
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult NoKeyLeftOpen()
{
    if (fake::OpenKeyHandles() == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << fake::OpenKeyHandles() << " registry handle(s) left open";
}

// Keys that share a prefix with the device keys or live next to the class
// keys; none of them may ever go.
void AddSentinels()
{
    for (const char* key : {
             "Enum\\USB\\VID_0B7C&PID_0F601\\0000",
             "Enum\\USB\\VID_0B7C&PID_0F60 copy\\0000",
             "Enum\\USB\\VID_0B7C&PID_6B1\\0000",
             "Enum\\USB\\VID_0B7C\\0000",
             "Enum\\USB\\VID_1234&PID_0F60\\0000",
             "Enum\\Root\\VID_0B7C&PID_0F60\\0000",
             "System\\CurrentControlSet\\Services\\Class\\USB\\0000\\Unnamed",
             "System\\CurrentControlSet\\Services\\Class\\USB\\00001",
             "System\\CurrentControlSet\\Services\\Class\\Net\\0000",
             "System\\CurrentControlSet\\Services\\ClassX\\USB\\0000",
             "System\\CurrentControlSet\\Services\\VxD\\USB",
         })
        fake::AddKey(Hklm(key));
    fake::SetString("HKEY_CURRENT_USER\\Enum\\USB\\VID_0B7C&PID_0F60\\0000", "Driver", "USB\\0000");
    fake::SetString("HKEY_CLASSES_ROOT\\.inf", "", "inffile");
}

class RegistryCleanupTest : public FakeWinTest
{
protected:
    CMasterInstallApp app;
};

// ---- One device key: the walk over its instances ----------------------------------

struct Instance
{
    std::string name;
    Driver driver;
};

struct WalkCase
{
    int line;
    const char* what;
    std::vector<Instance> instances;      // created in this order
    std::vector<std::string> classKeys;   // existing, in "Driver" form
    std::vector<std::string> targets;     // class keys the program goes for, in order (existing or not)
};

const std::string k511 = "USB\\" + std::string(255, 'a') + "\\" + std::string(251, 'b');
const std::string k512 = "USB\\" + std::string(255, 'a') + "\\" + std::string(252, 'b');
const std::string k513 = "USB\\" + std::string(255, 'a') + "\\" + std::string(253, 'b');
const std::string k300 = "USB\\" + std::string(296, 'x');
// What a path cut to 259 characters would name instead (the prefix takes 40).
const std::string k300Cut = k300.substr(0, 259 - 40);
const std::string kLongInstance(255, 'I');

void RunWalkCase(CMasterInstallApp& app, const WalkCase& c)
{
    SCOPED_TRACE(testing::Message() << "case at line " << c.line << ": " << c.what);
    fake::Reset();
    AddSentinels();
    for (const std::string& driver : c.classKeys)
        regmodel::AddClassKey(driver);
    const std::string device = Device(0);
    fake::AddKey(device);
    std::vector<std::string> names;
    for (const Instance& instance : c.instances) {
        AddInstanceKey(device + "\\" + instance.name, instance.driver);
        names.push_back(instance.name);
    }
    // The other five device keys are someone else's business here.
    const Keys before = Snapshot();

    app.RemoveDeviceKey(regmodel::kDeviceKeys[0]);

    std::vector<std::string> removed = { device };
    std::vector<std::string> marks = { device };
    std::vector<std::string> expectedOrder;
    for (const std::string& target : c.targets) {
        removed.push_back(ClassKey(target));
        marks.push_back(ClassKey(target));
        expectedOrder.push_back(Upper(ClassKey(target)));
    }
    for (const std::string& name : EnumerationOrder(names)) {
        marks.push_back(device + "\\" + name);
        expectedOrder.push_back(Upper(device + "\\" + name));
    }
    expectedOrder.push_back(Upper(device));

    EXPECT_TRUE(SameKeys(Without(before, removed), Snapshot()));
    EXPECT_EQ(DeletionsAmong(marks), expectedOrder) << "class keys, then instances, then the device key";
    EXPECT_TRUE(TouchesOnlyClassKeys(c.targets));
    EXPECT_TRUE(NoKeyLeftOpen());
}

TEST_F(RegistryCleanupTest, TheWalkOverTheInstancesDeletesTheNamedClassKeysInOrder)
{
    const WalkCase cases[] = {
        { __LINE__, "no instances", {}, { "USB\\0000" }, {} },
        { __LINE__, "three instances, three class keys",
          { { "0000", Sz("USB\\0000") }, { "0001", Sz("USB\\0001") }, { "0002", Sz("Image\\0007") } },
          { "USB\\0000", "USB\\0001", "Image\\0007" },
          { "USB\\0000", "USB\\0001", "Image\\0007" } },
        { __LINE__, "enumeration order, not creation order",
          { { "b", Sz("USB\\000B") }, { "A", Sz("USB\\000A") }, { "C", Sz("USB\\000C") } },
          { "USB\\000A", "USB\\000B", "USB\\000C" },
          { "USB\\000A", "USB\\000B", "USB\\000C" } },
        { __LINE__, "second without Driver ends the walk",
          { { "0000", Sz("USB\\0000") }, { "0001", Missing() }, { "0002", Sz("USB\\0002") } },
          { "USB\\0000", "USB\\0002" },
          { "USB\\0000" } },
        { __LINE__, "first without Driver: no class key at all",
          { { "0000", Missing() }, { "0001", Sz("USB\\0001") } },
          { "USB\\0001" },
          {} },
        { __LINE__, "same Driver twice: the second deletion fails and the walk goes on",
          { { "0000", Sz("USB\\0000") }, { "0001", Sz("USB\\0000") }, { "0002", Sz("USB\\0002") } },
          { "USB\\0000", "USB\\0002" },
          { "USB\\0000", "USB\\0000", "USB\\0002" } },
        { __LINE__, "same class key in another case",
          { { "0000", Sz("USB\\0000") }, { "0001", Sz("usb\\0000") }, { "0002", Sz("uSb\\0002") } },
          { "USB\\0000", "USB\\0002" },
          { "USB\\0000", "usb\\0000", "uSb\\0002" } },
        { __LINE__, "empty Driver is skipped",
          { { "0000", Sz("") }, { "0001", Sz("USB\\0001") } },
          { "USB\\0001" },
          { "USB\\0001" } },
        { __LINE__, "zero-byte Driver is skipped",
          { { "0000", NoNull("") }, { "0001", Sz("USB\\0001") } },
          { "USB\\0001" },
          { "USB\\0001" } },
        { __LINE__, "named class key missing: the walk goes on",
          { { "0000", Sz("USB\\0009") }, { "0001", Sz("USB\\0001") } },
          { "USB\\0001" },
          { "USB\\0009", "USB\\0001" } },
        { __LINE__, "a deeper path names one key, not its parent",
          { { "0000", Sz("USB\\0000\\Settings") }, { "0001", Sz("USB\\0001") } },
          { "USB\\0000", "USB\\0001" },
          { "USB\\0000\\Settings", "USB\\0001" } },
        { __LINE__, "Driver without its null",
          { { "0000", NoNull("USB\\0000") }, { "0001", Sz("USB\\0001") } },
          { "USB\\0000", "USB\\0001" },
          { "USB\\0000", "USB\\0001" } },
        { __LINE__, "text ends at the first null",
          { { "0000", Typed(REG_SZ, Bytes(std::string("USB\\0000\0USB\\0002", 17))) }, { "0001", Sz("USB\\0001") } },
          { "USB\\0000", "USB\\0001", "USB\\0002" },
          { "USB\\0000", "USB\\0001" } },
        { __LINE__, "511 characters",
          { { "0000", Sz(k511) }, { "0001", Sz("USB\\0001") } },
          { k511, "USB\\0001" },
          { k511, "USB\\0001" } },
        { __LINE__, "512 characters without null are taken whole",
          { { "0000", NoNull(k512) }, { "0001", Sz("USB\\0001") } },
          { k512, k511, "USB\\0001" },
          { k512, "USB\\0001" } },
        { __LINE__, "512 characters and the null do not fit: the walk ends",
          { { "0000", Sz(k512) }, { "0001", Sz("USB\\0001") } },
          { k512, k511, "USB\\0001" },
          {} },
        { __LINE__, "513 characters without null: the walk ends",
          { { "0000", NoNull(k513) }, { "0001", Sz("USB\\0001") } },
          { k513, k512, "USB\\0001" },
          {} },
        { __LINE__, "a good value after a long one is still read",
          { { "0000", Sz("USB\\0000") }, { "0001", Sz(k511) }, { "0002", Sz("USB\\0002") } },
          { "USB\\0000", k511, "USB\\0002" },
          { "USB\\0000", k511, "USB\\0002" } },
        { __LINE__, "a path past 259 characters is not cut",
          { { "0000", Sz(k300) }, { "0001", Sz("USB\\0001") } },
          { k300, k300Cut, "USB\\0001" },
          { k300, "USB\\0001" } },
        { __LINE__, "instance name of 255 characters",
          { { kLongInstance, Sz("USB\\0000") }, { "J", Sz("USB\\0001") } },
          { "USB\\0000", "USB\\0001" },
          { "USB\\0000", "USB\\0001" } },
    };
    for (const WalkCase& c : cases)
        RunWalkCase(app, c);
}

TEST_F(RegistryCleanupTest, DriverValuesOfAnotherTypeAreSkipped)
{
    const std::vector<BYTE> text = Bytes(std::string("USB\\0000\0", 9));
    const struct
    {
        int line;
        Driver driver;
    } cases[] = {
        { __LINE__, Typed(REG_EXPAND_SZ, text) },
        { __LINE__, Typed(REG_MULTI_SZ, Bytes(std::string("USB\\0000\0\0", 10))) },
        { __LINE__, Typed(REG_BINARY, text) },
        { __LINE__, Typed(REG_NONE, text) },
        { __LINE__, Typed(REG_DWORD, { 1, 0, 0, 0 }) },
    };
    for (const auto& c : cases) {
        RunWalkCase(app, { c.line, "another type",
                           { { "0000", c.driver }, { "0001", Sz("USB\\0001") } },
                           { "USB\\0000", "USB\\0001" },
                           { "USB\\0001" } });
    }
    // Too large for the buffer is a failed query whatever the type: the walk ends.
    RunWalkCase(app, { __LINE__, "600 bytes of binary",
                       { { "0000", Typed(REG_BINARY, std::vector<BYTE>(600, 'x')) }, { "0001", Sz("USB\\0001") } },
                       { "USB\\0001" },
                       {} });
}

TEST_F(RegistryCleanupTest, HostileDriverValuesDeleteNothingAndTheWalkGoesOn)
{
    const struct
    {
        int line;
        std::string driver;
    } cases[] = {
        { __LINE__, "" },
        { __LINE__, "\\" },
        { __LINE__, "\\\\" },
        { __LINE__, "USB" },
        { __LINE__, "USB\\" },
        { __LINE__, "\\USB" },
        { __LINE__, "\\USB\\0000" },
        { __LINE__, "USB\\0000\\" },
        { __LINE__, "USB\\\\0000" },
        { __LINE__, "USB\\." },
        { __LINE__, "USB\\.." },
        { __LINE__, "USB\\.\\0000" },
        { __LINE__, "USB\\0000\\.." },
        { __LINE__, "..\\Enum" },
        { __LINE__, "..\\..\\Enum\\USB" },
        { __LINE__, ".\\USB\\0000" },
        { __LINE__, "." },
        { __LINE__, ".." },
    };
    // Keys that the stand-in would find under those names taken literally,
    // so that a program which deleted them would be seen doing it.
    const std::vector<std::string> baits = { "USB\\.", "USB\\..", "USB\\0000\\..", "..\\Enum", ".", "..",
                                             "USB\\.\\0000", ".\\USB\\0000" };
    for (const auto& c : cases) {
        std::vector<std::string> classKeys = { "USB\\0000", "USB\\0001", "USB\\0002" };
        classKeys.insert(classKeys.end(), baits.begin(), baits.end());
        RunWalkCase(app, { c.line, c.driver.c_str(),
                           { { "0000", Sz(c.driver) }, { "0001", Sz("USB\\0001") } },
                           classKeys,
                           { "USB\\0001" } });
    }
}

TEST_F(RegistryCleanupTest, AnInstanceThatDoesNotOpenEndsTheWalkButIsStillDeleted)
{
    const std::string device = Device(0);
    regmodel::AddClassKey("USB\\0000");
    regmodel::AddClassKey("USB\\0002");
    AddInstanceKey(device + "\\0000", Sz("USB\\0000"));
    fake::SetString(device + "\\0001", "Driver", "USB\\0002");
    AddInstanceKey(device + "\\0002", Sz("USB\\0002"));
    fake::ScriptRegistryAnswer("RegOpenKeyExA", device + "\\0001", ERROR_ACCESS_DENIED);
    const Keys before = Snapshot();

    app.RemoveDeviceKey(regmodel::kDeviceKeys[0]);

    EXPECT_TRUE(SameKeys(Without(before, { device, ClassKey("USB\\0000") }), Snapshot()));
    EXPECT_TRUE(NoKeyLeftOpen());
}

TEST_F(RegistryCleanupTest, NestedSubtreesGoCompletely)
{
    const std::string device = Device(0);
    // Three subkeys a level, three levels, values everywhere: under a class key and under an instance.
    auto addTree = [](const std::string& root) {
        for (const char* a : { "A", "b", "C" })
            for (const char* b : { "x", "Y", "z" })
                for (const char* c : { "1", "2", "3" }) {
                    const std::string key = root + "\\" + a + "\\" + b + "\\" + c;
                    fake::SetString(key, "Leaf", key);
                    fake::SetString(root + "\\" + a, "Mid", a);
                }
    };
    regmodel::AddClassKey("USB\\0000");
    addTree(ClassKey("USB\\0000"));
    regmodel::AddClassKey("USB\\0001");
    addTree(ClassKey("USB\\0001"));
    AddInstanceKey(device + "\\0000", Sz("USB\\0000"));
    addTree(device + "\\0000");
    AddInstanceKey(device + "\\0001", Sz("USB\\0001"));
    addTree(device + "\\0001\\Device Parameters");
    AddSentinels();
    fake::AddKey(ClassKey("USB\\00000\\A\\x\\1"));
    const Keys before = Snapshot();

    app.RemoveDeviceKey(regmodel::kDeviceKeys[0]);

    EXPECT_FALSE(fake::KeyExists(ClassKey("USB\\0000")));
    EXPECT_FALSE(fake::KeyExists(ClassKey("USB\\0001")));
    EXPECT_FALSE(fake::KeyExists(device));
    EXPECT_TRUE(SameKeys(Without(before, { device, ClassKey("USB\\0000"), ClassKey("USB\\0001") }), Snapshot()));
    EXPECT_TRUE(NoKeyLeftOpen());
}

TEST_F(RegistryCleanupTest, ASubkeyThatKeepsComingBackDoesNotHangTheCleanup)
{
    // The deletion reports success and the key stays: the loop must give up on it.
    const std::string device = Device(0);
    regmodel::AddClassKey("USB\\0000");
    fake::AddKey(ClassKey("USB\\0000\\Sticky"));
    regmodel::AddClassKey("USB\\0001");
    AddInstanceKey(device + "\\0000", Sz("USB\\0000"));
    AddInstanceKey(device + "\\0001", Sz("USB\\0001"));
    fake::ScriptRegistryAnswer("RegDeleteKeyA", ClassKey("USB\\0000\\Sticky"), ERROR_SUCCESS);

    app.RemoveDeviceKey(regmodel::kDeviceKeys[0]);

    EXPECT_TRUE(fake::KeyExists(ClassKey("USB\\0000\\Sticky")));
    EXPECT_FALSE(fake::KeyExists(ClassKey("USB\\0001"))) << "the walk goes on after the stuck class key";
    EXPECT_FALSE(fake::KeyExists(device));
    EXPECT_TRUE(NoKeyLeftOpen());
}

// ---- Deleting a device key's instances --------------------------------------------

struct Operation
{
    const char* name;
    void (*run)(CMasterInstallApp&);
    bool deviceKeyGoes;
};

const Operation kOperations[] = {
    { "RemoveDeviceKey", [](CMasterInstallApp& a) { a.RemoveDeviceKey(regmodel::kDeviceKeys[0]); }, true },
    { "ClearDeviceInstances", [](CMasterInstallApp& a) { a.ClearDeviceInstances(); }, false },
    { "DeleteSubKeys",
      [](CMasterInstallApp& a) {
          HKEY key;
          ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, regmodel::kDeviceKeys[0], 0, KEY_READ, &key), ERROR_SUCCESS);
          a.DeleteSubKeys(key);
          RegCloseKey(key);
      },
      false },
};

TEST_F(RegistryCleanupTest, MoreThanEightyInstancesAllGo)
{
    for (const Operation& operation : kOperations) {
        for (int count : { 79, 80, 81, 200 }) {
            SCOPED_TRACE(testing::Message() << operation.name << " with " << count << " instances");
            fake::Reset();
            const std::string device = Device(0);
            std::vector<std::string> instances;
            for (int i = 0; i < count; ++i) {
                char name[16];
                std::snprintf(name, sizeof name, "%04d", i);
                AddInstanceKey(device + "\\" + name, Sz(std::string("Gone\\") + name));
                instances.push_back(device + "\\" + name);
            }
            AddSentinels();
            const Keys before = Snapshot();

            operation.run(app);

            EXPECT_TRUE(SameKeys(Without(before, operation.deviceKeyGoes ? std::vector<std::string>{ device } : instances),
                                 Snapshot()));
            EXPECT_EQ(fake::KeyExists(device), !operation.deviceKeyGoes);
            EXPECT_TRUE(NoKeyLeftOpen());
        }
    }
}

TEST_F(RegistryCleanupTest, TheFirstInstanceThatCannotBeDeletedStopsTheRest)
{
    for (const Operation& operation : kOperations) {
        SCOPED_TRACE(operation.name);
        fake::Reset();
        const std::string device = Device(0);
        for (const char* name : { "0000", "0001", "0002", "0003", "0004" })
            AddInstanceKey(device + "\\" + name, Sz("Unnamed\\" + std::string(name)));
        fake::ScriptRegistryAnswer("RegDeleteKeyA", device + "\\0002", ERROR_ACCESS_DENIED);
        const Keys before = Snapshot();

        operation.run(app);

        // 0002 loses its subkey before its own deletion is refused; 0003 and 0004 are left whole.
        EXPECT_TRUE(SameKeys(Without(before, { device + "\\0000", device + "\\0001", device + "\\0002\\Device Parameters" }),
                             Snapshot()));
        EXPECT_TRUE(NoKeyLeftOpen());
    }
}

// ---- ClearDeviceInstances ----------------------------------------------------------

// All six device keys with instances naming class keys, the sentinels and the driver database.
void AddFullRegistration(int firstDevice = 0)
{
    for (int d = firstDevice; d < 6; ++d)
        for (int i = 0; i < 3; ++i) {
            const std::string driver = "USB\\" + std::to_string(d) + std::to_string(i);
            regmodel::AddClassKey(driver);
            AddInstanceKey(Device(d) + "\\000" + std::to_string(i), Sz(driver));
            fake::AddKey(Device(d) + "\\000" + std::to_string(i) + "\\Device Parameters\\Nested\\Deeper");
        }
    AddSentinels();
    fake::AddFile(regmodel::kDriverIndex);
    fake::AddFile(regmodel::kDriverData);
}

TEST_F(RegistryCleanupTest, ClearDeviceInstancesTakesOnlyTheFirstDeviceKeysInstances)
{
    AddFullRegistration();
    const Keys before = Snapshot();
    const std::vector<std::string> files = fake::AllPaths();

    app.ClearDeviceInstances();

    EXPECT_TRUE(SameKeys(Without(before, { Device(0) + "\\0000", Device(0) + "\\0001", Device(0) + "\\0002" }),
                         Snapshot()));
    EXPECT_TRUE(fake::KeyExists(Device(0)));
    EXPECT_EQ(fake::AllPaths(), files);
    EXPECT_EQ(fake::Count("RegQueryValueExA"), 0) << "no Driver is read: no class key goes";
    EXPECT_EQ(fake::Count("DeleteFileA"), 0);
    EXPECT_TRUE(NoKeyLeftOpen());
}

TEST_F(RegistryCleanupTest, ClearDeviceInstancesWithoutTheFirstDeviceKeyDoesNothing)
{
    AddFullRegistration(1);
    const Keys before = Snapshot();

    app.ClearDeviceInstances();

    EXPECT_TRUE(SameKeys(before, Snapshot()));
    EXPECT_EQ(fake::Trace({ "RegOpenKeyExA", "RegEnumKeyExA", "RegDeleteKeyA", "RegQueryValueExA", "RegCloseKey" }),
              (std::vector<std::string>{ "RegOpenKeyExA " + Device(0) }));
    EXPECT_TRUE(NoKeyLeftOpen());
}

// ---- RemoveAllDeviceKeys -------------------------------------------------------------

TEST_F(RegistryCleanupTest, NoDeviceKeysLeavesTheRegistryAloneAndStillTriesBothFiles)
{
    const struct
    {
        int line;
        bool index;
        bool data;
        fake::FileFlags indexFlags;
        bool indexStays;
    } cases[] = {
        { __LINE__, true, true, {}, false },
        { __LINE__, false, true, {}, false },
        { __LINE__, true, false, {}, false },
        { __LINE__, false, false, {}, false },
        { __LINE__, true, true, { false, true }, true },
        { __LINE__, true, true, { true, false }, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        fake::Reset();
        AddSentinels();
        if (c.index)
            fake::AddFile(regmodel::kDriverIndex, c.indexFlags);
        if (c.data)
            fake::AddFile(regmodel::kDriverData);
        fake::AddFile("C:\\Windows\\Inf\\Drvidx.bak");
        const Keys before = Snapshot();

        app.RemoveAllDeviceKeys();

        EXPECT_TRUE(SameKeys(before, Snapshot()));
        std::vector<std::string> opens;
        for (int d = 0; d < 6; ++d)
            opens.push_back("RegOpenKeyExA " + Device(d));
        EXPECT_EQ(fake::Trace({ "RegOpenKeyExA", "RegEnumKeyExA", "RegDeleteKeyA", "RegQueryValueExA", "RegCloseKey" }),
                  opens);
        EXPECT_EQ(fake::Trace({ "DeleteFileA" }),
                  (std::vector<std::string>{ std::string("DeleteFileA ") + regmodel::kDriverIndex,
                                             std::string("DeleteFileA ") + regmodel::kDriverData }));
        EXPECT_EQ(fake::FileExists(regmodel::kDriverIndex), c.indexStays);
        EXPECT_FALSE(fake::FileExists(regmodel::kDriverData));
        EXPECT_TRUE(fake::FileExists("C:\\Windows\\Inf\\Drvidx.bak"));
        EXPECT_TRUE(NoKeyLeftOpen());
    }
}

TEST_F(RegistryCleanupTest, AllSixDeviceKeysGoInOrderThenTheDriverDatabase)
{
    AddFullRegistration();
    regmodel::AddClassKey("USB\\Unnamed");
    const Keys before = Snapshot();

    app.RemoveAllDeviceKeys();

    std::vector<std::string> removed;
    std::vector<std::string> marks;
    std::vector<std::string> order;
    for (int d = 0; d < 6; ++d) {
        std::vector<std::string> instances;
        for (int i = 0; i < 3; ++i) {
            const std::string driver = "USB\\" + std::to_string(d) + std::to_string(i);
            removed.push_back(ClassKey(driver));
            marks.push_back(ClassKey(driver));
            order.push_back(Upper(ClassKey(driver)));
            instances.push_back(Upper(Device(d) + "\\000" + std::to_string(i)));
        }
        for (const std::string& instance : instances) {
            marks.push_back(instance);
            order.push_back(instance);
        }
        removed.push_back(Device(d));
        marks.push_back(Device(d));
        order.push_back(Upper(Device(d)));
    }
    EXPECT_TRUE(SameKeys(Without(before, removed), Snapshot()));
    EXPECT_EQ(DeletionsAmong(marks), order);
    EXPECT_FALSE(fake::FileExists(regmodel::kDriverIndex));
    EXPECT_FALSE(fake::FileExists(regmodel::kDriverData));
    EXPECT_GT(fake::IndexOf("DeleteFileA"), fake::LastIndexOf("RegDeleteKeyA")) << "the files go after the keys";
    EXPECT_TRUE(NoKeyLeftOpen());
}

TEST_F(RegistryCleanupTest, TheCableTestProductCleansUpThenStartsItsSetupWhateverHappened)
{
    for (bool registered : { true, false }) {
        SCOPED_TRACE(registered ? "registered" : "nothing registered");
        fake::Reset();
        if (registered)
            AddFullRegistration();
        AddSentinels();
        const Keys before = Snapshot();

        app.LaunchProduct(3);

        std::vector<std::string> removed;
        for (int d = 0; d < 6; ++d)
            removed.push_back(Device(d));
        for (int d = 0; d < 6 && registered; ++d)
            for (int i = 0; i < 3; ++i)
                removed.push_back(ClassKey("USB\\" + std::to_string(d) + std::to_string(i)));
        EXPECT_TRUE(SameKeys(Without(before, removed), Snapshot()));
        EXPECT_EQ(fake::Count("DeleteFileA"), 2);
        ASSERT_EQ(fake::WinExecs().size(), 1u);
        EXPECT_EQ(fake::WinExecs()[0].commandLine, "CTst.ins\\disk1\\setup.exe");
        EXPECT_EQ(fake::WinExecs()[0].show, static_cast<UINT>(SW_SHOWNOACTIVATE));
        EXPECT_EQ(fake::Events().back().api, "WinExec") << "the setup starts after the cleanup";
        EXPECT_TRUE(NoKeyLeftOpen());
    }
}

// ---- Generated registries ---------------------------------------------------------------
//
// Many random registries, each compared as a whole with what must remain. The
// expectation is worked out from the description of what was generated, not
// from the registry: every Driver value knows, from the way it was made,
// whether it deletes a class key, is skipped, or ends the walk.

enum class Effect { Deletes, Skips, EndsWalk };

struct GeneratedDriver
{
    Driver value;
    Effect effect;
    std::string target;  // for Deletes
};

struct GeneratedInstance
{
    std::string name;
    GeneratedDriver driver;
};

struct GeneratedRegistry
{
    bool deviceExists[6] = {};
    std::vector<GeneratedInstance> instances[6];  // in enumeration order
    bool indexFile = false;
    bool indexReadOnly = false;
    bool dataFile = false;
};

class Generator
{
public:
    explicit Generator(unsigned seed) : m_rng(seed) {}

    GeneratedRegistry Build()
    {
        GeneratedRegistry registry;
        AddClassKeys();
        AddSentinels();
        AddRandomSentinels();
        m_walkCanEnd = Below(4) != 0;
        for (int d = 0; d < 6; ++d) {
            registry.deviceExists[d] = Below(7) != 0;
            if (!registry.deviceExists[d]) {
                if (Below(3) == 0)  // a look-alike where the device key would be
                    fake::AddKey(Device(d) + "_old\\0000");
                continue;
            }
            fake::AddKey(Device(d));
            if (Below(3) == 0)
                fake::SetString(Device(d), "Class", "USB");
            // Mostly a handful, now and then up to 120 (past the 80 an older cleanup stopped at).
            const int count = static_cast<int>(Below(8) == 0 ? Below(121) : Below(12));
            std::set<std::string> taken;
            for (int i = 0; i < count; ++i) {
                GeneratedInstance instance;
                do
                    instance.name = Name(Below(10) == 0 ? 1 + Below(255) : 1 + Below(12));
                while (!taken.insert(Upper(instance.name)).second);
                instance.driver = MakeDriver();
                const std::string key = Device(d) + "\\" + instance.name;
                if (instance.driver.value.present)
                    fake::SetValue(key, "Driver", instance.driver.value.type, instance.driver.value.bytes);
                else
                    fake::AddKey(key);
                AddRandomTree(key, Below(3));
                registry.instances[d].push_back(instance);
            }
            std::sort(registry.instances[d].begin(), registry.instances[d].end(),
                      [](const GeneratedInstance& a, const GeneratedInstance& b) { return Upper(a.name) < Upper(b.name); });
        }
        registry.indexFile = Below(2) != 0;
        registry.indexReadOnly = Below(5) == 0;
        registry.dataFile = Below(2) != 0;
        if (registry.indexFile)
            fake::AddFile(regmodel::kDriverIndex, { registry.indexReadOnly, false });
        if (registry.dataFile)
            fake::AddFile(regmodel::kDriverData);
        fake::AddFile("C:\\Windows\\Inf\\Drvidx.bin.old");
        fake::AddFile("C:\\Windows\\Inf\\vousb.inf");
        return registry;
    }

private:
    unsigned Below(unsigned n) { return static_cast<unsigned>(m_rng() % n); }

    std::string Name(unsigned length)
    {
        static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_&#-. {}";
        std::string name;
        while (name.size() < length) {
            const char ch = kChars[Below(sizeof kChars - 1)];
            // A name of dots, or with a space at either end, is not what any driver writes.
            if ((ch == '.' || ch == ' ') && (name.empty() || name.size() + 1 == length))
                continue;
            name += ch;
        }
        return name;
    }

    std::string FlipCase(std::string text)
    {
        for (char& ch : text)
            if (Below(3) == 0)
                ch = static_cast<char>(std::isupper(static_cast<unsigned char>(ch)) ? std::tolower(ch) : std::toupper(ch));
        return text;
    }

    // A random tree of subkeys (with values) below a key.
    void AddRandomTree(const std::string& key, unsigned depth)
    {
        if (depth == 0)
            return;
        const unsigned count = Below(4);
        for (unsigned i = 0; i < count; ++i) {
            const std::string child = key + "\\" + Name(1 + Below(Below(16) == 0 ? 255 : 10));
            fake::SetString(child, "Value", "x");
            AddRandomTree(child, depth - 1);
        }
    }

    void AddClassKeys()
    {
        m_good.clear();
        static const char* const kClasses[] = { "USB", "Net", "Image", "MEDIA", "Ports", "hidclass" };
        const unsigned count = 5 + Below(20);
        for (unsigned i = 0; i < count; ++i) {
            std::string cls = Below(6) == 0 ? Name(1 + Below(255)) : kClasses[Below(6)];
            std::string driver = cls + "\\" + (Below(6) == 0 ? Name(1 + Below(255)) : Name(4));
            if (Below(5) == 0)
                driver += "\\" + Name(1 + Below(12));
            regmodel::AddClassKey(driver);
            AddRandomTree(ClassKey(driver), Below(3));
            if (driver.size() <= 511)
                m_good.push_back(driver);
        }
    }

    void AddRandomSentinels()
    {
        for (unsigned i = Below(6); i > 0; --i)
            fake::SetString(Hklm("Software\\" + Name(1 + Below(20))), "Path", "C:\\");
        for (const char* bait : { "USB\\.", "USB\\..", "..\\Enum", "." })
            fake::AddKey(ClassKey(bait));
    }

    std::string GoodName()
    {
        return m_good[Below(static_cast<unsigned>(m_good.size()))];
    }

    // A value that names no single class key; the stand-in would find some of them.
    std::string Hostile(const std::string& good)
    {
        const size_t slash = good.find('\\');
        switch (Below(12)) {
        case 0: return "";
        case 1: return "\\";
        case 2: return "\\" + good;
        case 3: return good + "\\";
        case 4: return good.substr(0, slash) + "\\\\" + good.substr(slash + 1);
        case 5: return good + "\\.";
        case 6: return good + "\\..";
        case 7: return "..\\" + good;
        case 8: return good.substr(0, slash);
        case 9: return good.substr(0, slash) + "\\.\\" + good.substr(slash + 1);
        case 10: return ".";
        default: return "..\\..\\Enum\\USB";
        }
    }

    GeneratedDriver MakeDriver()
    {
        GeneratedDriver driver = MakeDriverText();
        // More than the 512 bytes the program reads fails the query, whatever the text.
        if (driver.value.present && driver.value.bytes.size() > 512) {
            driver.effect = Effect::EndsWalk;
            driver.target.clear();
        }
        return driver;
    }

    GeneratedDriver MakeDriverText()
    {
        const unsigned roll = Below(100);
        const std::string good = GoodName();
        if (roll < 35)
            return Remember({ Sz(FlipCase(good)), Effect::Deletes, good });
        if (roll < 45 && !m_used.empty()) {
            const std::string used = m_used[Below(static_cast<unsigned>(m_used.size()))];
            return Remember({ Sz(FlipCase(used)), Effect::Deletes, used });
        }
        if (roll < 50) {
            const std::string missing = "Net\\" + Name(1 + Below(30)) + "#gone";
            return { Sz(missing), Effect::Deletes, missing };
        }
        if (roll < 58)
            return { Below(2) ? Sz("") : NoNull(""), Effect::Skips, "" };
        if (roll < 72)
            return { Below(2) ? Sz(Hostile(good)) : NoNull(Hostile(good)), Effect::Skips, "" };
        if (roll < 80) {
            static const DWORD kTypes[] = { REG_EXPAND_SZ, REG_BINARY, REG_MULTI_SZ, REG_NONE };
            Driver value = Sz(good);
            value.type = kTypes[Below(4)];
            return { value, Effect::Skips, "" };
        }
        if (roll < 86)
            return Remember({ NoNull(good), Effect::Deletes, good });
        if (roll < 90) {
            Driver value = Sz(good);
            const std::string tail = "\\" + Name(8);
            value.bytes.insert(value.bytes.end(), tail.begin(), tail.end());
            return Remember({ value, Effect::Deletes, good });
        }
        if (roll < 95 || !m_walkCanEnd)
            return Remember({ Sz(good), Effect::Deletes, good });
        if (roll < 97)
            return { Missing(), Effect::EndsWalk, "" };
        if (roll < 99)
            return { Sz(std::string(512 + Below(100), 'L')), Effect::EndsWalk, "" };
        return { Typed(REG_BINARY, std::vector<BYTE>(513 + Below(50), 7)), Effect::EndsWalk, "" };
    }

    // Keeps the targets for later duplicates.
    GeneratedDriver Remember(GeneratedDriver driver)
    {
        m_used.push_back(driver.target);
        return driver;
    }

    std::mt19937 m_rng;
    std::vector<std::string> m_good;
    std::vector<std::string> m_used;
    bool m_walkCanEnd = true;
};

// What RemoveAllDeviceKeys must take: per device key, the targets of the
// instances visited before the walk ends, and the device key itself.
std::vector<std::string> ExpectedRemovals(const GeneratedRegistry& registry)
{
    std::vector<std::string> trees;
    for (int d = 0; d < 6; ++d) {
        if (!registry.deviceExists[d])
            continue;
        for (const GeneratedInstance& instance : registry.instances[d]) {
            if (instance.driver.effect == Effect::EndsWalk)
                break;
            if (instance.driver.effect == Effect::Deletes)
                trees.push_back(ClassKey(instance.driver.target));
        }
        trees.push_back(Device(d));
    }
    return trees;
}

std::set<std::string> UpperPaths()
{
    std::set<std::string> paths;
    for (const std::string& path : fake::AllPaths())
        paths.insert(Upper(path));
    return paths;
}

// Enough trees to meet every kind of Driver value in many positions, few enough
// to keep the suite quick under the sanitizers.
const unsigned kSeeds = 300;
const unsigned kClearSeeds = 150;  // only device key 1 matters there

TEST_F(RegistryCleanupTest, GeneratedRegistriesKeepExactlyWhatMustRemain)
{
    for (unsigned seed = 1; seed <= kSeeds && !HasFailure(); ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        fake::Reset();
        const GeneratedRegistry registry = Generator(seed).Build();
        const Keys before = Snapshot();
        std::set<std::string> files = UpperPaths();

        app.RemoveAllDeviceKeys();

        EXPECT_TRUE(SameKeys(Without(before, ExpectedRemovals(registry)), Snapshot()));
        if (registry.indexFile && !registry.indexReadOnly)
            files.erase(Upper(regmodel::kDriverIndex));
        files.erase(Upper(regmodel::kDriverData));
        EXPECT_EQ(UpperPaths(), files);
        EXPECT_EQ(fake::Count("DeleteFileA"), 2);
        EXPECT_TRUE(NoKeyLeftOpen());
    }
}

TEST_F(RegistryCleanupTest, GeneratedRegistriesLoseOnlyTheFirstDeviceKeysInstancesOnClear)
{
    for (unsigned seed = 1; seed <= kClearSeeds && !HasFailure(); ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        fake::Reset();
        const GeneratedRegistry registry = Generator(seed).Build();
        const Keys before = Snapshot();
        const std::set<std::string> files = UpperPaths();

        app.ClearDeviceInstances();

        std::vector<std::string> removed;
        for (const GeneratedInstance& instance : registry.instances[0])
            removed.push_back(Device(0) + "\\" + instance.name);
        EXPECT_TRUE(SameKeys(Without(before, removed), Snapshot()));
        EXPECT_EQ(fake::KeyExists(Device(0)), registry.deviceExists[0]);
        EXPECT_EQ(UpperPaths(), files);
        EXPECT_TRUE(NoKeyLeftOpen());
    }
}

}  // namespace
