#include "ui/display_text.h"

#include <gtest/gtest.h>

namespace zc::test {
namespace {

TEST(DisplayTextTest, ValidUtf8StaysAndStrayBytesShowAsLatin1) {
    struct Row {
        std::string bytes;
        const wchar_t* shown;
    };
    const Row rows[] = {
        {"Plain", L"Plain"},
        {"Caf\xC3\xA9", L"Caf\u00E9"},
        {"Caf\xE9", L"Caf\u00E9"},
        {"\xE9t\xE9 \xE2\x82\xAC", L"\u00E9t\u00E9 \u20AC"},
        {"cut \xE2\x82", L"cut \u00E2\u0082"},          // a sequence cut short
        {"\xC0\xAF", L"\u00C0\u00AF"},                  // an overlong "/"
        {"\xED\xA0\x80", L"\u00ED\u00A0\u0080"},        // a surrogate
        {"\xF0\x9F\x93\x85 day", L"\U0001F4C5 day"},
        {"", L""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(displayText(row.bytes), wxString(row.shown)) << row.bytes;
}

} // namespace
} // namespace zc::test
