// Which operation each argument names, how switch and value are split, what the switch letters
// ask for, and how the arguments are carried out in order.
#include "core/CommandLine.h"
#include "support/ScriptedPresenter.h"
#include "support/TempDir.h"

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
    testing::Values(TArgCase{"UpperW", "/W", TCmdAction::WriteHosts, "/w", ""},
                    TArgCase{"Write", "/write", TCmdAction::WriteHosts, "/write", ""},
                    TArgCase{"Wibble", "/wibble", TCmdAction::WriteHosts, "/wibble", ""},
                    TArgCase{"WriteValueIgnored", "/write=x", TCmdAction::WriteHosts, "/write", "x"},
                    TArgCase{"Disable", "/d", TCmdAction::DisableHosts, "/d", ""},
                    TArgCase{"N", "/n", TCmdAction::EnableHosts, "/n", ""},
                    TArgCase{"Enable", "/enable", TCmdAction::EnableHosts, "/enable", ""},
                    TArgCase{"EWithValue", "/e=C:\\out.txt", TCmdAction::Unrecognized, "/e", "C:\\out.txt"},
                    TArgCase{"ExportWord", "/export=C:\\out.txt", TCmdAction::Export, "/export",
                             "C:\\out.txt"},
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

// What the letters of each switch ask of its action.
struct TDecodeCase {
    const char* name;
    const char* argument;
    TCmdAction action;
    bool plainText, allGroups, both, uninstall;
};

void PrintTo(const TDecodeCase& c, std::ostream* os) { *os << c.argument; }

class SwitchLetters : public testing::TestWithParam<TDecodeCase> {};

TEST_P(SwitchLetters, DecodeIntoTheTypedCommand)
{
    const TDecodeCase& c = GetParam();
    const TCmdCommand command = DecodeArgument(c.argument);
    EXPECT_EQ(command.action, c.action);
    EXPECT_EQ(command.plainText, c.plainText);
    EXPECT_EQ(command.allGroups, c.allGroups);
    EXPECT_EQ(command.both, c.both);
    EXPECT_EQ(command.uninstall, c.uninstall);
    EXPECT_EQ(command.argument, c.argument);
    const TCmdArgument split = SplitArgument(c.argument);
    EXPECT_EQ(command.file, split.value);
    EXPECT_EQ(command.switchText, split.switchText);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, SwitchLetters,
    testing::Values(
        //           name, argument, action, plainText, allGroups, both, uninstall
        TDecodeCase{"ImportHosts", "/i=a.txt", TCmdAction::Import, false, false, false, false},
        TDecodeCase{"ImportPlain", "/IP=a.txt", TCmdAction::Import, true, false, false, false},
        TDecodeCase{"ImportWordIsHosts", "/import=a.txt", TCmdAction::Import, false, false, false, false},
        TDecodeCase{"ExportHosts", "/x=o.txt", TCmdAction::Export, false, false, false, false},
        TDecodeCase{"ExportEx", "/ex=o.txt", TCmdAction::Export, false, false, false, false},
        TDecodeCase{"ExportWordIsNotPlain", "/export=o.txt", TCmdAction::Export, false, false, false, false},
        TDecodeCase{"ExportAll", "/a=o.txt", TCmdAction::Export, false, true, false, false},
        TDecodeCase{"ExportPlain", "/xp=o.txt", TCmdAction::Export, true, false, false, false},
        TDecodeCase{"ExportPlainAll", "/XPA=o.txt", TCmdAction::Export, true, true, false, false},
        TDecodeCase{"RegistryInstall", "/r=z.reg", TCmdAction::RegistryFile, false, false, false, false},
        TDecodeCase{"RegistryUninstall", "/u=z.reg", TCmdAction::RegistryFile, false, false, false, true},
        TDecodeCase{"RegistryBothUninstalls", "/b=z.reg", TCmdAction::RegistryFile, false, false, true, true},
        TDecodeCase{"RegistryPlain", "/p=z.txt", TCmdAction::RegistryFile, true, false, false, false},
        TDecodeCase{"RegistryPlainWinsOverBoth", "/bp=z.txt", TCmdAction::RegistryFile, true, false, false,
                    false},
        TDecodeCase{"RegistryUninstallWord", "/uninstall=z.reg", TCmdAction::RegistryFile, false, false,
                    false, true},
        TDecodeCase{"RegistryWordWithP", "/backup=z.reg", TCmdAction::RegistryFile, true, false, false,
                    false},
        TDecodeCase{"WriteTakesNoLetters", "/wpab", TCmdAction::WriteHosts, false, false, false, false},
        TDecodeCase{"UnrecognizedTakesNoLetters", "/zpab=1", TCmdAction::Unrecognized, false, false, false,
                    false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DecodeCommand, ReadsTheLettersAsTheDialogsActionDoes)
{
    // A dialog given a switch by its caller reads it for its own action.
    EXPECT_TRUE(DecodeCommand(TCmdAction::Import, "-x/IPq", "f").plainText);
    EXPECT_FALSE(DecodeCommand(TCmdAction::Export, "/ip", "f").plainText);
    EXPECT_TRUE(DecodeCommand(TCmdAction::RegistryFile, "/xp", "f").plainText);
    const TCmdCommand both = DecodeCommand(TCmdAction::RegistryFile, "/B", "f");
    EXPECT_TRUE(both.both && both.uninstall);
    EXPECT_EQ(both.switchText, "/b");
    EXPECT_EQ(both.file, "f");
}

// Records what it is asked to carry out; stops at the command named in stopAt.
class TRecordingRunner : public ICommandRunner {
public:
    std::vector<std::string> ran;
    int switchesShown = 0;
    std::string stopAt;

    bool Run(const TCmdCommand& command) override
    {
        ran.push_back(command.argument);
        return command.argument != stopAt;
    }
    void ShowSwitches() override { ++switchesShown; }
};

struct TRunCase {
    const char* name;
    std::vector<std::string> args;
    std::string stopAt;
    bool complete;
    std::vector<std::string> ran;   // what the runner was given, each a prefix
    std::string message;            // the one error message, "" for none
    int switchesShown;
};

void PrintTo(const TRunCase& c, std::ostream* os) { *os << c.name; }

class CommandLineRun : public testing::TestWithParam<TRunCase> {};

TEST_P(CommandLineRun, CarriesOutInOrderAndStopsAtTheFirstError)
{
    const TRunCase& c = GetParam();
    TTempDir dir;
    dir.Write("list.txt", "x\n");
    std::vector<std::string> args;
    for (std::string a : c.args) {
        // "@" stands for the folder of the existing import file.
        const size_t at = a.find('@');
        if (at != std::string::npos)
            a.replace(at, 1, dir.Path());
        args.push_back(a);
    }
    TScriptedPresenter presenter;
    TRecordingRunner runner;
    runner.stopAt = c.stopAt;

    EXPECT_EQ(RunCommandLine(args, runner), c.complete);

    // Each argument as given, the import's folder left out.
    ASSERT_EQ(runner.ran.size(), c.ran.size());
    for (size_t i = 0; i < c.ran.size(); ++i)
        EXPECT_EQ(runner.ran[i].substr(0, c.ran[i].size()), c.ran[i]) << i;
    ASSERT_EQ(presenter.shown.size(), c.message.empty() ? 0u : 1u);
    if (!c.message.empty()) {
        EXPECT_EQ(presenter.Last().text, c.message);
        EXPECT_EQ(presenter.Last().caption, "Quillon Command Line");
        EXPECT_EQ(presenter.Last().kind, TMsgDlgType::mtError);
    }
    EXPECT_EQ(runner.switchesShown, c.switchesShown);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineRun,
    testing::Values(
        TRunCase{"AllInOrder",
                 {"/w", "/i=@list.txt", "/x=o.txt", "/d"},
                 "",
                 true,
                 {"/w", "/i=", "/x=o.txt", "/d"},
                 "",
                 0},
        TRunCase{"MissingImportFileStops",
                 {"/w", "/I=missing.txt", "/x=o.txt"},
                 "",
                 false,
                 {"/w"},
                 "Import file not found: missing.txt",
                 0},
        TRunCase{"UnrecognizedStopsAndShowsTheSwitches",
                 {"/n", "/Zap=1", "/w"},
                 "",
                 false,
                 {"/n"},
                 "Unrecognized argument:\r\n/Zap=1",
                 1},
        TRunCase{
            "ValueMissingIsUnrecognized", {"/import"}, "", false, {}, "Unrecognized argument:\r\n/import", 1},
        TRunCase{"RunnerStops", {"/w", "/x=o.txt", "/d"}, "/x=o.txt", false, {"/w", "/x=o.txt"}, "", 0}),
    [](const auto& info) { return std::string(info.param.name); });

}   // namespace
