#pragma once
// Whole files, read and replaced without surprises. A named pipe or a device where a file is
// expected is refused instead of waited on, and a file is replaced only by a complete copy that
// has reached the disk, so a failure on the way (a full disk, a killed program) leaves the old
// file as it was. The operating-system calls live in one file per platform: file_access_posix.cpp
// and file_access_windows.cpp.
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace zc {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// What stands at a path, links followed.
enum class FileKind { kMissing, kRegular, kFolder, kPipe, kDevice, kOther };

FileKind fileKind(const std::string& path);

// Why what stands at a path cannot serve as a file, in the user's words.
inline std::string notAFile(FileKind kind) {
    switch (kind) {
    case FileKind::kFolder:
        return "it is a folder, not a file";
    case FileKind::kPipe:
        return "it is a named pipe, not a file";
    case FileKind::kDevice:
        return "it is a device, not a file";
    default:
        return "it is not a file";
    }
}

// Opens a regular file for reading; nothing else at the path is opened for good, so the call
// never waits for a writer. On failure it returns null, `kind` says what stands at the path and
// `why` the reason in plain words.
FileHandle openRegularForReading(const std::string& path, FileKind& kind, std::string& why);

enum class ReplaceResult { kDone, kNotCreated, kNotWritten };

// Gives the file at `path` new content: `write` fills a temporary file in the same folder, which
// is flushed to the disk and only then renamed over the old file. A link at the path is followed,
// so the file it names is replaced and the link stays. The new file keeps the old one's
// permissions. `write` returns false when a write failed (errno telling why). On any failure the
// temporary file is removed, the old file is untouched and `why` holds the reason.
ReplaceResult replaceFile(const std::string& path, const std::function<bool(std::FILE*)>& write,
                          std::string& why);

} // namespace zc
