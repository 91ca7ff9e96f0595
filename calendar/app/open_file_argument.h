#pragma once
// A calendar file named on the command line, as a file manager names it when the user opens an
// .ics file with the calendar: once the main window is up the user is asked whether to import it,
// and on Yes it comes in exactly as through File > Import from iCalendar.
#include <string>

class wxCmdLineParser;

namespace zc {

class CMainFrame;

// Lets the command line take one file name, listed by --help.
void addOpenFileParameter(wxCmdLineParser& parser);
// The file named on a parsed command line; empty when there is none.
std::string openFileArgument(const wxCmdLineParser& parser);
// Once the event loop runs: asks whether to import the file's appointments and, on Yes, imports
// them. A name that is no file is reported instead of asked about.
void offerToImport(CMainFrame& frame, const std::string& path);

} // namespace zc
