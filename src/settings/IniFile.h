// TIniFile: an INI file held in memory, read whole and written whole.
#pragma once

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// Lines are trimmed, and so are keys and values on either side of the first
// '='. Empty lines, lines starting with ';', lines before the first section and
// lines without '=' are ignored; comments are therefore not written back.
// Section names and keys match without regard to ASCII letter case. Sections
// and keys keep the order in which they were first seen or created. A section
// that appears twice is one section; of a key that appears twice in a section
// the first line wins, and the later ones are dropped at the next UpdateFile.
class TIniFile {
public:
    // Loads the file; an absent file reads as empty. Throws EQuillonError when
    // the file exists but cannot be read, or holds NUL bytes (damaged).
    explicit TIniFile(const std::string& fileName);

    const std::string& FileName() const { return fileName; }

    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    // The default unless the whole value is a decimal integer (optional sign)
    // that fits in 32 bits.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    // True for an integer other than 0; the default for anything else.
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value);

    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    void EraseSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& key);
    std::vector<std::string> Sections() const;
    // The keys of a section, in file order.
    std::vector<std::string> ReadSection(const std::string& section) const;

    // Writes the whole file atomically with the platform's line end.
    void UpdateFile() const;

private:
    struct TSection {
        std::string name;
        std::vector<std::pair<std::string, std::string>> values;
        std::unordered_map<std::string, size_t> index;   // lower-cased key -> position in values
    };

    std::string fileName;
    std::vector<TSection> sections;
    std::unordered_map<std::string, size_t> sectionIndex;   // lower-cased name -> position

    void Parse(const std::string& content);
    const TSection* FindSection(const std::string& section) const;
    TSection& AddSection(const std::string& section);
    const std::string* FindValue(const std::string& section, const std::string& key) const;
};
