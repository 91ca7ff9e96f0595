#include "app_fixture.h"

#include "app/colors_dialog.h"
#include "ui/font_record.h"

#include <wx/button.h>

#include <optional>

namespace zc::test {
namespace {

using ColoursTest = AppTest;

TEST_F(ColoursTest, TheDialogsCancelRestoresTheColoursItOpenedWith) {
    openFrame();
    CColorsDialog::colourChooser() = [](wxWindow*) -> std::optional<ColourRef> { return 0x123456; };
    struct Row {
        int closeWith;
        ColourRef expectedFore, expectedBack;
    };
    const Row rows[] = {
        {CColorsDialog::kCancel, 0x800000, 0x00FFFF},
        {CColorsDialog::kOk, 0x123456, 0x00FFFF},
    };
    for (const Row& row : rows) {
        colours() = Colours{};
        CColorsDialog dialog(frame, colours(), [] {});
        EXPECT_EQ(dialog.GetEscapeId(), CColorsDialog::kBackground);
        std::optional<ColourRef> foreBeforeClosing;
        dialog.CallAfter([&] {
            wxCommandEvent text(wxEVT_BUTTON, CColorsDialog::kText);
            dialog.FindWindow(CColorsDialog::kText)->ProcessWindowEvent(text);
            foreBeforeClosing = colours().fore;
            wxCommandEvent close(wxEVT_BUTTON, row.closeWith);
            dialog.FindWindow(row.closeWith)->ProcessWindowEvent(close);
        });
        EXPECT_EQ(dialog.ShowModal(), row.closeWith);
        EXPECT_EQ(foreBeforeClosing, 0x123456u);
        EXPECT_EQ(colours().fore, row.expectedFore);
        EXPECT_EQ(colours().back, row.expectedBack);
    }

    // "Defaults" puts every colour back, whatever was chosen.
    CColorsDialog dialog(frame, colours(), [] {});
    dialog.CallAfter([&] {
        wxCommandEvent back(wxEVT_BUTTON, CColorsDialog::kBackground);
        dialog.FindWindow(CColorsDialog::kBackground)->ProcessWindowEvent(back);
        wxCommandEvent defaults(wxEVT_BUTTON, CColorsDialog::kDefaults);
        dialog.FindWindow(CColorsDialog::kDefaults)->ProcessWindowEvent(defaults);
        wxCommandEvent ok(wxEVT_BUTTON, CColorsDialog::kOk);
        dialog.FindWindow(CColorsDialog::kOk)->ProcessWindowEvent(ok);
    });
    dialog.ShowModal();
    CColorsDialog::colourChooser() = nullptr;
    EXPECT_EQ(colours(), Colours{});
}

using FontTest = AppTest;

TEST_F(FontTest, TheRecordIsStoredByteForByte) {
    LogFont f = defaultMainFont();
    f.italic = 1;
    f.charSet = 0xEE;
    f.setFace("Liberation Sans Narrow Condensed Extra Long Name");
    saveFont("font", f);
    SettingsKey key;
    ASSERT_TRUE(key.openPathForRead("font"));
    std::array<std::uint8_t, 64> raw{};
    ASSERT_TRUE(key.readBinary("font", raw.data(), raw.size()));
    const auto bytes = f.toBytes();
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), raw.begin()));
    // Height -15 is F1 FF FF FF; weight 700 is BC 02 00 00.
    EXPECT_EQ(raw[0], 0xF1);
    EXPECT_EQ(raw[3], 0xFF);
    EXPECT_EQ(raw[16], 0xBC);
    EXPECT_EQ(raw[17], 0x02);
    EXPECT_EQ(raw[27], 0x31);
    EXPECT_EQ(raw[59], 0); // the face name is cut to leave its terminating zero
    EXPECT_EQ(loadFont("font"), f);
}

TEST_F(FontTest, OnlyABinaryValueOfAtMost60BytesIsUsed) {
    struct Row {
        const char* what;
        std::function<void(SettingsKey&)> store;
        bool used;
    };
    const LogFont arial = [] {
        LogFont f = defaultMainFont();
        f.setFace("Arial");
        return f;
    }();
    const auto bytes = arial.toBytes();
    const Row rows[] = {
        {"binary, 60 bytes", [&](SettingsKey& k) { k.writeBinary("font", bytes.data(), 60); }, true},
        {"binary, shorter", [&](SettingsKey& k) { k.writeBinary("font", bytes.data(), 40); }, true},
        {"binary, 61 bytes",
         [&](SettingsKey& k) {
             std::array<std::uint8_t, 61> longer{};
             std::copy(bytes.begin(), bytes.end(), longer.begin());
             k.writeBinary("font", longer.data(), longer.size());
         },
         false},
        {"text", [](SettingsKey& k) { k.writeString("font", "Arial"); }, false},
        {"number", [](SettingsKey& k) { k.writeDword("font", 12); }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SettingsKey key;
        key.openGroup("font");
        row.store(key);
        openFrame();
        if (row.used)
            EXPECT_EQ(view().mainFontRecord().face(), "Arial");
        else
            EXPECT_EQ(view().mainFontRecord(), defaultMainFont());
    }
}

TEST_F(FontTest, RecordsAndToolkitFontsConvertBothWays) {
    const LogFont d = defaultMainFont();
    const wxFont font = fontFromRecord(d);
    ASSERT_TRUE(font.IsOk());
    // The record's 15 pixels are the em; the line ("We" from ascent to descent) is taller.
    EXPECT_NEAR(font.GetFractionalPointSize() * wxGetDisplayPPI().y / 72.0, 15.0, 0.01);
    wxBitmap scratch(1, 1);
    wxMemoryDC dc(scratch);
    dc.SetFont(font);
    EXPECT_GT(dc.GetTextExtent("We").GetHeight(), 15);
    EXPECT_EQ(font.GetNumericWeight(), 700);
    EXPECT_EQ(font.GetFaceName(), "Times New Roman");
    EXPECT_EQ(recordFromFont(font, d), d);

    LogFont styled = d;
    styled.height = -22;
    styled.weight = 400;
    styled.italic = styled.underline = styled.strikeOut = 1;
    styled.setFace("Arial");
    // Sizes travel through points inside the toolkit and may come back a pixel off.
    LogFont back = recordFromFont(fontFromRecord(styled), d);
    EXPECT_NEAR(back.height, styled.height, 1);
    back.height = styled.height;
    EXPECT_EQ(back, styled);
}

TEST_F(FontTest, ALargerMainFontGrowsTheMainFrame) {
    openFrame();
    const wxSize before = frame->GetClientSize();
    LogFont large = defaultMainFont();
    large.height = -30;
    view().setMainFont(large);
    frame->place();
    const wxSize after = frame->GetClientSize();
    EXPECT_GT(after.x, before.x);
    EXPECT_GT(after.y, before.y);
    EXPECT_EQ(after, view().gridSize());
}

} // namespace
} // namespace zc::test
