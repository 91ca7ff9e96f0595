// Message texts that fit a box: each program's shape of wrapping, and the repair both apply first.
#include "text/message_wrap.h"

#include "text/text_utils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The pieces of a text between any of the delimiters, empty ones included.
std::vector<std::string> pieces(const std::string& text, const char* delimiters) {
    std::vector<std::string> found;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find_first_of(delimiters, start);
        found.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return found;
        start = end + 1;
    }
}

TEST(WrapMessageTest, EveryLineAndTheWholeTextFitABox) {
    // Sentences are left to the box, which wraps them at their blanks; a long path is broken.
    EXPECT_EQ(text::wrapMessage("Unable to create directory\r/opt/x/\r\rspecify another directory."),
              "Unable to create directory\n/opt/x/\n\nspecify another directory.");
    const std::string sentence =
        "Drive:  /tmp/kz-dialogs-S0HBow/cdrom-without-disc: not ready. And more words.";
    EXPECT_EQ(text::wrapMessage(sentence), sentence);
    const std::string path = "/" + std::string(70, 'a') + "/" + std::string(20, 'b');
    EXPECT_EQ(text::wrapMessage("Can not copy file to:\r" + path + " now"),
              "Can not copy file to:\n/" + std::string(70, 'a').substr(0, 59) + "\n" + std::string(11, 'a') +
                  "/" + std::string(20, 'b') + " now");

    // A path of 131,000 characters: lines of at most 60 characters, broken after a separator where
    // there is one, and no more than 20 lines, the start and the end of the text kept.
    std::string huge;
    while (huge.size() < 131000)
        huge += "/folder" + std::to_string(huge.size());
    const std::string wrapped = text::wrapMessage("Can not copy file to:\r" + huge);
    std::vector<std::string> lines;
    for (std::size_t start = 0;;) {
        const std::size_t end = wrapped.find('\n', start);
        lines.push_back(wrapped.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    EXPECT_EQ(lines.size(), text::kMessageMaxLines);
    EXPECT_EQ(lines.front(), "Can not copy file to:");
    EXPECT_EQ(lines[1].rfind("/folder0/", 0), 0u);
    EXPECT_EQ(lines[1].back(), '/');
    EXPECT_NE(std::find(lines.begin(), lines.end(), "..."), lines.end());
    EXPECT_EQ(huge.compare(huge.size() - lines.back().size(), lines.back().size(), lines.back()), 0);
    for (const auto& line : lines)
        EXPECT_LE(line.size(), text::kMessageLineLength);

    // Characters of several bytes are never cut, and count as one.
    std::string umlauts;
    for (int i = 0; i < 100; ++i)
        umlauts += "\xC3\xA4";
    const std::string broken = text::wrapMessage(umlauts);
    EXPECT_EQ(broken.find('\n'), 2 * text::kMessageLineLength);
    EXPECT_EQ(text::utf8OrLatin1(broken), broken);
}

// Fault mended: a message naming a file whose name is not UTF-8 came out of the installer's box
// empty, since the box takes nothing from a text that is not UTF-8.
TEST(WrapMessageTest, BytesThatAreNotUtf8StillShow) {
    EXPECT_EQ(text::wrapMessage("Can not copy file to:\r/opt/caf\xE9"),
              "Can not copy file to:\n/opt/caf\xC3\xA9");
}

TEST(MessageTextTest, LongRunsAreBrokenAndHugeOnesShortened) {
    const std::string path = "/home/ann/" + std::string(131000, 'p') + "/store.db";
    const std::string text =
        text::breakLongRuns("The calendar's store \"" + path + "\" cannot be used: the disk is full.");
    const std::vector<std::string> lines = pieces(text, "\n");
    EXPECT_LE(lines.size(), 12u);
    for (const std::string& line : lines) {
        // A line may hold a few short words after a broken run, never a run longer than 60.
        for (const std::string& word : pieces(line, " "))
            EXPECT_LE(text::characterCount(word), 60u) << word;
    }
    EXPECT_TRUE(text.starts_with("The calendar's store \"/home/ann/\nppp"));
    EXPECT_TRUE(text.ends_with("/store.db\" cannot be used: the disk is full."));
    // Ordinary texts, and texts that are not UTF-8, keep every character.
    EXPECT_EQ(text::breakLongRuns("Zorvel Calendar is already running."),
              "Zorvel Calendar is already running.");
    EXPECT_EQ(text::breakLongRuns("Caf\xe9\nsecond line"), "Caf\xc3\xa9\nsecond line");
}

// Fault mended: a long path was broken in the middle of a file's name ("store." / "db").
TEST(MessageTextTest, ALongPathBreaksAfterItsSeparatorsNeverInsideAName) {
    for (const std::string& path :
         {std::string("/home/ann/.local/share/zorvelcal/backups/2024/store.damaged-2024-03-15-093000.db"),
          std::string("C:\\Users\\ann\\AppData\\Roaming\\Zorvel Calendar\\store.db"),
          "/home/ann/" + std::string(70, 'x') + "/of-last-year/store.db"}) {
        const std::string text = text::breakLongRuns("It has been kept as \"" + path + "\", unchanged.");
        for (const std::string& run : pieces(text, " \n"))
            EXPECT_LE(text::characterCount(run), 60u) << run;
        for (const std::string& name : pieces(path, "/\\"))
            if (name.size() < 60) {
                EXPECT_NE(text.find(name), std::string::npos) << name << " is split in:\n" << text;
            }
    }
}

} // namespace
