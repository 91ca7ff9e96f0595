#include "ui/font_record.h"

#include "ui/display_text.h"
#include "data/settings_key.h"
#include "text/text_utils.h"

#include <wx/fontdata.h>
#include <wx/fontdlg.h>
#include <wx/gdicmn.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zc {
namespace {

void putInt(std::uint8_t* at, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

std::int32_t getInt(const std::uint8_t* at) {
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= static_cast<std::uint32_t>(at[i]) << (8 * i);
    return static_cast<std::int32_t>(u);
}

// The record's height is the em of the font in screen pixels; the toolkit sizes fonts in points,
// so the two convert through the screen's resolution. (Asking the toolkit for a pixel size would
// fit the whole line, ascent to descent, into it and give a smaller em.)
double screenDpi() {
    const int dpi = wxGetDisplayPPI().y;
    return dpi > 0 ? dpi : 96.0;
}

double pointsOfPixels(int pixels) {
    return pixels * 72.0 / screenDpi();
}

} // namespace

std::string LogFont::face() const {
    const auto end = std::find(faceName.begin(), faceName.end(), '\0');
    return std::string(faceName.begin(), end);
}

void LogFont::setFace(const std::string& name) {
    faceName.fill('\0');
    // The record holds 31 bytes and the terminating zero; a longer name loses whole characters.
    std::copy_n(name.begin(), text::wholeCharacterPrefix(name, kFaceSize - 1), faceName.begin());
}

std::array<std::uint8_t, LogFont::kSize> LogFont::toBytes() const {
    std::array<std::uint8_t, kSize> b{};
    putInt(&b[0], height);
    putInt(&b[4], width);
    putInt(&b[8], escapement);
    putInt(&b[12], orientation);
    putInt(&b[16], weight);
    b[20] = italic;
    b[21] = underline;
    b[22] = strikeOut;
    b[23] = charSet;
    b[24] = outPrecision;
    b[25] = clipPrecision;
    b[26] = quality;
    b[27] = pitchAndFamily;
    std::memcpy(&b[28], faceName.data(), kFaceSize);
    return b;
}

LogFont LogFont::fromBytes(const std::uint8_t* bytes, std::size_t size) {
    std::array<std::uint8_t, kSize> b{};
    std::memcpy(b.data(), bytes, std::min(size, kSize));
    LogFont f;
    f.height = getInt(&b[0]);
    f.width = getInt(&b[4]);
    f.escapement = getInt(&b[8]);
    f.orientation = getInt(&b[12]);
    f.weight = getInt(&b[16]);
    f.italic = b[20];
    f.underline = b[21];
    f.strikeOut = b[22];
    f.charSet = b[23];
    f.outPrecision = b[24];
    f.clipPrecision = b[25];
    f.quality = b[26];
    f.pitchAndFamily = b[27];
    std::memcpy(f.faceName.data(), &b[28], kFaceSize);
    // A record written by another program may lack the terminating zero.
    f.faceName[kFaceSize - 1] = '\0';
    return f;
}

LogFont defaultMainFont() {
    LogFont f;
    f.height = -15;
    f.weight = 700;
    f.quality = 2;
    f.pitchAndFamily = 0x31;
    f.setFace("Times New Roman");
    return f;
}

std::optional<LogFont> loadFont(const std::string& group) {
    SettingsKey key;
    if (key.openGroup(group) == SettingsKey::kFailed) return std::nullopt;
    std::array<std::uint8_t, LogFont::kSize> bytes{};
    if (!key.readBinary(group, bytes.data(), bytes.size())) return std::nullopt;
    return LogFont::fromBytes(bytes.data(), bytes.size());
}

void saveFont(const std::string& group, const LogFont& description) {
    SettingsKey key;
    if (key.openGroup(group) == SettingsKey::kFailed) return;
    const auto bytes = description.toBytes();
    key.writeBinary(group, bytes.data(), bytes.size());
}

wxFont fontFromRecord(const LogFont& d) {
    // A zero height asks for the default size; a positive one is a cell height, which holds the
    // character height plus some leading, so it comes out slightly large here and is accepted.
    int pixels = d.height < 0 ? -d.height : d.height;
    if (pixels == 0) pixels = 15;
    const int weight = d.weight <= 0 ? wxFONTWEIGHT_NORMAL : std::clamp(static_cast<int>(d.weight), 1, 1000);
    wxFontInfo info(pointsOfPixels(pixels));
    info.Weight(weight).Italic(d.italic != 0).Underlined(d.underline != 0).Strikethrough(d.strikeOut != 0);
    const std::string face = d.face();
    if (!face.empty())
        info.FaceName(displayText(face));
    else
        info.Family((d.pitchAndFamily & 0xF0) == 0x10 ? wxFONTFAMILY_ROMAN : wxFONTFAMILY_SWISS);
    wxFont font(info);
    if (!font.IsOk()) font = wxFont(wxFontInfo(pointsOfPixels(pixels)).Weight(weight));
    return font;
}

LogFont recordFromFont(const wxFont& font, const LogFont& base) {
    LogFont d = base;
    const int pixels = static_cast<int>(std::lround(font.GetFractionalPointSize() * screenDpi() / 72.0));
    d.height = pixels > 0 ? -pixels : base.height;
    d.weight = font.GetNumericWeight();
    d.italic = font.GetStyle() != wxFONTSTYLE_NORMAL ? 1 : 0;
    d.underline = font.GetUnderlined() ? 1 : 0;
    d.strikeOut = font.GetStrikethrough() ? 1 : 0;
    d.setFace(font.GetFaceName().utf8_string());
    return d;
}

std::optional<LogFont> chooseFont(wxWindow* parent, const LogFont& current) {
    wxFontData data;
    data.SetInitialFont(fontFromRecord(current));
    data.EnableEffects(true);
    wxFontDialog dialog(parent, data);
    if (dialog.ShowModal() != wxID_OK) return std::nullopt;
    const wxFont chosen = dialog.GetFontData().GetChosenFont();
    if (!chosen.IsOk()) return std::nullopt;
    return recordFromFont(chosen, current);
}

} // namespace zc
