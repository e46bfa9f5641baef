// The HOSTS and plain-text writer, Write HOSTS, and disabling, enabling and viewing the HOSTS file.
#include "hostsfile/HostsWriter.h"

#include "core/AppHooks.h"
#include "core/DataUnit.h"
#include "core/TextOut.h"
#include "platform/Errors.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

// ---------------------------------------------------------------------------

std::vector<bool> DefaultGroupTicks(TQuillonData& data)
{
    TTable& groups = data.Groups;
    groups.SetIndexName("group_name");
    int exclude = groups.FieldNo("exclude");
    std::vector<bool> ticks;
    for (groups.First(); !groups.Eof(); groups.Next())
        ticks.push_back(!groups.AsBoolean(exclude));
    return ticks;
}

TGroupSelection DefaultGroupSelection(TQuillonData& data)
{
    TGroupList list;
    data.FillGroupList(list, false);
    std::vector<bool> ticks = DefaultGroupTicks(data);
    TGroupSelection selection;
    selection.itemCount = list.size();
    for (size_t i = 0; i < list.size() && i < ticks.size(); ++i)
        if (ticks[i])
            selection.ticked.push_back(list[i].object);
    return selection;
}

TGroupSelection AllGroupsSelection(TQuillonData& data)
{
    TGroupList list;
    data.FillGroupList(list, false);
    TGroupSelection selection;
    selection.itemCount = list.size();
    for (const TGroupListItem& item : list)
        selection.ticked.push_back(item.object);
    return selection;
}

TExportOptions ExportOptionsFrom(const TQuillonPrefs& prefs, TGroupSelection groups)
{
    TExportOptions o;
    o.file = prefs.ExportFile;
    o.plainText = prefs.ExportFormat != 0;
    o.groups = std::move(groups);
    o.groupHeadings = prefs.ExportGroups;
    o.groupFlags = prefs.ExportQuillon;
    o.goodHosts = prefs.ExportGoodHosts;
    o.comments = prefs.ExportComments;
    o.backup = prefs.ExportBackup;
    o.view = prefs.ExportView;
    o.textEditor = prefs.TextEditor;
    o.hostsIP = prefs.HostsIP;
    o.ipSeparator = prefs.IPSeparator;
    o.commentSeparator = prefs.CommentSeparator;
    o.textComment = prefs.TextComment;
    return o;
}

TExportOptions CommandExportOptions(const TQuillonPrefs& prefs, const TCmdCommand& command,
                                    TGroupSelection groups)
{
    TExportOptions o = ExportOptionsFrom(prefs, std::move(groups));
    o.file = command.file;
    o.plainText = command.plainText;
    o.view = false;
    return o;
}

TExportOptions WriteHostsOptionsFrom(const TQuillonPrefs& prefs, TGroupSelection groups)
{
    TExportOptions o = ExportOptionsFrom(prefs, std::move(groups));
    o.file = ActiveHostsFileName(prefs.HostsFile);
    o.plainText = false;
    o.goodHosts = true;
    o.view = false;
    o.unattended = true;
    o.afterWrite = prefs.WriteAction;
    return o;
}

THostsWriter::THostsWriter(TQuillonData& d, IProgress& p, TOwner o) : data(d), progress(p), owner(o) {}

TExportResult THostsWriter::DoExport(const TExportOptions& options)
{
    TExportResult result;
    const bool unattended = options.unattended;
    auto showStatus = [&](const std::string& text) {
        if (unattended)
            return;
        result.status = text;
        progress.ShowStatus(text);
    };
    const bool hostsFormat = !options.plainText;
    const std::string prefix = hostsFormat ? "#" : options.textComment;
    const std::string& fileName = options.file;
    const std::string backupName = fileName + ".bak";
    int& hostCount = result.hostCount;

    // Every bad-host line starts with this address: anything else would make
    // the whole file one the resolver cannot read.
    if (hostsFormat && !TQuillonData::IsIPAddress(options.hostsIP)) {
        ErrorDlg("The HOSTS IP address preference (HostsIP) is not a valid IP address: \"" + options.hostsIP +
                     "\"",
                 "Export Hosts", owner);
        return result;
    }

    bool backupMade = false;
    if (options.backup && platform::FileExists(fileName)) {
        if (!platform::BackupFile(fileName, backupName)) {
            ErrorDlg("Backup failed!", "Export Hosts", owner);
            return result;
        }
        backupMade = true;
    }

    // Group membership is a binary search in the sorted ticked ids, never a table look-up.
    const TGroupSelection& selection = options.groups;
    const bool allGroups = selection.ticked.size() == selection.itemCount;
    std::vector<int> ids;
    if (!allGroups) {
        ids = selection.ticked;
        std::sort(ids.begin(), ids.end());
    }
    auto groupSelected = [&](int groupId) {
        return allGroups || std::binary_search(ids.begin(), ids.end(), groupId);
    };

    // What the writing steps need, looked up once.
    TTable& bad = data.BadHosts;
    TTable& good = data.GoodHosts;
    TTable& groups = data.Groups;
    const int badHost = bad.FieldNo("hostname"), badGroup = bad.FieldNo("group_id"),
              badComment = bad.FieldNo("comment");
    const bool comments = options.comments;
    const std::string& ipSeparator = options.ipSeparator;
    const std::string& commentSeparator = options.commentSeparator;
    const std::string linePrefix = hostsFormat ? options.hostsIP + ipSeparator : std::string();
    const std::string commentPrefix = hostsFormat ? commentSeparator : " " + options.textComment + " ";
    const bool grouped = options.groupHeadings;

    // The file is replaced whole when it is closed: an error or a kill before
    // that leaves the old file as it was, with the backup made for the run
    // beside it, and so does a cancel before the tidying up below.
    bool cancelled = false;
    {
        std::unique_ptr<TBusyCursor> busy;
        if (unattended)
            busy = std::make_unique<TBusyCursor>();
        TTextOut out(fileName);

        out.Line(prefix + " " + data.CreatedByText());
        out.EndLine();

        if (options.goodHosts && hostsFormat) {
            out.Line("127.0.0.1" + ipSeparator + "localhost");
            good.SetIndexName("hostname");
            const int host = good.FieldNo("hostname"), ip = good.FieldNo("ip"),
                      comment = good.FieldNo("comment");
            for (good.First(); !good.Eof(); good.Next()) {
                out.Put(good.AsString(ip));
                out.Put(ipSeparator);
                out.Put(good.AsString(host));
                std::string_view c = good.AsString(comment);
                if (comments && !c.empty()) {
                    out.Put(commentSeparator);
                    out.Put(c);
                }
                out.EndLine();
            }
            out.EndLine();
        }

        auto writeHostLine = [&] {
            ++hostCount;
            out.Put(linePrefix);
            out.Put(bad.AsString(badHost));
            std::string_view c = bad.AsString(badComment);
            if (comments && !c.empty()) {
                out.Put(commentPrefix);
                out.Put(c);
            }
            out.EndLine();
            if (hostCount % 500 == 0 && !unattended) {
                if (!grouped)
                    showStatus("Exporting... " + std::to_string(hostCount));
                progress.ProcessMessages();
            }
        };

        if (grouped) {
            bad.SetIndexName("group_id");
            groups.SetIndexName("group_name");
            const int groupId = groups.FieldNo("group_id");
            for (groups.First(); !groups.Eof() && !progress.CancelRequested(); groups.Next()) {
                int id = groups.AsInteger(groupId);
                if (!groupSelected(id))
                    continue;
                // The caption of the row in hand: a look-up by number would move the cursor.
                std::string caption = data.CurrentGroupCaption(options.groupFlags);
                showStatus("Exporting group " + caption);
                bool headingPending = true;
                if (bad.FindKey({id})) {
                    for (; !bad.Eof() && bad.AsInteger(badGroup) == id; bad.Next()) {
                        if (headingPending) {
                            out.Line(prefix + " " + caption);
                            out.EndLine();
                            headingPending = false;
                        }
                        writeHostLine();
                    }
                }
                if (!headingPending)
                    out.EndLine();
            }
        } else {
            showStatus("Exporting...");
            bad.SetIndexName("hostname");
            for (bad.First(); !bad.Eof() && !progress.CancelRequested(); bad.Next())
                if (groupSelected(bad.AsInteger(badGroup)))
                    writeHostLine();
        }

        showStatus(std::to_string(hostCount) + " hosts written");
        cancelled = progress.CancelRequested();
        if (!cancelled)
            out.Close();
    }

    if (cancelled) {
        // The file still holds what the backup holds: the backup goes, as if
        // it had taken the file's name again. Without one the file goes.
        if (backupMade) {
            platform::DeleteFile(backupName);
            showStatus("Export cancelled, backup restored");
        } else {
            platform::DeleteFile(fileName);
            showStatus("Export cancelled, file deleted");
        }
        return result;
    }
    result.completed = true;
    if (options.view)
        OpenWithEditor(options.textEditor, fileName);
    if (!options.afterWrite.empty())
        platform::StartDetached(ExpandWriteAction(options.afterWrite, fileName));
    return result;
}

TExportResult WriteHosts(TQuillonData& data, const TQuillonPrefs& prefs, TOwner owner)
{
    TSilentProgress silent;
    return THostsWriter(data, silent, owner)
        .DoExport(WriteHostsOptionsFrom(prefs, DefaultGroupSelection(data)));
}

// ---------------------------------------------------------------------------

std::string ExpandWriteAction(const std::string& action, const std::string& hostsName)
{
    static const std::string placeholder = "%hosts%";
    std::string out;
    size_t i = 0;
    while (i < action.size()) {
        if (action.size() - i >= placeholder.size() &&
            TTable::SameText(std::string_view(action).substr(i, placeholder.size()), placeholder)) {
            out += hostsName;
            i += placeholder.size();
        } else {
            out += action[i++];
        }
    }
    return out;
}

std::string DisabledHostsFileName(const std::string& hostsFile) { return hostsFile + DisabledHostsSuffix; }

std::string ActiveHostsFileName(const std::string& hostsFile)
{
    if (platform::FileExists(hostsFile))
        return hostsFile;
    const std::string disabled = DisabledHostsFileName(hostsFile);
    if (platform::FileExists(disabled))
        return disabled;
    return hostsFile;
}

THostsState HostsState(const std::string& hostsFile)
{
    if (platform::FileExists(hostsFile))
        return THostsState::Present;
    if (platform::FileExists(DisabledHostsFileName(hostsFile)))
        return THostsState::Disabled;
    return THostsState::Absent;
}

namespace {

// A failed rename is reported, never announced as done.
void RenameOrThrow(const std::string& from, const std::string& to)
{
    if (!platform::RenameFile(from, to))
        throw EQuillonError("Cannot rename " + from + " to " + to + ": " + platform::LastErrorText());
}

}   // namespace

bool DisableHostsFile(const std::string& hostsFile)
{
    if (!platform::FileExists(hostsFile))
        return false;
    const std::string disabled = DisabledHostsFileName(hostsFile);
    if (platform::FileExists(disabled) && !platform::DeleteFile(disabled))
        throw EQuillonError("Cannot delete " + disabled + ": " + platform::LastErrorText());
    RenameOrThrow(hostsFile, disabled);
    return true;
}

bool EnableHostsFile(const std::string& hostsFile)
{
    const std::string disabled = DisabledHostsFileName(hostsFile);
    if (!platform::FileExists(disabled) || platform::FileExists(hostsFile))
        return false;
    RenameOrThrow(disabled, hostsFile);
    return true;
}

std::string ToggleHostsFile(const std::string& hostsFile)
{
    if (DisableHostsFile(hostsFile))
        return std::string("The HOSTS file has been disabled by renaming it to") + MsgBreak +
               DisabledHostsFileName(hostsFile);
    if (EnableHostsFile(hostsFile))
        return "The HOSTS file has been enabled";
    return "You have neither a HOSTS file nor a renamed copy";
}

std::string ViewHostsFile(const std::string& hostsFile, const std::string& textEditor)
{
    const std::string name = ActiveHostsFileName(hostsFile);
    if (!platform::FileExists(name))
        return "There is no HOSTS file to view.";
    OpenWithEditor(textEditor, name);
    return {};
}
