// Parser and matcher of table filter expressions.
#include "core/TableFilter.h"

#include "platform/Errors.h"

#include <cctype>

namespace {

inline unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

class TParser {
public:
    explicit TParser(const std::string& e) : text(e) {}

    std::vector<TFilterCondition> Parse()
    {
        std::vector<TFilterCondition> out;
        SkipBlanks();
        if (pos == text.size())
            return out;
        for (;;) {
            out.push_back(Condition());
            SkipBlanks();
            if (pos == text.size())
                break;
            std::string word = Word();
            if (!TTable::SameText(word, "and"))
                Fail("\"and\" expected");
        }
        return out;
    }

private:
    const std::string& text;
    size_t pos = 0;

    [[noreturn]] void Fail(const std::string& why)
    {
        throw EQuillonError("Invalid filter expression \"" + text + "\": " + why + ".");
    }

    void SkipBlanks()
    {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
            ++pos;
    }

    std::string Word()
    {
        SkipBlanks();
        size_t start = pos;
        while (pos < text.size() && (std::isalnum(static_cast<unsigned char>(text[pos])) || text[pos] == '_'))
            ++pos;
        if (start == pos)
            Fail("a name was expected at position " + std::to_string(start + 1));
        return text.substr(start, pos - start);
    }

    TValue Operand()
    {
        SkipBlanks();
        if (pos < text.size() && text[pos] == '\'') {
            std::string s;
            ++pos;
            for (;;) {
                if (pos >= text.size())
                    Fail("unterminated quoted text");
                if (text[pos] == '\'') {
                    if (pos + 1 < text.size() && text[pos + 1] == '\'') {
                        s += '\'';
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                s += text[pos++];
            }
            return TValue(s);
        }
        size_t start = pos;
        if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
            ++pos;
        while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])))
            ++pos;
        std::string digits = text.substr(start, pos - start);
        if (digits.empty() || digits == "-" || digits == "+")
            Fail("a number or quoted text was expected at position " + std::to_string(start + 1));
        try {
            long long v = std::stoll(digits);
            if (v < INT32_MIN || v > INT32_MAX)
                Fail("number out of range");
            return TValue(static_cast<int>(v));
        } catch (const std::out_of_range&) {
            Fail("number out of range");
        }
    }

    TFilterCondition Condition()
    {
        TFilterCondition c;
        c.field = Word();
        SkipBlanks();
        if (pos < text.size() && text[pos] == '=') {
            ++pos;
            c.op = TFilterCondition::Equal;
        } else {
            std::string op = Word();
            if (!TTable::SameText(op, "like"))
                Fail("\"=\" or LIKE expected after " + c.field);
            c.op = TFilterCondition::Like;
        }
        c.value = Operand();
        if (c.op == TFilterCondition::Like && c.value.kind != TValue::Text)
            Fail("LIKE needs a quoted pattern");
        return c;
    }
};

}   // namespace

std::vector<TFilterCondition> ParseFilter(const std::string& expression)
{
    return TParser(expression).Parse();
}

bool LikeMatch(std::string_view text, std::string_view pattern)
{
    // Greedy match with a single back-track point at the last '%': linear for
    // the patterns users type.
    size_t t = 0, p = 0, starP = std::string_view::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '%') {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() &&
                   (pattern[p] == '_' || Lower(static_cast<unsigned char>(pattern[p])) ==
                                             Lower(static_cast<unsigned char>(text[t])))) {
            ++p;
            ++t;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '%')
        ++p;
    return p == pattern.size();
}
