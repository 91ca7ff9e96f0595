#pragma once
// The eight colours every view paints with, held once in the windows' settings and kept in the
// "Colors" group as 0x00BBGGRR numbers (red in the low byte, which is also how wxColour packs an
// RGB value).
#include <cstdint>

namespace zc {

using ColourRef = std::uint32_t;

struct Colours {
    ColourRef fore = 0x800000;       // dark blue
    ColourRef back = 0x00FFFF;       // yellow
    ColourRef currentday = 0x0000FF; // red
    ColourRef hasappoint = 0xFF00FF; // magenta
    ColourRef dayplan1 = 0x00FFFF;   // yellow
    ColourRef dayplan2 = 0xF0CAA6;   // light blue
    ColourRef toplite = 0x000000;    // black
    ColourRef botlite = 0xFFFFFF;    // white

    bool operator==(const Colours&) const = default;
};

// Reads the eight values when the "Colors" group exists already (a missing value reads as that
// colour's default) and then applies the readability rule; a new group gives the defaults.
Colours loadColours();
// Writes the eight values in the order back, fore, dayplan1, dayplan2, toplite, botlite,
// currentday, hasappoint.
void saveColours(const Colours& c);
// Text the same colour as its background cannot be read: such a set falls back to black on white.
void applyReadabilityRule(Colours& c);

} // namespace zc
