// Temporary folders for tests.
#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

TTempDir::TTempDir()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "quillon-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("cannot create a temporary folder");
    path = tmpl + "/";
}

TTempDir::~TTempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
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
