// Environment expansion cases that every platform layer must pass, and the test that runs a table of them.
#pragma once

#include "platform/Platform.h"
#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

struct TExpandCase {
    const char* name;
    const char* text;
    const char* expanded;
};

inline void PrintTo(const TExpandCase& c, std::ostream* os) { *os << c.name; }

// Each platform's test file instantiates this with SharedExpandCases and
// with the cases only its own platform defines.
class ExpandEnvVars : public testing::TestWithParam<TExpandCase> {};

TEST_P(ExpandEnvVars, ReplacesKnownVariablesOnly)
{
    TScopedEnv env;
    env.Set("QUILLON_T_ROOT", "C:\\Windows");
    env.Set("QUILLON_T_EMPTY", "");
    env.Unset("QUILLON_T_UNSET");
    EXPECT_EQ(platform::ExpandEnvVars(GetParam().text), GetParam().expanded);
}

inline const TExpandCase SharedExpandCases[] = {
    {"NoReference", "plain text", "plain text"},
    {"Empty", "", ""},
    {"WholeText", "%QUILLON_T_ROOT%", "C:\\Windows"},
    {"InsidePath", "%QUILLON_T_ROOT%\\System32\\drivers\\etc", "C:\\Windows\\System32\\drivers\\etc"},
    {"Twice", "%QUILLON_T_ROOT%;%QUILLON_T_ROOT%", "C:\\Windows;C:\\Windows"},
    {"EmptyValue", "[%QUILLON_T_EMPTY%]", "[]"},
    {"UnsetStaysAsWritten", "a%QUILLON_T_UNSET%b", "a%QUILLON_T_UNSET%b"},
    {"LonePercent", "100% sure", "100% sure"},
};

inline std::string ExpandCaseName(const testing::TestParamInfo<TExpandCase>& info) { return info.param.name; }
