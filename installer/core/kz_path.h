#pragma once
// Turning text into paths. A script, a typed directory or a command line names files with "\" or
// "/", perhaps with a drive prefix, "~" for the home folder, or relative to some folder; NativePath
// turns such text into an absolute native path once, where the text enters the installer, and
// everything after that works with native paths only.
#include "core/kz_platform.h"

#include <string>
#include <vector>

// The text, trimmed, as an absolute native path: "\" and "/" are both separators; "~" and "~/..."
// name the home folder; a path with a root stays there (outside Windows a drive prefix such as "c:"
// names nothing and is dropped, so "c:\kz" is "/kz"); any other path is taken below base, or below
// the root when base is empty. Blank text gives base. A trailing separator is kept.
std::string NativePath(const std::string& text, const std::string& base = {});

// Empty when the path is empty or blank; the path unchanged when it ends with a separator ("\" or
// "/"); otherwise the path followed by the native separator.
std::string AddBackslash(const std::string& path);

// The argument vector of a `run` line: blanks separate arguments, double quotes group one (and are
// removed), "\" and "/" are path separators. The program, the first argument, is a path below
// appDirectory unless it has a root of its own. Empty when the line names no program.
std::vector<std::string> KzProgramArguments(const std::string& line, const std::string& appDirectory);

// The script file named by the first command-line argument: the argument itself when it has a
// directory part, else that name in the installer's own directory.
std::string KzScriptPathFromArgument(const std::string& argument, const std::string& appDirectory);
