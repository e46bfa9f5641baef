// TIniFile: parsing, typed values, order of sections and keys, and the written file.
#include "platform/Errors.h"
#include "platform/Platform.h"
#include "settings/IniFile.h"
#include "settings/QuillonPrefs.h"
#include "support/FailingWrites.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using TLines = std::vector<std::string>;

std::string Lines(const TLines& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + platform::LineEnd;
    return text;
}

class IniFile : public testing::Test {
protected:
    TTempDir dir;
    std::string FileName() const { return dir.File("test.ini"); }
    TIniFile Load(const std::string& content) const
    {
        dir.Write("test.ini", content);
        return TIniFile(FileName());
    }
};

TEST_F(IniFile, ParsesTrimmedLinesAndSkipsCommentsAndOrphans)
{
    const TIniFile ini = Load("orphan=before any section\r\n"
                              "  [ Main ]  \r\n"
                              "; a comment=no\r\n"
                              "\r\n"
                              "  Key One  =  spaced value \t\r\n"
                              "equation = a=b\n"
                              "Empty=\n"
                              "no equals sign\n"
                              "=no key\n"
                              "last=unterminated");
    EXPECT_EQ(ini.Sections(), TLines{"Main"});
    EXPECT_EQ(ini.ReadSection("Main"), (TLines{"Key One", "equation", "Empty", "last"}));
    EXPECT_EQ(ini.ReadString("Main", "Key One", "-"), "spaced value");
    EXPECT_EQ(ini.ReadString("Main", "equation", "-"), "a=b");
    EXPECT_EQ(ini.ReadString("Main", "Empty", "-"), "");
    EXPECT_EQ(ini.ReadString("Main", "last", "-"), "unterminated");
    EXPECT_FALSE(ini.ValueExists("Main", "; a comment"));
    EXPECT_FALSE(ini.ValueExists("Main", "orphan"));
}

TEST_F(IniFile, MatchesSectionsAndKeysWithoutLetterCase)
{
    TIniFile ini = Load("[Preferences]\nHostsIP=10.0.0.1\n");
    EXPECT_EQ(ini.ReadString("PREFERENCES", "hostsip", ""), "10.0.0.1");
    EXPECT_TRUE(ini.SectionExists("preferences"));
    EXPECT_TRUE(ini.ValueExists("preferENCES", "HOSTSIP"));

    ini.WriteString("preferences", "HOSTSIP", "10.0.0.2");
    EXPECT_EQ(ini.Sections(), TLines{"Preferences"});
    EXPECT_EQ(ini.ReadSection("Preferences"), TLines{"HostsIP"}) << "first spelling is kept";
    EXPECT_EQ(ini.ReadString("Preferences", "HostsIP", ""), "10.0.0.2");
}

TEST_F(IniFile, FirstOfRepeatedKeysWinsAndRepeatedSectionsMerge)
{
    TIniFile ini = Load("[A]\nk=first\nK=second\n[B]\nx=1\n[a]\nk=third\nm=more\n");
    EXPECT_EQ(ini.ReadString("A", "k", ""), "first");
    EXPECT_EQ(ini.Sections(), (TLines{"A", "B"}));
    EXPECT_EQ(ini.ReadSection("A"), (TLines{"k", "m"}));

    ini.UpdateFile();
    EXPECT_EQ(dir.Read("test.ini"), Lines({"[A]", "k=first", "m=more", "", "[B]", "x=1", ""}));
}

struct TNumberCase {
    const char* name;
    const char* value;
    bool isInteger;
    int integer;
};

class IniNumbers : public testing::TestWithParam<TNumberCase> {};

// Integers and booleans share one rule: the whole value is a decimal integer
// that fits in 32 bits, or the caller's default applies.
TEST_P(IniNumbers, ReadsWholeDecimalIntegersOnly)
{
    const TNumberCase& c = GetParam();
    TTempDir dir;
    dir.Write("n.ini", std::string("[S]\nv=") + c.value + "\n");
    const TIniFile ini(dir.File("n.ini"));
    EXPECT_EQ(ini.ReadInteger("S", "v", -99), c.isInteger ? c.integer : -99);
    for (bool def : {false, true})
        EXPECT_EQ(ini.ReadBool("S", "v", def), c.isInteger ? c.integer != 0 : def);
}

INSTANTIATE_TEST_SUITE_P(
    IniFile, IniNumbers,
    testing::Values(TNumberCase{"Zero", "0", true, 0}, TNumberCase{"One", "1", true, 1},
                    TNumberCase{"Two", "2", true, 2}, TNumberCase{"Negative", "-5", true, -5},
                    TNumberCase{"PlusSign", "+7", true, 7},
                    TNumberCase{"TrimmedByTheFile", "  42  ", true, 42},
                    TNumberCase{"Largest", "2147483647", true, 2147483647},
                    TNumberCase{"Smallest", "-2147483648", true, -2147483647 - 1},
                    TNumberCase{"TooLarge", "2147483648", false, 0}, TNumberCase{"Word", "yes", false, 0},
                    TNumberCase{"Empty", "", false, 0}, TNumberCase{"Fraction", "1.5", false, 0},
                    TNumberCase{"TrailingText", "12abc", false, 0},
                    TNumberCase{"Hexadecimal", "0x10", false, 0}, TNumberCase{"TwoSigns", "+-1", false, 0},
                    TNumberCase{"SignAlone", "-", false, 0}, TNumberCase{"InnerBlank", "1 2", false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(IniFile, MissingKeysAndSectionsGiveDefaults)
{
    const TIniFile ini = Load("[S]\nk=v\n");
    EXPECT_EQ(ini.ReadString("S", "other", "def"), "def");
    EXPECT_EQ(ini.ReadString("T", "k", "def"), "def");
    EXPECT_EQ(ini.ReadInteger("T", "k", 7), 7);
    EXPECT_TRUE(ini.ReadBool("T", "k", true));
}

TEST_F(IniFile, WritesWholeFileInFirstSeenOrderWithoutComments)
{
    TIniFile ini = Load("; header comment\n[First]\nb=2\na=1\n\n[Second]\n; note\nz=26\n");
    ini.WriteString("Second", "y", "25");
    ini.WriteInteger("First", "a", -3);
    ini.WriteBool("Third", "on", true);
    ini.WriteBool("Third", "off", false);
    ini.UpdateFile();
    EXPECT_EQ(dir.Read("test.ini"), Lines({"[First]", "b=2", "a=-3", "", "[Second]", "z=26", "y=25", "",
                                           "[Third]", "on=1", "off=0", ""}));
}

TEST_F(IniFile, EraseSectionAndDeleteKey)
{
    TIniFile ini = Load("[A]\nx=1\ny=2\n[B]\nk=v\n[C]\nk=w\n");
    ini.EraseSection("b");
    ini.DeleteKey("A", "X");
    EXPECT_FALSE(ini.SectionExists("B"));
    EXPECT_EQ(ini.Sections(), (TLines{"A", "C"}));
    EXPECT_EQ(ini.ReadString("C", "k", ""), "w");
    EXPECT_EQ(ini.ReadSection("A"), TLines{"y"});
    ini.WriteString("B", "k", "again");
    EXPECT_EQ(ini.Sections(), (TLines{"A", "C", "B"})) << "a recreated section goes last";
}

TEST_F(IniFile, AbsentFileReadsEmptyAndIsCreatedOnUpdate)
{
    TIniFile ini(FileName());
    EXPECT_TRUE(ini.Sections().empty());
    ini.WriteString("S", "k", "v");
    ini.UpdateFile();
    EXPECT_EQ(dir.Read("test.ini"), Lines({"[S]", "k=v", ""}));
}

TEST_F(IniFile, EmptyMemoryWritesEmptyFile)
{
    TIniFile ini = Load("[Gone]\nk=v\n");
    ini.EraseSection("Gone");
    ini.UpdateFile();
    EXPECT_EQ(dir.Read("test.ini"), "");
}

TEST_F(IniFile, KeepsEightBitValues)
{
    TIniFile ini(FileName());
    ini.WriteString("S", "k", "caf\xE9 \xFF");
    ini.UpdateFile();
    EXPECT_EQ(TIniFile(FileName()).ReadString("S", "k", ""), "caf\xE9 \xFF");
}

TEST_F(IniFile, UnreadableFileThrowsNamingIt)
{
    dir.Write("test.ini", "[S]\nk=v\n");
#ifdef _WIN32
    // Held open without sharing, the file cannot be opened by anyone else.
    HANDLE lock = CreateFileA(FileName().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    struct TRelease {
        HANDLE h;
        ~TRelease() { CloseHandle(h); }
    } release{lock};
#else
    if (geteuid() == 0)
        GTEST_SKIP() << "the superuser reads any file";
    ASSERT_EQ(chmod(FileName().c_str(), 0), 0);
#endif
    try {
        TIniFile ini(FileName());
        FAIL() << "no error";
    } catch (const EQuillonError& e) {
        EXPECT_NE(std::string(e.what()).find(FileName()), std::string::npos) << e.what();
    }
}

TEST_F(IniFile, UpdateIntoMissingFolderThrowsNamingTheFile)
{
    const std::string name = dir.File("missing/test.ini");
    TIniFile ini(name);
    ini.WriteString("S", "k", "v");
    try {
        ini.UpdateFile();
        FAIL() << "no error";
    } catch (const EQuillonError& e) {
        EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
    }
}

// A file with NUL bytes is no INI file: reading it as defaults would let the
// next save drop every setting, the HOSTS file's place among them.
TEST_F(IniFile, DamagedFileIsRefusedNamingItAndKept)
{
    const std::string damaged = std::string("[Preferences]\nHostsFile=/srv/hosts\n\0\0\0\0", 39);
    dir.Write("Quillon.ini", damaged);
    TQuillonPrefs prefs(dir.File("Quillon.ini"), dir.Path());
    const std::string expected =
        "Cannot read file " + dir.File("Quillon.ini") +
        ": it is damaged (it holds NUL bytes, so it is not a text file). Repair or delete it.";
    for (auto step : {&TQuillonPrefs::LoadPrefs, &TQuillonPrefs::SavePrefs}) {
        try {
            (prefs.*step)();
            ADD_FAILURE() << "no error";
        } catch (const EQuillonError& e) {
            EXPECT_EQ(std::string(e.what()), expected);
        }
    }
    EXPECT_EQ(dir.Read("Quillon.ini"), damaged);
}

TEST_F(IniFile, AFullDiskLeavesTheOldFile)
{
    const std::string old = Lines({"[Preferences]", "HostsIP=10.0.0.1", ""});
    dir.Write("Quillon.ini", old);
    TQuillonPrefs prefs(dir.File("Quillon.ini"), dir.Path());
    prefs.HostsIP = "10.9.9.9";
    for (size_t room : {size_t(0), size_t(20)}) {
        TFailingWrites full(room);
        try {
            prefs.SavePrefs();
            ADD_FAILURE() << "no error";
        } catch (const EQuillonError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Cannot write file " + dir.File("Quillon.ini") + ": No space left on device");
        }
        EXPECT_EQ(dir.Read("Quillon.ini"), old);
    }
}

}   // namespace
