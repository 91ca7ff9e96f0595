#include "core/kz_text.h"
#include "text/translatable.h"

#include <limits>

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

} // namespace

std::string KzLowerAscii(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool KzParseNumber(const std::string& text, long long& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16, ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16, i += 2;
    }
    if (i >= text.size()) return false;
    // Accumulate as a negative number so that the smallest value still fits.
    constexpr long long lowest = std::numeric_limits<long long>::min();
    long long result = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (base == 10 && c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && IsHexDigit(c))
            digit = HexValue(c);
        else
            return false;
        if (result < (lowest + digit) / base) return false;
        result = result * base - digit;
    }
    if (!negative) {
        if (result == lowest) return false;
        result = -result;
    }
    value = result;
    return true;
}

std::vector<std::string> KzSplitArguments(std::string_view line) {
    std::vector<std::string> arguments;
    std::string current;
    bool quoted = false, have = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            have = true;
        } else if (!quoted && static_cast<unsigned char>(c) <= ' ') {
            if (have) arguments.push_back(current);
            current.clear();
            have = false;
        } else {
            current += c;
            have = true;
        }
    }
    if (have) arguments.push_back(current);
    return arguments;
}

std::string KzFormatted(const char* english, std::initializer_list<std::string_view> arguments) {
    std::string message = text::formatted(english, arguments);
    for (char& c : message)
        if (c == '\n') c = '\r';
    return message;
}
