#pragma once
// Fonts are kept in the store as a 60-byte logical-font record, byte for byte as the Windows build
// keeps them, so a store moves between the two builds unchanged: five 32-bit little-endian numbers
// (height, width, escapement, orientation, weight), eight bytes (italic, underline, strike-out,
// character set, output precision, clip precision, quality, pitch and family) and a 32-byte face
// name ending in a zero.
#include <wx/font.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

class wxWindow;

namespace zc {

struct LogFont {
    static constexpr std::size_t kSize = 60;
    static constexpr std::size_t kFaceSize = 32;

    std::int32_t height = 0; // negative: character height in pixels; positive: cell height
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 0; // 0 = default, 400 normal, 700 bold
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 0;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    std::array<char, kFaceSize> faceName{};

    std::string face() const;
    void setFace(const std::string& name);

    std::array<std::uint8_t, kSize> toBytes() const;
    // Bytes beyond the given size read as zero, so a shorter record still gives a font.
    static LogFont fromBytes(const std::uint8_t* bytes, std::size_t size);

    bool operator==(const LogFont&) const = default;
};

// The month view's font when none is stored: 15-pixel bold Times New Roman.
LogFont defaultMainFont();

// The record stored as value group in group: only a binary value of at most 60 bytes counts.
std::optional<LogFont> loadFont(const std::string& group);
void saveFont(const std::string& group, const LogFont& description);

wxFont fontFromRecord(const LogFont& description);
// The record of a font, keeping base's fields that a wxFont does not carry (width, escapement,
// character set, precisions, quality, pitch and family).
LogFont recordFromFont(const wxFont& font, const LogFont& base = LogFont{});

// Runs the font chooser preset from the description; the chosen font's record, or nothing when the
// user cancels.
std::optional<LogFont> chooseFont(wxWindow* parent, const LogFont& current);

} // namespace zc
