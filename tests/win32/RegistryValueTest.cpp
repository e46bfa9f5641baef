// The registry value naming the HOSTS folder: string types, absence, a wrong type, and the HOSTS name.
#include "platform/Errors.h"
#include "platform/Platform.h"
#include "settings/QuillonPrefs.h"
#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include <windows.h>

namespace {

const std::string TcpipKey = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
const std::string TestKey = "Software\\Quillon Tests\\Registry";
const char* const ValueName = "DataBasePath";

struct TRegValue {
    DWORD type;
    std::string bytes;
};

TRegValue StringValue(DWORD type, const std::string& text) { return {type, text + '\0'}; }

TRegValue DwordValue(DWORD number)
{
    return {REG_DWORD, std::string(reinterpret_cast<const char*>(&number), sizeof number)};
}

// Written into the registry of the machine (inside Wine, the throw-away prefix).
void SetValue(const std::string& key, const TRegValue& value)
{
    HKEY handle;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle,
                              nullptr),
              ERROR_SUCCESS);
    const auto* bytes = reinterpret_cast<const BYTE*>(value.bytes.data());
    const DWORD size = DWORD(value.bytes.size());
    EXPECT_EQ(RegSetValueExA(handle, ValueName, 0, value.type, bytes, size), ERROR_SUCCESS);
    RegCloseKey(handle);
}

void DeleteValue(const std::string& key)
{
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_WRITE, &handle) == ERROR_SUCCESS) {
        RegDeleteValueA(handle, ValueName);
        RegCloseKey(handle);
    }
}

std::optional<TRegValue> GetValue(const std::string& key)
{
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return std::nullopt;
    TRegValue value{};
    DWORD size = 0;
    std::optional<TRegValue> result;
    if (RegQueryValueExA(handle, ValueName, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.bytes.assign(size, '\0');
        auto* bytes = reinterpret_cast<BYTE*>(value.bytes.data());
        if (RegQueryValueExA(handle, ValueName, nullptr, &value.type, bytes, &size) == ERROR_SUCCESS)
            result = value;
    }
    RegCloseKey(handle);
    return result;
}

// ---- reading the value

struct TReadCase {
    const char* name;
    std::optional<TRegValue> value;   // none: the value is absent
    const char* expected;
};

class ReadRegistryString : public testing::TestWithParam<TReadCase> {
protected:
    void TearDown() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Quillon Tests"); }
};

TEST_P(ReadRegistryString, GivesTheStoredText)
{
    // An absent value still has its key.
    SetValue(TestKey, GetParam().value.value_or(StringValue(REG_SZ, "")));
    if (!GetParam().value)
        DeleteValue(TestKey);
    EXPECT_EQ(platform::ReadMachineRegistryString(TestKey, ValueName), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Win32, ReadRegistryString,
    testing::Values(TReadCase{"String", StringValue(REG_SZ, "C:\\Data\\etc"), "C:\\Data\\etc"},
                    TReadCase{"ExpandStringComesUnexpanded", StringValue(REG_EXPAND_SZ, "%SystemRoot%\\etc"),
                              "%SystemRoot%\\etc"},
                    TReadCase{"EmptyString", StringValue(REG_SZ, ""), ""},
                    TReadCase{"WithoutTerminatingNull", TRegValue{REG_SZ, "C:\\etc"}, "C:\\etc"},
                    TReadCase{"AbsentValue", std::nullopt, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Win32Registry, AbsentKeyGivesEmptyText)
{
    EXPECT_EQ(platform::ReadMachineRegistryString("Software\\Quillon Tests\\No Such Key", ValueName), "");
}

struct TWrongTypeCase {
    const char* name;
    TRegValue value;
};

class RegistryWrongType : public testing::TestWithParam<TWrongTypeCase> {
protected:
    void TearDown() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Quillon Tests"); }
};

TEST_P(RegistryWrongType, FailsNamingTheValue)
{
    SetValue(TestKey, GetParam().value);
    try {
        platform::ReadMachineRegistryString(TestKey, ValueName);
        FAIL() << "no error";
    } catch (const EQuillonError& e) {
        EXPECT_EQ(std::string(e.what()), "Invalid data type for 'DataBasePath'");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Win32, RegistryWrongType,
    testing::Values(TWrongTypeCase{"Number", DwordValue(17)},
                    TWrongTypeCase{"StringList", TRegValue{REG_MULTI_SZ, std::string("C:\\etc\0\0", 8)}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the HOSTS file named by the system's own value

struct THostsNameCase {
    const char* name;
    std::optional<TRegValue> value;
    const char* expected;   // nullptr: the Windows folder followed by HOSTS
};

// Changes the real value for one test and puts the original back afterwards.
class HostsFolderValue : public testing::TestWithParam<THostsNameCase> {
protected:
    std::optional<TRegValue> original;
    TScopedEnv env;

    void SetUp() override
    {
        original = GetValue(TcpipKey);
        env.Set("SystemRoot", "C:\\Windows");
    }
    void TearDown() override
    {
        if (original)
            SetValue(TcpipKey, *original);
        else
            DeleteValue(TcpipKey);
    }
};

TEST_P(HostsFolderValue, NamesTheHostsFile)
{
    if (GetParam().value)
        SetValue(TcpipKey, *GetParam().value);
    else
        DeleteValue(TcpipKey);
    const std::string expected =
        GetParam().expected ? GetParam().expected : platform::WindowsDir(true) + "HOSTS";
    EXPECT_EQ(DefaultHostsFileName(), expected);
    EXPECT_EQ(platform::DefaultHostsFileName(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Win32, HostsFolderValue,
    testing::Values(THostsNameCase{"ExpandedFolder",
                                   StringValue(REG_EXPAND_SZ, "%SystemRoot%\\System32\\drivers\\etc"),
                                   "C:\\Windows\\System32\\drivers\\etc\\HOSTS"},
                    THostsNameCase{"FolderWithDelimiter", StringValue(REG_SZ, "D:\\etc\\"), "D:\\etc\\HOSTS"},
                    THostsNameCase{"NoValue", std::nullopt, nullptr},
                    THostsNameCase{"EmptyValue", StringValue(REG_SZ, ""), nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostsFolderValue, WrongTypeIsNotCaught)
{
    SetValue(TcpipKey, DwordValue(1));
    EXPECT_THROW(DefaultHostsFileName(), EQuillonError);
}

}   // namespace
