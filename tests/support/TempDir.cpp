// Temporary folders for tests.
#include "support/TempDir.h"

#include "platform/Platform.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

TTempDir::TTempDir()
{
#ifdef _WIN32
    // No mkdtemp here: try random names until one is free.
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
        const std::string name = "quillon-test-" + std::to_string(random() % 1000000000);
        std::filesystem::path folder = std::filesystem::temp_directory_path() / name;
        if (std::filesystem::create_directory(folder))
            path = folder.string() + platform::PathDelim;
    }
    if (path.empty())
        throw std::runtime_error("cannot create a temporary folder");
#else
    std::string tmpl = (std::filesystem::temp_directory_path() / "quillon-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("cannot create a temporary folder");
    path = tmpl + platform::PathDelim;
#endif
}

TTempDir::~TTempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
#ifdef _WIN32
    // A program a test started may still be running from the folder or be its
    // working folder; Windows deletes neither until it has ended.
    for (int attempt = 0; ec && attempt < 40; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::filesystem::remove_all(path, ec);
    }
#endif
}

void TTempDir::Write(const std::string& name, const std::string& content) const
{
    std::ofstream out(File(name), std::ios::binary);
    out << content;
}

std::string TTempDir::Read(const std::string& name) const
{
    std::ifstream in(File(name), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool TTempDir::Exists(const std::string& name) const { return std::filesystem::exists(File(name)); }
