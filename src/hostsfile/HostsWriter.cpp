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

THostsWriter::THostsWriter(TQuillonData& d, IProgress& p, TOwner o) : data(d), progress(p), owner(o) {}

void THostsWriter::ShowStatus(const std::string& text)
{
    if (!Unattended)
        progress.ShowStatus(text);
}

bool THostsWriter::DoExport(const TGroupSelection& selection)
{
    TQuillonPrefs& prefs = data.Prefs();
    const bool hostsFormat = prefs.ExportFormat == 0;
    const std::string prefix = hostsFormat ? "#" : prefs.TextComment;
    const std::string& fileName = prefs.ExportFile;
    const std::string backupName = fileName + ".bak";
    hostCount = 0;

    bool backupMade = false;
    if (prefs.ExportBackup && platform::FileExists(fileName)) {
        if (!platform::CopyFile(fileName, backupName)) {
            ErrorDlg("Backup failed!", "Export Hosts", owner);
            return false;
        }
        backupMade = true;
    }

    // Group membership is a binary search in the sorted ticked ids, never a table look-up.
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
    const bool comments = prefs.ExportComments;
    const std::string linePrefix = hostsFormat ? prefs.HostsIP + prefs.IPSeparator : std::string();
    const std::string commentPrefix =
        hostsFormat ? prefs.CommentSeparator : " " + prefs.TextComment + " ";
    const bool grouped = prefs.ExportGroups;

    const bool existed = platform::FileExists(fileName);
    bool emptied = false;   // the file was opened, so its old content is gone
    try {
        std::unique_ptr<TBusyCursor> busy;
        if (Unattended)
            busy = std::make_unique<TBusyCursor>();
        TTextOut out(fileName);
        emptied = true;

        out.Line(prefix + " " + data.CreatedByText());
        out.EndLine();

        if (prefs.ExportGoodHosts && hostsFormat) {
            out.Line("127.0.0.1" + prefs.IPSeparator + "localhost");
            good.SetIndexName("hostname");
            const int host = good.FieldNo("hostname"), ip = good.FieldNo("ip"), comment = good.FieldNo("comment");
            for (good.First(); !good.Eof(); good.Next()) {
                out.Put(good.AsString(ip));
                out.Put(prefs.IPSeparator);
                out.Put(good.AsString(host));
                std::string_view c = good.AsString(comment);
                if (comments && !c.empty()) {
                    out.Put(prefs.CommentSeparator);
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
            if (hostCount % 500 == 0 && !Unattended) {
                if (!grouped)
                    ShowStatus("Exporting... " + std::to_string(hostCount));
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
                std::string caption = data.CurrentGroupCaption(prefs.ExportQuillon);
                ShowStatus("Exporting group " + caption);
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
            ShowStatus("Exporting...");
            bad.SetIndexName("hostname");
            for (bad.First(); !bad.Eof() && !progress.CancelRequested(); bad.Next())
                if (groupSelected(bad.AsInteger(badGroup)))
                    writeHostLine();
        }

        ShowStatus(std::to_string(hostCount) + " hosts written");
        out.Close();
    } catch (...) {
        // A write that failed half-way (a full disk) must not leave half a
        // file: the backup's content goes back in place, and a file that
        // was new goes, as after a cancel.
        if (emptied && backupMade) {
            if (platform::CopyFile(backupName, fileName))
                platform::DeleteFile(backupName);
        } else if (emptied && !existed) {
            platform::DeleteFile(fileName);
        }
        throw;
    }

    if (progress.CancelRequested()) {
        platform::DeleteFile(fileName);
        if (backupMade) {
            platform::RenameFile(backupName, fileName);
            ShowStatus("Export cancelled, backup restored");
        } else {
            ShowStatus("Export cancelled, file deleted");
        }
        return false;
    }
    if (prefs.ExportView)
        data.RunEditor(fileName);
    return true;
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

bool WriteHosts(TQuillonData& data, const TGroupSelection& selection, TOwner owner, int* hostsWritten)
{
    TQuillonPrefs& prefs = data.Prefs();
    prefs.ExportFile = data.ActiveHostsFileName();
    prefs.ExportFormat = 0;
    prefs.ExportGoodHosts = true;
    prefs.ExportView = false;

    TSilentProgress silent;
    THostsWriter writer(data, silent, owner);
    writer.Unattended = true;
    bool written;
    try {
        written = writer.DoExport(selection);
    } catch (...) {
        // The forced settings must not outlive the run, whatever happened.
        prefs.LoadPrefs();
        throw;
    }
    prefs.LoadPrefs();
    if (hostsWritten)
        *hostsWritten = writer.HostCount();
    if (written && !prefs.WriteAction.empty())
        platform::StartDetached(ExpandWriteAction(prefs.WriteAction, data.ActiveHostsFileName()));
    return written;
}

THostsState HostsState(TQuillonData& data)
{
    const std::string& hosts = data.Prefs().HostsFile;
    if (platform::FileExists(hosts))
        return THostsState::Present;
    if (platform::FileExists(hosts + ".Quillon"))
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

} // namespace

std::string ToggleHostsFile(TQuillonData& data)
{
    const std::string hosts = data.Prefs().HostsFile;
    const std::string disabled = hosts + ".Quillon";
    if (platform::FileExists(hosts)) {
        if (platform::FileExists(disabled) && !platform::DeleteFile(disabled))
            throw EQuillonError("Cannot delete " + disabled + ": " + platform::LastErrorText());
        RenameOrThrow(hosts, disabled);
        return std::string("The HOSTS file has been disabled by renaming it to") + MsgBreak + disabled;
    }
    if (platform::FileExists(disabled)) {
        RenameOrThrow(disabled, hosts);
        return "The HOSTS file has been enabled";
    }
    return "You have neither a HOSTS file nor a renamed copy";
}

std::string ViewHostsFile(TQuillonData& data)
{
    std::string name = data.ActiveHostsFileName();
    if (!platform::FileExists(name))
        return "There is no HOSTS file to view.";
    data.RunEditor(name);
    return {};
}
