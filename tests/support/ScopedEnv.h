// Sets environment variables for one test and restores them afterwards.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class TScopedEnv {
public:
    ~TScopedEnv()
    {
        for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
            if (it->second)
                setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                unsetenv(it->first.c_str());
        }
    }
    void Set(const std::string& name, const std::string& value)
    {
        Remember(name);
        setenv(name.c_str(), value.c_str(), 1);
    }
    void Unset(const std::string& name)
    {
        Remember(name);
        unsetenv(name.c_str());
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
    void Remember(const std::string& name)
    {
        const char* value = std::getenv(name.c_str());
        saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
};
