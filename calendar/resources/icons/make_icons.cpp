// Writes the program icon as PNG files of every installed size, from the same drawing the program
// uses for its windows. Run it (on a display) when the drawing changes, and commit the result:
//     cmake --build build --target zorvelcal_make_icons
//     build/calendar/resources/zorvelcal_make_icons calendar/resources/icons
#include "ui/program_icon.h"

#include <wx/app.h>
#include <wx/image.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv)) return 1;
    wxInitAllImageHandlers();
    int status = 0;
    for (int size : {16, 22, 24, 32, 44, 48, 64, 96, 128, 256}) {
        const wxString file = wxString::Format("%s/zorvelcal-%d.png", argv[1], size);
        if (!zc::programIconBitmap(size).ConvertToImage().SaveFile(file, wxBITMAP_TYPE_PNG)) status = 1;
    }
    wxEntryCleanup();
    return status;
}
