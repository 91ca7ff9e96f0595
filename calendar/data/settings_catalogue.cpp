#include "data/settings_catalogue.h"

#include "data/settings_key.h"
#include "platform/platform.h"

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

int supportedFirstWeekday(int weekday) {
    return weekday == 2 ? 2 : 1;
}

RegionSettings localeRegionSettings() {
    const platform::TimeConventions locale = platform::localeTimeConventions();
    return {locale.twentyFourHour, supportedFirstWeekday(locale.firstWeekday)};
}

RegionSettings loadRegionSettings(const RegionSettings& defaults) {
    RegionSettings region = defaults;
    SettingsKey key;
    // Reading opens no key: a user who never chose keeps an empty store and the locale's ways.
    if (!key.openPathForRead(kRegion)) return region;
    std::int32_t clock = 0;
    if (key.readDword(kClock24, clock)) region.twentyFourHour = clock != 0;
    std::int32_t first = 0;
    if (key.readDword(kWeekStart, first) && (first == 1 || first == 2)) region.firstWeekday = first;
    return region;
}

RegionSettings loadRegionSettings() {
    return loadRegionSettings(localeRegionSettings());
}

void saveRegionSettings(const RegionSettings& chosen, const RegionSettings& shown) {
    if (chosen == shown) return;
    SettingsKey key;
    if (key.openGroup(kRegion) == SettingsKey::kFailed) return;
    if (chosen.twentyFourHour != shown.twentyFourHour) key.writeDword(kClock24, chosen.twentyFourHour ? 1 : 0);
    if (chosen.firstWeekday != shown.firstWeekday)
        key.writeDword(kWeekStart, supportedFirstWeekday(chosen.firstWeekday));
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
