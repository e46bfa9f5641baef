// A document type registered with the Windows shell while a test runs.
#pragma once

#include <string>

// Documents ending in the extension (".txt") open with the program until the
// object is destroyed, which puts back what was registered before. Registered
// machine-wide (HKEY_LOCAL_MACHINE\Software\Classes), the view every shell
// lookup sees.
class TFileAssociation {
public:
    TFileAssociation(const std::string& extension, const std::string& program);
    ~TFileAssociation();
    TFileAssociation(const TFileAssociation&) = delete;
    TFileAssociation& operator=(const TFileAssociation&) = delete;

private:
    std::string extension;
    bool hadExtension = false;
    std::string previousType;
};
