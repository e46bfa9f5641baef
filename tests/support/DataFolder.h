// A temporary data folder with its preferences file and an opened data module, for window and engine tests.
#pragma once

#include "core/DataUnit.h"
#include "support/TempDir.h"

#include <memory>
#include <string>

// Quillon.ini points the HOSTS file at "hosts" inside the folder, so nothing
// can reach the machine's own, and the text editor either at a program that
// is not there or at a script that appends each file it is given to
// editor.log. The tables are opened (created empty) before the test adds rows.
class TDataFolder {
public:
    enum class TEditor { Missing, Logger };

    // More preference lines follow the [Preferences] lines as given, so the
    // text may add keys to that section and then other sections; %dir% in it
    // stands for the folder (with its trailing delimiter).
    explicit TDataFolder(const std::string& moreIni = {}, TEditor editor = TEditor::Missing);

    TTempDir dir;
    std::unique_ptr<TQuillonData> data;

    std::string File(const std::string& name) const { return dir.File(name); }
    std::string Ini() const { return dir.Read("Quillon.ini"); }
    // Every file the editor was given so far, one a line; empty before the first.
    std::string EditorLog() const;
    // Bad hosts in the table files, as a fresh start would load them; -1 when they do not open.
    int StoredBadHosts() const;
};
