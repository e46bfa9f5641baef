// Program entry: display detection, then the headless command line, or the data folder's claim, the application object, the message presenter and the main window.
#include "app/FolderClaim.h"
#include "app/HeadlessRun.h"
#include "core/CommandLine.h"
#include "core/DataUnit.h"
#include "core/Messages.h"
#include "platform/Platform.h"
#include "ui/ErrorGuard.h"
#include "ui/MainUnit.h"
#include "ui/QtMessagePresenter.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

enum class TDisplay { Available, Offscreen, Missing };

bool EnvSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

#if defined(_WIN32) || defined(__APPLE__)
constexpr bool DisplayNamedInEnvironment = false;   // the desktop is simply there
#else
constexpr bool DisplayNamedInEnvironment = true;
#endif

// Decided before the application object exists, because Qt ends the process
// when its platform plugin finds no display. Qt tries a ";" list of platforms
// in order, each perhaps with ":options".
TDisplay DetectDisplay()
{
    const bool x11 = !DisplayNamedInEnvironment || EnvSet("DISPLAY");
    const bool wayland = !DisplayNamedInEnvironment || EnvSet("WAYLAND_DISPLAY");
    const std::string list = EnvSet("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "";
    if (list.empty())
        return x11 || wayland ? TDisplay::Available : TDisplay::Missing;
    for (size_t from = 0; from <= list.size();) {
        const size_t end = std::min(list.find(';', from), list.size());
        const std::string entry = list.substr(from, end - from);
        const std::string name = entry.substr(0, entry.find(':'));
        from = end + 1;
        if (name == "offscreen")
            return TDisplay::Offscreen;
        if (name == "xcb") {
            if (x11)
                return TDisplay::Available;
        } else if (name.rfind("wayland", 0) == 0) {
            if (wayland)
                return TDisplay::Available;
        } else if (!name.empty()) {
            return TDisplay::Available;   // a platform of its own kind; Qt decides
        }
    }
    return TDisplay::Missing;
}

}   // namespace

int main(int argc, char* argv[])
{
    // Dates in the files the program writes follow the user's locale.
    std::setlocale(LC_ALL, "");
    platform::TuneMemory();

    // Without a display the command line still runs, invisibly, through the
    // engines alone: a scheduled job has no screen, and perhaps no Qt
    // platform plugin either.
    const TDisplay display = DetectDisplay();
    if (display != TDisplay::Available) {
        if (argc < 2) {
            std::fputs(UsageText().c_str(), stderr);
            std::fprintf(stderr,
                         "%s: the window needs a display (set DISPLAY or run under a desktop session).\n",
                         AppTitle);
            return 2;
        }
        return RunHeadless(std::vector<std::string>(argv + 1, argv + argc));
    }

    // One window per data folder: a second start hands its command line to
    // the window that owns the folder, or with no arguments brings that
    // window to the front. A folder a command-line run holds is waited for;
    // if it stays busy, the window's own attempt below names the holder.
    const std::string dataFolder = TQuillonData().DataDir();
    std::unique_ptr<platform::TFolderLock> folderLock;
    try {
        TClaim claim = ClaimDataFolder(dataFolder, std::vector<std::string>(argv + 1, argv + argc),
                                       ClaimLimitsFromEnvironment());
        if (claim.handedOver)
            return *claim.handedOver;
        folderLock = std::move(claim.lock);
    } catch (const std::exception&) {
        // The window's start-up reports a lock file that cannot be opened.
    }

    TQuillonApplication app(argc, argv);
    // No display name: Qt would append it to every window title, and the
    // message captions must read exactly as given.
    QApplication::setApplicationName(AppTitle);
    TQtMessagePresenter presenter;

    std::unique_ptr<TMainForm> mainForm;
    if (!Guarded(nullptr,
                 [&] { mainForm = std::make_unique<TMainForm>(std::string(), std::move(folderLock)); }))
        return 1;
    mainForm->show();
    return app.exec();
}
