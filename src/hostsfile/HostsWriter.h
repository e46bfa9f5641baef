// Writing the database as a HOSTS or plain-text file, Write HOSTS, and the HOSTS file's states.
#pragma once

#include "core/CommandLine.h"
#include "core/Messages.h"
#include "core/Progress.h"

#include <string>
#include <vector>

class TQuillonData;
class TQuillonPrefs;

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
// Every item of that list ticked.
TGroupSelection AllGroupsSelection(TQuillonData& data);

// Everything one run of the writer needs, built by its caller.
struct TExportOptions {
    std::string file;
    bool plainText = false;       // names only; otherwise HOSTS lines
    TGroupSelection groups;       // whose bad hosts are written
    bool groupHeadings = false;   // hosts under their group's name, groups in name order
    bool groupFlags = false;      // headings with the group's [R], [X]
    bool goodHosts = false;       // HOSTS format only: localhost and the good hosts first
    bool comments = false;        // each host's comment after it
    bool backup = false;          // the previous file kept as file + ".bak"
    bool view = false;            // opened in textEditor once written to its end
    std::string textEditor;
    // Write HOSTS: no status text, no pending events, the hourglass cursor.
    bool unattended = false;
    // Started after a complete write, every "%hosts%" replaced by the file.
    std::string afterWrite;
    std::string hostsIP;            // the address of every bad host
    std::string ipSeparator;        // between address and name
    std::string commentSeparator;   // before a comment, HOSTS format
    std::string textComment;        // the comment marker of plain text
};

// The export preferences over the given groups.
TExportOptions ExportOptionsFrom(const TQuillonPrefs& prefs, TGroupSelection groups);
// An export the command line names: the saved options with the command's
// file and format, never viewed.
TExportOptions CommandExportOptions(const TQuillonPrefs& prefs, const TCmdCommand& command,
                                    TGroupSelection groups);
// Write HOSTS: the active HOSTS file in HOSTS format with the good hosts,
// unattended, never viewed, then the after-write command; headings,
// comments and backup as the export preferences say.
TExportOptions WriteHostsOptionsFrom(const TQuillonPrefs& prefs, TGroupSelection groups);

struct TExportResult {
    bool completed = false;   // written to its end; false: cancelled, or the backup copy failed
    int hostCount = 0;        // bad-host lines written
    std::string status;       // the last status text shown; none for an unattended run
};

// The writer behind Export, Write HOSTS and the command line.
class THostsWriter {
public:
    THostsWriter(TQuillonData& data, IProgress& progress, TOwner owner = nullptr);

    // A HOSTS-format run with a HostsIP that is no IP address, and a backup
    // copy that cannot be made, show an error and end the run before the file
    // is touched. The file is replaced whole at the end: a cancelled run
    // leaves it as it was and then deletes it, or just the backup when one
    // was made. A file that cannot be created or written throws EQuillonError
    // naming it, leaving the old file and the backup.
    TExportResult DoExport(const TExportOptions& options);

private:
    TQuillonData& data;
    IProgress& progress;
    TOwner owner;
};

// Write HOSTS as the program runs it: the default groups, the given preferences.
TExportResult WriteHosts(TQuillonData& data, const TQuillonPrefs& prefs, TOwner owner = nullptr);

// The after-write command with every "%hosts%", in any letter case, replaced.
std::string ExpandWriteAction(const std::string& action, const std::string& hostsName);

// The HOSTS file's disabled copy is its name followed by this.
inline constexpr const char* DisabledHostsSuffix = ".Quillon";
std::string DisabledHostsFileName(const std::string& hostsFile);

// The HOSTS file, or its disabled copy when only that exists: what Write
// HOSTS rewrites and View HOSTS shows.
std::string ActiveHostsFileName(const std::string& hostsFile);

enum class THostsState {
    Present,    // the HOSTS file exists
    Disabled,   // only its disabled copy exists
    Absent      // neither exists
};

THostsState HostsState(const std::string& hostsFile);

// Renames the HOSTS file to its disabled copy, deleting a stale copy first;
// false when there is no HOSTS file. A delete or rename that the file system
// refuses throws EQuillonError naming the files and the reason.
bool DisableHostsFile(const std::string& hostsFile);
// Renames the disabled copy back; false when there is no copy or a HOSTS
// file is in the way. Refusals throw as above.
bool EnableHostsFile(const std::string& hostsFile);

// Disables or enables, whichever applies; returns the message to show under
// "HOSTS Status".
std::string ToggleHostsFile(const std::string& hostsFile);

// "There is no HOSTS file to view." when the active HOSTS file does not exist;
// otherwise opens it in the text editor and returns an empty text.
std::string ViewHostsFile(const std::string& hostsFile, const std::string& textEditor);
