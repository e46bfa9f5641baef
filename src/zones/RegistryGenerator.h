// The registry file generator: restricted groups' domains as REGEDIT4 install/uninstall files or a list.
#pragma once

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

// The uninstall file beside fileName: ".uninstall" before its extension
// (restricted.reg gives restricted.uninstall.reg, name gives name.uninstall).
std::string UninstallFileName(const std::string& fileName);

// One run of the generator over the preferences as they stand. The progress
// receives the step texts (shown at once), the final text (SetStatusText), a
// counters-changed call when the run starts counting and after each domain
// added (throttle painting on that side), pending events every 50 domains, and
// the cancel request, checked before each group and each host.
class TRegistryGenerator {
public:
    TRegistryGenerator(TQuillonData& data, IProgress& progress, TOwner owner = nullptr);
    ~TRegistryGenerator();

    // Domains that are never listed whole (the dialog's exclude lines); letter
    // case does not matter.
    std::vector<std::string> Exclude;

    // Writes RegistryFile (and, with RegistryBoth, its uninstall file). A failed
    // backup copy shows "Backup failed!" and ends the run; a cancelled run
    // deletes its file and restores the backup. A file that cannot be created
    // or written throws EQuillonError naming it, after closing it.
    void CreateRegistryFile();

    // Domains added so far in this run.
    int DomainCount() const;
    const std::string& Status() const;

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};
