// A file named on the command line, as a file manager names an .ics file opened with the calendar:
// the calendar used to refuse to start ("Unexpected parameter"); it now asks and then imports.
#include "app_fixture.h"

#include "app/open_file_argument.h"
#include "app/wx_questions.h"

#include <wx/app.h>
#include <wx/cmdline.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>

#include <fstream>

namespace zc::test {
namespace {

TEST(OpenFileArgumentTest, ACommandLineMayNameOneFile) {
    const struct {
        std::vector<std::string> arguments;
        std::string file;
    } rows[] = {
        {{}, ""},
        {{"party.ics"}, "party.ics"},
        {{"--no-splash", "/tmp/Summer plans.ics"}, "/tmp/Summer plans.ics"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> words{"zorvelcal"};
        words.insert(words.end(), row.arguments.begin(), row.arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        wxCmdLineParser parser(static_cast<int>(argv.size()), argv.data());
        parser.AddSwitch("", "no-splash", "");
        addOpenFileParameter(parser);
        ASSERT_EQ(parser.Parse(false), 0) << row.file;
        EXPECT_EQ(openFileArgument(parser), row.file);
    }
}

// Records the message boxes the import shows and closes each with OK.
class RecordBoxes : public wxModalDialogHook {
  public:
    RecordBoxes() { Register(); }
    ~RecordBoxes() override { Unregister(); }
    std::vector<std::string> texts;

  protected:
    int Enter(wxDialog* dialog) override {
        if (auto* box = dynamic_cast<wxMessageDialog*>(dialog))
            texts.push_back(box->GetMessage().utf8_string());
        return wxID_OK;
    }
    void Exit(wxDialog*) override {}
};

class OfferToImportTest : public AppTest {};

TEST_F(OfferToImportTest, AsksOnceThenImportsOnlyOnYes) {
    const std::filesystem::path file = dir / "Party.ics";
    std::ofstream(file) << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\n"
                           "UID:party@test\r\nDTSTAMP:20150801T000000Z\r\nDTSTART:20150814T093000\r\n"
                           "SUMMARY:Garden party\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    const struct {
        std::string path;
        bool answer;
        std::size_t questions, boxes, entries;
    } rows[] = {
        // The same store throughout: the one Yes comes last.
        {(dir / "gone.ics").string(), true, 0, 0, 0},
        {file.string(), false, 1, 0, 0},
        {file.string(), true, 1, 1, 1},
    };
    for (const auto& row : rows) {
        CMainFrame& main = openFrame();
        ScriptedQuestions questions;
        questions.answers.push_back(row.answer);
        WxQuestions::standIn() = &questions;
        RecordBoxes boxes;
        offerToImport(main, row.path);
        EXPECT_TRUE(questions.asked.empty()) << "asked before the event loop ran";
        wxTheApp->ProcessPendingEvents();
        WxQuestions::standIn() = nullptr;
        ASSERT_EQ(questions.asked.size(), row.questions) << row.path;
        if (row.questions) {
            EXPECT_EQ(questions.asked[0], "Import the appointments of \"Party.ics\" into the calendar?");
        }
        EXPECT_EQ(questions.messages.size(), 1 - row.questions) << row.path;
        EXPECT_EQ(boxes.texts.size(), row.boxes) << row.path;
        EXPECT_EQ(main.table().entriesOn(2015, 8, 14).size(), row.entries) << row.path;
    }
}

} // namespace
} // namespace zc::test
