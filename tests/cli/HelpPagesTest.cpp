// The Help folder beside the built program: every topic the program opens is there, and every link in it leads somewhere.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// Where the program looks for its pages: beside itself.
fs::path HelpDir() { return fs::path(QUILLON_BINARY).parent_path() / "Help"; }

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::set<std::string> Matches(const std::string& text, const std::regex& pattern)
{
    std::set<std::string> found;
    for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it)
        found.insert((*it)[1].str());
    return found;
}

// Every topic passed to ShowHelp in the sources, so a window added later is
// covered as soon as it opens a page.
std::set<std::string> TopicsInSources()
{
    const std::regex call(R"re(ShowHelp\(\s*"([^"]+)"\s*\))re");
    std::set<std::string> topics;
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(QUILLON_SOURCE_DIR) / "src")) {
        const fs::path ext = entry.path().extension();
        if (ext == ".cpp" || ext == ".h")
            topics.merge(Matches(ReadFile(entry.path()), call));
    }
    return topics;
}

}   // namespace

TEST(HelpPages, EveryTopicTheProgramOpensIsBesideTheProgram)
{
    const std::set<std::string> fromSources = TopicsInSources();
    ASSERT_FALSE(fromSources.empty()) << "no ShowHelp call found under " << QUILLON_SOURCE_DIR;

    // Also the pages of windows that other pages and windows lead to.
    std::set<std::string> topics = {"index.html",    "mainscreen.html", "commands.html", "prefs.html",
                                    "export.html",   "import.html",     "registry.html", "groups.html",
                                    "badhosts.html", "goodhosts.html"};
    topics.insert(fromSources.begin(), fromSources.end());
    for (const std::string& topic : topics)
        EXPECT_TRUE(fs::is_regular_file(HelpDir() / topic)) << topic << " is missing from " << HelpDir();
}

TEST(HelpPages, EveryLinkAndStylesheetLeadsToAnExistingPageAndAnchor)
{
    const std::regex reference(R"re(\b(?:href|src)\s*=\s*"([^"]*)")re", std::regex::icase);
    const std::regex anchor(R"re(\bid\s*=\s*"([^"]*)")re", std::regex::icase);
    int pages = 0;
    for (const auto& entry : fs::directory_iterator(HelpDir())) {
        if (entry.path().extension() != ".html")
            continue;
        ++pages;
        const std::string page = entry.path().filename().string();
        const std::string text = ReadFile(entry.path());
        EXPECT_NE(text.find("href=\"help.css\""), std::string::npos) << page << " does not use help.css";
        for (const std::string& link : Matches(text, reference)) {
            if (link.find("://") != std::string::npos || link.rfind("mailto:", 0) == 0)
                continue;
            const size_t hash = link.find('#');
            const std::string file = link.substr(0, hash);
            const fs::path target = file.empty() ? entry.path() : HelpDir() / file;
            if (!fs::is_regular_file(target)) {
                ADD_FAILURE() << page << ": " << link << " leads to no file";
                continue;
            }
            if (hash != std::string::npos) {
                EXPECT_EQ(Matches(ReadFile(target), anchor).count(link.substr(hash + 1)), 1u)
                    << page << ": " << link << " names no anchor";
            }
        }
    }
    EXPECT_GT(pages, 0) << "no pages in " << HelpDir();
}
