// TQuillonPrefs: every user preference, loaded from and saved to Quillon.ini.
#include "settings/QuillonPrefs.h"

#include "platform/Errors.h"
#include "platform/Platform.h"
#include "settings/Codecs.h"
#include "settings/IniFile.h"

#include <fstream>
#include <type_traits>
#include <utility>

namespace {

enum class TPrefCoding {
    Plain,
    Hex,        // stored as Base16 so blanks, TAB, '=' and ';' survive the INI parsing
    Computed,   // empty in the file means "work it out on loading"
};

// Every preference in file order: one list for loading and saving, so the
// two can never disagree.
template <class Visit>
void ForEachPref(TQuillonPrefs& p, Visit&& visit)
{
    using enum TPrefCoding;
    const char* s = "Preferences";
    visit(s, "HostsFile", p.HostsFile, Computed);
    visit(s, "HostsIP", p.HostsIP, Plain);
    visit(s, "IPSeparator", p.IPSeparator, Hex);
    visit(s, "CommentSeparator", p.CommentSeparator, Hex);
    visit(s, "TextEditor", p.TextEditor, Computed);
    visit(s, "WriteAction", p.WriteAction, Plain);
    visit(s, "RestrictedDefault", p.RestrictedDefault, Plain);
    visit(s, "SaveWindows", p.SaveWindows, Plain);
    visit(s, "WriteHostsAfterAdd", p.WriteHostsAfterAdd, Plain);
    visit(s, "ClearEntryAfterAdd", p.ClearEntryAfterAdd, Plain);
    visit(s, "LastGroup", p.LastGroup, Plain);
    visit(s, "BadHostChars", p.BadHostChars, Hex);
    visit(s, "TextComment", p.TextComment, Plain);
    visit(s, "OldShortcuts", p.OldShortcuts, Plain);

    s = "Import";
    visit(s, "ImportFile", p.ImportFile, Plain);
    visit(s, "ImportFormat", p.ImportFormat, Plain);
    visit(s, "ImportDefaultGroup", p.ImportDefaultGroup, Plain);
    visit(s, "ImportGroupOption", p.ImportGroupOption, Plain);
    visit(s, "ImportUpdates", p.ImportUpdates, Plain);
    visit(s, "ImportCleanup", p.ImportCleanup, Plain);
    visit(s, "ImportGoodHosts", p.ImportGoodHosts, Plain);
    visit(s, "UpdateGoodHosts", p.UpdateGoodHosts, Plain);
    visit(s, "ImportSwapHosts", p.ImportSwapHosts, Plain);
    visit(s, "ImportReport", p.ImportReport, Plain);
    visit(s, "ReportNew", p.ReportNew, Plain);
    visit(s, "ReportDupes", p.ReportDupes, Plain);
    visit(s, "ReportUpdates", p.ReportUpdates, Plain);
    visit(s, "ImportWrite", p.ImportWrite, Plain);

    s = "Export";
    visit(s, "ExportFile", p.ExportFile, Plain);
    visit(s, "ExportFormat", p.ExportFormat, Plain);
    visit(s, "ExportGroups", p.ExportGroups, Plain);
    visit(s, "ExportQuillon", p.ExportQuillon, Plain);
    visit(s, "ExportGoodHosts", p.ExportGoodHosts, Plain);
    visit(s, "ExportComments", p.ExportComments, Plain);
    visit(s, "ExportBackup", p.ExportBackup, Plain);
    visit(s, "ExportView", p.ExportView, Plain);
    visit(s, "ExportHeight", p.ExportHeight, Plain);

    s = "Registry";
    visit(s, "RegistryFile", p.RegistryFile, Plain);
    visit(s, "RegistryExclude", p.RegistryExclude, Plain);
    visit(s, "RegistryFormat", p.RegistryFormat, Plain);
    visit(s, "RegistryUninstall", p.RegistryUninstall, Plain);
    visit(s, "RegistryBoth", p.RegistryBoth, Plain);
    visit(s, "RegistryBackup", p.RegistryBackup, Plain);
    visit(s, "RegistryView", p.RegistryView, Plain);
    visit(s, "RegistryTLDs", p.RegistryTLDs, Plain);
    visit(s, "RegistryKey", p.RegistryKey, Plain);
    visit(s, "RegistryValue", p.RegistryValue, Plain);
}

}   // namespace

TQuillonPrefs::TQuillonPrefs(std::string iniFileName, std::string dataDir)
    : iniFileName(std::move(iniFileName)), dataDir(std::move(dataDir))
{
}

void TQuillonPrefs::LoadPrefs()
{
    const TIniFile ini(iniFileName);
    // Start from the defaults, not the current values: loading also throws
    // away changes that were never saved.
    *this = TQuillonPrefs(iniFileName, dataDir);
    ForEachPref(*this, [&](const char* section, const char* key, auto& field, TPrefCoding coding) {
        using T = std::decay_t<decltype(field)>;
        if constexpr (std::is_same_v<T, std::string>) {
            switch (coding) {
            case TPrefCoding::Plain:
                field = ini.ReadString(section, key, field);
                break;
            case TPrefCoding::Hex:
                field = DecodePref(ini.ReadString(section, key, ""), field);
                break;
            case TPrefCoding::Computed:
                field = ini.ReadString(section, key, "");
                break;
            }
        } else if constexpr (std::is_same_v<T, bool>) {
            field = ini.ReadBool(section, key, field);
        } else {
            field = ini.ReadInteger(section, key, field);
        }
    });
    if (HostsFile.empty())
        HostsFile = DefaultHostsFileName();
    if (TextEditor.empty())
        TextEditor = DefaultTextEditor(dataDir);
}

void TQuillonPrefs::SavePrefs()
{
    // Re-read first: the window states and keys of other versions live in the same file.
    TIniFile ini(iniFileName);
    ForEachPref(*this, [&](const char* section, const char* key, auto& field, TPrefCoding coding) {
        using T = std::decay_t<decltype(field)>;
        if constexpr (std::is_same_v<T, std::string>)
            ini.WriteString(section, key, coding == TPrefCoding::Hex ? Base16Encode(field) : field);
        else if constexpr (std::is_same_v<T, bool>)
            ini.WriteBool(section, key, field);
        else
            ini.WriteInteger(section, key, field);
    });
    ini.UpdateFile();
}

std::string DefaultHostsFileName()
{
    std::string folder = platform::ReadMachineRegistryString(
        "System\\CurrentControlSet\\Services\\Tcpip\\Parameters", "DataBasePath");
    if (!folder.empty())
        return platform::IncludeTrailingPathDelimiter(platform::ExpandEnvVars(folder)) + "HOSTS";
    std::string windows = platform::WindowsDir(true);
    if (!windows.empty())
        return windows + "HOSTS";
    // No registry and no Windows folder: the system's own place.
    return platform::DefaultHostsFileName();
}

std::string DefaultTextEditor(const std::string& dataDir)
{
    // The association is looked up for a real .txt document, so one is made for the question.
    const std::string document =
        (dataDir.empty() ? std::string() : platform::IncludeTrailingPathDelimiter(dataDir)) + "~temp.txt";
    {
        std::ofstream out(document, std::ios::binary | std::ios::trunc);
        if (!out.is_open())
            return {};
        out << "Delete me!" << platform::LineEnd;
        out.close();
        if (!out) {
            platform::DeleteFile(document);
            return {};
        }
    }
    std::string editor = platform::FindExecutableFor(document);
    platform::DeleteFile(document);
    return editor;
}

std::string DecodePref(const std::string& coded, const std::string& def)
{
    std::string decoded;
    try {
        decoded = Base16Decode(coded);
    } catch (const EConvertError&) {
        // A damaged value falls back to the default without a word.
    }
    return decoded.empty() ? def : decoded;
}
