// A stand-in for the programs the tests start: it adds the line
// "folder|argument count|arguments separated by spaces" to record.log beside itself.
#include <string>

#include <windows.h>

namespace {

std::string ReadLog(const std::string& name)
{
    std::string content;
    HANDLE file =
        CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return content;
    char buffer[4096];
    DWORD got;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got)
        content.append(buffer, got);
    CloseHandle(file);
    return content;
}

}   // namespace

int main(int argc, char** argv)
{
    char exe[MAX_PATH];
    std::string folder(exe, GetModuleFileNameA(nullptr, exe, MAX_PATH));
    folder.erase(folder.find_last_of("\\/") + 1);
    char current[MAX_PATH];
    std::string line(current, GetCurrentDirectoryA(MAX_PATH, current));
    line += "|" + std::to_string(argc - 1) + "|";
    for (int i = 1; i < argc; ++i)
        line += std::string(i > 1 ? " " : "") + argv[i];
    line += "\n";

    // The whole log appears at once under its name: the test reads it as soon as it exists.
    const std::string log = folder + "record.log";
    const std::string part = folder + "record.part";
    std::string content = ReadLog(log) + line;
    HANDLE file = CreateFileA(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD put;
    bool ok = WriteFile(file, content.data(), DWORD(content.size()), &put, nullptr) && put == content.size();
    CloseHandle(file);
    return ok && MoveFileExA(part.c_str(), log.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
