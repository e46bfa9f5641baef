// Without a display and without arguments the program prints its usage, says the
// window needs one, and ends with status 2, before Qt could abort it.
#include "RunProgram.h"
#include "support/TempDir.h"

#include "core/CommandLine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

struct TNoDisplayCase {
    const char* name;
    std::vector<std::string> env;
};

void PrintTo(const TNoDisplayCase& c, std::ostream* os) { *os << c.name; }

class NoDisplay : public testing::TestWithParam<TNoDisplayCase> {};

TEST_P(NoDisplay, ExitsWithStatus2AndWritesNothing)
{
    TTempDir dir;
    const std::string copy = dir.File("quillon");
    std::filesystem::copy_file(QUILLON_BINARY, copy);

    const TRun run = RunWithoutDisplay(copy, dir.Path(), {}, GetParam().env);

    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err,
              UsageText() +
                  "Quillon: the window needs a display (set DISPLAY or run under a desktop session).\n");
    EXPECT_EQ(run.out, "");
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        files.insert(entry.path().filename().string());
    EXPECT_EQ(files, std::set<std::string>{"quillon"});
}

// The display a platform needs must be the one that is named.
INSTANTIATE_TEST_SUITE_P(
    Platforms, NoDisplay,
    testing::Values(
        TNoDisplayCase{"NothingSet", {}}, TNoDisplayCase{"OffscreenChosen", {"QT_QPA_PLATFORM=offscreen"}},
        TNoDisplayCase{"X11WithOnlyWayland", {"QT_QPA_PLATFORM=xcb", "WAYLAND_DISPLAY=wayland-0"}},
        TNoDisplayCase{"WaylandWithOnlyX11", {"QT_QPA_PLATFORM=wayland", "DISPLAY=:99"}},
        TNoDisplayCase{"NeitherFallback", {"QT_QPA_PLATFORM=wayland;xcb"}}),
    [](const auto& info) { return std::string(info.param.name); });
