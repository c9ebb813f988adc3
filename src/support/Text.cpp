#include "support/Text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace tarnwick {

void DeleteText(std::string& text, std::size_t start, std::size_t length)
{
    if (start < 1 || start > text.size())
        return;
    text.erase(start - 1, length);
}

std::string CutText(std::string& text, std::size_t start, std::size_t length)
{
    if (start < 1 || start > text.size())
        return {};
    std::string piece = text.substr(start - 1, length);
    text.erase(start - 1, length);
    return piece;
}

void RemoveAll(std::string& text, std::string_view find)
{
    if (find.empty())
        return;
    // One pass with a write cursor: removing every occurrence costs O(n) whatever their number.
    std::size_t write = 0;
    std::size_t read = 0;
    while (read < text.size()) {
        if (text.compare(read, find.size(), find) == 0) {
            read += find.size();
            continue;
        }
        text[write++] = text[read++];
    }
    text.resize(write);
}

std::size_t ReplaceAll(std::string& text, std::string_view find, std::string_view replacement)
{
    if (find.empty())
        return 0;
    std::size_t count = 0;
    std::string result;
    std::size_t from = 0;
    for (std::size_t at = text.find(find); at != std::string::npos; at = text.find(find, from)) {
        result.append(text, from, at - from);
        result.append(replacement);
        from = at + find.size();
        ++count;
    }
    if (count == 0)
        return 0;
    result.append(text, from, std::string::npos);
    text = std::move(result);
    return count;
}

std::size_t FindFirstOf(std::size_t start, std::string_view set, std::string_view text)
{
    if (start < 1)
        start = 1;
    if (start > text.size())
        return 0;
    const std::size_t at = text.find_first_of(set, start - 1);
    return at == std::string_view::npos ? 0 : at + 1;
}

char ToLowerChar(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

static char ToUpperChar(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

static bool EqualAt(std::string_view text, std::size_t at, std::string_view find)
{
    for (std::size_t k = 0; k < find.size(); ++k) {
        if (ToLowerChar(text[at + k]) != ToLowerChar(find[k]))
            return false;
    }
    return true;
}

std::size_t FindLast(int skip, std::string_view text, std::string_view find)
{
    if (find.empty() || find.size() > text.size())
        return 0;
    // First candidate (1-based): len(text) - len(find) - skip + 2.
    const long long first = static_cast<long long>(text.size()) - static_cast<long long>(find.size()) - skip + 2;
    if (first < 1)
        return 0;
    const std::size_t limit = std::min<std::size_t>(static_cast<std::size_t>(first), text.size() - find.size() + 1);
    for (std::size_t i = limit; i >= 1; --i) {
        if (EqualAt(text, i - 1, find))
            return i;
    }
    return 0;
}

std::size_t Find(std::string_view text, std::string_view find, std::size_t start)
{
    if (find.empty())
        return 0;
    if (start < 1)
        start = 1;
    if (start > text.size())
        return 0;
    const std::size_t at = text.find(find, start - 1);
    return at == std::string_view::npos ? 0 : at + 1;
}

std::size_t FindIgnoreCase(std::string_view text, std::string_view find, std::size_t start)
{
    if (find.empty())
        return 0;
    if (start < 1)
        start = 1;
    if (start > text.size() || find.size() > text.size())
        return 0;
    const char lower = ToLowerChar(find[0]);
    const char upper = ToUpperChar(find[0]);
    const std::size_t last = text.size() - find.size();
    for (std::size_t i = start - 1; i <= last; ++i) {
        const char c = text[i];
        if ((c == lower || c == upper) && EqualAt(text, i, find))
            return i + 1;
    }
    return 0;
}

std::string_view Mid(std::string_view text, std::size_t start, std::size_t length)
{
    if (start < 1 || start > text.size())
        return {};
    return text.substr(start - 1, length);
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && EqualAt(a, 0, b);
}

std::string ToLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = ToLowerChar(c);
    return out;
}

std::string ToUpper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = ToUpperChar(c);
    return out;
}

std::string_view TrimBlanks(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

double ReadNumber(std::string_view text)
{
    // Keep only the characters that can matter, dropping blanks, tabs and line feeds wherever they
    // stand, and stop as soon as the number can no longer go on (so a 10 MB text costs nothing).
    std::string number;
    bool digits = false;
    bool point = false;
    bool exponent = false;
    bool exponentDigits = false;
    std::size_t validLength = 0; // length of the longest prefix that is a complete number
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\n')
            continue;
        const std::size_t at = number.size();
        if (c >= '0' && c <= '9') {
            number += c;
            if (exponent)
                exponentDigits = true;
            else
                digits = true;
        } else if ((c == '+' || c == '-')
            && (at == 0 || (exponent && (number.back() == 'e' || number.back() == 'E')))) {
            number += c;
        } else if (c == '.' && !point && !exponent) {
            number += c;
            point = true;
        } else if ((c == 'e' || c == 'E') && digits && !exponent) {
            number += c;
            exponent = true;
        } else {
            break;
        }
        if (digits && (!exponent || exponentDigits))
            validLength = number.size();
        if (number.size() > 400)
            break; // far beyond the precision of a double
    }
    if (validLength == 0)
        return 0.0;
    number.resize(validLength);
    const double value = std::strtod(number.c_str(), nullptr);
    return std::isfinite(value) ? value : 0.0;
}

double RoundHalfEven(double value)
{
    return std::nearbyint(value); // the default rounding mode rounds halves to even
}

bool ReadInt16(std::string_view text, int& value)
{
    const double rounded = RoundHalfEven(ReadNumber(text));
    if (rounded < std::numeric_limits<short>::min() || rounded > std::numeric_limits<short>::max())
        return false;
    value = static_cast<int>(rounded);
    return true;
}

std::string NumberText(double value)
{
    if (!std::isfinite(value) || value == 0.0)
        return "0";
    const double magnitude = std::fabs(value);
    const int integerDigits = static_cast<int>(std::floor(std::log10(magnitude))) + 1;
    const int decimals = std::clamp(15 - integerDigits, 0, 340);
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text(buffer);
    if (text.find('.') != std::string::npos) {
        while (!text.empty() && text.back() == '0')
            text.pop_back();
        if (!text.empty() && text.back() == '.')
            text.pop_back();
    }
    if (text == "-0")
        text = "0";
    return text;
}

} // namespace tarnwick
