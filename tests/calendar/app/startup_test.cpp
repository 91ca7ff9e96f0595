#include "app_fixture.h"

#include "app/zorvel_cal_app.h"
#include "ui/sound.h"

#include <wx/arrstr.h>
#include <wx/utils.h>

#include <cstdio>
#include <filesystem>

#include <unistd.h>

namespace zc::test {
namespace {

using StartupTest = AppTest;

std::string storedText(const std::string& group, const std::string& name) {
    SettingsKey key;
    std::string text = "<missing>";
    if (key.openPathForRead(group)) key.readString(name, text);
    return text;
}

TEST_F(StartupTest, AFirstStartSeedsTheStoreAndASecondSeedsNothing) {
    const StartState first = prepareStore(true);
    EXPECT_TRUE(first.firstRun);
    EXPECT_TRUE(first.splash);

    struct Seed {
        int year, month, day;
        const char* notes;
    };
    for (const Seed& seed : {Seed{1998, 1, 1, "New Year's Day"}, Seed{1997, 12, 25, "Christmas Day"},
                             Seed{1997, 12, 26, "Boxing Day"}}) {
        SettingsKey key;
        ASSERT_TRUE(key.openAppointmentForRead(seed.year, seed.month, std::to_string(seed.day) + "_8_0"));
        AppointmentValues v;
        key.readAppointment(v);
        EXPECT_EQ(v.notes, seed.notes);
        EXPECT_EQ(v.repeats, 5);
        EXPECT_EQ(v.nthday, seed.day);
        EXPECT_EQ(v.early, 0);
    }
    EXPECT_EQ(storedText("sounds", "start"), "Start.wav");
    EXPECT_EQ(storedText("sounds", "reminders"), "Notify.wav");
    EXPECT_EQ(storedText("sounds", "click"), "Pick.wav");
    SettingsKey reminders;
    ASSERT_TRUE(reminders.openPathForRead("reminders"));
    const std::pair<const char*, int> defaults[] = {{"age", 60},   {"early", 2},      {"reminders", 0},
                                                    {"splash", 1}, {"minatstart", 0}, {"fastprinting", 0}};
    for (const auto& [name, value] : defaults)
        EXPECT_EQ(reminders.readDword(name), value) << name;

    // The user removes a seed, silences the start and turns the splash off; the next start keeps
    // all of it.
    SettingsKey seedMonth;
    seedMonth.openPath("Appointments\\1997_12");
    seedMonth.deleteSubkey("26_8_0");
    SettingsKey sounds;
    sounds.openGroup("sounds");
    sounds.writeString("start", "");
    settings::saveReminderSettings(60, 2, 0, 0, 0, 0);

    reopenStore();
    const StartState second = prepareStore(true);
    EXPECT_FALSE(second.firstRun);
    EXPECT_FALSE(second.splash);
    SettingsKey gone;
    EXPECT_FALSE(gone.openAppointmentForRead(1997, 12, "26_8_0"));
    EXPECT_EQ(storedText("sounds", "start"), "");
}

TEST_F(StartupTest, TheCommandLineCanForbidTheSplash) {
    EXPECT_FALSE(prepareStore(false).splash);
    EXPECT_FALSE(prepareStore(false).splash);
    EXPECT_TRUE(prepareStore(true).splash); // "splash" is 1 by default
}

TEST_F(StartupTest, TheMonthViewLoadsTheStoredAppointmentsAndSettings) {
    prepareStore(true);
    settings::saveReminderSettings(24, 15, 1, 1, 0, 1);
    openFrame();
    EXPECT_EQ(settings().age, 24);
    EXPECT_EQ(frame->table().defaultEarly(), 15);
    EXPECT_EQ(settings().reminders, 1);
    EXPECT_EQ(settings().fastprinting, 1);
    EXPECT_EQ(frame->table().size(), 3u);
    EXPECT_TRUE(frame->table().hasAppointmentOn(1997, 12, 25));
}

TEST(SoundFileTest, BareNamesAreFoundAmongTheProgramsSounds) {
    const std::string notify = resolveSoundFile("Notify.wav");
    ASSERT_FALSE(notify.empty());
    EXPECT_TRUE(std::filesystem::is_regular_file(notify));
    EXPECT_EQ(std::filesystem::path(notify).filename(), "Notify.wav");
    for (const char* name : {"Start.wav", "Pick.wav"}) {
        const std::string path = resolveSoundFile(name);
        ASSERT_FALSE(path.empty()) << name;
        EXPECT_LT(std::filesystem::file_size(path), 50u * 1024) << name;
    }
    EXPECT_EQ(resolveSoundFile(notify), notify);
    EXPECT_EQ(resolveSoundFile(""), "");
    EXPECT_EQ(resolveSoundFile("Missing.wav"), "");
    EXPECT_EQ(resolveSoundFile("/nowhere/Notify.wav"), "");
    // Playing what is not there is silent and returns at once.
    playWaveFile("Missing.wav");
    playWaveFile("/nowhere/Notify.wav");
}

#ifdef ZORVELCAL_EXE
// "zorvelcal --help" without a display printed the toolkit's error and ended with 255. Every option
// that needs no window answers without a display, in the order of the table (the import reads
// what the export wrote).
TEST_F(StartupTest, OptionsThatNeedNoWindowWorkWithoutADisplay) {
    struct Row {
        std::string arguments;
        const char* printed; // a part of standard output
        const char* language = "C"; // LANGUAGE, with LANG and LC_ALL to match
    };
    const std::string file = (dir / "out.ics").string();
    const Row rows[] = {
        {"--help", "--export-ics"},
        {"-h", "--no-splash"},
        {"--version", "Zorvel Calendar 2.0c"},
        {"--no-splash --version", "2.0c"},
        {"--export-ics " + file, ""},
        {"--import-ics=" + file, ""},
        {"--help", "die Version anzeigen und beenden", "de"},
        {"--help", "show the version, then end", "en"},
        {"--help", "show the version, then end"},
    };
    setSettingsStore(nullptr);
    wxExecuteEnv env;
    wxGetEnvMap(&env.env);
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "GDK_BACKEND"})
        env.env.erase(name);
    env.env["ZORVELCAL_STORE"] = storePath;
    for (const Row& row : rows) {
        const bool german = row.language == std::string("de");
        env.env["LANGUAGE"] = row.language;
        env.env["LANG"] = german ? "de_DE.UTF-8" : "C";
        env.env["LC_ALL"] = german ? "de_DE.UTF-8" : "C";
        wxArrayString output, errors;
        const long code =
            wxExecute(wxString(ZORVELCAL_EXE) + " " + row.arguments, output, errors, wxEXEC_SYNC, &env);
        EXPECT_EQ(code, 0) << row.arguments;
        EXPECT_TRUE(errors.empty()) << row.arguments << ": " << (errors.empty() ? "" : errors[0].utf8_string());
        EXPECT_NE(wxJoin(output, '\n').utf8_string().find(row.printed), std::string::npos) << row.arguments;
    }
}
#endif

TEST(SoundFileTest, PlayingWritesNothingToTheTerminal) {
    // With or without a sound device, a sound is played or skipped without a word on stderr.
    std::fflush(stderr);
    const int saved = ::dup(2);
    std::FILE* capture = std::tmpfile();
    ASSERT_NE(capture, nullptr);
    ::dup2(::fileno(capture), 2);
    for (const char* name : {"Pick.wav", "Notify.wav"})
        playWaveFile(name);
    wxMilliSleep(300);
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    std::rewind(capture);
    std::string written;
    for (int c; (c = std::fgetc(capture)) != EOF;)
        written.push_back(static_cast<char>(c));
    std::fclose(capture);
    EXPECT_EQ(written, "");
}

} // namespace
} // namespace zc::test
