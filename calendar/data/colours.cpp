#include "data/colours.h"

#include "data/settings_catalogue.h"
#include "data/settings_key.h"

namespace zc {

void applyReadabilityRule(Colours& c) {
    if (c.back == c.fore || (c.fore == c.dayplan1 && c.fore == c.dayplan2)) {
        c.back = c.dayplan1 = c.dayplan2 = 0xFFFFFF;
        c.fore = 0x000000;
    }
}

Colours loadColours() {
    Colours c;
    SettingsKey key;
    if (key.openGroup(settings::kColors) != SettingsKey::kExisted) return c;
    // Displays here are true-colour, so every stored colour is shown exactly as stored. A value
    // that is missing (a first run that ended before its first exit leaves the group empty) keeps
    // that colour's default rather than turning black.
    const Colours defaults;
    const auto read = [&key](const char* name, ColourRef fallback) {
        std::int32_t value = 0;
        return key.readDword(name, value) ? static_cast<ColourRef>(value) & 0xFFFFFF : fallback;
    };
    c.fore = read("fore", defaults.fore);
    c.back = read("back", defaults.back);
    c.currentday = read("currentday", defaults.currentday);
    c.hasappoint = read("hasappoint", defaults.hasappoint);
    c.dayplan1 = read("dayplan1", defaults.dayplan1);
    c.dayplan2 = read("dayplan2", defaults.dayplan2);
    c.toplite = read("toplite", defaults.toplite);
    c.botlite = read("botlite", defaults.botlite);
    applyReadabilityRule(c);
    return c;
}

void saveColours(const Colours& c) {
    SettingsKey key;
    if (key.openGroup(settings::kColors) == SettingsKey::kFailed) return;
    const auto write = [&key](const char* name, ColourRef value) {
        key.writeDword(name, static_cast<std::int32_t>(value));
    };
    write("back", c.back);
    write("fore", c.fore);
    write("dayplan1", c.dayplan1);
    write("dayplan2", c.dayplan2);
    write("toplite", c.toplite);
    write("botlite", c.botlite);
    write("currentday", c.currentday);
    write("hasappoint", c.hasappoint);
}

} // namespace zc
