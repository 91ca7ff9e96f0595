#pragma once
// What the calendar does from the command line before, or instead of, starting its windows.
#include <optional>

class wxCmdLineParser;

namespace zc {

// The program's own options; the toolkit adds its help and verbose switches to these.
void describeOptions(wxCmdLineParser& parser);

// "--help" and "--version", answered on standard output before the toolkit starts, so that they
// need no display. None when the command line asks for neither; otherwise the exit code 0.
std::optional<int> runTextOptions(int argc, char** argv);

// The calendar exchange from the command line: "--import-ics FILE" and "--export-ics FILE", in the
// order given, on the store of a normal start, without the toolkit or a window, so that scripts
// and machines without a display can use them. None when the command line asks for neither;
// otherwise the exit code: 0 when every step succeeded, 1 after a failure reported on standard
// error, 2 for a misused option.
std::optional<int> runExchangeOptions(int argc, char** argv);

// The calendar server from the command line, without a display: "--sync-setup URL --user NAME
// [--calendar NAME]" (the password one line on standard input) checks the account, finds the
// calendar and keeps the account, the password in the secret service; "--sync
// [--allow-mass-delete]" runs one two-way sync and prints its summary. None when neither is
// asked for; otherwise the exit code: 0 on success, 1 after one message on standard error, 2
// for a misused option.
std::optional<int> runSyncOptions(int argc, char** argv);

} // namespace zc
