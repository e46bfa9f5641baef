// Writing the database as a HOSTS or plain-text file, Write HOSTS, and the HOSTS file's states.
#pragma once

#include "core/Messages.h"
#include "core/Progress.h"

#include <string>
#include <vector>

class TQuillonData;

// The ticked items of a group check list filled by FillGroupList.
struct TGroupSelection {
    std::vector<int> ticked;   // group ids of the ticked items, in list order
    size_t itemCount = 0;      // items in the list, ticked or not
};

// For each group in group-name order, whether a never-shown export dialog
// ticks it: every group whose exclude flag is off. Leaves Groups on its
// group_name index.
std::vector<bool> DefaultGroupTicks(TQuillonData& data);

// The same as a selection over the list FillGroupList(list, false) gives.
TGroupSelection DefaultGroupSelection(TQuillonData& data);

// The writer behind Export, Write HOSTS and the command line. Every option comes
// from the preferences as they stand when DoExport runs.
class THostsWriter {
public:
    THostsWriter(TQuillonData& data, IProgress& progress, TOwner owner = nullptr);

    // Set by Write HOSTS: no status text, no event processing, hourglass cursor.
    bool Unattended = false;

    // True when the file was written to its end; false when the run was
    // cancelled or the backup copy failed ("Backup failed!"). A file that cannot
    // be created or written throws EQuillonError naming it, after closing it.
    bool DoExport(const TGroupSelection& selection);

    // Bad-host lines written by the last run.
    int HostCount() const { return hostCount; }

private:
    TQuillonData& data;
    IProgress& progress;
    TOwner owner;
    int hostCount = 0;
    void ShowStatus(const std::string& text);
};

// Write HOSTS without a window: forces the HOSTS-format settings for one run,
// writes the active HOSTS file with the given selection, reads the preferences
// back from the file (also when writing fails), and on success starts the
// after-write command. Returns DoExport's result.
// hostsWritten, when given, receives the number of bad hosts written.
bool WriteHosts(TQuillonData& data, const TGroupSelection& selection, TOwner owner = nullptr,
                int* hostsWritten = nullptr);

// The after-write command with every "%hosts%", in any letter case, replaced.
std::string ExpandWriteAction(const std::string& action, const std::string& hostsName);

enum class THostsState {
    Present,    // the HOSTS file exists
    Disabled,   // only its ".Quillon" copy exists
    Absent      // neither exists
};

THostsState HostsState(TQuillonData& data);

// Disable (rename to the ".Quillon" copy, replacing a stale one) or enable
// (rename back); returns the message to show under "HOSTS Status".
std::string ToggleHostsFile(TQuillonData& data);

// "There is no HOSTS file to view." when the active HOSTS file does not exist;
// otherwise opens it in the text editor and returns an empty text.
std::string ViewHostsFile(TQuillonData& data);
