// TIniFile: an INI file held in memory, read whole and written whole.
#include "settings/IniFile.h"

#include "platform/Errors.h"
#include "platform/Platform.h"

#include <charconv>
#include <string_view>

namespace {

std::string Lower(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return result;
}

// Blanks and control characters, the way the file's other readers trim.
std::string_view Trim(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

bool ParseInt(std::string_view text, int& value)
{
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || text.front() == '-')
            return false;
    }
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

}   // namespace

TIniFile::TIniFile(const std::string& fileName) : fileName(fileName)
{
    if (!platform::FileExists(fileName))
        return;
    const std::string content = platform::ReadWholeFile(fileName);
    // A damaged file (NUL bytes where text should be) is refused rather than
    // read as defaults: the next save would otherwise replace every setting,
    // the HOSTS file's location among them, without a word.
    if (content.find('\0') != std::string::npos)
        throw EQuillonError("Cannot read file " + fileName +
                            ": it is damaged (it holds NUL bytes, so it is not a text file). "
                            "Repair or delete it.");
    Parse(content);
}

void TIniFile::Parse(const std::string& content)
{
    std::string_view rest(content);
    TSection* current = nullptr;
    while (!rest.empty()) {
        size_t eol = rest.find('\n');
        std::string_view line = Trim(rest.substr(0, eol));
        rest.remove_prefix(eol == std::string_view::npos ? rest.size() : eol + 1);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
            current = &AddSection(std::string(Trim(line.substr(1, line.size() - 2))));
            continue;
        }
        size_t eq = line.find('=');
        if (!current || eq == std::string_view::npos)
            continue;
        std::string_view key = Trim(line.substr(0, eq));
        if (key.empty())
            continue;
        auto [it, added] = current->index.try_emplace(Lower(key), current->values.size());
        if (added)
            current->values.emplace_back(key, Trim(line.substr(eq + 1)));
    }
}

const TIniFile::TSection* TIniFile::FindSection(const std::string& section) const
{
    auto it = sectionIndex.find(Lower(section));
    return it == sectionIndex.end() ? nullptr : &sections[it->second];
}

TIniFile::TSection& TIniFile::AddSection(const std::string& section)
{
    auto [it, added] = sectionIndex.try_emplace(Lower(section), sections.size());
    if (added)
        sections.push_back(TSection{section, {}, {}});
    return sections[it->second];
}

const std::string* TIniFile::FindValue(const std::string& section, const std::string& key) const
{
    const TSection* found = FindSection(section);
    if (!found)
        return nullptr;
    auto it = found->index.find(Lower(key));
    return it == found->index.end() ? nullptr : &found->values[it->second].second;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const
{
    const std::string* value = FindValue(section, key);
    return value ? *value : def;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const
{
    const std::string* text = FindValue(section, key);
    int value = 0;
    return text && ParseInt(*text, value) ? value : def;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const
{
    const std::string* text = FindValue(section, key);
    int value = 0;
    return text && ParseInt(*text, value) ? value != 0 : def;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    TSection& target = AddSection(section);
    auto [it, added] = target.index.try_emplace(Lower(key), target.values.size());
    if (added)
        target.values.emplace_back(key, value);
    else
        target.values[it->second].second = value;
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value)
{
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::SectionExists(const std::string& section) const { return FindSection(section) != nullptr; }

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const
{
    return FindValue(section, key) != nullptr;
}

void TIniFile::EraseSection(const std::string& section)
{
    auto it = sectionIndex.find(Lower(section));
    if (it == sectionIndex.end())
        return;
    sections.erase(sections.begin() + std::ptrdiff_t(it->second));
    sectionIndex.clear();
    for (size_t i = 0; i < sections.size(); ++i)
        sectionIndex.emplace(Lower(sections[i].name), i);
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key)
{
    auto found = sectionIndex.find(Lower(section));
    if (found == sectionIndex.end())
        return;
    TSection& target = sections[found->second];
    auto it = target.index.find(Lower(key));
    if (it == target.index.end())
        return;
    target.values.erase(target.values.begin() + std::ptrdiff_t(it->second));
    target.index.clear();
    for (size_t i = 0; i < target.values.size(); ++i)
        target.index.emplace(Lower(target.values[i].first), i);
}

std::vector<std::string> TIniFile::Sections() const
{
    std::vector<std::string> names;
    names.reserve(sections.size());
    for (const TSection& section : sections)
        names.push_back(section.name);
    return names;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const
{
    std::vector<std::string> keys;
    if (const TSection* found = FindSection(section)) {
        keys.reserve(found->values.size());
        for (const auto& [key, value] : found->values)
            keys.push_back(key);
    }
    return keys;
}

void TIniFile::UpdateFile() const
{
    const std::string_view eol = platform::LineEnd;
    std::string content;
    for (const TSection& section : sections) {
        content.append("[").append(section.name).append("]").append(eol);
        for (const auto& [key, value] : section.values)
            content.append(key).append("=").append(value).append(eol);
        content.append(eol);
    }
    platform::WriteFileAtomic(fileName, content, platform::TFileKind::Settings);
}
