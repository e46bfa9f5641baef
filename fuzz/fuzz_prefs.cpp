// Fuzz target: arbitrary bytes as Quillon.ini, read by the INI reader and LoadPrefs, saved and read again.
#include "FuzzData.h"

#include "platform/Errors.h"
#include "settings/IniFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    static std::unique_ptr<TQuillonData> data = fuzz::NewData();
    TQuillonPrefs& prefs = data->Prefs();
    const std::string ini = data->IniFileName();
    // The fixed lines come first, and the first of two equal keys wins: the
    // HOSTS file and the editor stay inside the folder whatever follows.
    fuzz::WriteFile(ini, fuzz::IniText() + std::string(reinterpret_cast<const char*>(bytes), size));
    try {
        TIniFile file(ini);
        for (const std::string& section : file.Sections())
            for (const std::string& key : file.ReadSection(section)) {
                (void)file.ReadString(section, key, "");
                (void)file.ReadInteger(section, key, 0);
                (void)file.ReadBool(section, key, false);
            }
        prefs.LoadPrefs();
    } catch (const EQuillonError&) {
        return 0;   // a file refused with a message naming it
    }
    if (prefs.HostsFile != fuzz::Dir() + "hosts" || prefs.TextEditor != fuzz::Dir() + "no-editor")
        std::abort();
    // Saving is a fixed point: what one save wrote, a load and a second save write again.
    prefs.SavePrefs();
    const std::string first = platform::ReadWholeFile(ini);
    prefs.LoadPrefs();
    prefs.SavePrefs();
    if (platform::ReadWholeFile(ini) != first)
        std::abort();
    return 0;
}
