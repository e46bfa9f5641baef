// Which operation each argument names, and how switch and value are split.
#include "core/CommandLine.h"

#include <gtest/gtest.h>

namespace {

struct TArgCase {
    const char* name;
    const char* argument;
    TCmdAction action;
    const char* switchText;
    const char* value;
};

void PrintTo(const TArgCase& c, std::ostream* os) { *os << c.argument; }

class ArgumentTable : public testing::TestWithParam<TArgCase> {};

TEST_P(ArgumentTable, SplitsAndClassifies)
{
    const TArgCase& c = GetParam();
    const TCmdArgument a = SplitArgument(c.argument);
    EXPECT_EQ(a.raw, c.argument);
    EXPECT_EQ(a.switchText, c.switchText);
    EXPECT_EQ(a.value, c.value);
    EXPECT_EQ(ClassifyArgument(a), c.action);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, ArgumentTable,
    testing::Values(
        TArgCase{"UpperW", "/W", TCmdAction::WriteHosts, "/w", ""},
        TArgCase{"Write", "/write", TCmdAction::WriteHosts, "/write", ""},
        TArgCase{"Wibble", "/wibble", TCmdAction::WriteHosts, "/wibble", ""},
        TArgCase{"WriteValueIgnored", "/write=x", TCmdAction::WriteHosts, "/write", "x"},
        TArgCase{"Disable", "/d", TCmdAction::DisableHosts, "/d", ""},
        TArgCase{"N", "/n", TCmdAction::EnableHosts, "/n", ""},
        TArgCase{"Enable", "/enable", TCmdAction::EnableHosts, "/enable", ""},
        TArgCase{"EWithValue", "/e=C:\\out.txt", TCmdAction::Unrecognized, "/e", "C:\\out.txt"},
        TArgCase{"ExportWord", "/export=C:\\out.txt", TCmdAction::Export, "/export", "C:\\out.txt"},
        TArgCase{"ImportKeepsValueCase", "/I=C:\\Lists\\My Hosts.txt", TCmdAction::Import, "/i",
                 "C:\\Lists\\My Hosts.txt"},
        TArgCase{"ImportNoValue", "/import", TCmdAction::Unrecognized, "/import", ""},
        TArgCase{"ImportEmptyValue", "/i=", TCmdAction::Unrecognized, "/i", ""},
        TArgCase{"ValueWithEquals", "/ip=a=b.txt", TCmdAction::Import, "/ip", "a=b.txt"},
        TArgCase{"ExportPlainAll", "/XPA=out.txt", TCmdAction::Export, "/xpa", "out.txt"},
        TArgCase{"ExportAll", "/a=out.txt", TCmdAction::Export, "/a", "out.txt"},
        TArgCase{"ExportNoValue", "/x", TCmdAction::Unrecognized, "/x", ""},
        TArgCase{"RegInstall", "/r=z.reg", TCmdAction::RegistryFile, "/r", "z.reg"},
        TArgCase{"RegUninstall", "/u=z.reg", TCmdAction::RegistryFile, "/u", "z.reg"},
        TArgCase{"RegBoth", "/b=z.reg", TCmdAction::RegistryFile, "/b", "z.reg"},
        TArgCase{"RegPlain", "/p=z.txt", TCmdAction::RegistryFile, "/p", "z.txt"},
        TArgCase{"RegNoValue", "/b", TCmdAction::Unrecognized, "/b", ""},
        TArgCase{"NoSlash", "w", TCmdAction::Unrecognized, "w", ""},
        TArgCase{"Empty", "", TCmdAction::Unrecognized, "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
