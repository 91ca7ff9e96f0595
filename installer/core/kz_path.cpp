#include "core/kz_path.h"

#include "core/kz_text.h"
#include "text/text_utils.h"

namespace {

bool IsSeparator(char c) {
    // Scripts written for either platform end directories with "\", so it counts everywhere.
    return c == '/' || c == '\\';
}

std::string WithSeparators(std::string text) {
    for (char& c : text)
        if (IsSeparator(c)) c = KzPathSeparator();
    return text;
}

// An argument keeps its "/" (an option such as "/s" on Windows); only its "\" separators become
// native ones.
std::string ArgumentWithSeparators(std::string text) {
    for (char& c : text)
        if (c == '\\') c = KzPathSeparator();
    return text;
}

} // namespace

std::string NativePath(const std::string& text, const std::string& base) {
    std::string path = text::trimmed(text);
    if (path.empty()) return base;
    path = WithSeparators(std::move(path));
    if (path[0] == '~' && (path.size() == 1 || path[1] == KzPathSeparator())) {
        const std::string home = KzHomeDirectory();
        if (!home.empty()) return home + path.substr(1);
    }
    path = KzWithoutForeignDrive(path);
    if (KzIsRooted(path)) return path;
    const std::string below = base.empty() ? KzRootDirectory() : AddBackslash(base);
    return below + path;
}

std::string AddBackslash(const std::string& path) {
    if (text::trimmed(path).empty()) return {};
    if (IsSeparator(path.back())) return path;
    return path + KzPathSeparator();
}

std::vector<std::string> KzProgramArguments(const std::string& line, const std::string& appDirectory) {
    std::vector<std::string> arguments = KzSplitArguments(line);
    for (std::string& argument : arguments)
        argument = ArgumentWithSeparators(std::move(argument));
    if (arguments.empty() || text::trimmed(arguments.front()).empty()) return {};
    // The program, "\" or "/" alike, is a path.
    arguments.front() = NativePath(arguments.front(), appDirectory);
    return arguments;
}

std::string KzScriptPathFromArgument(const std::string& argument, const std::string& appDirectory) {
    const auto end = argument.find_last_of(KzDirectoryEnds());
    // A path from the root keeps its root as its directory part.
    const std::string directory = end == std::string::npos ? std::string() : argument.substr(0, end ? end : 1);
    return text::trimmed(directory).empty() ? appDirectory + argument : argument;
}
