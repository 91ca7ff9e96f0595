// The status item on a session bus of its own: a private dbus-daemon started for this program, and
// a stand-in status-notifier watcher on a second connection, both driven by the same main loop as
// the windows.
#include "app_fixture.h"

#include "ui/command_ids.h"
#include "app/status_notifier_item.h"

#include <wx/app.h>

#include <gio/gio.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace zc::test {
namespace {

// One private session bus for the whole program: GLib keeps a single session connection per process.
class PrivateBus : public ::testing::Environment {
  public:
    void SetUp() override {
        FILE* out = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        if (!out) return;
        char line[512];
        if (std::fgets(line, sizeof line, out)) address = trimmed(line);
        if (std::fgets(line, sizeof line, out)) pid = std::atoi(line);
        ::pclose(out);
        if (!address.empty()) ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
        // The program's connection must not end the process when the bus goes at the end.
        if (GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)) {
            g_dbus_connection_set_exit_on_close(bus, FALSE);
            g_object_unref(bus);
        }
    }
    void TearDown() override {
        if (pid > 0) ::kill(pid, SIGTERM);
    }
    static std::string trimmed(std::string text) {
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
        return text;
    }
    std::string address;
    int pid = 0;
};
PrivateBus* const theBus = static_cast<PrivateBus*>(::testing::AddGlobalTestEnvironment(new PrivateBus));

// Runs the main loop until the condition holds, for at most five seconds.
bool pumpUntil(const std::function<bool()>& done) {
    const gint64 deadline = g_get_monotonic_time() + 5 * G_USEC_PER_SEC;
    while (!done()) {
        if (g_get_monotonic_time() > deadline) return false;
        g_main_context_iteration(nullptr, FALSE);
        wxTheApp->ProcessPendingEvents();
    }
    return true;
}

// A panel's watcher: takes org.kde.StatusNotifierWatcher, records the items that register and the
// NewToolTip signals, and reads items' properties and activates them as a panel does.
class StandInWatcher {
  public:
    StandInWatcher() {
        bus_ = g_dbus_connection_new_for_address_sync(
            theBus->address.c_str(),
            GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                 G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        if (!bus_) return;
        node_ = g_dbus_node_info_new_for_xml(R"xml(<node><interface name="org.kde.StatusNotifierWatcher">
              <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
            </interface></node>)xml",
                                             nullptr);
        static const GDBusInterfaceVTable vtable = {
            [](GDBusConnection*, const char*, const char*, const char*, const char*, GVariant* parameters,
               GDBusMethodInvocation* invocation, gpointer self) {
                const char* service = nullptr;
                g_variant_get(parameters, "(&s)", &service);
                static_cast<StandInWatcher*>(self)->registered.push_back(service);
                g_dbus_method_invocation_return_value(invocation, nullptr);
            },
            nullptr, nullptr, {}};
        g_dbus_connection_register_object(bus_, "/StatusNotifierWatcher", node_->interfaces[0], &vtable, this,
                                          nullptr, nullptr);
        g_dbus_connection_signal_subscribe(
            bus_, nullptr, "org.kde.StatusNotifierItem", "NewToolTip", "/StatusNotifierItem", nullptr,
            G_DBUS_SIGNAL_FLAGS_NONE,
            [](GDBusConnection*, const char*, const char*, const char*, const char*, GVariant*, gpointer self) {
                ++static_cast<StandInWatcher*>(self)->newToolTips;
            },
            this, nullptr);
    }
    ~StandInWatcher() {
        if (!bus_) return;
        g_dbus_connection_close_sync(bus_, nullptr, nullptr);
        g_object_unref(bus_);
        g_dbus_node_info_unref(node_);
    }

    bool connected() const { return bus_ != nullptr; }
    void takeName() { busCall("RequestName", g_variant_new("(su)", kName, 4u)); }
    void leave() { busCall("ReleaseName", g_variant_new("(s)", kName)); }

    // Calls a method of the item and runs the main loop until the answer arrives.
    GVariant* callItem(const std::string& item, const char* interface, const char* method, GVariant* parameters) {
        GVariant* reply = nullptr;
        bool answered = false;
        struct Wait {
            GVariant** reply;
            bool* answered;
        } wait{&reply, &answered};
        g_dbus_connection_call(
            bus_, item.c_str(), "/StatusNotifierItem", interface, method, parameters, nullptr,
            G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
            [](GObject* source, GAsyncResult* result, gpointer data) {
                auto* w = static_cast<Wait*>(data);
                *w->reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
                *w->answered = true;
            },
            &wait);
        pumpUntil([&] { return answered; });
        return reply;
    }
    GVariant* itemProperty(const std::string& item, const char* name) {
        GVariant* reply = callItem(item, "org.freedesktop.DBus.Properties", "Get",
                                   g_variant_new("(ss)", "org.kde.StatusNotifierItem", name));
        if (!reply) return nullptr;
        GVariant* value = nullptr;
        g_variant_get(reply, "(v)", &value);
        g_variant_unref(reply);
        return value;
    }
    std::string tooltipText(const std::string& item) {
        GVariant* tooltip = itemProperty(item, "ToolTip");
        if (!tooltip) return "<no tooltip>";
        const char* title = nullptr;
        const char* text = nullptr;
        g_variant_get(tooltip, "(&s@a(iiay)&s&s)", nullptr, nullptr, &title, &text);
        std::string result = std::string(title) + " | " + text;
        g_variant_unref(tooltip);
        return result;
    }

    std::vector<std::string> registered;
    int newToolTips = 0;

  private:
    static constexpr const char* kName = "org.kde.StatusNotifierWatcher";

    void busCall(const char* method, GVariant* parameters) {
        GVariant* reply =
            g_dbus_connection_call_sync(bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                        method, parameters, nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
        if (reply) g_variant_unref(reply);
    }

    GDBusConnection* bus_ = nullptr;
    GDBusNodeInfo* node_ = nullptr;
};

class StatusItemTest : public AppTest {
  protected:
    void SetUp() override {
        if (theBus->address.empty()) GTEST_SKIP() << "dbus-daemon did not start a private session bus";
        AppTest::SetUp();
        ASSERT_TRUE(watcher.connected());
    }

    StatusNotifierItem* item() { return dynamic_cast<StatusNotifierItem*>(frame->notifyIcon()); }

    StandInWatcher watcher;
};

TEST_F(StatusItemTest, RegistersWithTheWatcherAndShowsTheNextAppointmentInItsToolTip) {
    watcher.takeName();
    openFrame();
    ASSERT_NE(item(), nullptr) << "a watcher is present, so the frame's icon is the status item";
    ASSERT_TRUE(pumpUntil([&] { return item()->shown(); }));
    ASSERT_EQ(watcher.registered, std::vector<std::string>{item()->busName()});
    const std::string name = item()->busName();

    const struct {
        const char* property;
        const char* value;
    } strings[] = {{"Id", "zorvelcal"},       {"Category", "ApplicationStatus"}, {"Title", "Zorvel Calendar"},
                   {"Status", "Active"},      {"IconName", "zorvelcal"}};
    for (const auto& row : strings) {
        GVariant* value = watcher.itemProperty(name, row.property);
        ASSERT_NE(value, nullptr) << row.property;
        EXPECT_STREQ(g_variant_get_string(value, nullptr), row.value) << row.property;
        g_variant_unref(value);
    }
    GVariant* menu = watcher.itemProperty(name, "ItemIsMenu");
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(g_variant_get_boolean(menu));
    g_variant_unref(menu);
    GVariant* pixmaps = watcher.itemProperty(name, "IconPixmap");
    ASSERT_NE(pixmaps, nullptr);
    ASSERT_GE(g_variant_n_children(pixmaps), 1u);
    std::set<gint32> widths;
    for (gsize i = 0; i < g_variant_n_children(pixmaps); ++i) {
        gint32 width = 0, height = 0;
        GVariant* bytes = nullptr;
        g_variant_get_child(pixmaps, i, "(ii@ay)", &width, &height, &bytes);
        EXPECT_EQ(g_variant_n_children(bytes), gsize(width * height * 4)) << width;
        widths.insert(width);
        g_variant_unref(bytes);
    }
    // Soft tray icon: a 22-pixel panel had only 16, 24 and 32 to scale from.
    EXPECT_TRUE(widths.count(22));
    g_variant_unref(pixmaps);

    // The tip as the program computes it, markup made plain text; a new entry changes it and the
    // panel is told.
    ASSERT_TRUE(pumpUntil([&] { return watcher.tooltipText(name).find("no appointments") != std::string::npos; }));
    int signalsBefore = watcher.newToolTips;
    Appointment& dentist = frame->table().construct();
    dentist.setWhen(2015, 8, 12, 14, 5, -1, "Dentist & X-ray");
    dentist.schedule(true);
    ASSERT_TRUE(pumpUntil([&] { return watcher.newToolTips > signalsBefore; }));
    EXPECT_EQ(watcher.tooltipText(name), "Zorvel Calendar |  2:05pm: Dentist &amp; X-ray  ");

    signalsBefore = watcher.newToolTips;
    Appointment& sooner = frame->table().construct();
    sooner.setWhen(2015, 8, 12, 11, 30, -1, "Caf\xE9"); // stored as Latin-1 by an old backup
    sooner.schedule(true);
    ASSERT_TRUE(pumpUntil([&] { return watcher.newToolTips > signalsBefore; }));
    EXPECT_EQ(watcher.tooltipText(name), "Zorvel Calendar |  11:30am: Caf\xC3\xA9  ");
}

TEST_F(StatusItemTest, MinimizeHidesTheWindowAndActivateBringsItBackOnTheCurrentMonth) {
    watcher.takeName();
    openFrame();
    ASSERT_NE(item(), nullptr);
    ASSERT_TRUE(pumpUntil([&] { return item()->shown(); }));
    frame->Show(true);
    view().showMonth(2016, 3);

    wxCommandEvent minimize(wxEVT_MENU, cmd::menuId(cmd::kMinimize));
    frame->ProcessWindowEvent(minimize);
    EXPECT_FALSE(frame->IsShown());
    EXPECT_FALSE(frame->IsIconized());

    GVariant* reply = watcher.callItem(item()->busName(), "org.kde.StatusNotifierItem", "Activate",
                                       g_variant_new("(ii)", 10, 10));
    ASSERT_NE(reply, nullptr);
    g_variant_unref(reply);
    EXPECT_TRUE(frame->IsShown());
    EXPECT_EQ(view().shownMonth(), 8);

    // A right click (ContextMenu) does nothing.
    ASSERT_TRUE(pumpUntil([&] { return frame->userSeesWindow(); }));
    frame->minimize();
    reply = watcher.callItem(item()->busName(), "org.kde.StatusNotifierItem", "ContextMenu",
                             g_variant_new("(ii)", 10, 10));
    ASSERT_NE(reply, nullptr);
    g_variant_unref(reply);
    EXPECT_FALSE(frame->IsShown());
}

TEST_F(StatusItemTest, RegistersAgainWhenTheWatcherComesBack) {
    watcher.takeName();
    openFrame();
    ASSERT_NE(item(), nullptr);
    ASSERT_TRUE(pumpUntil([&] { return item()->shown(); }));

    // The panel restarts: its watcher leaves, and Minimize meanwhile iconizes (nothing could bring
    // a hidden window back).
    watcher.leave();
    ASSERT_TRUE(pumpUntil([&] { return !item()->shown(); }));
    frame->Show(true);
    frame->minimize();
    EXPECT_TRUE(frame->IsShown());
    frame->Iconize(false);

    watcher.takeName();
    ASSERT_TRUE(pumpUntil([&] { return item()->shown(); }));
    EXPECT_EQ(watcher.registered, (std::vector<std::string>{item()->busName(), item()->busName()}));
}

// Plain Xvfb has no window manager to iconize a window; what shows is that the window stays
// mapped, with a taskbar button of its own to come back by.
TEST_F(StatusItemTest, WithoutAWatcherOrATrayMinimizeIconizesInsteadOfHiding) {
    openFrame();
    ASSERT_NE(frame->notifyIcon(), nullptr);
    EXPECT_EQ(item(), nullptr);
    EXPECT_FALSE(frame->notifyIcon()->shown());
    EXPECT_FALSE(frame->HasFlag(wxFRAME_NO_TASKBAR));
    frame->Show(true);
    wxCommandEvent minimize(wxEVT_MENU, cmd::menuId(cmd::kMinimize));
    frame->ProcessWindowEvent(minimize);
    EXPECT_TRUE(frame->IsShown());
}

} // namespace
} // namespace zc::test
