// Command-line arguments: splitting switch and value, which operation a switch names, the usage text.
#include "core/CommandLine.h"

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
