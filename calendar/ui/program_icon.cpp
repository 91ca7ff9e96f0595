#include "ui/program_icon.h"

#include <wx/dcmemory.h>
#include <wx/graphics.h>

#include <algorithm>
#include <memory>

namespace zc {
namespace {

// A fully transparent square to draw an icon on.
wxBitmap transparentBitmap(int size) {
    wxImage image(size, size);
    image.InitAlpha();
    std::fill_n(image.GetAlpha(), static_cast<std::size_t>(size) * size, static_cast<unsigned char>(0));
    return wxBitmap(image);
}

} // namespace

wxBitmap programIconBitmap(int size) {
    wxBitmap bitmap = transparentBitmap(size);
    wxMemoryDC dc(bitmap);
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(dc));
    if (!gc) return bitmap;
    const double s = size;
    const double radius = s / 8;
    // The leaf: dark blue with a yellow band on top, the month view's own colours.
    gc->SetPen(wxPen(wxColour(0, 0, 96), std::max(1, size / 32)));
    gc->SetBrush(wxBrush(wxColour(0, 0, 128)));
    gc->DrawRoundedRectangle(0.5, 0.5, s - 1, s - 1, radius);
    gc->SetPen(*wxTRANSPARENT_PEN);
    gc->SetBrush(wxBrush(wxColour(255, 255, 0)));
    gc->DrawRoundedRectangle(1, 1, s - 2, s * 0.28, radius);
    gc->DrawRectangle(1, s * 0.14, s - 2, s * 0.14);

    wxFont font(wxFontInfo(wxSize(0, std::max(7, static_cast<int>(s * 0.62))))
                    .Family(wxFONTFAMILY_SWISS)
                    .FaceName("Arial")
                    .Bold());
    gc->SetFont(font, wxColour(255, 255, 255));
    double tw = 0, th = 0;
    gc->GetTextExtent("ZC", &tw, &th);
    // Very small icons squeeze the letters rather than cut them.
    const double scale = tw > s * 0.94 ? s * 0.94 / tw : 1.0;
    gc->PushState();
    gc->Translate((s - tw * scale) / 2, s * 0.28 + (s * 0.72 - th) / 2);
    gc->Scale(scale, 1.0);
    gc->DrawText("ZC", 0, 0);
    gc->PopState();
    gc.reset();
    dc.SelectObject(wxNullBitmap);
    return bitmap;
}

wxIconBundle programIcons() {
    wxIconBundle icons;
    for (int size : {16, 24, 32, 48, 64, 96, 128, 256}) {
        wxIcon icon;
        icon.CopyFromBitmap(programIconBitmap(size));
        icons.AddIcon(icon);
    }
    return icons;
}

wxBitmapBundle programIconBundle() {
    wxVector<wxBitmap> bitmaps;
    for (int size : {22, 24, 32, 44, 48, 64, 96})
        bitmaps.push_back(programIconBitmap(size));
    return wxBitmapBundle::FromBitmaps(bitmaps);
}

wxBitmapBundle programIconBundle(int size) {
    return wxBitmapBundle::FromBitmaps(programIconBitmap(size), programIconBitmap(2 * size));
}

wxBitmapBundle bulletBundle(int size) {
    return wxBitmapBundle::FromBitmaps(bulletBitmap(size), bulletBitmap(2 * size));
}

wxBitmap bulletBitmap(int size) {
    wxBitmap bitmap = transparentBitmap(size);
    wxMemoryDC dc(bitmap);
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(dc));
    if (gc) {
        gc->SetPen(wxPen(wxColour(0, 0, 96)));
        gc->SetBrush(wxBrush(wxColour(255, 0, 255)));
        gc->DrawEllipse(size * 0.2, size * 0.2, size * 0.6, size * 0.6);
    }
    gc.reset();
    dc.SelectObject(wxNullBitmap);
    return bitmap;
}

} // namespace zc
