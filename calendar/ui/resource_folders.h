#pragma once
// Where the calendar finds the files it ships (sounds, help pages), whichever way it was put on
// the machine.
#include <filesystem>
#include <string>
#include <vector>

namespace zc {

// The folders that may hold the shipped files of one kind ("sounds", "help"), in the order they
// are searched: the installed data folder; ../share/zorvelcal/<kind> beside the program (installed
// below another prefix than the one it was built for); <kind> beside the program and the program's
// own folder (a single-folder installation); in a developer build, the source tree's resources (a
// build that was never installed). A package build leaves the source tree out: the folder it was
// built in means nothing on the machines it is installed on.
std::vector<std::filesystem::path> resourceFolders(const std::string& kind);

} // namespace zc
