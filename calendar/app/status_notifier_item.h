#pragma once
// The notification icon as a status item on the D-Bus session bus, the way KDE Plasma, the
// AppIndicator extension of GNOME and most panels show icons today. The item lives at
// /StatusNotifierItem under a bus name of its own and registers with org.kde.StatusNotifierWatcher
// whenever a watcher owns that name, again each time a new watcher takes the name (panels
// restart). The protocol has no hover event: the tip is pushed to the panel with NewToolTip
// whenever it changes. Activate (a left click) brings the window back on the current month.
#include "app/notify_icon.h"

#include <string>

struct _GDBusConnection;
struct _GDBusMethodInvocation;
struct _GVariant;
struct _GCancellable;

namespace zc {

class StatusNotifierItem final : public NotifyIcon {
  public:
    explicit StatusNotifierItem(CMainFrame& frame);
    ~StatusNotifierItem() override;

    // Registered with the watcher that owns the name now.
    bool shown() const override { return registered_; }
    const std::string& busName() const { return busName_; }

  private:
    void showTip(const std::string& tip) override;
    void registerWithWatcher();
    void watcherAppeared();
    void watcherVanished();
    _GVariant* property(const char* name) const;
    void methodCalled(const char* method, _GDBusMethodInvocation* invocation);

    _GDBusConnection* bus_ = nullptr;
    _GCancellable* cancellable_ = nullptr;
    std::string busName_;
    unsigned objectId_ = 0;
    unsigned watchId_ = 0;
    bool registered_ = false;
};

// A status-notifier watcher owns its name on the session bus. A session without a bus address
// counts as none: asking GLib to find one would start a bus of its own.
bool statusNotifierWatcherPresent();

} // namespace zc
