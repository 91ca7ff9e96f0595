#include "data/utf8_text.h"

#include <algorithm>

namespace zc {
namespace {

// Length of the valid UTF-8 sequence starting at s[i], or 0 when none starts there. Overlong
// forms, surrogates and values above U+10FFFF are not valid.
std::size_t validSequence(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80) return 1;
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

} // namespace

std::string validUtf8(std::string_view bytes) {
    std::string utf8;
    utf8.reserve(bytes.size() + bytes.size() / 8);
    for (std::size_t i = 0; i < bytes.size();) {
        if (const std::size_t n = validSequence(bytes, i)) {
            utf8.append(bytes, i, n);
            i += n;
        } else {
            // A Latin-1 byte 0x80-0xFF as its two-byte UTF-8 form.
            const auto b = static_cast<unsigned char>(bytes[i++]);
            utf8.push_back(static_cast<char>(0xC0 | (b >> 6)));
            utf8.push_back(static_cast<char>(0x80 | (b & 0x3F)));
        }
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

} // namespace zc
