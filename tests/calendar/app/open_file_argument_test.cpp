// A file named on the command line, as a file manager names an .ics file opened with the calendar:
// the calendar used to refuse to start ("Unexpected parameter"); it now asks and then imports.
#include "app_fixture.h"

#include "app/open_file_argument.h"
#include "ui/wx_questions.h"

#include <wx/app.h>
#include <wx/cmdline.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>

#include <fstream>

namespace zc::test {
namespace {

TEST(OpenFileArgumentTest, ACommandLineMayNameOneFile) {
    const std::vector<std::vector<std::string>> rows{{"zorvelcal", ""},
                                                     {"zorvelcal", "party.ics", "party.ics"},
                                                     {"zorvelcal", "--no-splash", "/a b.ics", "/a b.ics"}};
    for (std::vector<std::string> words : rows) {
        const std::string expected = words.back();
        words.pop_back();
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        wxCmdLineParser parser(static_cast<int>(argv.size()), argv.data());
        parser.AddSwitch("", "no-splash", "");
        addOpenFileParameter(parser);
        ASSERT_EQ(parser.Parse(false), 0) << expected;
        EXPECT_EQ(openFileArgument(parser), expected);
    }
}

// Counts the message boxes the import shows, closing each with OK.
struct CountBoxes : wxModalDialogHook {
    CountBoxes() { Register(); }
    ~CountBoxes() override { Unregister(); }
    int Enter(wxDialog* dialog) override {
        if (dynamic_cast<wxMessageDialog*>(dialog)) ++boxes;
        return wxID_OK;
    }
    void Exit(wxDialog*) override {}
    std::size_t boxes = 0;
};

TEST_F(AppTest, AFileOnTheCommandLineIsAskedAboutOnceThenImportedOnlyOnYes) {
    const std::filesystem::path file = dir / "Party.ics";
    std::ofstream(file)
        << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\nUID:p@test\r\n"
           "DTSTAMP:20150801T000000Z\r\nDTSTART:20150814T093000\r\nSUMMARY:Garden party\r\n"
           "END:VEVENT\r\nEND:VCALENDAR\r\n";
    const struct {
        std::filesystem::path path;
        bool answer;
        std::size_t questions, boxes, entries;
    } rows[] = {// One store throughout: the one Yes comes last.
                {dir / "gone.ics", true, 0, 0, 0},
                {file, false, 1, 0, 0},
                {file, true, 1, 1, 1}};
    for (const auto& row : rows) {
        CMainFrame& main = openFrame();
        ScriptedQuestions questions;
        questions.answers.push_back(row.answer);
        WxQuestions::standIn() = &questions;
        CountBoxes count;
        offerToImport(main, row.path.string());
        EXPECT_TRUE(questions.asked.empty()) << "asked before the event loop ran";
        wxTheApp->ProcessPendingEvents();
        WxQuestions::standIn() = nullptr;
        ASSERT_EQ(questions.asked.size(), row.questions) << row.path;
        if (row.questions) {
            EXPECT_EQ(questions.asked[0], "Import the appointments of \"Party.ics\" into the calendar?");
        }
        EXPECT_EQ(questions.messages.size(), 1 - row.questions) << row.path;
        EXPECT_EQ(count.boxes, row.boxes) << row.path;
        EXPECT_EQ(main.table().entriesOn(2015, 8, 14).size(), row.entries) << row.path;
    }
}

} // namespace
} // namespace zc::test
