#include "data/colours.h"
#include "data/settings_key.h"

#include "store_fixture.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace zc::test {
namespace {

using ColoursTest = StoreTest;

void writeColours(const std::vector<std::pair<const char*, ColourRef>>& values) {
    SettingsKey key;
    key.openGroup("Colors");
    for (const auto& [name, value] : values)
        key.writeDword(name, static_cast<std::int32_t>(value));
}

TEST_F(ColoursTest, LoadingReadsWhatIsStoredAndKeepsTextReadable) {
    struct Row {
        const char* what;
        std::vector<std::pair<const char*, ColourRef>> stored;
        Colours expected;
    };
    // Missing values read as their defaults.
    Colours onlyText{};
    onlyText.fore = 0x123456;
    Colours sameAsBack{0x000000, 0xFFFFFF, 0x0000FF, 0xFF00FF, 0xFFFFFF, 0xFFFFFF, 0x000000, 0xFFFFFF};
    Colours foreOnBothPlanners{0x000000, 0xFFFFFF, 0x0000FF, 0xFF00FF,
                               0xFFFFFF, 0xFFFFFF, 0x000000, 0xFFFFFF};
    const Row rows[] = {
        // A first run killed before its first exit leaves the group empty.
        {"empty group", {}, Colours{}},
        {"only fore", {{"fore", 0x123456}}, onlyText},
        // Yellow text on the default yellow background cannot be read.
        {"only fore, the background's colour", {{"fore", 0x00FFFF}}, sameAsBack},
        {"back equals fore", {{"fore", 0x123456}, {"back", 0x123456}}, sameAsBack},
        {"fore equals both planner colours",
         {{"fore", 0x808080},
          {"back", 0x00FF00},
          {"dayplan1", 0x808080},
          {"dayplan2", 0x808080},
          {"currentday", 0x0000FF},
          {"hasappoint", 0xFF00FF}},
         foreOnBothPlanners},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SettingsKey root;
        root.openPath("");
        root.deleteSubkey("Colors");
        writeColours(row.stored);
        EXPECT_EQ(loadColours(), row.expected);
    }
}

TEST_F(ColoursTest, ANewColoursGroupLeavesTheDefaults) {
    EXPECT_EQ(loadColours(), Colours{});
}

} // namespace
} // namespace zc::test
