#include "ui/help_topics.h"

#include "ui/resource_folders.h"
#include "ui/wx_questions.h"

#include <wx/translation.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <system_error>

namespace zc {

std::string helpTopic(int context) {
    switch (context) {
    case kHelpDayPlanner:
        return "day-planner.html";
    case kHelpRepeats:
        return "repeats.html";
    case kHelpAdvanced:
        return "advanced.html";
    case kHelpToDo:
        return "todo.html";
    case kHelpWeek:
        return "week.html";
    case kHelpYear:
        return "year.html";
    case kHelpMonthView:
    default:
        return "index.html";
    }
}

std::vector<std::filesystem::path>& helpFolders() {
    static std::vector<std::filesystem::path> folders = resourceFolders("help");
    return folders;
}

std::function<bool(const wxString& address)>& helpBrowser() {
    static std::function<bool(const wxString&)> browser = [](const wxString& address) {
        // The toolkit would report a failure in its own words first; the caller tells the user once.
        wxLogNull quiet;
        return wxLaunchDefaultBrowser(address);
    };
    return browser;
}

void openHelpTopic(int context) {
    const std::string page = helpTopic(context);
    for (const std::filesystem::path& folder : helpFolders()) {
        std::error_code error;
        const std::filesystem::path file = folder / page;
        if (!std::filesystem::is_regular_file(file, error)) continue;
        if (helpBrowser()(wxFileName::FileNameToURL(wxString::FromUTF8(file.string())))) return;
        // The pages are there; the user can still read them with whatever program they like.
        WxQuestions().showMessage(
            wxString::Format(
                _("No web browser could be started to show the help.\n\nThe help pages are in \"%s\"."),
                wxString::FromUTF8(folder.string()))
                .utf8_string(),
            "ZorvelCal");
        return;
    }
    WxQuestions().showMessage(wxTRANSLATE("Failed to launch help."), "ZorvelCal");
}

} // namespace zc
