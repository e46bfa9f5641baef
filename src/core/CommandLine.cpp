// Command-line arguments: splitting, decoding into commands, carrying them out in order, the usage text.
#include "core/CommandLine.h"

#include "platform/Platform.h"

#include <cctype>

TCmdArgument SplitArgument(const std::string& argument)
{
    TCmdArgument a;
    a.raw = argument;
    const size_t eq = argument.find('=');
    a.switchText = argument.substr(0, eq);
    if (eq != std::string::npos)
        a.value = argument.substr(eq + 1);
    for (char& c : a.switchText)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return a;
}

TCmdAction ClassifyArgument(const TCmdArgument& argument)
{
    const std::string two = argument.switchText.substr(0, 2);
    const std::string three = argument.switchText.substr(0, 3);
    const bool hasValue = !argument.value.empty();
    if (two == "/w")
        return TCmdAction::WriteHosts;
    if (two == "/d")
        return TCmdAction::DisableHosts;
    if (two == "/n" || three == "/en")
        return TCmdAction::EnableHosts;
    if (two == "/i" && hasValue)
        return TCmdAction::Import;
    if ((two == "/x" || two == "/a" || three == "/ex") && hasValue)
        return TCmdAction::Export;
    if ((two == "/r" || two == "/u" || two == "/b" || two == "/p") && hasValue)
        return TCmdAction::RegistryFile;
    return TCmdAction::Unrecognized;
}

TCmdCommand DecodeCommand(TCmdAction action, const std::string& switchText, const std::string& file)
{
    TCmdCommand command;
    command.action = action;
    command.switchText = switchText;
    for (char& c : command.switchText)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    command.file = file;
    const std::string& s = command.switchText;
    auto has = [&s](const char* letters) { return s.find(letters) != std::string::npos; };
    switch (action) {
    case TCmdAction::Import:
        command.plainText = has("/ip");
        break;
    case TCmdAction::Export:
        command.plainText = has("/xp");
        command.allGroups = has("a");
        break;
    case TCmdAction::RegistryFile:
        command.plainText = has("p");
        command.both = !command.plainText && has("b");
        command.uninstall = !command.plainText && (command.both || has("u"));
        break;
    default:
        break;
    }
    return command;
}

TCmdCommand DecodeArgument(const std::string& argument)
{
    const TCmdArgument split = SplitArgument(argument);
    TCmdCommand command = DecodeCommand(ClassifyArgument(split), split.switchText, split.value);
    command.argument = argument;
    return command;
}

bool RunCommandLine(const std::vector<std::string>& arguments, ICommandRunner& runner)
{
    constexpr const char* Caption = "Quillon Command Line";
    for (const std::string& argument : arguments) {
        const TCmdCommand command = DecodeArgument(argument);
        if (command.action == TCmdAction::Unrecognized) {
            ErrorDlg(std::string("Unrecognized argument:") + MsgBreak + command.argument, Caption,
                     runner.MessageOwner());
            runner.ShowSwitches();
            return false;
        }
        if (command.action == TCmdAction::Import && !platform::FileExists(command.file)) {
            ErrorDlg("Import file not found: " + command.file, Caption, runner.MessageOwner());
            return false;
        }
        if (!runner.Run(command))
            return false;
    }
    return true;
}

std::string HostsWrittenStatus(int hostCount) { return std::to_string(hostCount) + " hosts written"; }

std::string UsageText()
{
    return "Usage: quillon [argument ...]\n"
           "Arguments are carried out in order; the program closes after the last one.\n"
           "Only the first two letters of a switch count, in any case.\n"
           "  /w            write the HOSTS file from the database\n"
           "  /d            disable the HOSTS file\n"
           "  /n, /en       enable the HOSTS file again\n"
           "  /i=FILE       import a list in HOSTS format\n"
           "  /ip=FILE      import a list of plain host names\n"
           "  /x=FILE       export the default groups in HOSTS format (also /ex=FILE)\n"
           "  /a=FILE       export all groups in HOSTS format\n"
           "  /xp=FILE      export the default groups as plain host names (/xpa=FILE: all groups)\n"
           "  /r=FILE       write a registry file that installs the restricted domains\n"
           "  /u=FILE       write a registry file that uninstalls them\n"
           "  /b=FILE       write both registry files\n"
           "  /p=FILE       write the restricted domains as a plain list\n";
}
