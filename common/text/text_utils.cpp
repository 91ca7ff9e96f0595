#include "text/text_utils.h"

#include <algorithm>

namespace text {
namespace {

// Length of the valid UTF-8 sequence starting at s[i], or 0 when none starts there.
std::size_t validSequence(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80) return 1;
    // The second byte's range rules out overlong forms (after E0 and F0), surrogates (after ED)
    // and values above U+10FFFF (after F4); C0, C1 and F5 to FF never begin a sequence.
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        if (b0 == 0xE0) low = 0xA0;
        if (b0 == 0xED) high = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        if (b0 == 0xF0) low = 0x90;
        if (b0 == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > s.size()) return 0;
    if (byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
    return length;
}

bool isValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = validSequence(bytes, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

// A Latin-1 byte 0x80-0xFF as its two-byte UTF-8 form.
void appendLatin1(std::string& out, unsigned char byte) {
    out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
    out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
}

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

std::string validUtf8(std::string_view bytes) {
    std::string utf8;
    utf8.reserve(bytes.size() + bytes.size() / 8);
    for (std::size_t i = 0; i < bytes.size();) {
        if (const std::size_t n = validSequence(bytes, i)) {
            utf8.append(bytes, i, n);
            i += n;
        } else {
            appendLatin1(utf8, static_cast<unsigned char>(bytes[i++]));
        }
    }
    return utf8;
}

std::string utf8OrLatin1(std::string_view bytes) {
    if (isValidUtf8(bytes)) return std::string(bytes);
    std::string utf8;
    utf8.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) < 0x80)
            utf8.push_back(c);
        else
            appendLatin1(utf8, static_cast<unsigned char>(c));
    }
    return utf8;
}

std::size_t wholeCharacterPrefix(std::string_view bytes, std::size_t maxBytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t n = std::max<std::size_t>(1, validSequence(bytes, i));
        if (i + n > maxBytes) break;
        i += n;
    }
    return i;
}

std::size_t characterCount(std::string_view utf8) {
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return !isContinuationByte(c); }));
}

std::size_t characterPrefix(std::string_view utf8, std::size_t characters) {
    std::size_t end = 0;
    for (std::size_t seen = 0; end < utf8.size(); ++end)
        if (!isContinuationByte(utf8[end]) && seen++ == characters) break;
    return end;
}

std::string trimmed(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32)
        --end;
    return std::string(text.substr(begin, end - begin));
}

} // namespace text
