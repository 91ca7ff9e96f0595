#pragma once
// Fixture of the to-do, week and year view tests: the window fixture with a main frame open, and
// helpers to add entries and print to a file.
#include "app/app_fixture.h"


#include <wx/dcps.h>
#include <wx/filename.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zc::test {

class ViewsTest : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        openFrame();
    }

    Appointment& addEntry(int y, int m, int d, int h, int min, const std::string& text) {
        Appointment& a = frame->table().construct();
        a.setWhen(y, m, d, h, min, -1, text);
        a.schedule(true);
        return a;
    }

    // Prints every page of a source into a PostScript file through the toolkit's print framework
    // and returns the file's text. With ZORVEL_KEEP_PRINTS set to a folder, a copy stays there to
    // be looked at.
    std::string printToFile(PrintSource& source, const std::string& name) {
        const std::string path = (dir / name).string();
        wxPrintData data;
        data.SetFilename(path);
        data.SetPrintMode(wxPRINT_MODE_FILE);
        wxPostScriptDC dc(data);
        EXPECT_TRUE(dc.IsOk());
        dc.StartDoc("ZorvelCal test");
        for (int page = 1; page <= source.printPageCount(); ++page) {
            dc.StartPage();
            source.printPage(dc, page);
            dc.EndPage();
        }
        dc.EndDoc();
        if (const char* keep = std::getenv("ZORVEL_KEEP_PRINTS")) wxCopyFile(path, wxString(keep) + "/" + name);
        std::ifstream in(path);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    template <typename W> static int countOpen() {
        int n = 0;
        for (wxWindow* w : wxTopLevelWindows)
            if (dynamic_cast<W*>(w) && !w->IsBeingDeleted()) ++n;
        return n;
    }

    // Whether any pixel of the rectangle has the colour.
    static bool hasColour(const wxImage& image, wxRect r, ColourRef colour) {
        r.Intersect(wxRect(0, 0, image.GetWidth(), image.GetHeight()));
        for (int y = r.y; y < r.GetBottom(); ++y)
            for (int x = r.x; x < r.GetRight(); ++x)
                if (pixel(image, x, y) == colour) return true;
        return false;
    }

    // The dates of the day planners open now, oldest first ("2015-8-9").
    std::vector<std::string> planners() const {
        std::vector<std::string> dates;
        for (const std::string& window : openWindows())
            if (window.rfind("planner ", 0) == 0) dates.push_back(window.substr(8));
        return dates;
    }
};

} // namespace zc::test
