// Passwords on Windows. The Credential Manager (CredWriteW and CredReadW under a generic
// credential named after the account) is the place for them; until it is wired in, the Windows
// build keeps no password at all rather than one in plain text.
#include "platform/secret_store.h"

namespace zc::platform {

namespace {
constexpr const char* kNotYet = "this build cannot keep passwords yet (the Windows Credential Manager is not wired in)";
}

SecretResult storePassword(const std::string&, const std::string&, const std::string&) {
    return {false, kNotYet};
}

std::optional<std::string> lookupPassword(const std::string&, const std::string&, std::string& error) {
    error = kNotYet;
    return std::nullopt;
}

SecretResult forgetPassword(const std::string&, const std::string&) {
    return {false, kNotYet};
}

} // namespace zc::platform
