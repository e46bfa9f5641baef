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
    dir.Write("Quillon.ini",
              "[Preferences]\nHostsFile=" + dir.File("hosts") + "\nTextEditor=" + editorFile + "\n" + moreIni);
    data = std::make_unique<TQuillonData>(dir.Path());
    data->Prefs().LoadPrefs();
    if (!data->OpenDatabase())
        throw std::runtime_error("the tables of " + dir.Path() + " did not open");
}

std::string TDataFolder::EditorLog() const { return dir.Exists("editor.log") ? dir.Read("editor.log") : ""; }
