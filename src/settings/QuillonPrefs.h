// TQuillonPrefs: every user preference, loaded from and saved to Quillon.ini.
#pragma once

#include <string>

// Characters not allowed in a host name unless the user says otherwise.
inline constexpr char DefaultBadHostChars[] = ":/\\@|?*# `~!$%^&()=+[]{};'\",<>";

// Fields are named like their INI keys and declared in file order; other code
// reads and changes them directly and calls SavePrefs when a change is to last.
class TQuillonPrefs {
public:
    // iniFileName: the preferences file; dataDir: the folder where the
    // text-editor lookup may write its temporary file.
    TQuillonPrefs(std::string iniFileName, std::string dataDir);

    // [Preferences]
    std::string HostsFile;
    std::string HostsIP = "127.0.0.1";
    std::string IPSeparator = "\t";
    std::string CommentSeparator = " # ";
    std::string TextEditor;
    std::string WriteAction;
    bool RestrictedDefault = true;
    bool SaveWindows = true;
    bool WriteHostsAfterAdd = true;
    bool ClearEntryAfterAdd = true;
    int LastGroup = 0;
    std::string BadHostChars = DefaultBadHostChars;
    std::string TextComment = "**";
    bool OldShortcuts = false;

    // [Import]
    std::string ImportFile;
    int ImportFormat = 0;
    int ImportDefaultGroup = 0;
    int ImportGroupOption = 0;
    bool ImportUpdates = true;
    bool ImportCleanup = true;
    bool ImportGoodHosts = true;
    bool UpdateGoodHosts = false;
    bool ImportSwapHosts = false;
    bool ImportReport = true;
    bool ReportNew = true;
    bool ReportDupes = false;
    bool ReportUpdates = true;
    bool ImportWrite = true;

    // [Export]
    std::string ExportFile;
    int ExportFormat = 0;
    bool ExportGroups = true;
    bool ExportQuillon = true;
    bool ExportGoodHosts = false;
    bool ExportComments = true;
    bool ExportBackup = true;
    bool ExportView = true;
    int ExportHeight = 0;

    // [Registry]
    std::string RegistryFile;
    std::string RegistryExclude;
    int RegistryFormat = 0;
    bool RegistryUninstall = false;
    bool RegistryBoth = false;
    bool RegistryBackup = true;
    bool RegistryView = true;
    std::string RegistryTLDs;
    std::string RegistryKey;
    std::string RegistryValue;

    // Every field from the file, missing or unreadable values at their
    // defaults; an empty HostsFile or TextEditor is worked out afresh.
    // Writes nothing.
    void LoadPrefs();
    // Every field into the file, keeping the sections and keys it does not own.
    void SavePrefs();

    const std::string& IniFileName() const { return iniFileName; }

private:
    std::string iniFileName;
    std::string dataDir;
};

// Where this system keeps its HOSTS file.
std::string DefaultHostsFileName();
// The program associated with text files, or empty.
std::string DefaultTextEditor(const std::string& dataDir);
// A hex-coded value, or the default when it is empty or does not decode.
std::string DecodePref(const std::string& coded, const std::string& def);
