#pragma once
// The installer's file-system work: the path helpers the interpreter and the dialogs share,
// copying one file with expansion of compressed files, and creating directories.
//
// Paths are native. A script may write its names with "\" as separator; NativePath turns them
// into native ones, and the operations below apply it to every name they are given.
#include <string>
#include <vector>

// Status codes shared with the interpreter.
constexpr int KzStatusOk = 0;
constexpr int KzStatusCannotOpen = -1;
constexpr int KzStatusFailed = -2;
constexpr int KzStatusExists = -3;
constexpr int KzStatusNoMemory = -20;

struct KzStatus {
    int status = 0;
    std::string text;
};

// '/' on Linux, '\\' on Windows.
char KzPathSeparator();

// A script path in native form: "\" becomes the native separator and, outside Windows, a leading
// drive prefix such as "c:" is dropped, so "c:\kz\data" names "/kz/data".
std::string NativePath(const std::string& scriptPath);

// Empty when the path is empty or blank; the path unchanged when it ends with a separator;
// otherwise the path followed by the native separator.
std::string AddBackslash(const std::string& path);

// The directory of the installer program's own file, with a trailing separator.
std::string AppDirectory();

// The n-th field (from 1) of a line whose fields are split by separator, trimmed; a line without
// the separator is all field 1 and has no further fields.
std::string GetField(int n, const std::string& line, char separator = ',');

// Copies source to destination, expanding a compressed source. An existing destination is replaced
// only when the copy succeeds: the copy is written beside it and renamed over it at the end.
// Status 0; -1 "Can not copy file from:\r" + source or "Can not copy file to:\r" + destination;
// -2 "Can not create file:\r" + destination when the copy itself fails (also for a damaged
// compressed file); -20 "out of memory".
KzStatus CopyExpandFile(const std::string& source, const std::string& destination);

// Creates one directory whose parent exists: 0; -3 "Directory already exists" when anything of
// that name exists; -2 "Unable to create directory " + directory.
KzStatus MakeDirectory(const std::string& directory);

// The path and its parents, deepest first, as MakeDirectoryPath walks them; a path ending with a
// separator appears with and without it. A path without a root is taken below the root.
std::vector<std::string> DirectoryChain(const std::string& path);

// Creates every missing level of path. On an existing directory it creates nothing and reports 0,
// or -3 when the path ends with a separator. Otherwise the status and text are those of creating
// the last level, and -2 whenever the path does not exist as a directory afterwards.
KzStatus MakeDirectoryPath(const std::string& path);
