// Filter expressions of the tables: "field = n", "field LIKE 'pattern'", joined by "and".
#pragma once

#include "core/Table.h"

#include <string>
#include <string_view>
#include <vector>

struct TFilterCondition {
    enum Op { Equal, Like } op = Equal;
    std::string field;
    TValue value;   // a number, or a text with its doubled quotes undone
};

// Throws EQuillonError naming the expression when it cannot be parsed.
std::vector<TFilterCondition> ParseFilter(const std::string& expression);

// Whole-text match ignoring A-Z case: '%' is any run of characters, '_' any one.
bool LikeMatch(std::string_view text, std::string_view pattern);
