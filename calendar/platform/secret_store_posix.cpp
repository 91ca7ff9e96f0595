// Passwords in the desktop's secret service (GNOME Keyring, KWallet) through libsecret, under a
// schema of the calendar's own with the server address and the user as attributes.
#include "platform/secret_store.h"

#include <libsecret/secret.h>

namespace zc::platform {

namespace {

const SecretSchema* schema() {
    static const SecretSchema s = {"com.ombrix.ZorvelCal.Server",
                                   SECRET_SCHEMA_NONE,
                                   {{"server", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                    {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                    {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                   0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    return &s;
}

// libsecret's own texts name D-Bus internals; the user needs to know what to start.
std::string failure(GError* error) {
    std::string why = error && error->message ? error->message : "unknown failure";
    const bool noService = error && (error->domain == g_dbus_error_quark() || why.find("Could not connect") != std::string::npos ||
                                     why.find("org.freedesktop.secrets") != std::string::npos ||
                                     why.find("D-Bus") != std::string::npos || why.find("dbus") != std::string::npos);
    if (error) g_error_free(error);
    if (noService) return "no secret service is running (start the desktop's keyring, such as GNOME Keyring)";
    return "the secret service refused: " + why;
}

} // namespace

SecretResult storePassword(const std::string& server, const std::string& user, const std::string& password) {
    GError* error = nullptr;
    const std::string label = "Zorvel Calendar: " + user + " at " + server;
    const gboolean ok = secret_password_store_sync(schema(), SECRET_COLLECTION_DEFAULT, label.c_str(), password.c_str(),
                                                   nullptr, &error, "server", server.c_str(), "user", user.c_str(),
                                                   nullptr);
    if (ok) return {true, {}};
    return {false, failure(error)};
}

std::optional<std::string> lookupPassword(const std::string& server, const std::string& user, std::string& why) {
    GError* error = nullptr;
    gchar* found = secret_password_lookup_sync(schema(), nullptr, &error, "server", server.c_str(), "user", user.c_str(),
                                               nullptr);
    if (error) {
        why = failure(error);
        return std::nullopt;
    }
    why.clear();
    if (!found) return std::nullopt;
    std::string password = found;
    secret_password_free(found);
    return password;
}

SecretResult forgetPassword(const std::string& server, const std::string& user) {
    GError* error = nullptr;
    secret_password_clear_sync(schema(), nullptr, &error, "server", server.c_str(), "user", user.c_str(), nullptr);
    if (error) return {false, failure(error)};
    return {true, {}};
}

} // namespace zc::platform
