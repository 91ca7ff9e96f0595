// The installation record and --uninstall, through the real kzinstall program run unattended with
// its user folders in a temporary folder and no display: a whole installation removed again, a run
// killed half-way, runs that cannot go on without a question, and records that cannot be trusted.
#include "core/kz_record.h"
#include "core/kz_uninstall.h"
#include "env_var.h"
#include "file_helpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class Machine : public ::testing::Test {
  protected:
    void SetUp() override {
        Root = fs::temp_directory_path() / ("kz_record_" + std::to_string(getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Root);
        for (const char* folder : {"home", "data", "config", "disk"})
            fs::create_directories(Root / folder);
        Data.Set((Root / "data").string());
    }
    void TearDown() override { fs::remove_all(Root); }

    // Runs kzinstall with these arguments, without a display, from the disk as a user would;
    // gives its wait status.
    int Run(const std::string& arguments) {
        const fs::path program = fs::exists(Root / "disk" / "kzinstall") ? Root / "disk" / "kzinstall" : Installer;
        const std::string command = "cd '" + Root.string() + "' && env -u DISPLAY -u WAYLAND_DISPLAY HOME=home " +
                                    "XDG_DATA_HOME='" + (Root / "data").string() + "' XDG_CONFIG_HOME='" +
                                    (Root / "config").string() + "' '" + program.string() + "' " + arguments +
                                    " >out.txt 2>err.txt";
        return std::system(command.c_str());
    }
    static int Exit(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

    // Every file, folder and link below the root but the disk, with contents.
    std::map<std::string, std::string> Snapshot() const {
        std::map<std::string, std::string> seen;
        for (const auto& e : fs::recursive_directory_iterator(Root)) {
            const std::string name = fs::relative(e.path(), Root).string();
            if (name.rfind("disk", 0) == 0 || name == "out.txt" || name == "err.txt") continue;
            seen[name] = e.is_symlink() ? "-> " + fs::read_symlink(e.path()).string()
                         : e.is_directory() ? "folder" : ReadFile(e.path());
        }
        return seen;
    }

    void PutOnDisk(const std::string& script) {
        fs::copy_file(Installer, Root / "disk" / "kzinstall");
        WriteFile(Root / "disk" / "install.script", script);
        WriteFile(Root / "disk" / "a.txt", "first file\n");
        WriteFile(Root / "disk" / "b.txt", "second file\n");
    }

    fs::path Root;
    EnvVar Data{"XDG_DATA_HOME"};
    const fs::path Installer = KZ_INSTALLER;
};

// A small installation into "inst/sub" below root.
std::string Program(const fs::path& root) {
    return R"(<set title>
Demo
<create directory -noask>
)" + root.string() + R"(/inst/sub
<copy files>
a.txt,a.txt
<create program group -noask>
Demo Group
<create program items>
"a.txt", Read me
)";
}

} // namespace

TEST(Checksum, IsXxh3OfTheWholeInputHoweverItArrives) {
    std::string digits;
    for (int i = 0; i < 10; ++i)
        digits += "0123456789";
    const struct {
        std::string text;
        std::uint64_t sum;
    } rows[] = {{"", 0x2d06800538d394c2}, {"a", 0xe6c632b61e964e1f}, {"abc", 0x78af5f94892f3950},
                {"Nobody inspects the spammish repetition", 0x6cb00603b5cc47e9}, {digits, 0x2b476d154b2d122c}};
    for (const auto& row : rows) {
        EXPECT_EQ(KzChecksum::Of(row.text), row.sum) << row.text;
        KzChecksum pieces;
        for (std::size_t at = 0; at < row.text.size(); at += 7)
            pieces.Update(row.text.data() + at, std::min<std::size_t>(7, row.text.size() - at));
        EXPECT_EQ(pieces.Digest(), row.sum) << row.text;
    }
}

TEST_F(Machine, ExampleDiskUninstallsToTheMachineBeforeButTheChangedFile) {
    if (std::system("command -v mscompress >/dev/null 2>&1") != 0) GTEST_SKIP() << "mscompress is not installed";
    const fs::path standIn = Root / "disk-tools" / "zorvelcal";
    fs::create_directories(standIn.parent_path());
    WriteFile(standIn, "#!/bin/sh\nexit 0\n");
    fs::permissions(standIn, fs::perms::owner_all);
    const std::string make = "ZORVELCAL='" + standIn.string() + "' KZINSTALL='" + Installer.string() + "' bash '" +
                             KZ_SOURCE_DIR "/scripts/make-install-disk.sh' '" + (Root / "disk").string() + "' >/dev/null";
    ASSERT_EQ(std::system(make.c_str()), 0);
    fs::remove_all(standIn.parent_path());
    const auto before = Snapshot();

    ASSERT_EQ(Exit(Run("--silent --dir home/ZorvelCal --log log.txt disk/install.script")), 0) << ReadFile(Root / "err.txt");
    const fs::path target = Root / "home" / "ZorvelCal";
    EXPECT_EQ(ReadFile(target / "README.txt"), ReadFile(KZ_SOURCE_DIR "/README.md"));
    EXPECT_EQ(ReadFile(target / "zorvelcal"), "#!/bin/sh\nexit 0\n");
    for (const char* entry : {"Zorvel Calendar.desktop", "Zorvel Calendar README.desktop",
                              "Uninstall Zorvel Calendar installation.desktop"})
        EXPECT_TRUE(fs::exists(Root / "data" / "applications" / "Zorvel Calendar" / entry)) << entry;
    EXPECT_NE(ReadFile(Root / "log.txt").find("<copy files>"), std::string::npos);

    WriteFile(target / "README.txt", "my notes\n");
    ASSERT_EQ(Exit(Run("--silent --uninstall 'Zorvel Calendar installation'")), 0) << ReadFile(Root / "err.txt");
    EXPECT_NE(ReadFile(Root / "out.txt").find((target / "README.txt").string() + " (changed"), std::string::npos);
    auto after = Snapshot();
    EXPECT_EQ(after.erase("home/ZorvelCal/README.txt"), 1u);
    EXPECT_EQ(after.erase("home/ZorvelCal"), 1u);
    after.erase("log.txt");
    EXPECT_EQ(after, before);
}

TEST_F(Machine, RunKilledHalfWayLeavesARecordThatUninstalls) {
    PutOnDisk(Program(Root) + "<run>\n/bin/sh -c \"kill -KILL $PPID\"\n<sleep>\n20000\n<copy files>\nb.txt,b.txt\n");
    const auto before = Snapshot();
    const int status = Run("--silent disk/install.script");
    ASSERT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) || Exit(status) == 128 + SIGKILL)
        << status << ReadFile(Root / "err.txt");
    EXPECT_TRUE(fs::exists(Root / "inst" / "sub" / "a.txt"));
    EXPECT_FALSE(fs::exists(Root / "inst" / "sub" / "b.txt"));
    ASSERT_EQ(Exit(Run("--silent --uninstall Demo")), 0) << ReadFile(Root / "err.txt");
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(Machine, UnattendedRunThatNeedsAnAnswerFailsWithItsMessageAndItsRecord) {
    const struct {
        const char* name;
        std::string script;
        const char* message;
    } rows[] = {
        {"missing source", Program(Root) + "<copy files>\nmissing.txt,m.txt\n", "Can not copy file from:"},
        {"bad group name", "<create directory -noask>\n" + Root.string() + "/inst/sub\n<create program group>\nno/slash\n",
         "Invalid program group name"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(Root / "disk");
        fs::create_directories(Root / "disk");
        PutOnDisk(row.script);
        const auto before = Snapshot();
        EXPECT_EQ(Exit(Run("--silent disk/install.script")), 3);
        EXPECT_NE(ReadFile(Root / "err.txt").find(row.message), std::string::npos) << ReadFile(Root / "err.txt");
        EXPECT_TRUE(fs::is_directory(Root / "inst" / "sub"));
        const std::string product = fs::exists(Root / "data/kzinstall/Demo.record") ? "Demo" : "sub";
        ASSERT_EQ(Exit(Run("--silent --uninstall " + product)), 0) << ReadFile(Root / "err.txt");
        EXPECT_EQ(Snapshot(), before);
    }
}

TEST_F(Machine, BadRecordsNeverRemoveWhatTheInstallationDidNotCreate) {
    const std::string root = Root.string();
    const std::string sum = [] {
        char text[40];
        std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(KzChecksum::Of("keep\n")));
        return "5 " + std::string(text) + " ";
    }();
    const std::string head = "kzinstall record 1\nproduct P\nfolder " + root + "/inst\nfolder " + root +
                             "/inst/sub\nfile " + sum + root + "/inst/sub/x.txt\n";
    const struct {
        const char* name;
        std::string tail;
        bool swapLink; // the installed folder is replaced by a link to the outside one
        const char* refused;
    } rows[] = {
        {"truncated", "file " + sum + root + "/outside/x.t", false, "damaged line"},
        {"outside", "file " + sum + root + "/outside/x.txt\n", false, "outside the folders"},
        {"dot-dot", "file " + sum + root + "/inst/../outside/x.txt\n", false, "\"..\""},
        {"root area", "area /\nfile " + sum + root + "/outside/x.txt\n", false, "the root or home folder"},
        {"link swapped in", "", true, "symbolic link"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        for (const char* folder : {"inst/sub", "outside"}) {
            fs::remove_all(Root / folder);
            fs::create_directories(Root / folder);
            WriteFile(Root / folder / "x.txt", "keep\n");
        }
        if (row.swapLink) {
            fs::remove_all(Root / "inst" / "sub");
            fs::create_directory_symlink(Root / "outside", Root / "inst" / "sub");
        }
        fs::create_directories(Root / "data" / "kzinstall");
        WriteFile(Root / "data" / "kzinstall" / "P.record", head + row.tail);
        TKzUninstallPlan plan;
        std::string error;
        ASSERT_TRUE(KzPlanUninstall("P", plan, error)) << error;
        const TKzUninstallResult result = KzUninstall(plan);
        EXPECT_EQ(ReadFile(Root / "outside" / "x.txt"), "keep\n");
        const std::string summary = KzUninstallSummary(plan, result);
        EXPECT_NE(summary.find(row.refused), std::string::npos) << summary;
        EXPECT_TRUE(fs::exists(Root / "data" / "kzinstall" / "P.record")) << "a record with refused entries stays";
        EXPECT_EQ(fs::exists(Root / "inst" / "sub" / "x.txt"), row.swapLink) << "the file it made goes";
    }
}
