#include "data/settings_catalogue.h"

#include "data/settings_key.h"

namespace zc::settings {

ReminderSettings loadReminderSettings() {
    SettingsKey key;
    if (key.openGroup(kReminders) == SettingsKey::kCreated) {
        const ReminderSettings d;
        saveReminderSettings(d.age, d.early, d.reminders, d.splash, d.minatstart, d.fastprinting);
    }
    return {key.readDword("age"),    key.readDword("early"),      key.readDword("reminders"),
            key.readDword("splash"), key.readDword("minatstart"), key.readDword("fastprinting")};
}

void saveReminderSettings(int age, int early, int reminders, int splash, int minatstart, int fastprinting) {
    SettingsKey key;
    if (key.openGroup(kReminders) == SettingsKey::kFailed) return;
    key.writeDword("age", age);
    key.writeDword("early", early);
    key.writeDword("reminders", reminders);
    key.writeDword("splash", splash);
    key.writeDword("minatstart", minatstart);
    key.writeDword("fastprinting", fastprinting);
}

bool ensureSoundDefaults() {
    SettingsKey key;
    if (key.openGroup(kSounds) != SettingsKey::kCreated) return false;
    key.writeString(kSoundStart, kDefaultStartSound);
    key.writeString(kSoundReminders, kDefaultReminderSound);
    key.writeString(kSoundClick, kDefaultClickSound);
    return true;
}

std::string soundFile(const std::string& event) {
    SettingsKey key;
    std::string file;
    if (key.openGroup(kSounds) != SettingsKey::kFailed) key.readString(event, file);
    return file;
}

bool seedFirstRun() {
    SettingsKey key;
    if (key.openAppointments() != SettingsKey::kCreated) return false;
    struct Seed {
        const char* notes;
        int year, month, day;
    };
    static constexpr Seed kSeeds[] = {
        {"New Year's Day", 1998, 1, 1}, {"Christmas Day", 1997, 12, 25}, {"Boxing Day", 1997, 12, 26}};
    for (const Seed& s : kSeeds) {
        SettingsKey entry;
        if (entry.openAppointment(s.year, s.month, s.day, 8, 0) == SettingsKey::kFailed) continue;
        entry.writeAppointment({s.year, s.month, s.day, 8, 0, 0, s.notes, 0, 5, "", "", s.day});
    }
    return true;
}

} // namespace zc::settings
