#pragma once
// Fixture of the settings windows' tests: the app fixture with every later window registered, the
// program's questions and validation messages answered by the test's script, and the current folder (where
// the backup file lives) in the test's temporary folder.
#include "app/app_fixture.h"

#include "ui/range_validators.h"
#include "ui/wx_questions.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/dcsvg.h>
#include <wx/dialog.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace zc::test {

class SettingsTest : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        WxQuestions::standIn() = &questions;
        savedValidationMessage = validationMessage();
        validationMessage() = [this](wxWindow*, const wxString& text) {
            questions.showMessage(text.utf8_string(), "ZorvelCal");
        };
        previousFolder = std::filesystem::current_path();
        std::filesystem::current_path(dir);
    }

    void TearDown() override {
        WxQuestions::standIn() = nullptr;
        validationMessage() = savedValidationMessage;
        std::filesystem::current_path(previousFolder);
        AppTest::TearDown();
    }

    // The non-blank texts a drawing routine writes, in order.
    template <typename Draw> std::vector<std::string> textsDrawn(Draw draw) {
        const std::string file = (dir / "drawn.svg").string();
        {
            wxSVGFileDC dc(file, 2000, 4000);
            draw(dc);
        }
        std::stringstream svg;
        svg << std::ifstream(file).rdbuf();
        const std::string all = svg.str();
        std::vector<std::string> texts;
        static const std::regex text(R"(<text[^>]*>([^<]*?) *</text>)");
        for (auto it = std::sregex_iterator(all.begin(), all.end(), text); it != std::sregex_iterator(); ++it)
            if ((*it)[1].length()) texts.push_back((*it)[1]);
        return texts;
    }

    // Presses a button of a dialog as a click would.
    static void click(wxWindow& dialog, int id) {
        wxWindow* button = dialog.FindWindow(id);
        ASSERT_NE(button, nullptr) << "no control " << id;
        wxCommandEvent event(wxEVT_BUTTON, id);
        event.SetEventObject(button);
        button->ProcessWindowEvent(event);
    }

    // Runs a command of the main frame that opens a modal dialog, and acts on that dialog (found
    // by its name) while it is open; the action must close it.
    void whileOpen(int command, const char* dialogName, const std::function<void(wxDialog&)>& act) {
        bool acted = false;
        wxTheApp->CallAfter([&] {
            auto* dialog = wxDynamicCast(wxWindow::FindWindowByName(dialogName), wxDialog);
            if (!dialog) return;
            acted = true;
            act(*dialog);
        });
        frame->runCommand(command);
        // A command that opened no dialog leaves the action queued; it must not run in another test.
        if (!acted) wxTheApp->ProcessPendingEvents();
        EXPECT_TRUE(acted) << "no dialog named " << dialogName;
    }

    std::filesystem::path previousFolder;
    std::function<void(wxWindow*, const wxString&)> savedValidationMessage;
};

} // namespace zc::test
