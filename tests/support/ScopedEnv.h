// Sets environment variables for one test and restores them afterwards.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

class TScopedEnv {
public:
    ~TScopedEnv()
    {
        for (auto it = saved.rbegin(); it != saved.rend(); ++it)
            Put(it->first, it->second);
    }
    void Set(const std::string& name, const std::string& value)
    {
        saved.emplace_back(name, Get(name));
        Put(name, value);
    }
    void Unset(const std::string& name)
    {
        saved.emplace_back(name, Get(name));
        Put(name, std::nullopt);
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;

    // The process environment; no value means unset.
    static std::optional<std::string> Get(const std::string& name);
    static void Put(const std::string& name, const std::optional<std::string>& value);
};
