// The calendar's messages about its store: one box in the program's words, never wider or taller
// than the screen.
#include "app_fixture.h"

#include "app/instance_guard.h"
#include "ui/message_box.h"

#include <wx/log.h>
#include <wx/tokenzr.h>

#include <fstream>

namespace zc::test {
namespace {

class RecordingLog final : public wxLog {
  public:
    std::vector<wxString> messages;

  protected:
    void DoLogTextAtLevel(wxLogLevel, const wxString& text) override { messages.push_back(text); }
};

TEST(MessageTextTest, LongRunsAreBrokenAndHugeOnesShortened) {
    const std::string path = "/home/ann/" + std::string(131000, 'p') + "/store.db";
    const wxString text = wrappedMessage("The calendar's store \"" + path + "\" cannot be used: the disk is full.");
    const wxArrayString lines = wxStringTokenize(text, "\n", wxTOKEN_RET_EMPTY_ALL);
    EXPECT_LE(lines.size(), 12u);
    for (const wxString& line : lines) {
        // A line may hold a few short words after a broken run, never a run longer than 60.
        for (const wxString& word : wxStringTokenize(line, " "))
            EXPECT_LE(word.length(), 60u) << word;
    }
    EXPECT_TRUE(text.StartsWith("The calendar's store \"/home/ann/\nppp"));
    EXPECT_TRUE(text.EndsWith("/store.db\" cannot be used: the disk is full."));
    // Ordinary texts, and texts that are not UTF-8, keep every character.
    EXPECT_EQ(wrappedMessage("Zorvel Calendar is already running."), "Zorvel Calendar is already running.");
    EXPECT_EQ(wrappedMessage("Caf\xe9\nsecond line"), wxString::FromUTF8("Caf\xc3\xa9\nsecond line"));
}

// Fault mended: a long path was broken in the middle of a file's name ("store." / "db").
TEST(MessageTextTest, ALongPathBreaksAfterItsSeparatorsNeverInsideAName) {
    for (const std::string& path : {std::string("/home/ann/.local/share/zorvelcal/backups/2024/store.damaged-2024-03-15-093000.db"),
                                   std::string("C:\\Users\\ann\\AppData\\Roaming\\Zorvel Calendar\\store.db"),
                                   "/home/ann/" + std::string(70, 'x') + "/of-last-year/store.db"}) {
        const wxString text = wrappedMessage("It has been kept as \"" + path + "\", unchanged.");
        for (const wxString& run : wxStringTokenize(text, " \n"))
            EXPECT_LE(run.length(), 60u) << run;
        for (const wxString& name : wxStringTokenize(path, "/\\"))
            if (name.length() < 60) {
                EXPECT_NE(text.Find(name), wxNOT_FOUND) << name << " is split in:\n" << text;
            }
    }
}

TEST_F(AppTest, ALockThatCannotBeMadeLeavesTheOneMessageToTheStore) {
    // A file where the store's folder should be: neither the lock nor the store can be made.
    std::ofstream((dir / "blocked").string()) << "x";
    auto* log = new RecordingLog;
    wxLog* previous = wxLog::SetActiveTarget(log);
    {
        InstanceGuard guard((dir / "blocked" / "store.db").string());
        EXPECT_FALSE(guard.isAnotherRunning());
    }
    wxLog::FlushActive();
    wxLog::SetActiveTarget(previous);
    EXPECT_TRUE(log->messages.empty()) << log->messages.front();
    delete log;
}

} // namespace
} // namespace zc::test
