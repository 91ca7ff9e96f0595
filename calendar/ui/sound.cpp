#include "ui/sound.h"

#include "ui/resource_folders.h"
#include "data/settings_catalogue.h"
#include "platform/platform.h"

#include <canberra.h>

#include <filesystem>
#include <system_error>

namespace zc {
namespace {

bool isRegularFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// One context for the whole run: opening the connection to the sound service costs more than a
// click should, so it is made on first use and kept.
ca_context* soundContext() {
    static ca_context* context = [] {
        // Without a device every attempt would only fill the terminal with the sound library's
        // complaints, so none is made.
        if (!platform::soundDeviceExists()) return static_cast<ca_context*>(nullptr);
        ca_context* made = nullptr;
        if (ca_context_create(&made) != CA_SUCCESS) return static_cast<ca_context*>(nullptr);
        ca_context_change_props(made, CA_PROP_APPLICATION_NAME, "Zorvel Calendar", CA_PROP_APPLICATION_ID,
                                "zorvelcal", nullptr);
        // Without a sound service or device every later play would try (and fail) again; the
        // calendar stays silent for the rest of the run instead.
        if (ca_context_open(made) != CA_SUCCESS) {
            ca_context_destroy(made);
            return static_cast<ca_context*>(nullptr);
        }
        return made;
    }();
    return context;
}

} // namespace

std::string resolveSoundFile(const std::string& file) {
    if (file.empty()) return {};
    const std::filesystem::path given(file);
    if (given.has_parent_path()) return isRegularFile(given) ? file : std::string();
    for (const std::filesystem::path& folder : resourceFolders("sounds")) {
        const std::filesystem::path candidate = folder / given;
        if (isRegularFile(candidate)) return candidate.string();
    }
    return {};
}

void playWaveFile(const std::string& file) {
    const std::string path = resolveSoundFile(file);
    if (path.empty()) return;
    ca_context* context = soundContext();
    if (!context) return;
    // Each play gets its own id so that a click does not cut the start-up sound short.
    static uint32_t nextId = 1;
    ca_context_play(context, nextId++, CA_PROP_MEDIA_FILENAME, path.c_str(), nullptr);
}

void playSound(const std::string& event) {
    const std::string file = settings::soundFile(event);
    if (file.size() > 1) playWaveFile(file);
}

} // namespace zc
