#include "app/colours.h"

#include "data/settings_catalogue.h"
#include "data/settings_key.h"

namespace zc {

Colours& colours() {
    static Colours current;
    return current;
}

void setDefaultColours() {
    colours() = Colours{};
}

void applyReadabilityRule(Colours& c) {
    if (c.back == c.fore || (c.fore == c.dayplan1 && c.fore == c.dayplan2)) {
        c.back = c.dayplan1 = c.dayplan2 = 0xFFFFFF;
        c.fore = 0x000000;
    }
}

void loadColours() {
    SettingsKey key;
    if (key.openGroup(settings::kColors) != SettingsKey::kExisted) return;
    Colours& c = colours();
    // Displays here are true-colour, so every stored colour is shown exactly as stored.
    const auto read = [&key](const char* name) {
        return static_cast<ColourRef>(key.readDword(name)) & 0xFFFFFF;
    };
    c.fore = read("fore");
    c.back = read("back");
    c.currentday = read("currentday");
    c.hasappoint = read("hasappoint");
    c.dayplan1 = read("dayplan1");
    c.dayplan2 = read("dayplan2");
    c.toplite = read("toplite");
    c.botlite = read("botlite");
    applyReadabilityRule(c);
}

void saveColours() {
    SettingsKey key;
    if (key.openGroup(settings::kColors) == SettingsKey::kFailed) return;
    const Colours& c = colours();
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
