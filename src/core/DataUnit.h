// TQuillonData: the data module holding the three tables, the preferences and the shared host operations.
#pragma once

#include "core/Messages.h"
#include "core/Table.h"
#include "settings/QuillonPrefs.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// How ShowHelp hands an existing page to the desktop, with the help folder as
// working folder; platform::ShellOpen unless a test records the pages here.
// The result is ignored.
extern std::function<bool(const std::string& page, const std::string& folder)> HelpShellOpen;

// A list of texts each carrying an integer object (a group id): the model
// behind every group combo, list and check list.
struct TGroupListItem {
    std::string text;
    int object = 0;
};
using TGroupList = std::vector<TGroupListItem>;

// Host-name checks against one set of forbidden characters (the BadHostChars
// preference), which becomes a look-up table once, for imports that check
// every name.
class THostnameValidator {
public:
    explicit THostnameValidator(const std::string& badHostChars = {});
    const std::string& BadHostChars() const { return badHostChars; }
    // True when the name is acceptable; otherwise message says why.
    bool Validate(std::string_view hostname, std::string& message) const;

private:
    std::string badHostChars;
    bool forbidden[256] = {};
};

// Opens the file with the text editor; nothing when no editor is known.
void OpenWithEditor(const std::string& textEditor, const std::string& file);

class TQuillonData {
public:
    // dataDir: where the tables and Quillon.ini live (with or without a
    // trailing delimiter); empty means the executable's folder.
    explicit TQuillonData(const std::string& dataDir = {});
    ~TQuillonData();
    TQuillonData(const TQuillonData&) = delete;
    TQuillonData& operator=(const TQuillonData&) = delete;

    TTable GoodHosts{"GoodHosts"};
    TTable BadHosts{"BadHosts"};
    TTable Groups{"Groups"};

    TQuillonPrefs& Prefs() { return *prefs; }

    // The window that owns the messages of AddBadHost (the main window).
    TOwner MainOwner = nullptr;

    // ---- tables and files
    const std::string& DataDir();
    std::string IniFileName();
    std::string TableFileName(const TTable& table);
    // Closes, then loads or creates the three tables. Returns false after the
    // old-data message, with the tables closed and the application asked to end.
    bool OpenDatabase();
    void SaveDatabase(bool force);
    void CloseDatabase();
    void SetDirty(TTable& table);
    int Dirty(const TTable& table) const;

    // ---- validation
    // Against the BadHostChars preference as it stands.
    bool ValidateHostname(std::string_view hostname, std::string& message);
    static bool IsIPAddress(std::string_view text);

    // ---- group and host operations
    void RunEditor(const std::string& parameters);
    bool AddBadHost(int groupId, const std::string& hostname, const std::string& comment);
    std::string CurrentGroupCaption(bool withFlags);
    std::string GroupCaption(int groupId, bool withFlags);
    std::string CreatedByText();
    // The current local date and time as CreatedByText shows it (no time at midnight).
    std::string DateTimeText();
    void FillGroupList(TGroupList& list, bool withBlank);
    int AddGroup(const std::string& groupName, bool restricted, bool exclude);
    int GroupCleanup(int keepId);

    // ---- help
    void ShowHelp(const std::string& topic);

private:
    std::string dataDir;
    std::unique_ptr<TQuillonPrefs> prefs;
    // Made again when BadHostChars changes.
    THostnameValidator validator;
    int goodDirty = 0, badDirty = 0, groupsDirty = 0;
    int& DirtyFlag(const TTable& table);
    // Closes the tables, shows the "Database Error" text and asks the program to end.
    bool RefuseData(const std::string& text);
    void DefineTables();
};

// The one data module of the running program, created by the main window.
extern TQuillonData* QuillonData;
