// What the fuzz targets share: a private data folder whose Quillon.ini keeps HOSTS and the editor inside it.
#pragma once

#include "core/DataUnit.h"
#include "core/Messages.h"
#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace fuzz {

// Writes a file whole without the atomic writer's flush: only scratch files here.
inline void WriteFile(const std::string& path, const std::string& content)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    if (!content.empty() && std::fwrite(content.data(), 1, content.size(), f) != content.size())
        std::abort();
    std::fclose(f);
}

// The folder (with a trailing '/'), made once per process and removed at exit.
// A memory file system keeps the many flushed saves of a run cheap.
inline const std::string& Dir()
{
    // Never freed: the removal at exit runs after static objects are gone.
    static const std::string* dir = [] {
        std::string base = platform::DirectoryExists("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string pattern = base + "/quillon-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        auto* made = new std::string(pattern + "/");
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(Dir(), ec);
        });
        return made;
    }();
    return *dir;
}

// The preferences every target starts from: HOSTS and the text editor inside
// the folder, so nothing outside it is ever written or started.
inline std::string IniText()
{
    return "[Preferences]\nHostsFile=" + Dir() + "hosts\nTextEditor=" + Dir() + "no-editor\n";
}

// Messages are not shown (a run would print thousands); questions are answered Yes.
class TQuietPresenter : public IMessagePresenter {
public:
    int Present(const TMessageRequest& request) override { return request.buttons & mbYes ? mrYes : mrOk; }
};

// A data module over the folder with its preferences loaded.
inline std::unique_ptr<TQuillonData> NewData()
{
    static TQuietPresenter quiet;
    SetMessagePresenter(&quiet);
    WriteFile(Dir() + "Quillon.ini", IniText());
    auto data = std::make_unique<TQuillonData>(Dir());
    data->Prefs().LoadPrefs();
    if (data->Prefs().HostsFile != Dir() + "hosts" || data->Prefs().TextEditor != Dir() + "no-editor")
        std::abort();
    return data;
}

}   // namespace fuzz
