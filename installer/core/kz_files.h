#pragma once
// The installer's file work: copying one file with expansion of compressed files, creating
// directories, and the fields of a copy line.
//
// Every path here is native and absolute: the interpreter turns the script's text into such paths
// with NativePath (kz_path.h) before it calls these operations.
#include "core/kz_expand.h"
#include "core/kz_path.h"

#include <string>
#include <string_view>
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

// The n-th field (from 1) of a line whose fields are split by separator, trimmed; a line without
// the separator is all field 1 and has no further fields.
std::string GetField(int n, const std::string& line, char separator = ',');

// Copies source to destination, expanding a compressed source (KzCopyExpand tells how an
// existing destination is replaced). Status 0; -1 "Can not copy file from:\r" + source or
// "Can not copy file to:\r" + destination; -2 "Can not create file:\r" + destination when the copy
// itself fails (also for a damaged compressed file); -20 "out of memory".
// The observer, when given, sees every byte the destination receives.
KzStatus CopyExpandFile(const std::string& source, const std::string& destination,
                        const KzWriteObserver& observer = {});

// Creates one directory whose parent exists: 0; -3 "Directory already exists" when anything of
// that name exists; -2 "Unable to create directory " + directory.
KzStatus MakeDirectory(const std::string& directory);

// The path and its parents, deepest first, as MakeDirectoryPath walks them; a path ending with a
// separator appears with and without it.
std::vector<std::string> DirectoryChain(const std::string& path);

// Creates every missing level of path. On an existing directory it creates nothing and reports 0,
// or -3 when the path ends with a separator. Otherwise the status and text are those of creating
// the last level, and -2 whenever the path does not exist as a directory afterwards.
KzStatus MakeDirectoryPath(const std::string& path);

// True when the first bytes of a file show a program: an executable (ELF) or a script that names
// its interpreter ("#!").
bool KzLooksLikeProgram(std::string_view head);
// True when the file is a program by its content (KzLooksLikeProgram); a file that cannot be read
// is not one.
bool KzIsProgramFile(const std::string& path);
