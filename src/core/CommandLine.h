// Command-line arguments: splitting, the typed command each one names, carrying them out in order, the usage text.
#pragma once

#include "core/Messages.h"

#include <string>
#include <vector>

// One argument as given: "/switch" or "/switch=value".
struct TCmdArgument {
    std::string raw;          // exactly as given
    std::string switchText;   // before the first "=", lower-cased
    std::string value;        // after the first "=", as typed (may contain "=")
};

TCmdArgument SplitArgument(const std::string& argument);

enum class TCmdAction {
    WriteHosts,
    DisableHosts,
    EnableHosts,
    Import,
    Export,
    RegistryFile,
    Unrecognized,
};

// The first matching row decides; a switch that needs a value is unrecognized
// without one.
TCmdAction ClassifyArgument(const TCmdArgument& argument);

// An argument decoded once: what to do, on which file, and what the letters
// of its switch ask for. The flags mean something only for their action.
struct TCmdCommand {
    TCmdAction action = TCmdAction::Unrecognized;
    std::string argument;     // exactly as given, for the message about it
    std::string switchText;   // lower-cased
    std::string file;         // the value, as typed

    // A plain list of names instead of HOSTS lines or REGEDIT4: import "/ip",
    // export "/xp", registry file any "p".
    bool plainText = false;
    // Export: any "a" exports every group, not only the default ones.
    bool allGroups = false;
    // Registry file without a "p": a "b" writes the uninstall file beside the
    // install file; a "u" or a "b" makes the entries uninstall ones.
    bool both = false;
    bool uninstall = false;
};

// The letters of a switch as the given action reads them; letter case does
// not matter.
TCmdCommand DecodeCommand(TCmdAction action, const std::string& switchText, const std::string& file);
// One argument split, classified and decoded.
TCmdCommand DecodeArgument(const std::string& argument);

// What carries out the commands: the main window with its dialogs, or the
// headless command line.
class ICommandRunner {
public:
    virtual ~ICommandRunner() = default;
    // Carries out one recognised command; false stops the processing (the
    // runner has reported why).
    virtual bool Run(const TCmdCommand& command) = 0;
    // After the message about an unrecognised argument: shows the switches.
    virtual void ShowSwitches() = 0;
    // The window that owns the command line's messages.
    virtual TOwner MessageOwner() const { return nullptr; }
};

// Carries out the arguments first to last. A missing import file and an
// unrecognised argument are reported ("Quillon Command Line") and stop the
// processing, as does a command the runner stops at. True when every argument
// was carried out.
bool RunCommandLine(const std::vector<std::string>& arguments, ICommandRunner& runner);

// The closing status of a Write HOSTS run, as the command line reports it.
std::string HostsWrittenStatus(int hostCount);

// Every switch with a line of explanation, for the console.
std::string UsageText();
