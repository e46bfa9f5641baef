// A HOSTS file with the hidden and system attributes: Write HOSTS, its backup, Disable and Enable.
#include "core/DataUnit.h"
#include "hostsfile/HostsWriter.h"
#include "platform/Platform.h"
#include "support/DataRows.h"
#include "support/FixedClock.h"
#include "support/ScriptedPresenter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <windows.h>

namespace {

constexpr DWORD HiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

class HostsAttributes : public testing::Test {
protected:
    TTempDir dir;
    TScriptedPresenter presenter;
    TFixedClock clock{2026, 3, 4, 13, 5, 9};
    std::unique_ptr<TQuillonData> data;
    std::string hosts;

    void SetUp() override
    {
        hosts = dir.File("hosts");
        // The preferences file names the temporary HOSTS file before anything can write.
        dir.Write("Quillon.ini",
                  "[Preferences]\r\nHostsFile=" + hosts + "\r\nTextEditor=" + dir.File("no-editor") + "\r\n");
        data = std::make_unique<TQuillonData>(dir.Path());
        data->Prefs().LoadPrefs();
        ASSERT_EQ(data->Prefs().HostsFile, hosts);
        ASSERT_TRUE(data->OpenDatabase());
        AddGroupRow(*data, 1, "Ads");
        AddBadRow(*data, "ads.example.com", 1, "banner");
    }

    DWORD Attributes(const std::string& name) const { return GetFileAttributesA(dir.File(name).c_str()); }
    bool WriteHostsFile() { return WriteHosts(*data, data->Prefs()).completed; }
};

TEST_F(HostsAttributes, HiddenSystemFileIsReplacedWithItsAttributesAndBackup)
{
    dir.Write("hosts", "127.0.0.1\tlocalhost\r\n");
    ASSERT_TRUE(SetFileAttributesA(hosts.c_str(), HiddenSystem));

    ASSERT_TRUE(WriteHostsFile());
    const std::string written = "# " + data->CreatedByText() +
                                "\r\n\r\n127.0.0.1\tlocalhost\r\n\r\n"
                                "# Ads\r\n\r\n127.0.0.1\tads.example.com # banner\r\n\r\n";
    EXPECT_EQ(dir.Read("hosts"), written);
    EXPECT_EQ(Attributes("hosts") & HiddenSystem, HiddenSystem) << "the new file lost the attributes";
    EXPECT_EQ(dir.Read("hosts.bak"), "127.0.0.1\tlocalhost\r\n");

    // The backup copy carries the attributes too; the next backup replaces it all the same.
    AddBadRow(*data, "more.example.com", 1);
    ASSERT_TRUE(WriteHostsFile());
    EXPECT_EQ(dir.Read("hosts.bak"), written);
    EXPECT_NE(dir.Read("hosts").find("127.0.0.1\tmore.example.com\r\n"), std::string::npos);
    EXPECT_EQ(Attributes("hosts") & HiddenSystem, HiddenSystem);
}

TEST_F(HostsAttributes, DisableAndEnableKeepContentAndAttributes)
{
    dir.Write("hosts", "127.0.0.1\tads.example.com\r\n");
    ASSERT_TRUE(SetFileAttributesA(hosts.c_str(), HiddenSystem));
    EXPECT_EQ(ToggleHostsFile(hosts),
              "The HOSTS file has been disabled by renaming it to\r\n" + hosts + ".Quillon");
    EXPECT_EQ(HostsState(hosts), THostsState::Disabled);
    EXPECT_EQ(ToggleHostsFile(hosts), "The HOSTS file has been enabled");
    EXPECT_EQ(dir.Read("hosts"), "127.0.0.1\tads.example.com\r\n");
    EXPECT_EQ(Attributes("hosts") & HiddenSystem, HiddenSystem);
}

}   // namespace
