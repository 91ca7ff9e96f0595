#pragma once
// Every call the installer's core makes to the operating system: the file system, the user's
// folders, starting programs. Each platform implements this header in one file of its own
// (kz_platform_posix.cpp, kz_platform_windows.cpp); everything else in the core is portable.
//
// Paths given here are native and absolute: script text is turned into such paths once, where it
// enters (NativePath in kz_path.h).
#include "core/kz_expand.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The native separator, and the root that a path without one is taken below ("/" or "c:\").
char KzPathSeparator();
std::string KzRootDirectory();
// The characters that end the directory part of a path given on the command line.
const char* KzDirectoryEnds();
// True when the native path starts at a root of its own (after any drive prefix).
bool KzIsRooted(const std::string& path);
// The native path without a drive prefix that names nothing on this platform ("c:" outside
// Windows, where "c:\kz" is "/kz"); unchanged where drives exist.
std::string KzWithoutForeignDrive(const std::string& path);

// The user's home folder without a trailing separator, or empty when there is none.
std::string KzHomeDirectory();
// The value of an environment variable that holds an absolute path; nothing for relative values,
// which the desktop's folder rules say to ignore.
std::optional<std::string> KzEnvironmentPath(const char* name);
// The directory of the installer program's own file, with a trailing separator.
std::string AppDirectory();

bool KzIsDirectory(const std::string& path);
// True when anything of that name exists, a dangling symbolic link included.
bool KzExists(const std::string& path);

// The text of a system error code.
std::string KzErrorText(int error);

// Reads a whole regular file of at most maxSize bytes. Gives 0, or an error code: anything that is
// not a regular file (a directory, a pipe, a device) is refused without waiting for it, and a
// larger file gives EFBIG.
int KzReadWholeFile(const std::string& path, std::string& content, std::size_t maxSize);

// Writes a whole file so that no reader, crash or power cut ever sees half of it: a temporary file
// beside it is written, flushed to the disk and renamed over path. mode is the new file's
// permissions (the umask applies). Gives 0 or an error code.
int KzWriteFileAtomically(const std::string& path, const std::string& content, unsigned mode = 0644);

// How copying one file ended.
enum class KzCopyResult {
    Ok,
    CannotOpenSource,      // missing, unreadable, or not a regular file
    CannotOpenDestination, // a folder, a missing folder, or nowhere to write
    Failed,                // the copy itself (a damaged compressed source, a full disk)
};
// Copies source to destination, expanding a compressed source. The copy is written beside the
// destination, flushed and renamed over it, so a failure leaves an existing file as it was. When
// the folder cannot be written but the existing file can, the file is rewritten in place, and only
// once the new content is complete and the disk has room for all of it. Temporary files that an
// earlier run left in the folder when it was killed are removed first. The new file takes the
// permissions of the file it replaces (of the destination itself, never of what a symbolic link
// points at), or for a new file those of a plain file with the source's execute bits; set-user and
// set-group bits are never carried. The observer, when given, sees the bytes the file receives.
KzCopyResult KzCopyExpand(const std::string& source, const std::string& destination,
                          const KzWriteObserver& observer = {});

// Creates one directory whose parent exists. Gives 0, EEXIST when anything of that name exists,
// or another error code.
int KzMakeOneDirectory(const std::string& path);
// Creates a directory and its missing parents; failures show when the directory is used.
void KzMakeDirectories(const std::string& path);
// Renames only when the new name is free. Gives 0 or an error code.
int KzRenameNoReplace(const std::string& from, const std::string& to);
// The names of the entries of a folder that are directories, or regular files ending with
// extension; in the order of the listing, empty when the folder cannot be read.
std::vector<std::string> KzListDirectories(const std::string& folder);
std::vector<std::string> KzListFiles(const std::string& folder, const std::string& extension);

// The first bytes of a regular file (up to count), or nothing when it is not one or cannot be read.
std::optional<std::string> KzFileHead(const std::string& path, std::size_t count);
// Gives a file execute permission wherever it has read permission, but only a file that
// KzCopyExpand wrote in this run; whatever else the name leads to is left as it is.
void KzMakeExecutable(const std::string& path);

// Makes the signals that ask the installer to end (terminate, hang-up, interrupt) first remove the
// temporary file of a copy under way. Signals the program was started to ignore stay ignored.
void KzRemoveTemporariesOnSignals();

// Starts a program with these arguments (the program first) in the folder workingDir and does not
// wait for it. A program that cannot be started gives false and writes nothing anywhere.
bool KzStartProgram(const std::vector<std::string>& arguments, const std::string& workingDir);
