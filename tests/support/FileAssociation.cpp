// Registering and removing a test document type in the Windows registry.
#include "support/FileAssociation.h"

#include <stdexcept>

#include <windows.h>

namespace {

const std::string Classes = "Software\\Classes\\";
const std::string DocumentType = "Quillon.TestDocument";

void SetDefaultValue(const std::string& key, const std::string& value)
{
    HKEY handle;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create the registry key " + key);
    LSTATUS status = RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                    DWORD(value.size() + 1));
    RegCloseKey(handle);
    if (status != ERROR_SUCCESS)
        throw std::runtime_error("cannot write the registry key " + key);
}

}   // namespace

TFileAssociation::TFileAssociation(const std::string& ext, const std::string& program) : extension(ext)
{
    HKEY handle;
    const std::string key = Classes + extension;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS) {
        hadExtension = true;
        char value[256] = {};
        DWORD size = sizeof value - 1;
        if (RegQueryValueExA(handle, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) ==
            ERROR_SUCCESS)
            previousType = value;
        RegCloseKey(handle);
    }
    SetDefaultValue(Classes + extension, DocumentType);
    SetDefaultValue(Classes + DocumentType + "\\shell\\open\\command", "\"" + program + "\" \"%1\"");
}

TFileAssociation::~TFileAssociation()
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, (Classes + DocumentType).c_str());
    if (hadExtension)
        SetDefaultValue(Classes + extension, previousType);
    else
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, (Classes + extension).c_str());
}
