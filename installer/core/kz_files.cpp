#include "core/kz_files.h"

#include "core/kz_expand.h"

#include <atomic>
#include <cerrno>
#include <new>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Trim(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ')
        --end;
    return text.substr(begin, end - begin);
}

bool IsSeparator(char c) {
    // Scripts written for either platform end directories with "\", so it counts everywhere.
    return c == '/' || c == '\\';
}

bool IsDirectory(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The length of the root at the start of a native path ("/" here), 0 when it has none.
std::size_t RootLength(const std::string& path) {
    return !path.empty() && path[0] == '/' ? 1 : 0;
}

// A level of the chain counts as an existing directory only without a trailing separator (the
// root aside), so a path that ends with one is "created" once more and reports that it exists.
bool IsExistingLevel(const std::string& level) {
    if (level.size() > RootLength(level) && IsSeparator(level.back())) return false;
    return IsDirectory(level);
}

// A name beside destination for writing the copy, unique in this process and checked against the
// file system by the exclusive create.
std::string TemporaryName(const std::string& destination) {
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = destination.rfind('/');
    const std::string directory =
        slash == std::string::npos ? std::string() : destination.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? destination : destination.substr(slash + 1);
    return directory + "." + name + ".kz" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

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

} // namespace

char KzPathSeparator() {
    return '/';
}

std::string NativePath(const std::string& scriptPath) {
    std::string path = scriptPath;
    for (char& c : path)
        if (c == '\\') c = '/';
    // A drive prefix names nothing here; the path below it is taken from the root.
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
        (path.size() == 2 || path[2] == '/'))
        path = path.size() == 2 ? "/" : path.substr(2);
    return path;
}

std::string AddBackslash(const std::string& path) {
    if (Trim(path).empty()) return {};
    if (IsSeparator(path.back())) return path;
    return path + KzPathSeparator();
}

std::string AppDirectory() {
    std::string buffer(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0) return AddBackslash(".");
    buffer.resize(static_cast<std::size_t>(length));
    const std::size_t slash = buffer.rfind('/');
    return slash == std::string::npos ? AddBackslash(".") : buffer.substr(0, slash + 1);
}

std::string GetField(int n, const std::string& line, char separator) {
    if (n <= 0) return {};
    const std::size_t at = line.find(separator);
    if (at == std::string::npos) return n == 1 ? line : std::string();
    if (n == 1) return Trim(line.substr(0, at));
    return Trim(GetField(n - 1, line.substr(at + 1), separator));
}

KzStatus CopyExpandFile(const std::string& source, const std::string& destination) {
    try {
        const std::string from = NativePath(source);
        const std::string to = NativePath(destination);

        FileDescriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
        struct stat sourceInfo;
        if (in.Get() < 0 || ::fstat(in.Get(), &sourceInfo) != 0 || S_ISDIR(sourceInfo.st_mode))
            return {KzStatusCannotOpen, "Can not copy file from:\r" + from};

        // The copy goes to a new file beside the destination, so a failure leaves an existing
        // destination as it was. A destination that names a directory (an empty destination field
        // names the installation directory itself) cannot be opened as a file.
        struct stat destinationInfo;
        const bool replacing = ::stat(to.c_str(), &destinationInfo) == 0;
        if (to.empty() || IsSeparator(to.back()) || (replacing && S_ISDIR(destinationInfo.st_mode)))
            return {KzStatusCannotOpen, "Can not copy file to:\r" + to};
        const mode_t mode = replacing ? destinationInfo.st_mode & 07777 : 0666 | (sourceInfo.st_mode & 0111);
        std::string temporary;
        FileDescriptor out;
        for (int attempt = 0; attempt < 100 && out.Get() < 0; ++attempt) {
            temporary = TemporaryName(to);
            out.Reset(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
            if (out.Get() < 0 && errno != EEXIST) break;
        }
        if (out.Get() < 0) return {KzStatusCannotOpen, "Can not copy file to:\r" + to};
        if (replacing) (void)::fchmod(out.Get(), mode);

        const KzExpandStatus expanded = KzExpandFile(in.Get(), out.Get());
        in.Close();
        const bool closed = out.Close();
        if (expanded != KzExpandStatus::Ok || !closed || ::rename(temporary.c_str(), to.c_str()) != 0) {
            ::unlink(temporary.c_str());
            return {KzStatusFailed, "Can not create file:\r" + to};
        }
        return {};
    } catch (const std::bad_alloc&) {
        return {KzStatusNoMemory, "out of memory"};
    }
}

KzStatus MakeDirectory(const std::string& directory) {
    const std::string path = NativePath(directory);
    struct stat info;
    if (::stat(path.c_str(), &info) == 0) return {KzStatusExists, "Directory already exists"};
    if (::mkdir(path.c_str(), 0777) == 0) return {};
    return {KzStatusFailed, "Unable to create directory " + path};
}

std::vector<std::string> DirectoryChain(const std::string& path) {
    std::vector<std::string> chain;
    std::string current = NativePath(Trim(path));
    if (current.empty()) return chain;
    if (RootLength(current) == 0) current.insert(current.begin(), KzPathSeparator());
    const std::size_t root = RootLength(current);
    chain.push_back(current);
    while (current.size() > root) {
        const std::size_t at = current.rfind(KzPathSeparator());
        current = at == std::string::npos || at < root ? current.substr(0, root) : current.substr(0, at);
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
    if ((result.status == KzStatusOk || result.status == KzStatusExists) && !IsDirectory(chain.front()))
        result = {KzStatusFailed, "Unable to create directory " + chain.front()};
    return result;
}
