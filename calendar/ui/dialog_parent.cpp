#include "ui/dialog_parent.h"

#include <wx/window.h>

namespace zc {
namespace {
wxWindow* preferredParent = nullptr;
} // namespace

ScopedDialogParent::ScopedDialogParent(wxWindow* window) : previous_(preferredParent) {
    preferredParent = window;
}

ScopedDialogParent::~ScopedDialogParent() {
    preferredParent = previous_;
}

wxWeakRef<wxTopLevelWindow>& mainWindow() {
    static wxWeakRef<wxTopLevelWindow> window;
    return window;
}

wxWeakRef<wxTopLevelWindow>& lastActivePopup() {
    static wxWeakRef<wxTopLevelWindow> popup;
    return popup;
}

wxWindow* dialogParent() {
    if (preferredParent && preferredParent->IsShown()) return preferredParent;
    if (wxWindow* active = wxGetActiveWindow())
        if (wxWindow* top = wxGetTopLevelParent(active); top && top->IsShown()) return top;
    if (wxTopLevelWindow* popup = lastActivePopup().get(); popup && popup->IsShown()) return popup;
    if (wxTopLevelWindow* main = mainWindow().get(); main && main->IsShown() && !main->IsIconized()) return main;
    return nullptr;
}

} // namespace zc
