// Reading and changing the process environment for TScopedEnv.
#include "support/ScopedEnv.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>

// The system's environment block, which ExpandEnvironmentStrings and child
// processes read (the C runtime's copy cannot even hold an empty value).
std::optional<std::string> TScopedEnv::Get(const std::string& name)
{
    SetLastError(ERROR_SUCCESS);
    DWORD size = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
    if (size == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND)
        return std::nullopt;
    std::string value(size, '\0');
    value.resize(GetEnvironmentVariableA(name.c_str(), value.data(), size));
    return value;
}

void TScopedEnv::Put(const std::string& name, const std::optional<std::string>& value)
{
    SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr);
}
#else
std::optional<std::string> TScopedEnv::Get(const std::string& name)
{
    const char* value = std::getenv(name.c_str());
    return value ? std::optional<std::string>(value) : std::nullopt;
}

void TScopedEnv::Put(const std::string& name, const std::optional<std::string>& value)
{
    if (value)
        setenv(name.c_str(), value->c_str(), 1);
    else
        unsetenv(name.c_str());
}
#endif
