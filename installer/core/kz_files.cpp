#include "core/kz_files.h"

#include "core/kz_text.h"
#include "text/text_utils.h"
#include "text/translatable.h"

#include <new>

namespace {

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

// The length of the root at the start of a native path ("/" or "c:\"), 0 when it has none.
std::size_t RootLength(const std::string& path) {
    if (!KzIsRooted(path)) return 0;
    return path.find(KzPathSeparator()) + 1;
}

// A level of the chain counts as an existing directory only without a trailing separator (the
// root aside), so a path that ends with one is "created" once more and reports that it exists.
bool IsExistingLevel(const std::string& level) {
    if (level.size() > RootLength(level) && EndsWithSeparator(level)) return false;
    return KzIsDirectory(level);
}

} // namespace

std::string GetField(int n, const std::string& line, char separator) {
    if (n <= 0) return {};
    const std::size_t at = line.find(separator);
    if (at == std::string::npos) return n == 1 ? line : std::string();
    if (n == 1) return text::trimmed(line.substr(0, at));
    return text::trimmed(GetField(n - 1, line.substr(at + 1), separator));
}

KzStatus CopyExpandFile(const std::string& source, const std::string& destination, const KzWriteObserver& observer) {
    try {
        switch (KzCopyExpand(source, destination, observer)) {
        case KzCopyResult::Ok:
            return {};
        case KzCopyResult::CannotOpenSource:
            return {KzStatusCannotOpen, KzFormatted(N_("Can not copy file from:\n%s"), {source})};
        case KzCopyResult::CannotOpenDestination:
            return {KzStatusCannotOpen, KzFormatted(N_("Can not copy file to:\n%s"), {destination})};
        case KzCopyResult::Failed:
            break;
        }
        return {KzStatusFailed, KzFormatted(N_("Can not create file:\n%s"), {destination})};
    } catch (const std::bad_alloc&) {
        return {KzStatusNoMemory, text::translated(N_("out of memory"))};
    }
}

KzStatus MakeDirectory(const std::string& directory) {
    const int error = KzMakeOneDirectory(directory);
    if (error == 0) return {};
    if (KzExists(directory)) return {KzStatusExists, text::translated(N_("Directory already exists"))};
    return {KzStatusFailed, text::formatted(N_("Unable to create directory %s"), {directory})};
}

std::vector<std::string> DirectoryChain(const std::string& path) {
    std::vector<std::string> chain;
    if (text::trimmed(path).empty()) return chain;
    std::string current = path;
    const std::size_t root = RootLength(current);
    chain.push_back(current);
    while (current.size() > root) {
        const std::size_t at = current.rfind(KzPathSeparator());
        current = at == std::string::npos || at < root ? current.substr(0, root) : current.substr(0, at);
        if (current.empty()) break;
        chain.push_back(current);
    }
    return chain;
}

KzStatus MakeDirectoryPath(const std::string& path) {
    const std::vector<std::string> chain = DirectoryChain(path);
    if (chain.empty()) return {};
    std::size_t existing = 0;
    while (existing < chain.size() && !IsExistingLevel(chain[existing]))
        ++existing;
    // The levels before the first existing one are created outermost first; when none exists,
    // every level is tried, so a path that cannot be made is reported rather than accepted.
    KzStatus result;
    for (std::size_t level = existing; level-- > 0;)
        result = MakeDirectory(chain[level]);
    // "Exists" is success to the caller, so it must not hide a file of that name, and no status
    // may claim success for a directory that is not there.
    if ((result.status == KzStatusOk || result.status == KzStatusExists) && !KzIsDirectory(chain.front()))
        result = {KzStatusFailed, text::formatted(N_("Unable to create directory %s"), {chain.front()})};
    return result;
}

bool KzLooksLikeProgram(std::string_view head) {
    return head.substr(0, 4) == "\x7f" "ELF" || head.substr(0, 2) == "#!";
}

bool KzIsProgramFile(const std::string& path) {
    const auto head = KzFileHead(path, 4);
    return head && KzLooksLikeProgram(*head);
}
