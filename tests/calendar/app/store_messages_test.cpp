// The calendar's messages about its store: one box in the program's words.
#include "app_fixture.h"

#include "app/instance_guard.h"
#include "ui/message_box.h"

#include <wx/log.h>

#include <fstream>

namespace zc::test {
namespace {

class RecordingLog final : public wxLog {
  public:
    std::vector<wxString> messages;

  protected:
    void DoLogTextAtLevel(wxLogLevel, const wxString& text) override { messages.push_back(text); }
};

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
