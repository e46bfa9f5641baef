// The import run: reads a HOSTS or plain-text host list and merges it into the tables, with counters and report.
#pragma once

#include "core/Progress.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TQuillonData;

enum class TEntity { Group = 0, BadHost = 1, GoodHost = 2 };
enum class TOutcomeKind { New = 0, Duplicate = 1, Update = 2, Ignore = 3, Error = 4 };

// The report file of the import: DataDir + "ImportReport.txt".
std::string ImportReportFileName(TQuillonData& data);

// One run over ImportFile with every setting taken from the preferences as they
// stand. The progress receives the step texts (shown at once), the final
// text (SetStatusText), a counters-changed call after each counted outcome
// (throttle painting on that side), pending events every 500 lines, and the
// cancel request checked before each line.
class TImportRun {
public:
    TImportRun(TQuillonData& data, IProgress& progress);
    ~TImportRun();

    // The HOSTS write at the end of a complete run when ImportWrite is on,
    // handed in by the caller (the writer is another engine).
    std::function<void()> WriteHostsAction;

    // Runs to the end of the file, or to the line after a cancel request (the
    // tables are then reloaded from their files). Input, report and table
    // failures throw EQuillonError after the files are closed and the report
    // got its closing lines.
    void Run();

    int Counter(TEntity entity, TOutcomeKind kind) const;   // New, Duplicate or Update
    int LineCount() const;
    int ErrorCount() const;
    const std::string& Status() const;
    // How far the input has been read, for a progress bar.
    uint64_t BytesRead() const;
    uint64_t BytesTotal() const;

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};
