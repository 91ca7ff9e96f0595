#include "app_fixture.h"

#include "app/tray_notify_icon.h"
#include "data/tray_tip_fixture.h"
#include "ui/display_text.h"
#include "ui/font_record.h"

#include <wx/app.h>

namespace zc::test {
namespace {

// What the tip's stray bytes and a font face's cut look like in the windows; the tip's own text
// and cuts are tested with the data core.
TEST_F(TrayTipTest, StrayBytesShowAsLatin1AndFontFacesKeepWholeCharacters) {
    add(2015, 8, 12, 14, 5, "Caf\xE9");
    EXPECT_EQ(displayText(tip()), wxString(L" 2:05pm: Caf\u00E9  "));

    LogFont font;
    const std::string face(29, 'F');
    font.setFace(face + "\xC3\xA9\xC3\xA9");
    EXPECT_EQ(font.face(), face + "\xC3\xA9");
}

} // namespace
} // namespace zc::test

namespace zc::test {
namespace {

using NotifyIconTest = AppTest;

TEST_F(NotifyIconTest, TheTipFollowsTheTableAndTheTurnOfTheMinuteWithoutReorderingIt) {
    clock.t = localTime(2015, 8, 12, 10, 0) + 15;
    openFrame();
    TrayNotifyIcon icon(*frame);
    // The next computation is due when the minute turns.
    EXPECT_TRUE(icon.minuteTimer().IsRunning());
    EXPECT_TRUE(icon.minuteTimer().IsOneShot());
    EXPECT_EQ(icon.minuteTimer().GetInterval(), 45000);

    AppointmentTable& table = frame->table();
    const auto addEntry = [&table](int hour, int minute, const char* notes) {
        Appointment& a = table.construct();
        a.setWhen(2015, 8, 12, hour, minute, -1, notes);
        a.schedule(true);
    };
    addEntry(16, 0, "Later");
    addEntry(10, 1, "Soon");
    wxTheApp->ProcessPendingEvents();
    EXPECT_EQ(icon.tip(), " 10:01am: Soon  ");

    // At 10:01 "Soon" is no longer ahead.
    clock.t += 45;
    wxTimerEvent minute(const_cast<wxTimer&>(icon.minuteTimer()));
    icon.ProcessEvent(minute);
    EXPECT_EQ(icon.tip(), " 4:00pm: Later  ");
    EXPECT_EQ(icon.minuteTimer().GetInterval(), 60000);
    // Until 16:00 the minutes pass without a look at the table.
    EXPECT_EQ(icon.tipChangesAt(), localTime(2015, 8, 12, 16, 0));

    std::vector<std::string> slots;
    table.forEach([&slots](const Appointment& a) { slots.push_back(a.stored.notes); });
    EXPECT_EQ(slots, (std::vector<std::string>{"Later", "Soon"}));
}

TEST_F(NotifyIconTest, TheTipIsComputedAtOnceAndThenAtMostOnceASecond) {
    openFrame();
    TrayNotifyIcon icon(*frame);
    EXPECT_EQ(icon.tip(), "Zorvel Calendar");
    icon.refreshTip();
    EXPECT_EQ(icon.tip(), "Zorvel Calendar: no appointments are scheduled");

    Appointment& a = frame->table().construct();
    a.setWhen(2015, 8, 12, 14, 5, -1, "Dentist");
    a.schedule(true);
    icon.refreshTip();
    EXPECT_EQ(icon.tip(), "Zorvel Calendar: no appointments are scheduled");
    clock.t += 1;
    icon.refreshTip();
    EXPECT_EQ(icon.tip(), " 2:05pm: Dentist  ");
}

} // namespace
} // namespace zc::test
