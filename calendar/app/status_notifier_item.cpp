#include "app/status_notifier_item.h"

#include "ui/display_text.h"
#include "ui/program_icon.h"
#include "platform/platform.h"

#include <wx/image.h>

#include <gio/gio.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>

namespace zc {
namespace {

constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kItemPath = "/StatusNotifierItem";
constexpr const char* kTitle = "Zorvel Calendar";
constexpr int kCallTimeoutMs = 2000;

// The interface as panels read it. Only the properties the program fills are listed; the menu is
// absent (ItemIsMenu is false: a right click does nothing).
constexpr const char* kIntrospection = R"xml(<node>
  <interface name="org.kde.StatusNotifierItem">
    <property name="Category" type="s" access="read"/>
    <property name="Id" type="s" access="read"/>
    <property name="Title" type="s" access="read"/>
    <property name="Status" type="s" access="read"/>
    <property name="WindowId" type="i" access="read"/>
    <property name="IconName" type="s" access="read"/>
    <property name="IconPixmap" type="a(iiay)" access="read"/>
    <property name="OverlayIconName" type="s" access="read"/>
    <property name="AttentionIconName" type="s" access="read"/>
    <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
    <property name="ItemIsMenu" type="b" access="read"/>
    <method name="ContextMenu"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="Activate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="SecondaryActivate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="Scroll"><arg name="delta" type="i" direction="in"/><arg name="orientation" type="s" direction="in"/></method>
    <signal name="NewTitle"/>
    <signal name="NewIcon"/>
    <signal name="NewToolTip"/>
    <signal name="NewStatus"><arg name="status" type="s"/></signal>
  </interface>
</node>)xml";

GDBusInterfaceInfo* itemInterfaceInfo() {
    static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
    return node ? g_dbus_node_info_lookup_interface(node, kItemInterface) : nullptr;
}

bool sessionBusConfigured() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address) return true;
    const std::string runtime = platform::runtimeFolder();
    std::error_code error;
    return !runtime.empty() && std::filesystem::exists(std::filesystem::path(runtime) / "bus", error);
}

GDBusConnection* sessionBus() {
    if (!sessionBusConfigured()) return nullptr;
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (error) g_error_free(error);
    return bus;
}

bool nameHasOwner(GDBusConnection* bus, const char* name) {
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
        g_variant_new("(s)", name), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, nullptr);
    if (!reply) return false;
    gboolean owned = FALSE;
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
    return owned;
}

// The program icon in the sizes panels pick from: ARGB, 32 bits a pixel in network byte order.
// 22 pixels is the tray size of most panels; without it they would shrink the 24 or 32 and blur it.
// The doubled sizes (44 for a 22-pixel tray) serve panels on screens of scale 2.
GVariant* iconPixmaps() {
    GVariantBuilder pixmaps;
    g_variant_builder_init(&pixmaps, G_VARIANT_TYPE("a(iiay)"));
    for (int size : {16, 22, 24, 32, 44, 48, 64, 96, 128}) {
        const wxImage image = programIconBitmap(size).ConvertToImage();
        const int width = image.GetWidth();
        const int height = image.GetHeight();
        std::string argb;
        argb.reserve(static_cast<std::size_t>(width * height * 4));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                argb.push_back(static_cast<char>(image.HasAlpha() ? image.GetAlpha(x, y) : 255));
                argb.push_back(static_cast<char>(image.GetRed(x, y)));
                argb.push_back(static_cast<char>(image.GetGreen(x, y)));
                argb.push_back(static_cast<char>(image.GetBlue(x, y)));
            }
        GVariant* bytes = g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, argb.data(), argb.size(), 1);
        g_variant_builder_add(&pixmaps, "(ii@ay)", width, height, bytes);
    }
    return g_variant_builder_end(&pixmaps);
}

// Panels show the tooltip's text as markup; notes are plain text.
std::string tooltipText(const std::string& tip) {
    gchar* escaped = g_markup_escape_text(displayText(tip).utf8_string().c_str(), -1);
    std::string text = escaped;
    g_free(escaped);
    return text;
}

} // namespace

bool statusNotifierWatcherPresent() {
    GDBusConnection* bus = sessionBus();
    if (!bus) return false;
    const bool present = nameHasOwner(bus, kWatcherName);
    g_object_unref(bus);
    return present;
}

StatusNotifierItem::StatusNotifierItem(CMainFrame& frame) : NotifyIcon(frame) {
    bus_ = sessionBus();
    GDBusInterfaceInfo* info = itemInterfaceInfo();
    if (!bus_ || !info) return;
    cancellable_ = g_cancellable_new();

    static const GDBusInterfaceVTable vtable = {
        [](GDBusConnection*, const char*, const char*, const char*, const char* method, GVariant*,
           GDBusMethodInvocation* invocation, gpointer self) {
            static_cast<StatusNotifierItem*>(self)->methodCalled(method, invocation);
        },
        [](GDBusConnection*, const char*, const char*, const char*, const char* name, GError**,
           gpointer self) -> GVariant* { return static_cast<const StatusNotifierItem*>(self)->property(name); },
        nullptr,
        {}};
    objectId_ = g_dbus_connection_register_object(bus_, kItemPath, info, &vtable, this, nullptr, nullptr);

    // The conventional name of an item: the watcher and the panels follow its owner.
    static std::atomic<int> items{0};
    busName_ =
        "org.kde.StatusNotifierItem-" + std::to_string(platform::processId()) + "-" + std::to_string(++items);
    GVariant* reply = g_dbus_connection_call_sync(
        bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
        g_variant_new("(su)", busName_.c_str(), 4u /* do not queue */), G_VARIANT_TYPE("(u)"),
        G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, nullptr);
    if (reply)
        g_variant_unref(reply);
    else
        busName_ = g_dbus_connection_get_unique_name(bus_);

    // Called at once when a watcher owns the name already, and every time a new one takes it.
    watchId_ = g_bus_watch_name_on_connection(
        bus_, kWatcherName, G_BUS_NAME_WATCHER_FLAGS_NONE,
        [](GDBusConnection*, const char*, const char*, gpointer self) {
            static_cast<StatusNotifierItem*>(self)->watcherAppeared();
        },
        [](GDBusConnection*, const char*, gpointer self) { static_cast<StatusNotifierItem*>(self)->watcherVanished(); },
        this, nullptr);
    keepTipCurrent();
}

StatusNotifierItem::~StatusNotifierItem() {
    if (!bus_) return;
    // Replies still on their way find the call cancelled and leave this object alone.
    g_cancellable_cancel(cancellable_);
    g_object_unref(cancellable_);
    if (watchId_) g_bus_unwatch_name(watchId_);
    if (objectId_) g_dbus_connection_unregister_object(bus_, objectId_);
    if (busName_ != g_dbus_connection_get_unique_name(bus_))
        g_dbus_connection_call(bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                               "ReleaseName", g_variant_new("(s)", busName_.c_str()), nullptr,
                               G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr, nullptr);
    g_dbus_connection_flush_sync(bus_, nullptr, nullptr);
    g_object_unref(bus_);
}

void StatusNotifierItem::watcherAppeared() {
    registered_ = false;
    registerWithWatcher();
}

void StatusNotifierItem::watcherVanished() {
    registered_ = false;
}

void StatusNotifierItem::registerWithWatcher() {
    g_dbus_connection_call(
        bus_, kWatcherName, kWatcherPath, kWatcherName, "RegisterStatusNotifierItem",
        g_variant_new("(s)", busName_.c_str()), nullptr, G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, cancellable_,
        [](GObject* source, GAsyncResult* result, gpointer self) {
            GError* error = nullptr;
            GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
            if (reply) {
                g_variant_unref(reply);
                static_cast<StatusNotifierItem*>(self)->registered_ = true;
            } else {
                // A watcher that refused or left stays unregistered until a watcher appears again;
                // a cancelled call belongs to an item that is gone.
                g_error_free(error);
            }
        },
        this);
}

void StatusNotifierItem::showTip(const std::string&) {
    if (!bus_) return;
    g_dbus_connection_emit_signal(bus_, nullptr, kItemPath, kItemInterface, "NewToolTip", nullptr, nullptr);
}

GVariant* StatusNotifierItem::property(const char* name) const {
    const std::string_view n = name;
    if (n == "Category") return g_variant_new_string("ApplicationStatus");
    if (n == "Id") return g_variant_new_string("zorvelcal");
    if (n == "Title") return g_variant_new_string(kTitle);
    if (n == "Status") return g_variant_new_string("Active");
    if (n == "WindowId") return g_variant_new_int32(0);
    if (n == "IconName") return g_variant_new_string("zorvelcal");
    if (n == "IconPixmap") return iconPixmaps();
    if (n == "OverlayIconName" || n == "AttentionIconName") return g_variant_new_string("");
    if (n == "ItemIsMenu") return g_variant_new_boolean(FALSE);
    if (n == "ToolTip")
        return g_variant_new("(s@a(iiay)ss)", "", g_variant_new_array(G_VARIANT_TYPE("(iiay)"), nullptr, 0), kTitle,
                             tooltipText(tip()).c_str());
    return nullptr;
}

void StatusNotifierItem::methodCalled(const char* method, GDBusMethodInvocation* invocation) {
    g_dbus_method_invocation_return_value(invocation, nullptr);
    // A left click; the right click, the middle click and the wheel do nothing.
    if (std::string_view(method) == "Activate") activated();
}

} // namespace zc
