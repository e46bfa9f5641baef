// The headless command line: start-up, each argument through the engines, the statuses, shutdown.
#include "app/HeadlessRun.h"

#include "app/FolderClaim.h"
#include "core/CommandLine.h"
#include "core/DataUnit.h"
#include "core/HandOver.h"
#include "core/Messages.h"
#include "hostsfile/HostsWriter.h"
#include "import/ImportRun.h"
#include "platform/Platform.h"
#include "zones/RegistryGenerator.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

namespace {

// For a job's log: each run's closing status on standard output.
void PrintStatus(const std::string& status)
{
    if (status.empty())
        return;
    std::fprintf(stdout, "%s\n", status.c_str());
    std::fflush(stdout);
}

class THeadlessRun : public ICommandRunner {
public:
    explicit THeadlessRun(TQuillonData& d) : data(d), prefs(d.Prefs()) { RefillGroups(); }

    bool Run(const TCmdCommand& command) override
    {
        const int errorsBefore = ErrorMessageCount();
        TSilentProgress silent;
        switch (command.action) {
        case TCmdAction::WriteHosts:
            PrintStatus(HostsWrittenStatus(WriteHosts(data, prefs).hostCount));
            break;
        case TCmdAction::DisableHosts:
            // A refusal throws: the job's log must not read as success when nothing happened.
            DisableHostsFile(prefs.HostsFile);
            break;
        case TCmdAction::EnableHosts:
            EnableHostsFile(prefs.HostsFile);
            break;
        case TCmdAction::Import: {
            TGroupList groups;
            data.FillGroupList(groups, false);
            TImportRun run(data, CommandImportOptions(prefs, command, groups), silent);
            PrintStatus(run.Run().status);
            RefillGroups();
            break;
        }
        case TCmdAction::Export: {
            TGroupSelection selection =
                command.allGroups ? AllGroupsSelection(data) : DefaultGroupSelection(data);
            THostsWriter writer(data, silent);
            PrintStatus(writer.DoExport(CommandExportOptions(prefs, command, std::move(selection))).status);
            break;
        }
        case TCmdAction::RegistryFile: {
            TRegistryGenerator generator(data, silent);
            PrintStatus(generator.CreateRegistryFile(CommandRegistryOptions(prefs, command)).status);
            break;
        }
        case TCmdAction::Unrecognized:
            break;   // reported by RunCommandLine
        }
        // A run that reported an error (a failed backup, say) must not read as
        // success in the job's log: stop there.
        return ErrorMessageCount() == errorsBefore;
    }

    // No browser to open the help page in: the switches go to the console.
    void ShowSwitches() override
    {
        std::fputs(UsageText().c_str(), stderr);
        std::fflush(stderr);
    }

    // What closing the main window stores: the group its list would show.
    void Close()
    {
        prefs.LastGroup = selectedGroup.value_or(-1);
        prefs.SavePrefs();
        data.SaveDatabase(false);
    }

private:
    TQuillonData& data;
    TQuillonPrefs& prefs;
    // The group the main window's list would show: LastGroup at the first
    // fill, then whatever is still there; none when it is gone.
    std::optional<int> selectedGroup;

    // As the main window refills its list at start-up and after an import:
    // the blank item first, and an empty Groups table gets "Default Group".
    void RefillGroups()
    {
        const int keep = selectedGroup.value_or(prefs.LastGroup);
        TGroupList groups;
        data.FillGroupList(groups, true);
        const bool there = std::any_of(groups.begin(), groups.end(),
                                       [keep](const TGroupListItem& g) { return g.object == keep; });
        selectedGroup = there ? std::optional<int>(keep) : std::nullopt;
    }
};

int Report(const std::string& text)
{
    std::fprintf(stderr, "%s: %s\n", AppTitle, text.c_str());
    std::fflush(stderr);
    return 1;
}

}   // namespace

int RunHeadless(const std::vector<std::string>& arguments, const std::string& dataDir)
{
    // An unexpected failure ends the run where it happened, saving nothing
    // more, as the window's error report does without a display.
    try {
        // Declared first, so the folder is let go only after everything else.
        std::unique_ptr<platform::TFolderLock> lock;
        TQuillonData data(dataDir);
        // One writer at a time: another run is waited for, and a window that
        // owns the folder carries the arguments out itself.
        TClaim claim = ClaimDataFolder(data.DataDir(), arguments, ClaimLimitsFromEnvironment());
        if (claim.handedOver)
            return *claim.handedOver;
        if (!claim.lock)
            return Report("the data folder " + platform::ExcludeTrailingPathDelimiter(data.DataDir()) +
                          " is still in use by " + handover::HolderName(claim.holder) +
                          "; nothing was changed.");
        lock = std::move(claim.lock);
        data.Prefs().LoadPrefs();
        // False after the message about data that cannot be used; nothing may be saved.
        if (!data.OpenDatabase())
            return 1;
        // Nobody could answer the first-run question: the arguments are
        // carried out on a fresh installation too.
        THeadlessRun run(data);
        const bool complete = RunCommandLine(arguments, run);
        run.Close();
        return complete ? 0 : 1;
    } catch (const std::exception& e) {
        return Report(e.what());
    } catch (...) {
        return Report(UnexpectedErrorText);
    }
}
