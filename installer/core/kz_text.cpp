#include "core/kz_text.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

// Length of the valid UTF-8 sequence starting at s[i], or 0 when the bytes there are not one
// (overlong forms, surrogates and code points beyond U+10FFFF included).
std::size_t Utf8SequenceLength(const std::string& s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80) return 1;
    std::size_t length;
    unsigned int min;
    unsigned int code;
    if ((c & 0xE0) == 0xC0) {
        length = 2, min = 0x80, code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3, min = 0x800, code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4, min = 0x10000, code = c & 0x07;
    } else {
        return 0;
    }
    if (i + length > s.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Counts characters, not bytes, so a line of accented letters wraps where a line of plain ones does.
std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (char c : text)
        count += !IsContinuationByte(c);
    return count;
}

// Splits one line into pieces of at most KzMessageLineLength characters.
void WrapLine(std::string_view line, std::vector<std::string>& out) {
    while (CharacterCount(line) > KzMessageLineLength) {
        // The byte offset just after the last character that still fits.
        std::size_t end = 0;
        for (std::size_t chars = 0; end < line.size(); ++end) {
            if (!IsContinuationByte(line[end]) && chars++ == KzMessageLineLength) break;
        }
        // Prefer a break after a blank or a separator in the last third of the piece.
        std::size_t cut = end;
        for (std::size_t i = end; i > end * 2 / 3; --i) {
            const char c = line[i - 1];
            if (c == ' ' || c == '/' || c == '\\') {
                cut = i;
                break;
            }
        }
        std::string piece(line.substr(0, cut));
        while (!piece.empty() && piece.back() == ' ')
            piece.pop_back();
        out.push_back(std::move(piece));
        line.remove_prefix(cut);
        while (!line.empty() && line.front() == ' ')
            line.remove_prefix(1);
    }
    out.emplace_back(line);
}

} // namespace

std::string KzTrim(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32)
        --end;
    return std::string(text.substr(begin, end - begin));
}

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

std::string KzToUtf8(const std::string& bytes) {
    bool valid = true;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = Utf8SequenceLength(bytes, i);
        if (length == 0) {
            valid = false;
            break;
        }
        i += length;
    }
    if (valid) return bytes;
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
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

std::string KzWrapMessage(const std::string& text) {
    std::vector<std::string> lines;
    std::string_view rest(text);
    for (;;) {
        const std::size_t end = rest.find_first_of("\r\n");
        lines.emplace_back(rest.substr(0, end));
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    // The box wraps sentences at their blanks itself; what it cannot break is a word longer than a
    // line (a path), which gets breaks of its own. A text too long for any box is cut down to its
    // first and last lines.
    std::size_t rows = 0;
    for (const std::string& line : lines)
        rows += std::max<std::size_t>(1, (CharacterCount(line) + KzMessageLineLength - 1) / KzMessageLineLength);
    std::vector<std::string> wrapped;
    for (const std::string& line : lines) {
        if (rows > KzMessageMaxLines) {
            WrapLine(line, wrapped);
            continue;
        }
        // The words of the line, the long ones broken into pieces that each end a line.
        std::string out;
        std::size_t start = 0;
        while (start <= line.size()) {
            std::size_t end = line.find(' ', start);
            if (end == std::string::npos) end = line.size();
            std::vector<std::string> pieces;
            WrapLine(std::string_view(line).substr(start, end - start), pieces);
            for (std::size_t i = 0; i < pieces.size(); ++i) {
                if (i) wrapped.push_back(std::exchange(out, std::string()));
                out += pieces[i];
            }
            if (end == line.size()) break;
            out += ' ';
            start = end + 1;
        }
        wrapped.push_back(std::move(out));
    }
    if (wrapped.size() > KzMessageMaxLines) {
        const std::size_t head = KzMessageMaxLines / 2;
        const std::size_t tail = KzMessageMaxLines - head - 1;
        wrapped.erase(wrapped.begin() + static_cast<std::ptrdiff_t>(head),
                      wrapped.end() - static_cast<std::ptrdiff_t>(tail));
        wrapped.insert(wrapped.begin() + static_cast<std::ptrdiff_t>(head), "...");
    }
    std::string out;
    for (std::size_t i = 0; i < wrapped.size(); ++i) {
        if (i) out += '\n';
        out += wrapped[i];
    }
    return out;
}
