// The import run: reads a HOSTS or plain-text host list and merges it into the tables, with counters and report.
#pragma once

#include "core/CommandLine.h"
#include "core/DataUnit.h"
#include "core/Progress.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

enum class TEntity { Group = 0, BadHost = 1, GoodHost = 2 };
enum class TOutcomeKind { New = 0, Duplicate = 1, Update = 2, Ignore = 3, Error = 4 };

// The report file of the import: DataDir + "ImportReport.txt".
std::string ImportReportFileName(TQuillonData& data);

// How hosts before the first group heading, and under headings, find their group.
enum class TImportGroups {
    FromHeadings = 0,    // a heading names its group, which is created when new
    DefaultForNew = 1,   // a heading naming no existing group means the default group
    DefaultForAll = 2,   // headings are ignored: every host goes to the default group
};

// Everything one import run needs, built by its caller.
struct TImportOptions {
    std::string file;
    bool plainText = false;   // host names without addresses; otherwise HOSTS lines
    int defaultGroup = 0;     // group id of the hosts before the first heading
    TImportGroups groups = TImportGroups::FromHeadings;
    bool newGroupsRestricted = false;   // a heading without [R] or [X] makes a restricted group
    bool moveHosts = false;             // an existing bad host may change its group
    bool cleanup = false;               // groups left without hosts are deleted afterwards
    bool goodHosts = false;             // lines with another address add good hosts
    bool updateGoodHosts = false;       // an existing good host takes the line's address
    bool swapHosts = false;             // hosts may move between good and bad
    bool report = false;                // the import report, and which outcomes it lists
    bool reportNew = false;
    bool reportDupes = false;
    bool reportUpdates = false;
    // After a complete run: "Writing HOSTS..." and writeHostsAction, which the
    // caller supplies (the writer is another engine).
    bool writeHosts = false;
    std::function<void()> writeHostsAction;
    std::string hostsIP;        // plain lists' address; a HOSTS line with it is a bad host
    std::string textComment;    // the comment marker of plain lists
    std::string badHostChars;   // characters no host name may hold
};

// The import preferences.
TImportOptions ImportOptionsFrom(const TQuillonPrefs& prefs);
// An import the command line names: the saved options with the command's
// file and format, never writing HOSTS. A saved default group that no
// longer exists gives way to the only group there is (groups: the list
// FillGroupList gives without its blank item).
TImportOptions CommandImportOptions(const TQuillonPrefs& prefs, const TCmdCommand& command,
                                    const TGroupList& groups);

// The nine counters and the outcome of a run, as far as it has got.
struct TImportResult {
    int counters[3][3] = {};   // [TEntity][New, Duplicate, Update]
    int lines = 0;
    int errors = 0;
    std::string status;   // the last status text

    int Counter(TEntity entity, TOutcomeKind kind) const;   // New, Duplicate or Update
};

// One run over the options' file. The progress receives the step texts
// (shown at once), the final text (SetStatusText), a counters-changed call
// after each counted outcome (throttle painting on that side), pending events
// every 500 lines, and the cancel request checked before each line.
class TImportRun {
public:
    TImportRun(TQuillonData& data, TImportOptions options, IProgress& progress);
    ~TImportRun();

    // Runs to the end of the file, or to the line after a cancel request (the
    // tables are then reloaded from their files). Input, report and table
    // failures throw EQuillonError after the files are closed and the report
    // got its closing lines.
    const TImportResult& Run();

    // The run so far, for a live view.
    const TImportResult& Result() const;
    int Counter(TEntity entity, TOutcomeKind kind) const { return Result().Counter(entity, kind); }
    int LineCount() const { return Result().lines; }
    int ErrorCount() const { return Result().errors; }
    const std::string& Status() const { return Result().status; }
    // How far the input has been read, for a progress bar.
    uint64_t BytesRead() const;
    uint64_t BytesTotal() const;

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};
