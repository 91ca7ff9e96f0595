#pragma once
// Window tests of reminders: the application fixture with the main window's activation counted, the
// cascade back at its start, and helpers that fire the main frame's timers as the toolkit would.
#include "app/app_fixture.h"

#include "ui/range_validators.h"
#include "reminders/reminder_handler.h"
#include "reminders/reminder_wnd.h"

#include <wx/timer.h>

#include <vector>

namespace zc::test {

class ReminderTest : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        ReminderWnd::cascade() = {};
        savedMessage = validationMessage();
        validationMessage() = [this](wxWindow*, const wxString& text) { messages.push_back(text); };
    }

    void TearDown() override {
        validationMessage() = savedMessage;
        AppTest::TearDown();
    }

    CMainFrame& openFrame() {
        AppTest::openFrame();
        frame->activateForReminder = [this] { ++activations; };
        return *frame;
    }

    std::vector<ReminderWnd*> reminderWindows() const {
        std::vector<ReminderWnd*> found;
        for (wxWindow* child : frame->GetChildren())
            if (auto* w = dynamic_cast<ReminderWnd*>(child)) found.push_back(w);
        return found;
    }

    // The window as its drawing routine paints it.
    static wxImage paintOf(ReminderWnd& window) {
        const wxSize size(window.windowWidth() + 10, 2 * window.textSize().y + 77);
        wxBitmap bitmap(size.x, size.y, 24);
        {
            wxMemoryDC dc(bitmap);
            window.draw(dc);
        }
        return bitmap.ConvertToImage();
    }

    // Whether any pixel of the rectangle has the colour.
    static bool hasColour(const wxImage& image, const wxRect& area, ColourRef colour) {
        for (int y = area.GetTop(); y <= area.GetBottom() && y < image.GetHeight(); ++y)
            for (int x = area.GetLeft(); x <= area.GetRight() && x < image.GetWidth(); ++x)
                if (pixel(image, x, y) == colour) return true;
        return false;
    }

    int activations = 0;
    std::vector<wxString> messages;
    std::function<void(wxWindow*, const wxString&)> savedMessage;
};

} // namespace zc::test
