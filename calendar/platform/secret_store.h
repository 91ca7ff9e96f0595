#pragma once
// Passwords of the calendar's server accounts, kept in the system's own keeper of secrets (the
// desktop's secret service through libsecret on Linux, the Credential Manager on Windows) and
// never in the store, a file or a message. An account is known by its server address and user.
#include <optional>
#include <string>

namespace zc::platform {

struct SecretResult {
    bool ok = false;
    // Why it failed, in the user's words (for example that no secret service is running).
    std::string error;
};

SecretResult storePassword(const std::string& server, const std::string& user, const std::string& password);
// The password stored for the account; none when there is none (error empty) or when the keeper
// could not be asked (error says why).
std::optional<std::string> lookupPassword(const std::string& server, const std::string& user, std::string& error);
SecretResult forgetPassword(const std::string& server, const std::string& user);

} // namespace zc::platform
