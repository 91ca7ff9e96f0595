// The installer core's operating-system calls on Linux and other POSIX systems.
#ifndef _WIN32

#include "core/kz_platform.h"

#include "core/kz_expand.h"
#include "core/kz_text.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <tuple>

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { Close(); }
    int Get() const { return fd_; }
    void Reset(int fd) {
        Close();
        fd_ = fd;
    }
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

  private:
    int fd_;
};

// Opens a file for reading without waiting for a writer (a pipe) or a device, and only when it is a
// regular file; gives the descriptor or -1 with errno set.
int OpenRegularFile(const std::string& path, struct stat& info) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return -1;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        errno = error;
        return -1;
    }
    // Reads from a regular file never wait anyway; the flag only mattered for the open.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Temporary files are named ".kzinstall-<pid>-XXXXXX" after the process that writes them, so a
// later run can tell the files of an installer that was killed from those of one still running.
constexpr char TemporaryPrefix[] = ".kzinstall-";

// The temporary files being written at this moment, for the signal handler to remove. A handler
// may only touch what needs no lock, so each slot holds a pointer to a name that its AtomicFile
// keeps unchanged until it clears the slot again.
std::atomic<const char*> OpenTemporaries[8];
static_assert(std::atomic<const char*>::is_always_lock_free);

void RegisterTemporary(const char* name) {
    for (auto& slot : OpenTemporaries) {
        const char* empty = nullptr;
        if (slot.compare_exchange_strong(empty, name)) return;
    }
    // With every slot taken a killed run leaves this file behind; the next run removes it.
}

void UnregisterTemporary(const char* name) {
    for (auto& slot : OpenTemporaries) {
        const char* expected = name;
        if (slot.compare_exchange_strong(expected, nullptr)) return;
    }
}

extern "C" void RemoveTemporariesAndEnd(int signal) {
    for (auto& slot : OpenTemporaries) {
        if (const char* name = slot.load()) ::unlink(name);
    }
    // The handler was installed for one use, so the signal raised again ends the process the way
    // it would have ended without the handler, once the handler returns.
    ::raise(signal);
}

// The process id in a temporary file's name, or 0 when the name is not one of ours.
pid_t TemporaryOwner(const char* name) {
    const std::size_t prefix = sizeof TemporaryPrefix - 1;
    if (std::strncmp(name, TemporaryPrefix, prefix) != 0) return 0;
    const char* p = name + prefix;
    long long pid = 0;
    const char* digits = p;
    while (*p >= '0' && *p <= '9' && p - digits < 10)
        pid = pid * 10 + (*p++ - '0');
    if (p == digits || *p++ != '-' || std::strlen(p) != 6) return 0;
    for (; *p; ++p) {
        if (!std::isalnum(static_cast<unsigned char>(*p))) return 0;
    }
    return pid > 0 && pid <= 0x7fffffff ? static_cast<pid_t>(pid) : 0;
}

// Removes from folder the temporary files that an earlier run of this installer was killed
// before it could remove: ours by their name and owner, no longer written by their process, which
// is gone, and not locked by any process that might share its id from another process namespace.
// Each folder is looked at once in a run.
void RemoveStaleTemporaries(const std::string& folder) {
    static std::set<std::string> swept;
    if (!swept.insert(folder).second) return;
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) return;
    const int dirFd = ::dirfd(listing);
    while (const dirent* entry = ::readdir(listing)) {
        const pid_t owner = TemporaryOwner(entry->d_name);
        if (owner == 0 || owner == ::getpid()) continue;
        if (::kill(owner, 0) == 0 || errno != ESRCH) continue;
        FileDescriptor fd(
            ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        struct stat opened, named;
        if (fd.Get() < 0 || ::fstat(fd.Get(), &opened) != 0 || !S_ISREG(opened.st_mode) ||
            opened.st_uid != ::geteuid() || ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        // The name must still lead to the file that was checked.
        if (::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_dev == opened.st_dev && named.st_ino == opened.st_ino)
            ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(listing);
}

// A file as this run left it: its device and inode, and the time and size of its last write, since
// an inode freed by a later replacement may be given to somebody else's new file.
using FileIdentity = std::tuple<dev_t, ino_t, time_t, long, off_t>;

FileIdentity IdentityOf(const struct stat& info) {
    return {info.st_dev, info.st_ino, info.st_mtim.tv_sec, info.st_mtim.tv_nsec, info.st_size};
}

// The files that this run has written, the only ones it gives execute bits.
std::set<FileIdentity>& WrittenFiles() {
    static std::set<FileIdentity> files;
    return files;
}

void RememberWritten(int fd) {
    struct stat info;
    if (::fstat(fd, &info) == 0) WrittenFiles().insert(IdentityOf(info));
}

// A new file written beside its final name and put in place by a rename once it is complete and
// on the disk. Until Commit, the final name keeps whatever it held; an abandoned file is removed,
// by the signal handler too when the installer is ended by a signal while the file is written.
class AtomicFile {
  public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile() {
        if (fd_.Get() >= 0) {
            fd_.Close();
            Discard();
        }
    }

    // Creates the temporary file with the permissions mode (exactly as given). Gives 0 or errno.
    int Open(const std::string& path, mode_t mode) {
        path_ = path;
        const std::size_t slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        RemoveStaleTemporaries(folder.empty() ? "." : folder);
        // A short name, so that a file whose name just fits the length limit can still be written.
        temporary_ = folder + TemporaryPrefix + std::to_string(::getpid()) + "-XXXXXX";
        fd_.Reset(::mkostemp(temporary_.data(), O_CLOEXEC));
        if (fd_.Get() < 0) return errno;
        RegisterTemporary(temporary_.c_str());
        // The lock tells a later run that the file is still being written, whatever its name says.
        (void)::flock(fd_.Get(), LOCK_EX | LOCK_NB);
        if (::fchmod(fd_.Get(), mode) != 0) {
            const int error = errno;
            fd_.Close();
            Discard();
            return error;
        }
        return 0;
    }

    int Get() const { return fd_.Get(); }

    // Flushes the content to the disk before the rename, so that after a power cut the name holds
    // either the old file or the whole new one, never an empty one. Gives 0 or errno.
    int Commit() {
        int error = ::fsync(fd_.Get()) == 0 ? 0 : errno;
        if (!fd_.Close() && error == 0) error = errno;
        if (error == 0 && ::rename(temporary_.c_str(), path_.c_str()) != 0) error = errno;
        if (error != 0)
            Discard();
        else
            UnregisterTemporary(temporary_.c_str());
        return error;
    }

  private:
    void Discard() {
        ::unlink(temporary_.c_str());
        UnregisterTemporary(temporary_.c_str());
    }

    std::string path_;
    std::string temporary_;
    FileDescriptor fd_;
};

// Rewrites a file in place from a complete copy of its new content, for a file that may be written
// in a folder that may not. The content is expanded into an unnamed temporary file first, so a
// damaged source leaves the old file untouched, and the disk space for all of it is taken before
// the first byte of the old file is overwritten, so a full disk leaves it untouched too.
KzCopyResult ReplaceInPlace(int in, const std::string& destination, const KzWriteObserver& observer) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && tmp[0] == '/' ? tmp : "/tmp") + "/" + TemporaryPrefix + "XXXXXX";
    FileDescriptor staged(::mkostemp(pattern.data(), O_CLOEXEC));
    if (staged.Get() < 0) return KzCopyResult::CannotOpenDestination;
    ::unlink(pattern.c_str());
    if (KzExpandFile(in, staged.Get(), nullptr, observer) != KzExpandStatus::Ok) return KzCopyResult::Failed;
    const off_t size = ::lseek(staged.Get(), 0, SEEK_END);
    if (size < 0 || ::lseek(staged.Get(), 0, SEEK_SET) != 0) return KzCopyResult::Failed;
    FileDescriptor out(
        ::open(destination.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    struct stat old;
    if (out.Get() < 0 || ::fstat(out.Get(), &old) != 0 || !S_ISREG(old.st_mode))
        return KzCopyResult::CannotOpenDestination;
    if (size > 0 && ::posix_fallocate(out.Get(), 0, size) != 0) {
        // A failed reservation may have grown the file; what it held before is unchanged.
        (void)::ftruncate(out.Get(), old.st_size);
        return KzCopyResult::Failed;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(staged.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || (n > 0 && !WriteAll(out.Get(), buffer, static_cast<std::size_t>(n))))
            return KzCopyResult::Failed;
        if (n == 0) break;
    }
    if (::ftruncate(out.Get(), size) != 0 || ::fsync(out.Get()) != 0) return KzCopyResult::Failed;
    RememberWritten(out.Get());
    return out.Close() ? KzCopyResult::Ok : KzCopyResult::Failed;
}

} // namespace

char KzPathSeparator() {
    return '/';
}

std::string KzRootDirectory() {
    return "/";
}

const char* KzDirectoryEnds() {
    return "/";
}

bool KzIsRooted(const std::string& path) {
    return !path.empty() && path[0] == '/';
}

std::string KzWithoutForeignDrive(const std::string& path) {
    const bool drive = path.size() >= 2 && path[1] == ':' &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                       (path.size() == 2 || path[2] == '/');
    if (!drive) return path;
    return path.size() == 2 ? "/" : path.substr(2);
}

std::string KzHomeDirectory() {
    const auto value = KzEnvironmentPath("HOME");
    std::string home = value ? *value : std::string();
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    return home;
}

std::optional<std::string> KzEnvironmentPath(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') return std::nullopt;
    return std::string(value);
}

std::string AppDirectory() {
    std::string buffer(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0) return "./";
    buffer.resize(static_cast<std::size_t>(length));
    const std::size_t slash = buffer.rfind('/');
    return slash == std::string::npos ? "./" : buffer.substr(0, slash + 1);
}

bool KzIsDirectory(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool KzExists(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

std::string KzErrorText(int error) {
    return std::strerror(error);
}

int KzReadWholeFile(const std::string& path, std::string& content, std::size_t maxSize) {
    content.clear();
    struct stat info;
    FileDescriptor fd(OpenRegularFile(path, info));
    if (fd.Get() < 0) return errno;
    if (static_cast<unsigned long long>(info.st_size) > maxSize) return EFBIG;
    content.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return 0;
        // The file may grow while it is read.
        if (content.size() + static_cast<std::size_t>(n) > maxSize) return EFBIG;
        content.append(buffer, static_cast<std::size_t>(n));
    }
}

int KzWriteFileAtomically(const std::string& path, const std::string& content, unsigned mode) {
    AtomicFile file;
    if (const int error = file.Open(path, static_cast<mode_t>(mode))) return error;
    if (!WriteAll(file.Get(), content.data(), content.size())) return errno ? errno : EIO;
    return file.Commit();
}

KzCopyResult KzCopyExpand(const std::string& source, const std::string& destination,
                          const KzWriteObserver& observer) {
    struct stat sourceInfo;
    FileDescriptor in(OpenRegularFile(source, sourceInfo));
    if (in.Get() < 0) return KzCopyResult::CannotOpenSource;

    // A destination that names a directory (an empty destination field names the installation
    // directory itself) cannot be written as a file.
    if (destination.empty() || destination.back() == '/' || KzIsDirectory(destination))
        return KzCopyResult::CannotOpenDestination;
    // The permissions come from the destination itself, never from what a symbolic link points at:
    // a link to a set-user-ID program must not lend its bits to the copy, and no copy carries
    // set-user-ID or set-group-ID bits at all.
    struct stat destinationInfo;
    const bool replacing = ::lstat(destination.c_str(), &destinationInfo) == 0 && S_ISREG(destinationInfo.st_mode);
    const mode_t mode =
        replacing ? destinationInfo.st_mode & 0777 : (0666 | (sourceInfo.st_mode & 0111)) & ~CurrentUmask();

    AtomicFile out;
    if (const int error = out.Open(destination, mode)) {
        const bool folderLocked = error == EACCES || error == EPERM;
        if (replacing && folderLocked && ::access(destination.c_str(), W_OK) == 0)
            return ReplaceInPlace(in.Get(), destination, observer);
        return KzCopyResult::CannotOpenDestination;
    }
    if (KzExpandFile(in.Get(), out.Get(), nullptr, observer) != KzExpandStatus::Ok) return KzCopyResult::Failed;
    in.Close();
    // The file keeps its identity through the rename, which changes no time of its own but the
    // change time.
    struct stat written;
    const bool known = ::fstat(out.Get(), &written) == 0;
    if (out.Commit() != 0) return KzCopyResult::Failed;
    if (known) WrittenFiles().insert(IdentityOf(written));
    return KzCopyResult::Ok;
}

void KzRemoveTemporariesOnSignals() {
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        struct sigaction current {};
        // A signal the installer was started to ignore (a hang-up under nohup) stays ignored, and
        // a handler someone else installed is left in place.
        if (::sigaction(signal, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) ||
            current.sa_handler != SIG_DFL)
            continue;
        struct sigaction action {};
        action.sa_handler = RemoveTemporariesAndEnd;
        action.sa_flags = SA_RESETHAND;
        sigfillset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

int KzMakeOneDirectory(const std::string& path) {
    if (KzExists(path)) return EEXIST;
    return ::mkdir(path.c_str(), 0777) == 0 ? 0 : errno;
}

int KzRenameNoReplace(const std::string& from, const std::string& to) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
#endif
    // File systems without the atomic variant get a check first; the window between the check
    // and the rename is acceptable for a folder only this installer touches.
    if (KzExists(to)) return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

std::optional<std::string> KzFileHead(const std::string& path, std::size_t count) {
    struct stat info;
    FileDescriptor fd(OpenRegularFile(path, info));
    if (fd.Get() < 0) return std::nullopt;
    std::string head(count, '\0');
    ssize_t n;
    do {
        n = ::read(fd.Get(), head.data(), count);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return std::nullopt;
    head.resize(static_cast<std::size_t>(n));
    return head;
}

void KzMakeExecutable(const std::string& path) {
    struct stat named;
    if (::stat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode)) return;
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat info;
    if (fd.Get() < 0 || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return;
    // A program item may name a symbolic link or a path outside the installation: only a file that
    // this run wrote is made a program, never a script that merely lies where the name leads.
    if (WrittenFiles().count(IdentityOf(info)) == 0) return;
    const mode_t mode = (info.st_mode & 07777) | ((info.st_mode & 0444) >> 2);
    if (mode != (info.st_mode & 07777)) (void)::fchmod(fd.Get(), mode);
}

bool KzStartProgram(const std::vector<std::string>& arguments, const std::string& workingDir) {
    if (arguments.empty()) return false;
    // Children that have ended are collected at the next start, so none stays a zombie for long;
    // the installer ends soon after its last run line anyway.
    static std::vector<pid_t> started;
    started.erase(std::remove_if(started.begin(), started.end(),
                                 [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; }),
                  started.end());

    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 29))
    if (!workingDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingDir.c_str());
#else
    // Without a way to change the folder in the spawn itself, the program starts in the
    // installer's current folder; its path is absolute either way.
    (void)workingDir;
#endif
    pid_t pid = 0;
    // The C library reports a program that cannot be executed here, in this process, so nothing
    // half-started is left to write its own complaint to the terminal.
    const int error = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return false;
    started.push_back(pid);
    return true;
}

KzExpandStatus KzExpandFile(int inFd, int outFd, bool* compressed, const KzWriteObserver& observer) {
    auto reader = [inFd](std::uint8_t* buffer, std::size_t size) -> std::ptrdiff_t {
        for (;;) {
            const ssize_t got = ::read(inFd, buffer, size);
            if (got >= 0 || errno != EINTR) return got;
        }
    };
    auto writer = [outFd, &observer](const std::uint8_t* data, std::size_t size) {
        if (!WriteAll(outFd, reinterpret_cast<const char*>(data), size)) return false;
        if (observer) observer(data, size);
        return true;
    };
    auto copyRest = [&]() -> std::optional<KzExpandStatus> {
        // The kernel's copy would keep the bytes from the observer.
        if (observer) return std::nullopt;
#if defined(__linux__)
        // The kernel copies between the two files without passing the bytes through this process,
        // and on file systems that share extents it may not copy them at all.
        for (;;) {
            const ssize_t copied = ::copy_file_range(inFd, nullptr, outFd, nullptr, 1 << 30, 0);
            if (copied == 0) return KzExpandStatus::Ok;
            if (copied > 0) continue;
            if (errno == EINTR) continue;
            if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF)
                return std::nullopt;
            return errno == ENOSPC || errno == EFBIG || errno == EDQUOT ? KzExpandStatus::WriteFailed
                                                                        : KzExpandStatus::ReadFailed;
        }
#else
        return std::nullopt;
#endif
    };
    return KzExpandStream(reader, writer, compressed, copyRest);
}

#endif // _WIN32
