// Copies that must stay safe and durable on a real desktop: flushed before they replace a file,
// never carrying set-ID bits or a symbolic link's target's mode, rewritten in place where the folder
// is locked, and scripts or sources that are no regular files refused at once.
#include "core/kz_files.h"
#include "file_helpers.h"
#include "core/kz_script.h"
#include "core/kz_platform.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// The file-system calls of the core are watched here: this program's own fsync and rename come
// before the C library's, record what they are asked, and pass the call on.
namespace {
bool Watching = false;
std::vector<std::string> Calls;
// When set, fsync raises this signal, as if it came while the copy is complete but not yet in place.
int RaiseInFsync = 0;

std::string PathOf(int fd) {
    std::error_code ec;
    return fs::read_symlink("/proc/self/fd/" + std::to_string(fd), ec).string();
}
} // namespace

extern "C" int fsync(int fd) {
    using Real = int (*)(int);
    static const auto real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "fsync"));
    if (Watching) Calls.push_back("fsync " + PathOf(fd));
    if (RaiseInFsync) ::raise(RaiseInFsync);
    return real(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept {
    using Real = int (*)(const char*, const char*);
    static const auto real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "rename"));
    if (Watching) Calls.push_back(std::string("rename ") + from + " -> " + to);
    return real(from, to);
}

namespace {

mode_t ModeOf(const fs::path& path) {
    struct stat info {};
    ::lstat(path.c_str(), &info);
    return info.st_mode;
}

class FilesSafetyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/kz-safety-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        fs::permissions(dir, fs::perms(0755));
        umask = ::umask(022);
    }
    void TearDown() override {
        ::umask(umask);
        std::error_code ec;
        fs::permissions(dir, fs::perms(0755), ec);
        fs::remove_all(dir, ec);
    }
    std::string At(const std::string& name) const { return (dir / name).string(); }
    fs::path dir;
    mode_t umask = 022;
};

TEST_F(FilesSafetyTest, AReplacedFileIsOnTheDiskBeforeItTakesTheName) {
    WriteFile(dir / "src.txt", "new content");
    WriteFile(dir / "installed.txt", "old content");
    Calls.clear();
    Watching = true;
    const KzStatus result = CopyExpandFile(At("src.txt"), At("installed.txt"));
    Watching = false;
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(ReadFile(dir / "installed.txt"), "new content");
    ASSERT_EQ(Calls.size(), 2u);
    const std::string temporary = Calls[0].substr(std::string("fsync ").size());
    EXPECT_EQ(Calls[0].rfind("fsync " + dir.string() + "/", 0), 0u);
    EXPECT_EQ(Calls[1], "rename " + temporary + " -> " + At("installed.txt"));
}

TEST_F(FilesSafetyTest, CopiesNeverCarrySetIdBitsNorALinkTargetsMode) {
    WriteFile(dir / "src", "payload");
    ::chmod(At("src").c_str(), 0644);
    // A set-user-ID program that a link in the installation folder points at.
    WriteFile(dir / "setuid-tool", "#!/bin/sh\n");
    ::chmod(At("setuid-tool").c_str(), 04755);
    fs::create_symlink(dir / "setuid-tool", dir / "link");
    WriteFile(dir / "plain-setuid", "old");
    ::chmod(At("plain-setuid").c_str(), 04755);

    ASSERT_EQ(CopyExpandFile(At("src"), At("link")).status, 0);
    EXPECT_TRUE(S_ISREG(ModeOf(dir / "link")));
    EXPECT_EQ(ModeOf(dir / "link") & 07777, 0644u);
    EXPECT_EQ(ReadFile(dir / "setuid-tool"), "#!/bin/sh\n");
    EXPECT_EQ(ModeOf(dir / "setuid-tool") & 07777, 04755u);

    ASSERT_EQ(CopyExpandFile(At("src"), At("plain-setuid")).status, 0);
    EXPECT_EQ(ModeOf(dir / "plain-setuid") & 07777, 0755u);
}

// Runs copy as a user who may not write the folder: as root, in a child that has become "nobody";
// otherwise with the folder made read-only. Gives the copy's status.
int CopyInLockedFolder(const fs::path& folder, const std::string& source, const std::string& destination) {
    const bool root = ::geteuid() == 0;
    if (root) {
        ::chown(folder.c_str(), 0, 0);
        ::chown(destination.c_str(), 65534, 65534);
        ::chmod(destination.c_str(), 0644);
    } else {
        ::chmod(folder.c_str(), 0555);
    }
    const pid_t child = ::fork();
    if (child == 0) {
        if (root && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(100);
        ::_exit(-CopyExpandFile(source, destination).status);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::chmod(folder.c_str(), 0755);
    return WIFEXITED(status) ? -WEXITSTATUS(status) : -99;
}

TEST_F(FilesSafetyTest, AWritableFileInALockedFolderIsRewrittenInPlaceOnlyWhenTheCopyIsWhole) {
    fs::create_directory(dir / "disk");
    fs::permissions(dir / "disk", fs::perms(0755));
    fs::create_directory(dir / "locked");
    fs::permissions(dir / "locked", fs::perms(0755));
    WriteFile(dir / "disk" / "new.txt", "the new version");
    ::chmod((dir / "disk" / "new.txt").c_str(), 0644);
    const std::string good = ReadFile(fs::path(KZ_TEST_DATA) / "expand_text.txt_");
    WriteFile(dir / "disk" / "damaged.tx_", good.substr(0, good.size() / 2));
    ::chmod((dir / "disk" / "damaged.tx_").c_str(), 0644);
    const fs::path installed = dir / "locked" / "installed.txt";

    WriteFile(installed, "the old version");
    EXPECT_EQ(CopyInLockedFolder(dir / "locked", (dir / "disk" / "damaged.tx_").string(), installed.string()),
              KzStatusFailed);
    EXPECT_EQ(ReadFile(installed), "the old version");

    EXPECT_EQ(CopyInLockedFolder(dir / "locked", (dir / "disk" / "new.txt").string(), installed.string()), 0);
    EXPECT_EQ(ReadFile(installed), "the new version");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "locked"), fs::directory_iterator()), 1);

    // A new file in that folder still cannot be made.
    EXPECT_EQ(CopyInLockedFolder(dir / "locked", (dir / "disk" / "new.txt").string(), (dir / "locked" / "x").string()),
              KzStatusCannotOpen);
}

// Copies dir/src over a 3,000-byte file on a 64 KiB file system of its own with one page free, as a
// user without privileges, the folder locked if asked: 1 when refused, 2 more when a temporary is
// left, 77 without namespaces; the installed file is copied to dir/after.
int CopyOntoFullDisk(const fs::path& dir, bool locked) {
    const uid_t uid = ::getuid();
    const std::string gid = std::to_string(::getgid()), disk = (dir / "disk").string();
    if (::unshare(CLONE_NEWNS | (uid ? CLONE_NEWUSER : 0)) != 0) return 77;
    if (uid) {
        WriteFile("/proc/self/setgroups", "deny");
        WriteFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
        WriteFile("/proc/self/gid_map", "0 " + gid + " 1");
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k,mode=0755") != 0)
        return 77;
    WriteFile(disk + "/installed", std::string(3000, 'o'));
    const int fill = ::open((disk + "/fill").c_str(), O_WRONLY | O_CREAT, 0644);
    for (const std::string page(4096, 'f'); ::write(fill, page.data(), 4096) == 4096;) {
    }
    if (::ftruncate(fill, ::lseek(fill, 0, SEEK_END) - 4096) != 0 || (locked && ::chmod(disk.c_str(), 0555)))
        return 100;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[2]{};
    if (::syscall(SYS_capset, &header, none) != 0) return 77;
    const int status = CopyExpandFile((dir / "src").string(), disk + "/installed").status;
    WriteFile(dir / "after", ReadFile(disk + "/installed"));
    return (status != 0) + 2 * (std::distance(fs::directory_iterator(disk), fs::directory_iterator()) != 2);
}

TEST_F(FilesSafetyTest, FullDisksAndShortHeadersLeaveTheOldFileWhole) {
    // Faults mended: a file rewritten in place on a full disk became the first pages of the new one,
    // and a compressed file whose header states less than its data installed cut short.
    std::string halved = ReadFile(fs::path(KZ_TEST_DATA) / "expand_text.txt_"), zero = halved;
    std::string oneShort = ReadFile(fs::path(KZ_TEST_DATA) / "expand_zeros.bin_");
    halved[11] = static_cast<char>(halved[11] / 2);
    zero[10] = zero[11] = 0;
    oneShort[10] = static_cast<char>(oneShort[10] - 1);
    const struct { const char* what; bool locked; std::string source; bool fits; } rows[] = {
        {"in place, fits", true, std::string(6000, 'n'), true},
        {"in place, too big", true, std::string(20000, 'n'), false},
        {"in place, header halved", true, halved, false},
        {"beside, header 0", false, zero, false},
        {"beside, header one short", false, oneShort, false}};
    fs::create_directory(dir / "disk");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        WriteFile(dir / "src", row.source);
        const pid_t child = ::fork();
        if (child == 0) ::_exit(CopyOntoFullDisk(dir, row.locked));
        int status = 0;
        ::waitpid(child, &status, 0);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 77) GTEST_SKIP() << "no mount namespaces here";
        EXPECT_EQ(status, row.fits ? 0 : 1 << 8);
        EXPECT_EQ(ReadFile(dir / "after"), row.fits ? row.source : std::string(3000, 'o'));
    }
}

TEST_F(FilesSafetyTest, TemporariesOfKilledRunsAreRemoved) {
    // Fault mended: a run killed during a copy left ".kzinstall-" files that no later run removed.
    WriteFile(dir / "src", "new");
    WriteFile(dir / "installed", "old");
    auto entries = [&] { return std::distance(fs::directory_iterator(dir), fs::directory_iterator()); };
    for (const int signal : {SIGTERM, SIGHUP}) {
        const pid_t child = ::fork();
        if (child == 0) {
            ::signal(signal, SIG_DFL);
            KzRemoveTemporariesOnSignals();
            RaiseInFsync = signal;
            ::_exit(CopyExpandFile(At("src"), At("installed")).status);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal);
    }
    EXPECT_EQ(entries(), 2);
    // The next run removes what a dead run left, not what a living process may still be writing.
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const std::string dead = At(".kzinstall-" + std::to_string(gone) + "-killed");
    WriteFile(dead, "x");
    WriteFile(dir / ".kzinstall-1-living", "x");
    EXPECT_EQ(CopyExpandFile(At("src"), At("installed")).status, 0);
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_EQ(entries(), 3);
}

TEST_F(FilesSafetyTest, PipesAndDevicesAreRefusedWithoutWaiting) {
    ASSERT_EQ(::mkfifo(At("fifo").c_str(), 0644), 0);
    TKzScript script;
    std::string error;
    EXPECT_EQ(script.LoadScript(At("fifo"), error), -1);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(script.LoadScript("/dev/zero", error), -1);
    EXPECT_EQ(script.LoadScript(dir.string(), error), -1);
    EXPECT_EQ(CopyExpandFile(At("fifo"), At("out")).status, KzStatusCannotOpen);
}

TEST_F(FilesSafetyTest, ProgramsStartInTheirFolderAndFailuresStaySilent) {
    // What the failures might write to the terminal goes to a file instead, which must stay empty.
    const int savedError = ::dup(2);
    const int capture = ::open(At("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(capture, 2);
    WriteFile(dir / "not-executable.sh", "#!/bin/sh\n");
    ::chmod(At("not-executable.sh").c_str(), 0644);
    const bool missing = KzStartProgram({At("missing")}, dir.string());
    const bool notExecutable = KzStartProgram({At("not-executable.sh")}, dir.string());
    const bool started = KzStartProgram({"/bin/sh", "-c", "echo started > here.txt"}, dir.string());
    ::dup2(savedError, 2);
    ::close(savedError);
    ::close(capture);

    EXPECT_FALSE(missing);
    EXPECT_FALSE(notExecutable);
    EXPECT_EQ(ReadFile(dir / "stderr"), "");
    ASSERT_TRUE(started);
    // The program runs on its own; its file appears once it has.
    for (int i = 0; i < 200 && ReadFile(dir / "here.txt").empty(); ++i)
        ::usleep(10000);
    EXPECT_EQ(ReadFile(dir / "here.txt"), "started\n");
}

} // namespace
