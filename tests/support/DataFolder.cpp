// A temporary data folder with its preferences file and an opened data module.
#include "support/DataFolder.h"

#include <filesystem>
#include <stdexcept>

TDataFolder::TDataFolder(const std::string& moreIni, TEditor editor)
{
    std::string editorFile = dir.File("no-editor");
    if (editor == TEditor::Logger) {
        editorFile = dir.File("editor.sh");
        dir.Write("editor.sh", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + dir.File("editor.log") + "'\n");
        std::filesystem::permissions(editorFile, std::filesystem::perms::owner_all);
    }
    std::string more = moreIni;
    for (size_t at = 0; (at = more.find("%dir%", at)) != std::string::npos; at += dir.Path().size())
        more.replace(at, 5, dir.Path());
    dir.Write("Quillon.ini",
              "[Preferences]\nHostsFile=" + dir.File("hosts") + "\nTextEditor=" + editorFile + "\n" + more);
    data = std::make_unique<TQuillonData>(dir.Path());
    data->Prefs().LoadPrefs();
    // Extra lines that named another HOSTS file would let a test write the machine's own.
    if (data->Prefs().HostsFile != dir.File("hosts"))
        throw std::runtime_error("Quillon.ini in " + dir.Path() + " names another HOSTS file");
    if (!data->OpenDatabase())
        throw std::runtime_error("the tables of " + dir.Path() + " did not open");
}

std::string TDataFolder::EditorLog() const { return dir.Exists("editor.log") ? dir.Read("editor.log") : ""; }

int TDataFolder::StoredBadHosts() const
{
    TQuillonData fresh(dir.Path());
    fresh.Prefs().LoadPrefs();
    return fresh.OpenDatabase() ? fresh.BadHosts.RecordCount() : -1;
}
