// Command-line arguments: splitting switch and value, which operation a switch names, the usage text.
#pragma once

#include <string>

// One argument as given: "/switch" or "/switch=value".
struct TCmdArgument {
    std::string raw;         // exactly as given
    std::string switchText;  // before the first "=", lower-cased
    std::string value;       // after the first "=", as typed (may contain "=")
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

// Every switch with a line of explanation, for the console.
std::string UsageText();
