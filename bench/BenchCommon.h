// Shared pieces of the benchmarks: generated bad hosts, timing, memory, the report line.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <filesystem>
#include <unistd.h>

#include "core/Table.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

inline long RssKiB()
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

struct Row {
    std::string host;
    int group;
    std::string comment;
};

// Names of 2 to 5 labels, 100 groups, 30 % with a comment; every name unique.
inline std::vector<Row> Generate(size_t n)
{
    std::mt19937_64 rng(20261209);
    const char* tlds[] = {"com", "net", "org", "io", "de", "co.uk", "info", "ru"};
    auto label = [&](size_t len) {
        std::string s;
        for (size_t i = 0; i < len; ++i)
            s += char('a' + rng() % 26);
        return s;
    };
    std::vector<Row> rows;
    rows.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        int labels = 2 + int(rng() % 4);
        std::string host;
        for (int l = 0; l < labels - 2; ++l)
            host += label(3 + rng() % 6) + ".";
        host += label(4 + rng() % 8) + std::to_string(i) + "." + tlds[rng() % 8];
        if (rng() % 3 == 0)
            host[0] = char(host[0] - 32);   // some upper case, as lists have
        std::string comment = rng() % 10 < 3 ? "list " + label(5) + " " + std::to_string(rng() % 1000) : "";
        rows.push_back({host, int(1 + rng() % 100), comment});
    }
    return rows;
}

inline void Report(const char* what, double value, const char* unit, double budget,
                   const std::string& baseline)
{
    std::printf("  %-46s %10.3f %-3s (budget %.2f %s)   %s   %s\n", what, value, unit, budget, unit,
                value <= budget ? "ok  " : "OVER", baseline.c_str());
}

// A fresh folder for one run's files, with a trailing '/'.
inline std::string MakeTempDir()
{
    std::string dir = (std::filesystem::temp_directory_path() / "quillon-bench-XXXXXX").string();
    if (!mkdtemp(dir.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    return dir + "/";
}

// Appends and posts every row, as loading a list does.
inline void AppendRows(TTable& t, const std::vector<Row>& rows)
{
    int fHost = t.FieldNo("hostname"), fGroup = t.FieldNo("group_id"), fComment = t.FieldNo("comment");
    for (const Row& r : rows) {
        t.Append();
        t.SetField(fHost, TValue(r.host));
        t.SetField(fGroup, TValue(r.group));
        if (!r.comment.empty())
            t.SetField(fComment, TValue(r.comment));
        t.Post();
    }
}

}   // namespace bench
