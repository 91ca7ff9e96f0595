// Any bytes read as UTF-8 the two ways the programs need, cut without splitting a character, and
// trimmed.
#include "text/text_utils.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Utf8RepairTest, StrayBytesAreLatin1AndALineOfOneEncodingReadsWhole) {
    struct Row {
        std::string bytes;
        std::string repaired;  // validUtf8: each stray byte on its own
        std::string wholeLine; // utf8OrLatin1: the line either way
    };
    const Row rows[] = {
        {"Plain", "Plain", "Plain"},
        {"Caf\xC3\xA9", "Caf\xC3\xA9", "Caf\xC3\xA9"},
        {"Caf\xE9", "Caf\xC3\xA9", "Caf\xC3\xA9"},
        // Valid sequences beside stray bytes: kept by the repair, read as Latin-1 in a line.
        {"\xE9t\xE9 \xE2\x82\xAC", "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC",
         "\xC3\xA9t\xC3\xA9 \xC3\xA2\xC2\x82\xC2\xAC"},
        {"cut \xE2\x82", "cut \xC3\xA2\xC2\x82", "cut \xC3\xA2\xC2\x82"},         // a sequence cut short
        {"\xC0\xAF", "\xC3\x80\xC2\xAF", "\xC3\x80\xC2\xAF"},                     // an overlong "/"
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80", "\xC3\xAD\xC2\xA0\xC2\x80"}, // a surrogate
        {"\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80",
         "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80"}, // past U+10FFFF
        {"\xF0\x9F\x93\x85 day", "\xF0\x9F\x93\x85 day", "\xF0\x9F\x93\x85 day"},
        {"", "", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(text::validUtf8(row.bytes), row.repaired) << row.bytes;
        EXPECT_EQ(text::utf8OrLatin1(row.bytes), row.wholeLine) << row.bytes;
    }
}

TEST(Utf8CutTest, CutsKeepWholeCharacters) {
    // Cuts keep whole characters, whether valid UTF-8 sequences or single stray bytes.
    struct Row {
        std::string bytes;
        std::size_t maxBytes, kept;
    };
    const Row rows[] = {
        {"ab\xC3\xA9", 3, 2},   {"ab\xC3\xA9", 4, 4}, {"ab\xE9\xA9", 3, 3},
        {"\xE2\x82\xAC", 2, 0}, {"\xE2\x82", 1, 1},   {"", 5, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(text::wholeCharacterPrefix(row.bytes, row.maxBytes), row.kept) << row.bytes;

    // Counted in characters, a text of accented letters is cut where a plain one is.
    struct CountRow {
        std::string utf8;
        std::size_t characters, count, prefixBytes;
    };
    const CountRow counts[] = {
        {"abc", 2, 3, 2},
        {"\xC3\xA4\xC3\xB6\xC3\xBC", 2, 3, 4},
        {"a\xF0\x9F\x93\x85z", 2, 3, 5},
        {"ab", 5, 2, 2},
    };
    for (const CountRow& row : counts) {
        EXPECT_EQ(text::characterCount(row.utf8), row.count) << row.utf8;
        EXPECT_EQ(text::characterPrefix(row.utf8, row.characters), row.prefixBytes) << row.utf8;
    }
}

TEST(TrimTest, BlanksAndControlCharactersGoFromBothEndsOnly) {
    const std::pair<std::string, std::string> rows[] = {
        {"  name  ", "name"},
        {"\t\r\nname\r\n", "name"},
        {std::string("\0\x1F name\x01", 8), "name"},
        {"two  words", "two  words"},
        {"\xC2\xA0name", "\xC2\xA0name"}, // a no-break space is a character of the text
        {" \t ", ""},
    };
    for (const auto& [given, kept] : rows)
        EXPECT_EQ(text::trimmed(given), kept) << given;
}

} // namespace
