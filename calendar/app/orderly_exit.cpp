#include "app/orderly_exit.h"

#include "app/native_dialogs.h"
#include "data/settings_store.h"
#include "text/translatable.h"

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace zc {

OrderlyExit::OrderlyExit(std::function<void()> close) : close_(std::move(close)) {
    retry_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { tryClose(); });
}

void OrderlyExit::request() {
    endDialogs();
    if (requested_) return;
    requested_ = true;
    wxTheApp->CallAfter([this] { tryClose(); });
}

bool OrderlyExit::insideDialogLoop() {
    const wxEventLoopBase* active = wxEventLoopBase::GetActive();
    return (active && active != wxTheApp->GetMainLoop()) || insideNativeDialogLoop();
}

void OrderlyExit::endDialogs() {
    // The toolkit's dialogs first: those the toolkit wraps as dialog windows end their own loop
    // when answered, and a second end of the same loop would be a fault.
    cancelNativeDialogs();
    for (wxWindow* window : wxTopLevelWindows)
        // wxDynamicCast casts before it checks the class, which is undefined for a frame; the
        // language's own cast checks first.
        if (auto* dialog = dynamic_cast<wxDialog*>(window); dialog && dialog->IsModal())
            dialog->EndModal(wxID_CANCEL);
}

void OrderlyExit::tryClose() {
    if (closed_) return;
    if (insideDialogLoop()) {
        // A dialog's loop may be unwinding already, or a dialog may have opened another (a
        // question on cancel): each is answered again until none is left.
        if (++retries_ > kMaxRetries) {
            std::fprintf(
                stderr, "zorvelcal: %s\n",
                text::translated(N_("a dialog did not close; ending without closing the windows")).c_str());
            setSettingsStore(nullptr);
            std::_Exit(1);
        }
        endDialogs();
        retry_.StartOnce(kRetryMilliseconds);
        return;
    }
    closed_ = true;
    close_();
}

} // namespace zc
