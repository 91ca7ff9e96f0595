#pragma once
// The program's help: HTML pages installed with it (or found in the source tree of a build that
// was never installed), opened in the user's browser at the topic of a help context.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class wxString;

namespace zc {

// The contexts of the Help commands and buttons.
inline constexpr int kHelpMonthView = 101;  // Help > Help Topics of the main window
inline constexpr int kHelpDayPlanner = 102; // Help > Help Topics of the day planner
inline constexpr int kHelpRepeats = 108;    // Help of the Repeats dialog
inline constexpr int kHelpAdvanced = 111;   // Help of the Advanced dialog
inline constexpr int kHelpToDo = 104;       // Help > Help Topics of the to-do list
inline constexpr int kHelpWeek = 105;       // Help > Help Topics of the week view
inline constexpr int kHelpYear = 106;       // Help > Help Topics of the year view

// The page that explains a context, relative to the help folder; an unknown context gets the
// contents page.
std::string helpTopic(int context);

// The folders searched for the pages, in order; tests replace them.
std::vector<std::filesystem::path>& helpFolders();

// Starts the user's browser at an address; false when it could not be started. Tests record the
// address instead.
std::function<bool(const wxString& address)>& helpBrowser();

// Opens the topic of a context. "Failed to launch help." when no folder holds the page; when no
// browser can be started, the user is told where the pages are.
void openHelpTopic(int context);

} // namespace zc
