// Path helpers, file copying with expansion and directory creation, on real files in a temporary
// directory.
#include "core/kz_files.h"
#include "file_helpers.h"
#include "env_var.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Data(const std::string& name) {
    return std::string(KZ_TEST_DATA) + "/" + name;
}

class FilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/kz-files-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string At(const std::string& name) const { return (dir / name).string(); }
    // Nothing but the named entries is left in the directory: no temporary copy stays behind.
    void ExpectOnly(std::initializer_list<std::string> names) const {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir))
            found.insert(entry.path().filename().string());
        EXPECT_EQ(found, std::set<std::string>(names));
    }
    fs::path dir;
};

TEST(GetFieldTest, SplitsCopyLines) {
    struct Row {
        int n;
        const char* line;
        const char* expected;
    } rows[] = {
        {1, "prog.ex_,prog.exe", "prog.ex_"},
        {2, "prog.ex_,prog.exe", "prog.exe"},
        {2, "  disk2\\data.dat ,  data\\data.dat  ", "data\\data.dat"},
        {1, "  disk2\\data.dat ,  data", "disk2\\data.dat"},
        {3, "a,b,c", "c"},
        {3, "a,b", ""},
        {1, "readme.txt", "readme.txt"},
        {2, "readme.txt", ""},
        {0, "a,b", ""},
        {-1, "a,b", ""},
        {2, "a,", ""},
        {1, ",b", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(GetField(row.n, row.line), row.expected) << row.n << " " << row.line;
    EXPECT_EQ(GetField(2, "a;b", ';'), "b");
}

TEST(AddBackslashTest, EndsDirectoriesWithOneSeparator) {
    struct Row {
        const char* path;
        const char* expected;
    } rows[] = {
        {"/", "/"}, {"/tmp", "/tmp/"}, {"/tmp/", "/tmp/"},  {"   ", ""},
        {"", ""},   {"a b", "a b/"},   {"/tmp ", "/tmp /"}, {"c:\\tmp\\", "c:\\tmp\\"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(AddBackslash(row.path), row.expected) << '"' << row.path << '"';
}

TEST(NativePathTest, TurnsScriptTextIntoAbsoluteNativePaths) {
    EnvVar home("HOME");
    home.Set("/home/tester/");
    struct Row {
        const char* text;
        const char* base;
        const char* expected;
    } rows[] = {
        // A relative folder is taken below the root, where it is also created, never below the
        // current directory; blanks around it are no part of it.
        {"disk2\\prog.ex_", "", "/disk2/prog.ex_"},
        {"tmp/zorvel", "", "/tmp/zorvel"},
        {"  tmp/zorvel ", "", "/tmp/zorvel"},
        {"c:\\kz\\data", "", "/kz/data"},
        {"C:", "", "/"},
        {"/opt/kz/", "", "/opt/kz/"},
        {"a:b", "", "/a:b"},
        {"", "", ""},
        // Copy lines and run lines are relative to their folder.
        {"disk2\\prog.ex_", "/media/disk/", "/media/disk/disk2/prog.ex_"},
        {"bin\\setup.sh", "/media/Bob's disk", "/media/Bob's disk/bin/setup.sh"},
        {" ", "/inst/", "/inst/"},
        {"/abs/file", "/inst/", "/abs/file"},
        // "~" is the home folder, typed or in a script.
        {"~", "", "/home/tester"},
        {"~/zorvel\\bin\\", "/inst/", "/home/tester/zorvel/bin/"},
        {"~other", "/inst/", "/inst/~other"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(NativePath(row.text, row.base), row.expected) << row.text << " in " << row.base;
}

TEST(AppDirectoryTest, IsTheDirectoryOfThisProgram) {
    const std::string directory = AppDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory.back(), '/');
    EXPECT_TRUE(fs::exists(directory + "kz_logic_tests"));
}

TEST(DirectoryChainTest, ListsThePathAndItsParentsDeepestFirst) {
    using Chain = std::vector<std::string>;
    EXPECT_EQ(DirectoryChain("/a/b/"), (Chain{"/a/b/", "/a/b", "/a", "/"}));
    // Script text becomes a native path where it enters; the chain is that path's.
    EXPECT_EQ(DirectoryChain(NativePath("  /a/b  ")), (Chain{"/a/b", "/a", "/"}));
    EXPECT_EQ(DirectoryChain(NativePath("a\\b")), (Chain{"/a/b", "/a", "/"}));
    EXPECT_EQ(DirectoryChain("/"), (Chain{"/"}));
    EXPECT_EQ(DirectoryChain(" "), Chain{});
}

TEST_F(FilesTest, CopyExpandsCompressedAndCopiesPlainFiles) {
    // A plain file beyond the first read buffer is finished by the kernel's copy when nothing
    // observes it; the observer must still see every byte the destination gets.
    WriteFile(dir / "large", std::string(700u << 10, 'x') + "end");
    struct Row {
        std::string source;
        std::string original;
    } rows[] = {
        {Data("expand_text.txt_"), Data("expand_text.txt")},
        {Data("expand_zeros.bin_"), Data("expand_zeros.bin")},
        {Data("files_plain.txt"), Data("files_plain.txt")},
        {At("large"), At("large")},
    };
    for (const Row& row : rows) {
        std::string observed;
        const KzStatus result = CopyExpandFile(row.source, At("out"), [&](const std::uint8_t* data, std::size_t size) {
            observed.append(reinterpret_cast<const char*>(data), size);
        });
        EXPECT_EQ(result.status, 0) << row.source;
        EXPECT_EQ(result.text, "");
        EXPECT_EQ(ReadFile(At("out")), ReadFile(row.original)) << row.source;
        EXPECT_TRUE(observed == ReadFile(row.original)) << row.source;
        EXPECT_EQ(CopyExpandFile(row.source, At("plain")).status, 0);
        EXPECT_TRUE(ReadFile(At("plain")) == observed) << row.source;
    }
    fs::remove(At("large"));
    fs::remove(At("plain"));
    const KzStatus empty = CopyExpandFile(Data("expand_header_only.bin_"), At("out"));
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(fs::file_size(At("out")), 0u);
    ExpectOnly({"out"});
}

TEST_F(FilesTest, ScriptSeparatorsAreAccepted) {
    fs::create_directory(dir / "disk2");
    WriteFile(dir / "disk2" / "a.txt", "content");
    const KzStatus result = CopyExpandFile(NativePath("disk2\\a.txt", dir.string()), At("b.txt"));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(ReadFile(At("b.txt")), "content");
}

TEST_F(FilesTest, CopyFailuresGiveStatusAndText) {
    fs::create_directory(dir / "inst");
    WriteFile(dir / "src.txt", "source");
    struct Row {
        std::string source, destination;
        int status;
        std::string text;
    } rows[] = {
        {At("missing.txt"), At("inst/x"), -1, "Can not copy file from:\r" + At("missing.txt")},
        {At("inst"), At("inst/x"), -1, "Can not copy file from:\r" + At("inst")},
        // An empty destination field leaves the installation directory itself as the destination.
        {At("src.txt"), At("inst/"), -1, "Can not copy file to:\r" + At("inst/")},
        {At("src.txt"), At("inst"), -1, "Can not copy file to:\r" + At("inst")},
        {At("src.txt"), At("nodir/x"), -1, "Can not copy file to:\r" + At("nodir/x")},
    };
    for (const Row& row : rows) {
        const KzStatus result = CopyExpandFile(row.source, row.destination);
        EXPECT_EQ(result.status, row.status) << row.source << " -> " << row.destination;
        EXPECT_EQ(result.text, row.text);
    }
    ExpectOnly({"inst", "src.txt"});
    EXPECT_TRUE(fs::is_empty(dir / "inst"));
}

TEST_F(FilesTest, DamagedCompressedFileFailsAndKeepsTheOldDestination) {
    const std::string good = ReadFile(Data("expand_text.txt_"));
    std::string badMode = good;
    badMode[8] = 'B';
    const std::string cases[] = {good.substr(0, good.size() / 2), badMode, good.substr(0, 10)};
    for (const std::string& damaged : cases) {
        WriteFile(dir / "damaged.tx_", damaged);
        WriteFile(dir / "installed.txt", "the previous version");
        const KzStatus result = CopyExpandFile(At("damaged.tx_"), At("installed.txt"));
        EXPECT_EQ(result.status, -2);
        EXPECT_EQ(result.text, "Can not create file:\r" + At("installed.txt"));
        EXPECT_EQ(ReadFile(At("installed.txt")), "the previous version");
        ExpectOnly({"damaged.tx_", "installed.txt"});
    }
}

TEST_F(FilesTest, ReplacingKeepsTheModeOfTheOldFileAndNewFilesTakeTheExecuteBits) {
    WriteFile(dir / "tool", "#!/bin/sh\n");
    ::chmod(At("tool").c_str(), 0755);
    ASSERT_EQ(CopyExpandFile(At("tool"), At("new-tool")).status, 0);
    EXPECT_NE(fs::status(At("new-tool")).permissions() & fs::perms::owner_exec, fs::perms::none);

    WriteFile(dir / "old", "old");
    ::chmod(At("old").c_str(), 0640);
    ASSERT_EQ(CopyExpandFile(Data("files_plain.txt"), At("old")).status, 0);
    EXPECT_EQ(fs::status(At("old")).permissions(), fs::perms(0640));
}

TEST_F(FilesTest, CopyingAFileOntoItselfKeepsIt) {
    WriteFile(dir / "same.txt", "stays whole");
    EXPECT_EQ(CopyExpandFile(At("same.txt"), At("same.txt")).status, 0);
    EXPECT_EQ(ReadFile(At("same.txt")), "stays whole");
    ExpectOnly({"same.txt"});
}

TEST_F(FilesTest, MakeDirectoryCreatesOneLevel) {
    WriteFile(dir / "file", "");
    struct Row {
        std::string path;
        int status;
        std::string text;
    } rows[] = {
        {At("one"), 0, ""},
        {At("one"), -3, "Directory already exists"},
        {At("file"), -3, "Directory already exists"},
        {At("two/three"), -2, "Unable to create directory " + At("two/three")},
    };
    for (const Row& row : rows) {
        const KzStatus result = MakeDirectory(row.path);
        EXPECT_EQ(result.status, row.status) << row.path;
        EXPECT_EQ(result.text, row.text);
    }
    EXPECT_TRUE(fs::is_directory(At("one")));
}

TEST_F(FilesTest, MakeDirectoryPathCreatesEveryMissingLevel) {
    WriteFile(dir / "file", "");
    fs::create_directory(dir / "exists");
    struct Row {
        std::string path;
        int status;
        const char* what;
    } rows[] = {
        {At("a/b/c"), 0, "three new levels"},
        {At("a/b/c"), 0, "an existing directory"},
        {At("exists/"), -3, "an existing directory with a trailing separator"},
        {At("d/e/"), -3, "new levels with a trailing separator"},
        {NativePath(At("f\\g")), 0, "script separators"},
        {NativePath("  " + At("h") + "  "), 0, "blanks around the path"},
        {"", 0, "nothing at all"},
        {At("file"), -2, "a file of that name is no directory"},
        {At("file/x/y"), -2, "a file in the way"},
        {"/proc/kz-not-creatable/a/b", -2, "no level can be created"},
    };
    for (const Row& row : rows) {
        const KzStatus result = MakeDirectoryPath(row.path);
        EXPECT_EQ(result.status, row.status) << row.what;
        if (row.status == -2) {
            EXPECT_EQ(result.text.rfind("Unable to create directory ", 0), 0u) << row.what;
        }
    }
    for (const char* made : {"a/b/c", "d/e", "f/g", "h"})
        EXPECT_TRUE(fs::is_directory(At(made))) << made;
}

} // namespace
