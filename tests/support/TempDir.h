// A fresh temporary folder per test, removed with everything in it afterwards.
#pragma once

#include <string>

class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    // The folder, with a trailing path delimiter.
    const std::string& Path() const { return path; }
    std::string File(const std::string& name) const { return path + name; }

    void Write(const std::string& name, const std::string& content) const;
    std::string Read(const std::string& name) const;
    bool Exists(const std::string& name) const;

private:
    std::string path;
};
