// Bad inputs and failing disks: a message naming the file, and no table file, HOSTS file or row lost.
#include "core/DataUnit.h"
#include "core/Progress.h"
#include "hostsfile/HostsWriter.h"
#include "import/ImportRun.h"
#include "platform/Errors.h"
#include "support/DataFolder.h"
#include "support/DataRows.h"
#include "support/FailingWrites.h"
#include "support/FixedClock.h"
#include "support/ScriptedPresenter.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <sstream>
#include <thread>
#include <tuple>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

class BadInput : public ::testing::Test, protected TDataFolder {
protected:
    TScriptedPresenter presenter;
    TFixedClock clock{2026, 3, 4, 13, 5, 9};
    TSilentProgress progress;
    const char* tables[3] = {"GoodHosts.cds", "BadHosts.cds", "Groups.cds"};
    std::string before[4];   // the three table files and the HOSTS file as saved

    void SetUp() override
    {
        AddGroupRow(*data, 1, "Default Group");
        AddGroupRow(*data, 2, "Ads", true);
        AddBadRow(*data, "ads.example", 2, "banner");
        AddGoodRow(*data, "intranet.example", "10.0.0.1");
        data->SaveDatabase(false);
        ASSERT_TRUE(WriteHosts(*data, data->Prefs()).completed);
        for (int k = 0; k < 3; ++k)
            before[k] = dir.Read(tables[k]);
        before[3] = dir.Read("hosts");
    }

    std::unique_ptr<TImportRun> Import(const std::string& content, int format = 0)
    {
        dir.Write("input.txt", content);
        return ImportFrom(dir.File("input.txt"), format);
    }

#ifndef _WIN32
    // The content fed through a FIFO by a thread of its own, as another program would feed it.
    std::unique_ptr<TImportRun> ImportThroughFifo(const std::string& content, int format = 0)
    {
        const std::string fifo = dir.File("input.fifo");
        EXPECT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        std::thread feeder([&] {
            // A reader that stops early (a refused input) leaves the writer EPIPE, not a signal.
            sigset_t pipeSignal;
            sigemptyset(&pipeSignal);
            sigaddset(&pipeSignal, SIGPIPE);
            pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
            int fd = open(fifo.c_str(), O_WRONLY);
            if (fd < 0)
                return;
            for (size_t done = 0; done < content.size();) {
                ssize_t put = write(fd, content.data() + done, content.size() - done);
                if (put <= 0)
                    break;
                done += size_t(put);
            }
            close(fd);
        });
        // However the run ends, a reader that came and went lets the feeder finish.
        struct TRelease {
            const std::string& fifo;
            std::thread& feeder;
            ~TRelease()
            {
                int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
                if (fd >= 0)
                    close(fd);
                feeder.join();
            }
        } release{fifo, feeder};
        return ImportFrom(fifo, format);
    }
#endif

    std::unique_ptr<TImportRun> ImportFrom(const std::string& file, int format)
    {
        TImportOptions options = ImportOptionsFrom(data->Prefs());
        options.file = file;
        options.plainText = format != 0;
        options.defaultGroup = 1;
        options.report = true;
        options.writeHosts = true;
        options.writeHostsAction = [this] { WriteHosts(*data, data->Prefs()); };
        auto run = std::make_unique<TImportRun>(*data, options, progress);
        run->Run();
        return run;
    }

    // Look-ups by name, whichever order the last operation left the tables in.
    bool FindBad(const std::string& host)
    {
        data->BadHosts.SetIndexName("hostname");
        return data->BadHosts.FindText(host);
    }
    bool FindGood(const std::string& host)
    {
        data->GoodHosts.SetIndexName("hostname");
        return data->GoodHosts.FindText(host);
    }

    std::string ErrorOf(const std::function<void()>& operation)
    {
        try {
            operation();
        } catch (const EQuillonError& e) {
            return e.what();
        }
        return "no error";
    }

    // Nothing on disk changed, and the tables in memory still take a host and save.
    void ExpectNothingLost()
    {
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(dir.Read(tables[k]), before[k]) << tables[k];
        EXPECT_EQ(dir.Read("hosts"), before[3]);
        EXPECT_TRUE(FindBad("ads.example"));
        EXPECT_TRUE(data->AddBadHost(1, "after.example", ""));
        data->SaveDatabase(false);
        ASSERT_TRUE(data->OpenDatabase());
        EXPECT_TRUE(FindBad("after.example"));
        EXPECT_TRUE(FindBad("ads.example"));
    }

    std::vector<std::string> ReportLines()
    {
        std::vector<std::string> lines;
        std::istringstream in(dir.Read("ImportReport.txt"));
        for (std::string l; std::getline(in, l);)
            lines.push_back(l.size() && l.back() == '\r' ? l.substr(0, l.size() - 1) : l);
        return lines;
    }
};

// ---- import files that are no host lists

struct RefusedCase {
    const char* name;
    std::string (*content)();
    const char* reason;   // what the message says after the file's name
};

// Where the input comes from: a file, or a FIFO as a pipe from another program.
enum class TSource { File, Fifo };

class RefusedImport : public BadInput,
                      public ::testing::WithParamInterface<std::tuple<RefusedCase, TSource>> {};

std::string Utf16(const std::string& text, bool bigEndian)
{
    std::string out;
    for (char c : text)
        out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
}

TEST_P(RefusedImport, IsNamedAndChangesNothing)
{
    const RefusedCase& c = std::get<0>(GetParam());
    [[maybe_unused]] const TSource source = std::get<1>(GetParam());
#ifndef _WIN32
    if (source == TSource::Fifo) {
        EXPECT_EQ(ErrorOf([&] { ImportThroughFifo(c.content()); }),
                  "Cannot import file " + dir.File("input.fifo") + c.reason);
    } else
#endif
        EXPECT_EQ(ErrorOf([&] { Import(c.content()); }),
                  "Cannot import file " + dir.File("input.txt") + c.reason);
    EXPECT_FALSE(FindBad("a.example"));
    ExpectNothingLost();
}

const RefusedCase RefusedInputs[] = {
    RefusedCase{"NulBytes", [] { return std::string("127.0.0.1 a.example\n127.0.0.1 b\0.example\n", 41); },
                ": it is not a text file (a NUL byte at offset 31)."},
    RefusedCase{"Utf16WithByteOrderMark", [] { return "\xFF\xFE" + Utf16("127.0.0.1 a.example\r\n", false); },
                ": it holds UTF-16 text. Save it as ANSI or UTF-8 text and import it again."},
    RefusedCase{"Utf16BigEndianWithoutMark", [] { return Utf16("127.0.0.1 a.example\r\n", true); },
                ": it holds UTF-16 text. Save it as ANSI or UTF-8 text and import it again."},
    RefusedCase{"BinaryGarbage",
                [] {
                    std::mt19937 random(7);
                    std::string bytes = "\x7F"
                                        "ELF";
                    while (bytes.size() < 5000)
                        bytes += char(random() % 256);
                    bytes[4] = '\0';
                    return bytes;
                },
                ": it is not a text file (a NUL byte at offset 4)."}};

INSTANTIATE_TEST_SUITE_P(Catalogue, RefusedImport,
                         ::testing::Combine(::testing::ValuesIn(RefusedInputs),
#ifdef _WIN32
                                            ::testing::Values(TSource::File)
#else
                                            ::testing::Values(TSource::File, TSource::Fifo)
#endif
                                                ),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == TSource::Fifo ? "ThroughAFifo" : "");
                         });

#ifndef _WIN32
// A stream cannot be rewound: what is looked at first must not be lost.
struct StreamCase {
    const char* name;
    int format;
    std::string (*content)();
    int lines;
};

void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.name; }

class StreamImport : public BadInput, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(StreamImport, ReadsEveryByte)
{
    const StreamCase& c = GetParam();
    const std::string content = c.content();
    auto run = ImportThroughFifo(content, c.format);
    EXPECT_EQ(run->Status(), std::to_string(c.lines) + " lines processed.");
    EXPECT_TRUE(FindBad("doubleclick.net"));
    EXPECT_FALSE(FindBad("leclick.net"));
    EXPECT_TRUE(FindBad("last.example.org"));
    // A stream has no size to measure progress against.
    EXPECT_EQ(run->BytesTotal(), 0u);
    EXPECT_EQ(run->BytesRead(), content.size());
}

INSTANTIATE_TEST_SUITE_P(
    Streams, StreamImport,
    ::testing::Values(
        StreamCase{"HostsLines", 0,
                   [] { return std::string("127.0.0.1 doubleclick.net\n127.0.0.1 last.example.org\n"); }, 2},
        StreamCase{"PlainNamesWithoutAClosingLineEnd", 1,
                   [] { return std::string("doubleclick.net\nlast.example.org"); }, 2},
        StreamCase{"ByteOrderMarkFirst", 1,
                   [] {
                       return std::string("\xEF\xBB\xBF"
                                          "doubleclick.net\nlast.example.org\n");
                   },
                   2},
        StreamCase{"MoreThanAPipeHolds", 1,
                   [] {
                       std::string names = "doubleclick.net\n";
                       for (int i = 0; i < 10000; ++i)
                           names += "h" + std::to_string(i) + ".example.com\n";
                       return names + "last.example.org\n";
                   },
                   10002}),
    [](const auto& info) { return std::string(info.param.name); });
#endif

TEST_F(BadInput, ANulByteFarIntoTheFileStopsTheRunBeforeAnythingIsSaved)
{
    std::string content;
    for (int i = 0; content.size() < 100000; ++i)
        content += "127.0.0.1 h" + std::to_string(i) + ".example\n";
    const size_t at = content.size();
    content += std::string("127.0.0.1 x\0y.example\n", 22);
    EXPECT_EQ(ErrorOf([&] { Import(content); }), "Cannot import file " + dir.File("input.txt") +
                                                     ": it is not a text file (a NUL byte at offset " +
                                                     std::to_string(at + 11) + ").");
    // The report says where the run stopped.
    EXPECT_EQ(ReportLines().back(), "Importing...");
    ExpectNothingLost();
}

TEST_F(BadInput, ATenMegabyteLineIsOneErrorWithAShortReportLine)
{
    const std::string huge(10 << 20, 'x');
    for (int format : {0, 1}) {
        auto run = Import(
            format == 0 ? "127.0.0.1 " + huge + "\n127.0.0.1 ok.example\n" : huge + "\nok.example\n", format);
        EXPECT_EQ(run->Status(), "1 errors in 2 lines.");
        const std::vector<std::string> lines = ReportLines();
        ASSERT_GE(lines.size(), 5u);
        EXPECT_EQ(lines[1], "Importing " + dir.File("input.txt"));
        EXPECT_EQ(lines[3], "ERROR  Line 1 - Invalid hostname \"" + std::string(255, 'x') + "...\" (" +
                                std::to_string(huge.size()) + " characters)");
        EXPECT_TRUE(FindBad("ok.example"));
    }
}

TEST_F(BadInput, CarriageReturnsAloneEndLines)
{
    auto run = Import("# Mac [R]\r127.0.0.1 mac.example\r10.1.1.1 good.example # office\r\r");
    EXPECT_EQ(run->Status(), "4 lines processed.");
    ASSERT_TRUE(FindBad("mac.example"));
    EXPECT_EQ(data->GroupCaption(data->BadHosts.AsInteger("group_id"), true), "Mac [R]");
    ASSERT_TRUE(FindGood("good.example"));
    EXPECT_EQ(data->GoodHosts.AsString("comment"), "office");
}

// ---- long texts and many groups

TEST_F(BadInput, GroupNameAndCommentOfTenThousandCharactersAreCutToTheirFields)
{
    const std::string name(10000, 'g'), comment(10000, 'c');
    auto run = Import("# " + name + "\n127.0.0.1 long.example # " + comment + "\n# " + name +
                      "\n127.0.0.1 second.example\n");
    EXPECT_EQ(run->Status(), "4 lines processed.");
    EXPECT_EQ(run->Counter(TEntity::Group, TOutcomeKind::New), 1);
    EXPECT_EQ(run->Counter(TEntity::Group, TOutcomeKind::Duplicate), 1);
    ASSERT_TRUE(FindBad("long.example"));
    // The 255 characters after the comment mark, less the blank that starts them.
    EXPECT_EQ(data->BadHosts.AsString("comment"), comment.substr(0, 254));
    const int group = data->BadHosts.AsInteger("group_id");
    EXPECT_EQ(data->GroupCaption(group, false), name.substr(0, 255));
    ASSERT_TRUE(FindBad("second.example"));
    EXPECT_EQ(data->BadHosts.AsInteger("group_id"), group);
    for (const std::string& line : ReportLines())
        EXPECT_LE(line.size(), 600u);

    EXPECT_EQ(data->AddGroup(std::string(10000, 'n'), false, false), group + 1);
    EXPECT_TRUE(data->AddBadHost(group + 1, "typed.example", std::string(10000, 't')));
    data->SaveDatabase(false);
    ASSERT_TRUE(data->OpenDatabase());
    ASSERT_TRUE(FindBad("typed.example"));
    EXPECT_EQ(data->BadHosts.AsString("comment").size(), 255u);
    EXPECT_EQ(data->GroupCaption(group + 1, false), std::string(255, 'n'));
}

TEST_F(BadInput, AHundredThousandGroups)
{
    constexpr int Groups = 100000;
    std::string content;
    content.reserve(size_t(Groups) * 40);
    for (int i = 0; i < Groups; ++i)
        content += "# Group " + std::to_string(i) + "\n127.0.0.1 h" + std::to_string(i) + ".example\n";
    data->Prefs().ImportCleanup = true;
    auto run = Import(content);
    EXPECT_EQ(run->Counter(TEntity::Group, TOutcomeKind::New), Groups);
    // The fixture's groups stay: the default group, and Ads with its host.
    EXPECT_EQ(data->Groups.RowCount(), Groups + 2);
    TGroupList list;
    data->FillGroupList(list, true);
    EXPECT_EQ(list.size(), size_t(Groups) + 3);
    const std::string hosts = dir.Read("hosts");
    EXPECT_NE(hosts.find("# Group 99999"), std::string::npos);
    EXPECT_NE(hosts.find("h99999.example"), std::string::npos);
    ASSERT_TRUE(data->OpenDatabase());
    EXPECT_EQ(data->Groups.RowCount(), Groups + 2);
    EXPECT_EQ(data->BadHosts.RowCount(), Groups + 1);
}

// ---- files that cannot be written

TEST_F(BadInput, AMissingExportFolderIsNamed)
{
    TQuillonPrefs& p = data->Prefs();
    p.ExportFile = dir.File("no such folder/out.txt");
    THostsWriter writer(*data, progress);
    EXPECT_EQ(
        ErrorOf([&] { writer.DoExport(ExportOptionsFrom(data->Prefs(), DefaultGroupSelection(*data))); }),
        "Cannot create file " + p.ExportFile + ": No such file or directory");
    ExpectNothingLost();
}

TEST_F(BadInput, AFullDiskDuringWriteHostsLeavesTheOldHostsFile)
{
    data->Prefs().ExportBackup = true;
    data->Prefs().SavePrefs();
    AddBadRow(*data, "new.example", 1);
    data->SaveDatabase(false);
    for (int k = 0; k < 3; ++k)
        before[k] = dir.Read(tables[k]);
    for (size_t room : {size_t(0), size_t(10), before[3].size() / 2}) {
        TFailingWrites full(room);
        EXPECT_EQ(ErrorOf([&] { WriteHosts(*data, data->Prefs()); }),
                  "Cannot write file " + dir.File("hosts") + ": No space left on device");
        EXPECT_EQ(dir.Read("hosts"), before[3]) << room;
        // The backup made for the run stays beside the file.
        EXPECT_EQ(dir.Read("hosts.bak"), before[3]) << room;
    }
    ExpectNothingLost();
}

TEST_F(BadInput, AFullDiskDuringAnExportLeavesNoHalfFile)
{
    data->Prefs().ExportFile = dir.File("new-export.txt");
    TFailingWrites full(20);
    THostsWriter writer(*data, progress);
    EXPECT_EQ(
        ErrorOf([&] { writer.DoExport(ExportOptionsFrom(data->Prefs(), DefaultGroupSelection(*data))); }),
        "Cannot write file " + dir.File("new-export.txt") + ": No space left on device");
    EXPECT_FALSE(dir.Exists("new-export.txt"));
}

TEST_F(BadInput, AFullDiskAtTheEndOfAnImportSavesNothingHalfWay)
{
    {
        TFailingWrites full(0);
        EXPECT_EQ(ErrorOf([&] { Import("127.0.0.1 a.example\n"); }),
                  "Cannot write file " + dir.File("BadHosts.cds") + ": No space left on device");
    }
    ExpectNothingLost();
}

}   // namespace
