// Messages filled from whole sentences: a translation may reorder the parts, and a translation
// whose placeholders do not fit its arguments shows them instead of reading past the arguments.
#include "text/translatable.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FilledTest, PlaceholdersTakeTheirArgumentsInOrderOrByPosition) {
    struct Row {
        const char* pattern;
        std::string filled;
    };
    const Row rows[] = {
        {"The file \"%s\" could not be read: %s.", "The file \"a.zcb\" could not be read: gone."},
        {"Wrote %d entries", "Wrote a.zcb entries"},
        {"%2$s, then %1$s", "gone, then a.zcb"},
        {"%1$s %3$d. %2$s", "a.zcb %3$d. gone"}, // no third argument: left as written
        {"%s %s %s", "a.zcb gone %s"},
        {"100%% of %s", "100% of a.zcb"},
        {"%x and %", "%x and %"},
        {"%0$s", "%0$s"},
        {"", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(text::filled(row.pattern, {"a.zcb", "gone"}), row.filled) << row.pattern;
}

} // namespace
