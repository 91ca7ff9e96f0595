#include "app/instance_guard.h"

#include "platform/platform.h"

#include <wx/filename.h>
#include <wx/ipc.h>
#include <wx/log.h>
#include <wx/snglinst.h>
#include <wx/utils.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace zc {
namespace {

constexpr const char* kTopic = "ZorvelCal";
constexpr const char* kRaise = "raise";

// FNV-1a: a stable short name for a long store path (socket paths are limited to about 100 bytes).
std::uint64_t fnv1a(const std::string& text) {
    std::uint64_t h = 1469598103934665603ULL;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    return h;
}

std::string absoluteStorePath(const std::string& storePath) {
    std::error_code error;
    const auto absolute = std::filesystem::absolute(storePath, error);
    return error ? storePath : absolute.lexically_normal().string();
}

class RaiseConnection final : public wxConnection {
  public:
    explicit RaiseConnection(std::function<void()> onRaise) : onRaise_(std::move(onRaise)) {}
    bool OnExec(const wxString& topic, const wxString& data) override {
        if (topic != kTopic || data != kRaise) return false;
        // The answer goes back first; the window comes forward from the event loop afterwards.
        if (onRaise_ && wxTheApp) wxTheApp->CallAfter(onRaise_);
        return true;
    }

  private:
    std::function<void()> onRaise_;
};

class RaiseServer final : public wxServer {
  public:
    explicit RaiseServer(std::function<void()> onRaise) : onRaise_(std::move(onRaise)) {}
    wxConnectionBase* OnAcceptConnection(const wxString& topic) override {
        return topic == kTopic ? new RaiseConnection(onRaise_) : nullptr;
    }

  private:
    std::function<void()> onRaise_;
};

} // namespace

std::string InstanceGuard::socketPath(const std::string& storePath) {
    std::string folder = platform::runtimeFolder();
    std::error_code error;
    if (folder.empty() || !std::filesystem::is_directory(folder, error)) folder = platform::temporaryFolder();
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx",
                  static_cast<unsigned long long>(fnv1a(absoluteStorePath(storePath))));
    return folder + "/zorvelcal-" + platform::userId() + "-" + hash + ".sock";
}

InstanceGuard::InstanceGuard(const std::string& storePath)
    : storePath_(absoluteStorePath(storePath)), checker_(std::make_unique<wxSingleInstanceChecker>()) {
    // The lock file lies beside the store, so two stores may each have their own calendar.
    const wxFileName store(wxString::FromUTF8(storePath_));
    wxString folder = store.GetPath();
    // The store's folder may not exist before the very first start; it is made here rather than
    // when the store opens, so that the lock never moves between two starts.
    // A folder that cannot be made is reported once, by the store, which names the file.
    if (!folder.empty() && !wxDirExists(folder)) {
        wxLogNull quiet;
        wxFileName::Mkdir(folder, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    }
    if (folder.empty() || !wxDirExists(folder)) folder = wxString();
    // A lock that cannot be made (a read-only folder, a full disk) must not show a box of its
    // own: the store cannot be used there either, and its one message says why in the program's
    // words.
    wxLogNull quiet;
    checker_->Create("." + store.GetFullName() + ".lock", folder);
}

InstanceGuard::~InstanceGuard() {
    if (server_) {
        server_.reset();
        std::error_code error;
        std::filesystem::remove(socketPath(storePath_), error);
    }
}

bool InstanceGuard::isAnotherRunning() const {
    wxLogNull quiet;
    return checker_->IsAnotherRunning();
}

bool InstanceGuard::bringRunningForward() {
    wxClient client;
    std::unique_ptr<wxConnectionBase> connection(
        client.MakeConnection("localhost", wxString::FromUTF8(socketPath(storePath_)), kTopic));
    if (!connection) return false;
    const bool answered = connection->Execute(kRaise);
    connection->Disconnect();
    return answered;
}

bool InstanceGuard::serve(std::function<void()> onRaise) {
    const std::string path = socketPath(storePath_);
    // This program holds the lock, so a socket file left there belongs to one that crashed.
    std::error_code error;
    std::filesystem::remove(path, error);
    auto server = std::make_unique<RaiseServer>(std::move(onRaise));
    if (!server->Create(wxString::FromUTF8(path))) return false;
    server_ = std::move(server);
    return true;
}

} // namespace zc
