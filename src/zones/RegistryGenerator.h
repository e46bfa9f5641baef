// The registry file generator: restricted groups' domains as REGEDIT4 install/uninstall files or a list.
#pragma once

#include "core/CommandLine.h"
#include "core/Messages.h"
#include "core/Progress.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TQuillonData;
class TQuillonPrefs;

// The dialog's caption, also the caption of the generator's own messages.
inline constexpr const char* RegistryFileCaption = "Create Restricted Zone Registry File";

// What the dialog puts into empty registry templates before a run.
inline constexpr const char* DefaultRegistryTLDs = "ac,aero,asn,bbs,biz,co,com,coop,edu,go,gov,govt,info,int,"
                                                   "k12,ltd,mil,museum,name,net,org,plc,pro,re,sch,school";
inline constexpr const char* DefaultRegistryKey =
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\"
    "Domains\\^]";
// Every protocol ("*") of the domain in zone 4, the Restricted Sites zone.
inline constexpr const char* DefaultRegistryValue = "\"*\"=dword:00000004";

// Puts the defaults into RegistryTLDs, RegistryKey and RegistryValue where they are empty.
void FillRegistryDefaults(TQuillonPrefs& prefs);

// Appends to list the pieces of text between the occurrences of separator, and
// the rest after the last one. Empty pieces count; an empty text appends nothing.
void SplitString(std::string_view text, std::string_view separator, std::vector<std::string>& list);

// A string list as one comma-separated text, as RegistryExclude stores it: an
// item holding a blank, control character, comma or quote is quoted ("" for a quote).
std::string CommaText(const std::vector<std::string>& items);
// The reverse: commas and unquoted blanks separate the items.
std::vector<std::string> SplitCommaText(std::string_view text);

// The exclude lines a RegistryExclude text stands for, one item a line as the
// dialog shows them.
std::vector<std::string> ExcludeLines(const std::string& registryExclude);

// The uninstall file beside fileName: ".uninstall" before its extension
// (restricted.reg gives restricted.uninstall.reg, name gives name.uninstall).
std::string UninstallFileName(const std::string& fileName);

// Everything one run of the generator needs, built by its caller.
struct TRegistryOptions {
    std::string file;
    bool plainText = false;   // the domains as a plain list; otherwise a REGEDIT4 file
    // REGEDIT4: uninstall entries that remove the keys instead of adding them;
    // with both, the install file and, beside it, its uninstall file.
    bool uninstall = false;
    bool both = false;
    bool backup = false;   // the previous file(s) kept as name + ".bak"
    bool view = false;     // opened in textEditor once written to its end
    std::string textEditor;
    // Domains that are never listed whole; letter case does not matter.
    std::vector<std::string> exclude;
    std::string tlds;          // second-level labels under two-letter top-level domains, comma-separated
    std::string key;           // the key line, "^" standing for the domain
    std::string value;         // the value line under each key
    std::string textComment;   // the comment marker of the plain list
};

// The registry preferences, with the defaults in empty templates and the
// exclude lines from RegistryExclude.
TRegistryOptions RegistryOptionsFrom(const TQuillonPrefs& prefs);
// A registry file the command line names: the saved options with the
// command's file and format, never viewed.
TRegistryOptions CommandRegistryOptions(const TQuillonPrefs& prefs, const TCmdCommand& command);

struct TRegistryResult {
    bool completed = false;   // every file written to its end
    int domainCount = 0;
    std::string status;   // the last status text; empty when a backup stopped the run at once
};

// The generator. The progress receives the step texts (shown at once), the
// final text (SetStatusText), a counters-changed call when the run starts
// counting and after each domain added (throttle painting on that side),
// pending events every 50 domains, and the cancel request, checked before each
// group and each host.
class TRegistryGenerator {
public:
    TRegistryGenerator(TQuillonData& data, IProgress& progress, TOwner owner = nullptr);
    ~TRegistryGenerator();

    // Writes the file (and, with both, its uninstall file). A failed backup
    // copy shows "Backup failed!" and ends the run; a cancelled run deletes its
    // file and restores the backup. A file that cannot be created or written
    // throws EQuillonError naming it, after closing it.
    TRegistryResult CreateRegistryFile(const TRegistryOptions& options);

    // Domains added so far in this run, for a live view.
    int DomainCount() const;

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};
