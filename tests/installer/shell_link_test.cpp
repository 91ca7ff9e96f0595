// Program groups and shortcuts against real folders: every test points the data and config homes
// at its own temporary folder.
#include "core/kz_shell_link.h"
#include "core/kz_files.h"
#include "env_var.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// The keys of a desktop entry's main group, unescaped.
std::map<std::string, std::string> ReadEntry(const fs::path& path) {
    std::map<std::string, std::string> keys;
    std::istringstream in(ReadText(path));
    std::string line;
    bool main = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '[') {
            main = line == "[Desktop Entry]";
            continue;
        }
        const auto eq = line.find('=');
        if (main && eq != std::string::npos)
            keys[line.substr(0, eq)] = DesktopEntryUnescape(line.substr(eq + 1));
    }
    return keys;
}

class ShellLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("kz_shell_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "data");
        fs::create_directories(root / "config");
        data.Set((root / "data").string());
        config.Set((root / "config").string());
        programs = root / "data" / "applications";
    }
    void TearDown() override { fs::remove_all(root); }

    EnvVar data{"XDG_DATA_HOME"}, config{"XDG_CONFIG_HOME"}, home{"HOME"};
    fs::path root, programs;
};

} // namespace

TEST(ShellLineParsing, SplitFields) {
    struct Row {
        std::string line;
        std::vector<std::string> fields;
    };
    const std::vector<Row> rows = {
        {R"("app.exe" /s, My App)", {R"("app.exe" /s)", "My App"}},
        {R"("my, app.exe",Comma, work)", {R"("my, app.exe")", "Comma", "work"}},
        {R"("app.exe")", {R"("app.exe")"}},
        {R"("app.exe","My App")", {R"("app.exe")", R"("My App")"}},
        {"a,,b", {"a", "", "b"}},
        {"a,b,", {"a", "b"}},
        {"  a  ,  b  ", {"a", "b"}},
        {"", {}},
        {R"("open, never closed,x)", {R"("open, never closed,x)"}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(SplitFields(row.line), row.fields) << row.line;
}

TEST(ShellLineParsing, SplitQuoted) {
    struct Row {
        std::string text;
        std::vector<std::string> parts;
    };
    const std::vector<Row> rows = {
        {R"(  "app.exe" /s  )", {"app.exe", "/s"}},
        {R"(x "  bin\app.exe  ")", {R"(bin\app.exe)", ""}},
        {R"("a" "b")", {"a", R"("b")"}},
        {"app.exe /s", {}},
        {R"("app.exe /s)", {}},
        {"", {}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(SplitQuoted(row.text), row.parts) << row.text;
}

TEST(ShellLineParsing, ChangeExtension) {
    const std::vector<std::pair<std::pair<std::string, std::string>, std::string>> rows = {
        {{"Readme 1.2", "desktop"}, "Readme 1.desktop"}, {{"My App", "desktop"}, "My App.desktop"},
        {{R"(c:\dir\file.txt)", "lnk"}, "file.lnk"},     {{"Help: Topics", "desktop"}, " Topics.desktop"},
        {{"a/b.c.d", "desktop"}, "b.c.desktop"},         {{"", "desktop"}, ".desktop"},
    };
    for (const auto& [in, out] : rows)
        EXPECT_EQ(ChangeExtension(in.first, in.second), out) << in.first;
}

TEST(ShellGroupNames, IsValidGroupName) {
    const std::vector<std::pair<std::string, bool>> rows = {
        {"<only initialized>", false},
        {"<selected not found>", false},
        {"", false},
        {"My Programs", true},
        {"Ombrix\\ZorvelCal 1.0!", true},
        {"C:_-.", true},
        {"Tilde~", false},
        {"at@sign", false},
        {"..", false},
        {"a\\..\\..\\b", false},
        {".\\x", false},
        {"...", true},
    };
    for (const auto& [name, valid] : rows)
        EXPECT_EQ(IsValidGroupName(name), valid) << name;
}

TEST(DesktopEntryFormat, EscapeRoundTrips) {
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"plain", "plain"},
        {"a\\b", "a\\\\b"},
        {"two\nlines", "two\\nlines"},
        {"tab\there\r", "tab\\there\\r"},
        {" padded ", "\\spadded\\s"},
        {"", ""},
    };
    for (const auto& [raw, escaped] : rows) {
        EXPECT_EQ(DesktopEntryEscape(raw), escaped);
        EXPECT_EQ(DesktopEntryUnescape(escaped), raw);
    }
}

TEST(DesktopEntryFormat, ExecQuoting) {
    struct Row {
        std::string target, arguments, exec;
    };
    const std::vector<Row> rows = {
        {"/opt/app/app", "/s", R"("/opt/app/app" /s)"},
        {"/opt/my app/run", "", R"("/opt/my app/run")"},
        {"/opt/$x`y\"z\\w", "", R"("/opt/\$x\`y\"z\\w")"},
        {"/opt/app", "100% -f \"a b\" $HOME", R"("/opt/app" 100%% -f "a b" "\$HOME")"},
        {"/opt/app", "\"\"", R"("/opt/app" "")"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(DesktopEntryExec(row.target, row.arguments), row.exec);
}

TEST_F(ShellLinkTest, ShortcutsToDocumentsOpenThem) {
    WriteText(root / "program", "#!/bin/sh\n");
    fs::permissions(root / "program", fs::perms::owner_all);
    WriteText(root / "README.txt", "read me");
    fs::permissions(root / "README.txt", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directories(root / "folder");
    struct Row {
        fs::path target;
        std::string arguments, exec;
    };
    const std::vector<Row> rows = {
        {root / "program", "-v", "\"" + (root / "program").string() + "\" -v"},
        {root / "README.txt", "", "xdg-open \"" + (root / "README.txt").string() + "\""},
        {root / "README.txt", "-x", "xdg-open \"" + (root / "README.txt").string() + "\" -x"},
        {root / "folder", "", "\"" + (root / "folder").string() + "\""},
        {root / "missing", "", "\"" + (root / "missing").string() + "\""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.target);
        EXPECT_EQ(ShortcutExec(row.target.string(), row.arguments), row.exec);
    }
}

TEST_F(ShellLinkTest, ProgramsFolderFollowsTheDataHome) {
    EXPECT_EQ(GetShellFolder("Programs"), programs.string());
    EXPECT_TRUE(fs::is_directory(programs));

    // A relative data home is ignored in favour of the home folder.
    data.Set("relative/data");
    home.Set((root / "home").string());
    EXPECT_EQ(GetShellFolder("Programs"), (root / "home" / ".local/share/applications").string());

    home.Unset();
    data.Unset();
    try {
        GetShellFolder("Programs");
        FAIL() << "no error without a home folder";
    } catch (const KzError& e) {
        EXPECT_STREQ(e.what(),
                     "Folder key \"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\" "
                     "not found");
    }
    std::vector<std::string> list{"stale"};
    ListProgramGroups(list);
    EXPECT_TRUE(list.empty());
}

TEST_F(ShellLinkTest, UnknownShellFolderIsAnError) {
    try {
        GetShellFolder("Desktop");
        FAIL() << "no error for an unknown folder";
    } catch (const KzError& e) {
        EXPECT_STREQ(e.what(), "\"Desktop\" item not found in registry");
    }
}

TEST_F(ShellLinkTest, ListsOnlyGroupFolders) {
    fs::create_directories(programs / "Games");
    fs::create_directories(programs / "Office Tools");
    WriteText(programs / "loose.desktop", "[Desktop Entry]\n");
    std::vector<std::string> list{"stale"};
    ListProgramGroups(list);
    std::sort(list.begin(), list.end());
    EXPECT_EQ(list, (std::vector<std::string>{"Games", "Office Tools"}));
}

TEST_F(ShellLinkTest, CreateGroupFolderKeepsAnExistingGroup) {
    fs::create_directories(programs / "Tools");
    WriteText(programs / "Tools" / "old.desktop", "[Desktop Entry]\nName=Old\n");
    EXPECT_NO_THROW(CreateGroupFolder("Tools"));
    EXPECT_EQ(ReadText(programs / "Tools" / "old.desktop"), "[Desktop Entry]\nName=Old\n");

    EXPECT_NO_THROW(CreateGroupFolder("New Group"));
    EXPECT_TRUE(fs::is_directory(programs / "New Group"));
    EXPECT_EQ(ReadEntry(root / "data/desktop-directories/kzinstall-New Group.directory")["Name"],
              "New Group");
    EXPECT_TRUE(fs::exists(root / "config/menus/applications-merged/kzinstall-New Group.menu"));

    // A group name is a folder name: a drive-like name is not taken for a path.
    EXPECT_NO_THROW(CreateGroupFolder("C:"));
    EXPECT_TRUE(fs::is_directory(programs / "C:"));
}

TEST_F(ShellLinkTest, CreateGroupFolderRefusesWhatCannotBeAGroup) {
    fs::create_directories(programs);
    WriteText(programs / "taken", "a file, not a folder");
    EXPECT_THROW(CreateGroupFolder("taken"), KzError);
    EXPECT_THROW(CreateGroupFolder("..\\outside"), KzError);
    EXPECT_THROW(CreateGroupFolder("missing\\level"), KzError);
    EXPECT_FALSE(fs::exists(root / "data" / "outside"));
}

TEST_F(ShellLinkTest, ShortcutLines) {
    const std::string install = "/opt/install dir/";
    struct Row {
        std::string line;
        std::string file; // below the group folder; empty when the line is refused
        std::string exec;
        std::string name;
    };
    const std::vector<Row> rows = {
        {R"("app.exe" /s, My App)", "My App.desktop", R"("/opt/install dir/app.exe" /s)", "My App"},
        {R"("docs\readme.txt",Readme 1.2,ignored)", "Readme 1.desktop",
         R"("/opt/install dir/docs/readme.txt")", "Readme 1.2"},
        {R"("a, b.exe" -x,Comma Inside)", "Comma Inside.desktop", R"("/opt/install dir/a, b.exe" -x)",
         "Comma Inside"},
        {R"("app.exe")", "app.desktop", R"("/opt/install dir/app.exe")", "app"},
        {R"("app.exe","Name, with comma")", "Name, with comma.desktop", R"("/opt/install dir/app.exe")",
         "Name, with comma"},
        {R"(app.exe /s, My App)", "", "", ""},
        {R"("app.exe /s, My App)", "", "", ""},
        {R"("", Empty)", "", "", ""},
    };
    CreateGroupFolder("Group");
    TKz_ShellLink link;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        if (row.file.empty()) {
            EXPECT_THROW(link.CreateShortcutFromLine(row.line, install, "Group"), KzError);
            continue;
        }
        link.CreateShortcutFromLine(row.line, install, "Group");
        EXPECT_EQ(link.GroupFolder, (programs / "Group").string());
        EXPECT_EQ(link.LinkFile, (programs / "Group" / row.file).string());
        auto keys = ReadEntry(link.LinkFile);
        EXPECT_EQ(keys["Type"], "Application");
        EXPECT_EQ(keys["Exec"], row.exec);
        EXPECT_EQ(keys["Name"], row.name);
        EXPECT_EQ(keys["Comment"], row.name);
        EXPECT_EQ(keys["Path"], install);
        EXPECT_EQ(keys["Icon"], "");
        EXPECT_EQ(keys["X-KzInstall-IconIndex"], "0");
        EXPECT_EQ(keys["X-KzInstall-ShowCommand"], "0");
        EXPECT_EQ(keys["X-KzInstall-Hotkey"], "0");
    }
    const std::string menu = ReadText(root / "config/menus/applications-merged/kzinstall-Group.menu");
    EXPECT_NE(menu.find("<Filename>Group-My App.desktop</Filename>"), std::string::npos) << menu;
    EXPECT_NE(menu.find("<Filename>Group-Readme 1.desktop</Filename>"), std::string::npos) << menu;
    // Only finished entries are in the folder: no temporary files are left behind.
    for (const auto& entry : fs::directory_iterator(programs / "Group"))
        EXPECT_EQ(entry.path().extension(), ".desktop") << entry.path();
}

TEST_F(ShellLinkTest, UpdateShortcutRewritesEveryFieldAndKeepsOthers) {
    fs::create_directories(programs / "G");
    const fs::path file = programs / "G" / "x.desktop";
    WriteText(file, "# kept\n[Desktop Entry]\nName=Old\nName[de]=Alt\nCategories=Utility;\nExec=old\n\n"
                    "[Desktop Action extra]\nName=Extra\n");
    TKz_ShellLink link;
    link.Group = "G";
    link.Target = "/opt/x";
    link.Arguments = "-v";
    link.Description = "Line one\nline two";
    link.WorkingDir = "/opt/";
    link.IconFile = "/opt/x.png";
    link.IconIndex = 3;
    link.ShowCommand = 7;
    link.Hotkey = 0x0241;
    link.UpdateShortcut(file.string());
    auto keys = ReadEntry(file);
    EXPECT_EQ(keys["Name"], "Line one\nline two");
    EXPECT_EQ(keys.count("Name[de]"), 0u);
    EXPECT_EQ(keys["Categories"], "Utility;");
    EXPECT_EQ(keys["Exec"], R"("/opt/x" -v)");
    EXPECT_EQ(keys["Icon"], "/opt/x.png");
    EXPECT_EQ(keys["X-KzInstall-IconIndex"], "3");
    EXPECT_EQ(keys["X-KzInstall-ShowCommand"], "7");
    EXPECT_EQ(keys["X-KzInstall-Hotkey"], "577");
    const std::string text = ReadText(file);
    EXPECT_EQ(text.rfind("# kept\n", 0), 0u);
    EXPECT_NE(text.find("[Desktop Action extra]\nName=Extra\n"), std::string::npos);

    try {
        link.UpdateShortcut((programs / "G" / "missing.desktop").string());
        FAIL() << "no error for a missing link file";
    } catch (const KzError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.desktop"), std::string::npos);
    }
}

TEST_F(ShellLinkTest, ShortcutInAMissingGroupEndsWithAnError) {
    fs::create_directories(programs);
    TKz_ShellLink link;
    EXPECT_THROW(link.CreateShortcutFromLine(R"("app", App)", "/opt/", "Never Created"), KzError);
}

TEST_F(ShellLinkTest, RefreshGroupFolderLeavesEverythingInPlace) {
    TKz_ShellLink link;
    CreateGroupFolder("G");
    link.CreateShortcutFromLine(R"("app", App)", "/opt/", "G");
    link.RefreshGroupFolder();
    EXPECT_TRUE(fs::exists(programs / "G" / "App.desktop"));
    EXPECT_FALSE(fs::exists(programs / "G_X"));

    // A folder that already holds the temporary name is never replaced or mixed up.
    fs::create_directories(programs / "G_X");
    WriteText(programs / "G_X" / "other.desktop", "x");
    link.RefreshGroupFolder();
    EXPECT_TRUE(fs::exists(programs / "G" / "App.desktop"));
    EXPECT_TRUE(fs::exists(programs / "G_X" / "other.desktop"));

    // Without a group the folder is "Programs" itself, which is left alone.
    link.GroupFolder = programs.string();
    link.RefreshGroupFolder();
    EXPECT_TRUE(fs::is_directory(programs));
    EXPECT_FALSE(fs::exists(root / "data" / "applications_X"));
}

TEST_F(ShellLinkTest, WrittenEntriesPassTheValidator) {
    if (std::system("command -v desktop-file-validate >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "desktop-file-validate is not installed";
    CreateGroupFolder("Validated Group");
    TKz_ShellLink link;
    const std::vector<std::string> lines = {
        R"("bin\app" --size 100% "two words", My App)",
        R"("odd $name`s app", Odd\Name)",
        R"("plain")",
    };
    for (const auto& line : lines) {
        link.CreateShortcutFromLine(line, "/opt/in stall/", "Validated Group");
        const std::string command = "desktop-file-validate '" + link.LinkFile + "' 2>&1";
        FILE* pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string output;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        const int status = ::pclose(pipe);
        EXPECT_EQ(status, 0) << line << "\n" << output << ReadText(link.LinkFile);
        EXPECT_EQ(output.find("error"), std::string::npos) << output;
    }
}

TEST_F(ShellLinkTest, TheMergedMenuIsReadByTheDesktopsMenuParsers) {
    const fs::path install = root / "inst";
    fs::create_directories(install);
    WriteText(install / "app", "#!/bin/sh\n");
    ASSERT_EQ(CopyExpandFile((install / "app").string(), (install / "app").string()).status, 0);
    CreateGroupFolder("My Group");
    TKz_ShellLink link;
    link.CreateShortcutFromLine("\"app\", My App", install.string() + "/", "My Group");
    const fs::path menu = root / "config/menus/applications-merged/kzinstall-My Group.menu";
    const std::string command =
        std::string(KZ_MENU_CHECK) + " '" + menu.string() + "' 'My Group-My App.desktop'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << command;
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no menu parser is installed";
    EXPECT_EQ(WEXITSTATUS(status), 0) << command << "\n" << ReadText(menu);
}

TEST_F(ShellLinkTest, ProgramsAreToldByTheirContentAndOnlyThoseThisRunWroteGetExecuteBits) {
    // Fault mended: an item naming a link to, or the path of, a script outside made that executable.
    const fs::path install = root / "inst";
    fs::create_directories(install);
    // Expanded from a compressed file, which keeps no mode: a program without its execute bits.
    WriteText(install / "tool", "#!/bin/sh\necho hi\n");
    fs::permissions(install / "tool", fs::perms(0644));
    WriteText(install / "elf", std::string("\x7f" "ELF\x02\x01\x01", 7));
    fs::permissions(install / "elf", fs::perms(0600));
    // From a medium that marks every file executable: a document all the same.
    WriteText(install / "README", "Read me first.\n");
    fs::permissions(install / "README", fs::perms(0755));
    for (const char* name : {"tool", "elf", "README"})
        ASSERT_EQ(CopyExpandFile((install / name).string(), (install / name).string()).status, 0);
    const std::string theirs = (root / "theirs.sh").string();
    WriteText(theirs, "#!/bin/sh\n");
    fs::permissions(theirs, fs::perms(0644));
    fs::create_symlink(theirs, install / "linked");
    CreateGroupFolder("Group");
    struct Row {
        std::string line, file, exec;
        fs::perms mode;
    } rows[] = {
        {"\"tool\" -v, Tool", "Tool.desktop", "\"" + (install / "tool").string() + "\" -v", fs::perms(0755)},
        {"\"elf\", Elf", "Elf.desktop", "\"" + (install / "elf").string() + "\"", fs::perms(0700)},
        {"\"README\", Read me", "Read me.desktop", "xdg-open \"" + (install / "README").string() + "\"",
         fs::perms(0755)},
        {"\"linked\", Linked", "Linked.desktop", "\"" + (install / "linked").string() + "\"",
         fs::perms(0644)},
        {"\"" + theirs + "\", Theirs", "Theirs.desktop", "\"" + theirs + "\"", fs::perms(0644)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        TKz_ShellLink link;
        link.CreateShortcutFromLine(row.line, install.string() + "/", "Group");
        EXPECT_EQ(ReadEntry(programs / "Group" / row.file)["Exec"], row.exec);
        EXPECT_EQ(fs::status(link.Target).permissions(), row.mode);
    }
}
