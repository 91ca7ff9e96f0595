// The interpreter against a recording window: command matching, the text panes, the waits, the
// asking loops, sleeps and the ends of a run.
#include "env_var.h"
#include "script_fake_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Records the calls the file and shortcut commands hand off, so matching can be checked without
// touching the file system.
struct RecordedOperations {
    std::vector<std::string> Calls;
    void Install(TKzScript& script) {
        script.Operations.MakeDirectoryPath = [this](const std::string& p) {
            Calls.push_back("MakeDirectoryPath " + p);
            return KzStatus{};
        };
        script.Operations.CopyExpandFile = [this](const std::string& s, const std::string& d) {
            Calls.push_back("CopyExpandFile " + s + " -> " + d);
            return KzStatus{};
        };
        script.Operations.CreateGroupFolder = [this](const std::string& n) {
            Calls.push_back("CreateGroupFolder " + n);
        };
        script.Operations.CreateShortcutFromLine = [this](const std::string& l, const std::string& d,
                                                          const std::string& g) {
            Calls.push_back("CreateShortcutFromLine " + l + " | " + d + " | " + g);
        };
        script.Operations.RefreshGroupFolder = [this] { Calls.push_back("RefreshGroupFolder"); };
    }
};

class ScriptTest : public ::testing::Test {
  protected:
    TKzScript Script;
    FakeWindow Window{&Script};
    RecordedOperations Ops;

    void SetUp() override {
        Script.BindControls(&Window);
        Script.SourceDir = "/src/";
        Script.AppDir = "/app/";
        Ops.Install(Script);
    }
    int RunText(const std::string& text) {
        Script.LoadScriptText(text);
        return Script.Run();
    }
};

class TempDir {
  public:
    TempDir() {
        Path = fs::temp_directory_path() /
               ("kz_script_test_" + std::to_string(::getpid()) + "_" + std::to_string(Counter++));
        fs::create_directories(Path);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(Path, ec);
    }
    std::string Str() const { return Path.string() + "/"; }
    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(Path / name, std::ios::binary) << content;
    }
    fs::path Path;

  private:
    // With the process id, a counter gives every folder of every run its own name.
    static inline int Counter = 0;
};

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

struct MatchRow {
    const char* script;
    const char* memo; // Memo1's lines joined with "|", or nullptr when Memo1 is never filled
    int nextWaits;    // answered waits for the install page's Next button
    const char* call; // the one handed-off operation expected, or ""
    int status;
};

TEST_F(ScriptTest, CommandsMatchInOrderWithCapitalsBlanksAndModifiers) {
    const MatchRow rows[] = {
        {"<WAIT MESSAGE>\nHello\n<end>", "Hello", 1, "", 99},
        {"< wait message >\nHello\n<end>", "Hello", 1, "", 99},
        {"<Set Message>\nHello\n<end>", "Hello", 0, "", 99},
        {"<set messages>\nHello\n<wait button>\n<end>", nullptr, 1, "", 99},
        {"<copy files from disk 1>\na.txt, b.txt\n<end>", nullptr, 0, "CopyExpandFile /src/a.txt -> /b.txt",
         99},
        {"<create directory -NoAsk>\n/opt/zorvel\n<end>", nullptr, 0, "MakeDirectoryPath /opt/zorvel/", 99},
        {"<CREATE PROGRAM GROUP -noask>\nMy Group\n<end>", nullptr, 0, "CreateGroupFolder My Group", 99},
        {"<create program items>\n\"a.exe\",A\n<end>", nullptr, 0, "", 99}, // no group yet: skipped
        {"<>\nignored\n<end>", nullptr, 0, "", 99},
        {"<nothing like this>\n<wait message>\n<end>", "", 1, "", 99},
        {"<set message>\n<end>", "", 0, "", 99},
        {"<end>\n<wait button>", nullptr, 0, "", 99},
        {"", nullptr, 0, "", 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.script);
        TKzScript script;
        FakeWindow window(&script);
        RecordedOperations ops;
        script.BindControls(&window);
        script.SourceDir = "/src/";
        ops.Install(script);
        script.LoadScriptText(row.script);
        EXPECT_EQ(script.Run(), row.status);
        const auto& memo = window.Pane(KzControl::Memo1);
        if (row.memo) {
            std::string joined;
            for (const auto& l : memo)
                joined += (joined.empty() ? "" : "|") + l;
            EXPECT_EQ(joined, row.memo);
        } else {
            EXPECT_TRUE(memo.empty());
        }
        EXPECT_EQ(static_cast<int>(window.NextCaptions.size()), row.nextWaits);
        if (*row.call) {
            ASSERT_EQ(ops.Calls.size(), 1u);
            EXPECT_EQ(ops.Calls[0], row.call);
        } else {
            EXPECT_TRUE(ops.Calls.empty());
        }
    }
}

TEST_F(ScriptTest, TextPanesSkipPreambleAndBlankLinesAndHonourEmptyLineMarker) {
    RunText(
        "Written before any command\n#emptyline\n<set message>\n  First  \n\n   \n#EMPTYLINE\n#EmptyLine\n"
        "Last\n<wait openingtext>\nWelcome\n#emptyline\n");
    EXPECT_EQ(Window.Pane(KzControl::Memo1), (std::vector<std::string>{"First", " ", " ", "Last"}));
    EXPECT_EQ(Window.Pane(KzControl::MemoTitle), (std::vector<std::string>{"Welcome", " "}));
    // Each filling is bracketed by the suspended updates and ends scrolled to the top.
    const std::vector<std::string> filling{"BeginPaneUpdate", "ClearPane", "ScrollToTop", "EndPaneUpdate"};
    std::vector<std::string> seen;
    for (const auto& e : Window.Log)
        if (e != "FirstButtonClick") seen.push_back(e);
    EXPECT_EQ(seen.size(), 8u);
    EXPECT_TRUE(std::equal(filling.begin(), filling.end(), seen.begin()));
    // The opening wait ends with one call of the button's own page switch.
    EXPECT_EQ(Window.OpeningWaits, 1);
    EXPECT_EQ(std::count(Window.Log.begin(), Window.Log.end(), "FirstButtonClick"), 1);
    ASSERT_TRUE(Window.Controls[KzControl::FirstButton].click);
    Window.Click(KzControl::FirstButton);
    EXPECT_EQ(std::count(Window.Log.begin(), Window.Log.end(), "FirstButtonClick"), 2);
}

TEST_F(ScriptTest, WaitMessageAtTheEndOfTheScriptDoesNotWait) {
    EXPECT_EQ(RunText("<wait message>\nBye"), 1);
    EXPECT_TRUE(Window.NextCaptions.empty());
    EXPECT_EQ(Window.Pane(KzControl::Memo1), std::vector<std::string>{"Bye"});
}

TEST_F(ScriptTest, WaitButtonKeepsOrRenamesTheCaption) {
    struct Row {
        const char* script;
        std::vector<std::string> captions;
    } rows[] = {
        {"<wait button>\n<end>", {"&Next >>"}},
        {"<wait button>\nInstall\n<wait button>\n<end>", {"Install", "Install"}},
        {"<wait button>\nInstall\nextra line\n<set title>\nT\n<end>", {"Install"}},
        {"<wait button>", {"&Next >>"}}, // waits also when the script has ended
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.script);
        TKzScript script;
        FakeWindow window(&script);
        script.BindControls(&window);
        script.LoadScriptText(row.script);
        script.Run();
        EXPECT_EQ(window.NextCaptions, row.captions);
        EXPECT_FALSE(script.WaitingForNext);
        EXPECT_FALSE(window.Controls[KzControl::ButtonScript].click); // the old (empty) action is back
    }
}

TEST_F(ScriptTest, SleepRoundsUpToStepsAndStopsAtTwentySeconds) {
    const std::pair<const char*, long long> rows[] = {
        {"250", 300},
        {"50000", 20000},
        {"100", 100},
        {"1", 100},
        {"$64", 100},
        {"0", 0},
        {"-5", 0},
        {"abc", 0},
        {"12ms", 0},
        {"$", 0},
        {"99999999999999999999999", 0},
    };
    for (const auto& [parameter, expected] : rows) {
        SCOPED_TRACE(parameter);
        TKzScript script;
        FakeWindow window(&script);
        script.BindControls(&window);
        script.LoadScriptText(std::string("<sleep>\n") + parameter + "\n<set title>\nafter");
        EXPECT_EQ(script.Run(), 1);
        EXPECT_EQ(window.SleptMilliseconds, expected);
        EXPECT_EQ(window.GetText(KzControl::LabelTitle), "after");
    }
}

TEST_F(ScriptTest, NumbersAreDecimalOrDollarHexadecimal) {
    const std::pair<const char*, long long> good[] = {
        {"0", 0},     {"42", 42},   {"-42", -42}, {"+7", 7},
        {"$ff", 255}, {"$FF", 255}, {"0x10", 16}, {"9223372036854775807", 9223372036854775807LL}};
    for (const auto& [text, value] : good) {
        long long parsed = -1;
        EXPECT_TRUE(KzParseNumber(text, parsed)) << text;
        EXPECT_EQ(parsed, value) << text;
    }
    for (const char* text : {"", "-", "$", "0x", "1 2", "$fg", "1.5", "9223372036854775808", "ten"}) {
        long long parsed = 0;
        EXPECT_FALSE(KzParseNumber(text, parsed)) << text;
    }
}

TEST_F(ScriptTest, OnlyEndEndsAtOnceWithNinetyNine) {
    const auto before = Window.Log.size();
    EXPECT_EQ(RunText("<end>"), 99);
    EXPECT_EQ(Window.Log.size(), before);
    EXPECT_EQ(Window.ProcessCalls, 0);
    EXPECT_EQ(Window.SleptMilliseconds, 0);
}

TEST_F(ScriptTest, SimpleCommandsDriveTheirControls) {
    RunText("<set title>\nWelcome\n<set label>\nFolder\n<set editbox>\n/opt/x\n<readonly editbox>\n TRUE \n"
            "<hide quitbutton>\n<hide button>\n<readonly editbox>\n<set title>\nSecond\n");
    EXPECT_EQ(Window.GetText(KzControl::LabelTitle), "Second");
    EXPECT_EQ(Window.GetText(KzControl::Label1), "Folder");
    EXPECT_EQ(Window.GetText(KzControl::Edit1), "/opt/x");
    EXPECT_TRUE(Window.Controls[KzControl::Edit1].readOnly);
    EXPECT_TRUE(Window.Controls[KzControl::ButtonEdit].visible);
    EXPECT_FALSE(Window.Controls[KzControl::ButtonEdit].enabled); // disabled by BindControls
    EXPECT_FALSE(Window.Controls[KzControl::ButtonAbort].visible);
    EXPECT_FALSE(Window.Controls[KzControl::ButtonScript].visible);

    RunText("<readonly editbox>\nfalse\n<hide editbox>\n<hide label>\n<hide title>\n<show quitbutton>");
    EXPECT_FALSE(Window.Controls[KzControl::Edit1].readOnly);
    EXPECT_FALSE(Window.Controls[KzControl::Edit1].visible);
    EXPECT_FALSE(Window.Controls[KzControl::ButtonEdit].visible);
    EXPECT_FALSE(Window.Controls[KzControl::Label1].visible);
    EXPECT_FALSE(Window.Controls[KzControl::LabelTitle].visible);
    EXPECT_TRUE(Window.Controls[KzControl::ButtonAbort].visible);
}

TEST_F(ScriptTest, RunStartsProgramsFromTheInstallersDirectory) {
    RunText("<run>\nsetup.sh --quiet\n\"tool.sh\" -v\n<set title>\nDone");
    EXPECT_EQ(Window.Programs, (std::vector<std::string>{"/app/setup.sh|--quiet", "/app/tool.sh|-v"}));
    EXPECT_EQ(Window.GetText(KzControl::LabelTitle), "Done");
}

TEST_F(ScriptTest, QuitDuringAWaitEndsTheRunAfterTheCommand) {
    Window.WaitActions.push_back([this] {
        Script.Abort();
        return false;
    });
    EXPECT_EQ(RunText("<wait message>\nText\n<set title>\nNever"), 0);
    EXPECT_TRUE(Script.Aborted);
    EXPECT_NE(Window.GetText(KzControl::LabelTitle), "Never");
    // A wait that would start after Quit does not wait for a click that will never come.
    Script.WaitForNext("&Next >>");
    EXPECT_TRUE(Window.NextCaptions.empty());
}

TEST_F(ScriptTest, CreateDirectoryAsksUntilTheDirectoryCanBeMade) {
    TempDir temp;
    temp.Write("plainfile", "x");
    TKzScript script;
    FakeWindow window(&script);
    script.BindControls(&window);
    const std::string bad = temp.Str() + "plainfile/sub";
    const std::string good = temp.Str() + "new/deeper";
    window.WaitActions.push_back([&] {
        EXPECT_EQ(window.Filter, KzKeyFilter::Directory);
        EXPECT_EQ(window.GetText(KzControl::Label1), "Install directory");
        EXPECT_TRUE(window.Controls[KzControl::ButtonEdit].enabled);
        window.Controls[KzControl::Edit1].text = bad;
        return true;
    });
    window.WaitActions.push_back([&] {
        // Asked again with the script's proposal in the box.
        EXPECT_EQ(window.GetText(KzControl::Edit1), temp.Str() + "proposed");
        window.DirectoryAnswer = {true, good + "/"};
        window.Click(KzControl::ButtonEdit);
        return true;
    });
    script.LoadScriptText("<create directory>\n" + temp.Str() + "proposed\n<end>");
    EXPECT_EQ(script.Run(), 99);
    ASSERT_EQ(window.Messages.size(), 1u);
    EXPECT_EQ(window.Messages[0], "Unable to create directory\r" + bad + "/\r\rspecify another directory.");
    EXPECT_EQ(script.InstallDir, good + "/");
    EXPECT_TRUE(fs::is_directory(good));
    EXPECT_FALSE(window.Controls[KzControl::ButtonEdit].enabled);
    EXPECT_FALSE(window.Controls[KzControl::ButtonEdit].click);
    EXPECT_EQ(window.Filter, KzKeyFilter::Directory); // the filter stays on after the command
}

TEST_F(ScriptTest, CreateDirectoryRejectsAnEmptyBoxAndAcceptsAnExistingDirectory) {
    TempDir temp;
    Window.WaitActions.push_back([this] {
        Window.Controls[KzControl::Edit1].text = "   ";
        return true;
    });
    Script.Operations.MakeDirectoryPath = [](const std::string& p) { return MakeDirectoryPath(p); };
    EXPECT_EQ(RunText("<create directory>\n" + temp.Str() + "\n<end>"), 99);
    EXPECT_EQ(Window.Messages.size(), 1u);
    EXPECT_EQ(Script.InstallDir, temp.Str());
}

TEST_F(ScriptTest, CreateProgramGroupAsksUntilTheNameIsValid) {
    Window.GroupAnswer = "<selected not found>";
    Window.WaitActions.push_back([this] {
        EXPECT_EQ(Window.Filter, KzKeyFilter::GroupName);
        EXPECT_EQ(Window.GetText(KzControl::Label1), "Program group:");
        Window.Click(KzControl::ButtonEdit); // the dialog's answer replaces the text
        return true;
    });
    Window.WaitActions.push_back([this] {
        Window.Controls[KzControl::Edit1].text = "Zorvel Tools";
        return true;
    });
    EXPECT_EQ(
        RunText(
            "<create program group>\nZorvel\n<create program items>\n\"a.sh\" -x, A, x\n\n\"b.sh\",B\n<end>"),
        99);
    ASSERT_EQ(Window.Messages.size(), 1u);
    EXPECT_EQ(Window.Messages[0],
              "Invalid program group name: \r<selected not found>\rspecify another program group name.");
    EXPECT_EQ(Script.GroupName, "Zorvel Tools");
    EXPECT_EQ(Ops.Calls, (std::vector<std::string>{
                             "CreateGroupFolder Zorvel Tools",
                             "CreateShortcutFromLine \"a.sh\" -x, A, x |  | Zorvel Tools",
                             "CreateShortcutFromLine \"b.sh\",B |  | Zorvel Tools", "RefreshGroupFolder"}));
    EXPECT_FALSE(Window.Busy);
}

TEST_F(ScriptTest, AnErrorOutOfAShortcutEndsTheRunAndRestoresTheCursor) {
    Script.Operations.CreateShortcutFromLine = [](const std::string&, const std::string&,
                                                  const std::string&) {
        throw KzError("\"Programs\" item not found in registry");
    };
    Script.LoadScriptText("<create program group -noask>\nG\n<create program items>\n\"a\",A\n<end>");
    EXPECT_THROW(Script.Run(), KzError);
    EXPECT_FALSE(Window.Busy);
}

TEST_F(ScriptTest, CopyFilesCopiesAndAsksForTheNextDisk) {
    TempDir disk1, disk2, target;
    disk1.Write("readme.txt", "first disk");
    disk2.Write("second.txt", "second disk");
    disk2.Write("third.txt", "third");
    TKzScript script;
    FakeWindow window(&script);
    script.BindControls(&window);
    script.SourceDir = disk1.Str();
    window.Controls[KzControl::ButtonScript].visible = false;
    window.NextDiskAnswers.push_back({true, ""});          // OK without a change: the same place again
    window.NextDiskAnswers.push_back({true, disk2.Str()}); // then the second disk
    script.LoadScriptText(
        "<create directory -noask>\n" + target.Str() +
        "\n<copy files>\nreadme.txt,readme.txt\nsecond.txt, copy.txt\nthird.txt,third.txt\n<end>");
    EXPECT_EQ(script.Run(), 99);
    EXPECT_EQ(ReadAll(target.Path / "readme.txt"), "first disk");
    EXPECT_EQ(ReadAll(target.Path / "copy.txt"), "second disk");
    EXPECT_EQ(ReadAll(target.Path / "third.txt"), "third"); // later sources come from the new place
    EXPECT_EQ(window.NextDiskFiles, (std::vector<std::string>{"second.txt", "second.txt"}));
    EXPECT_EQ(script.SourceDir, disk2.Str());
    EXPECT_TRUE(window.NextCaptions.empty()); // the Next button was hidden, so no wait
    EXPECT_FALSE(window.Busy);
}

TEST_F(ScriptTest, CancelAtTheNextDiskPromptEndsTheRunWithTheCopyFailure) {
    TempDir disk, target;
    TKzScript script;
    FakeWindow window(&script);
    script.BindControls(&window);
    script.SourceDir = disk.Str();
    script.LoadScriptText("<create directory -noask>\n" + target.Str() +
                          "\n<copy files>\nmissing.txt,m.txt\n<set title>\nNo");
    const int status = script.Run();
    EXPECT_LT(status, 0);
    EXPECT_FALSE(script.ErrorText.empty());
    EXPECT_EQ(window.NextDiskFiles, std::vector<std::string>{"missing.txt"});
    EXPECT_NE(window.GetText(KzControl::LabelTitle), "No");
}

TEST_F(ScriptTest, CopyFilesAsLastBlockCopiesOnceAndEnds) {
    EXPECT_EQ(RunText("<copy files>\na,b"), 1);
    // Without an installation directory a destination is taken below the root, never below
    // whatever the current directory happens to be.
    EXPECT_EQ(Ops.Calls, std::vector<std::string>{"CopyExpandFile /src/a -> /b"});
}

TEST(ScriptKeys, FiltersAcceptTheirCharacters) {
    const std::string common = "\b -0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz~";
    for (int code = 0; code < 256; ++code) {
        const bool inCommon = code != 0 && common.find(static_cast<char>(code)) != std::string::npos;
        EXPECT_EQ(KzKeyAccepted(KzKeyFilter::GroupName, code), inCommon) << code;
        EXPECT_EQ(KzKeyAccepted(KzKeyFilter::Directory, code), inCommon || code == KzPathSeparator()) << code;
        EXPECT_TRUE(KzKeyAccepted(KzKeyFilter::None, code));
    }
    for (int code : {int(':'), int('.'), int('\r'), 27, int('\\')}) {
        EXPECT_FALSE(KzKeyAccepted(KzKeyFilter::GroupName, code)) << code;
    }
}

TEST_F(ScriptTest, AGroupNameIsTrimmedOnceForTheFolderAndEveryShortcut) {
    // Typed with blanks around it, and given by a -NoAsk line.
    Window.WaitActions.push_back([this] {
        Window.SetText(KzControl::Edit1, "  My Tools ");
        return true;
    });
    RunText("<create program group>\nTools\n<create program items>\n\"tool\", Tool\n"
            "<create program group -noask>\n\tOther\t\n<create program items>\n\"x\", X");
    EXPECT_EQ(Ops.Calls, (std::vector<std::string>{
                             "CreateGroupFolder My Tools",
                             "CreateShortcutFromLine \"tool\", Tool |  | My Tools",
                             "RefreshGroupFolder",
                             "CreateGroupFolder Other",
                             "CreateShortcutFromLine \"x\", X |  | Other",
                             "RefreshGroupFolder",
                         }));
    // A name of blanks only is no name and is asked for again.
    Ops.Calls.clear();
    Window.Messages.clear();
    Window.WaitActions.push_back([this] {
        Window.SetText(KzControl::Edit1, "   ");
        return true;
    });
    Window.WaitActions.push_back([this] {
        Window.SetText(KzControl::Edit1, "Tools");
        return true;
    });
    RunText("<create program group>\nTools");
    EXPECT_EQ(Window.Messages.size(), 1u);
    EXPECT_EQ(Ops.Calls, std::vector<std::string>{"CreateGroupFolder Tools"});
}

TEST_F(ScriptTest, TheInstallationFolderIsAbsoluteWhereverItComesFrom) {
    EnvVar home("HOME");
    home.Set("/home/tester");
    struct Row {
        const char* script;
        const char* typed; // nullptr: the proposal is accepted
        const char* made;
        const char* copied;
    } rows[] = {
        {"<create directory -noask>\ntmp/zorvel", nullptr, "/tmp/zorvel/", "/tmp/zorvel/b"},
        {"<create directory>\nc:\\zorvel", " tmp/zorvel", "/tmp/zorvel/", "/tmp/zorvel/b"},
        {"<create directory>\nc:\\zorvel", nullptr, "/zorvel/", "/zorvel/b"},
        {"<create directory -noask>\n~/zorvel", nullptr, "/home/tester/zorvel/", "/home/tester/zorvel/b"},
        {"<create directory>\nx", "~", "/home/tester/", "/home/tester/b"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.script);
        Ops.Calls.clear();
        if (row.typed) {
            const std::string typed = row.typed;
            Window.WaitActions.push_back([this, typed] {
                Window.SetText(KzControl::Edit1, typed);
                return true;
            });
        }
        RunText(std::string(row.script) + "\n<copy files>\ndisk\\a, b");
        EXPECT_EQ(Ops.Calls, (std::vector<std::string>{std::string("MakeDirectoryPath ") + row.made,
                                                       std::string("CopyExpandFile /src/disk/a -> ") + row.copied}));
    }
}

TEST_F(ScriptTest, RunBuildsTheArgumentVectorItself) {
    Script.AppDir = "/media/Bob's disk/";
    RunText("<run>\nbin\\setup.sh --dest \"C:\\Program Files\\x\"  /s\n\"my tool.sh\"\n/usr/bin/true\n\"\"");
    EXPECT_EQ(Window.Programs, (std::vector<std::string>{
                                   "/media/Bob's disk/bin/setup.sh|--dest|C:/Program Files/x|/s",
                                   "/media/Bob's disk/my tool.sh",
                                   "/usr/bin/true",
                               }));
}

TEST_F(ScriptTest, AProgramItemWithoutItsProgramIsSkippedAndTheOthersAreMade) {
    Script.Operations.CreateShortcutFromLine = [this](const std::string& line, const std::string&,
                                                      const std::string&) {
        if (line.find('"') == std::string::npos) throw KzItemError("Invalid program item: \r" + line);
        Ops.Calls.push_back("shortcut " + line);
    };
    const int status = RunText("<create program group -noask>\nTools\n<create program items>\n"
                               "Readme, Read me\n\"tool\", Tool\n<set title>\nDone");
    EXPECT_EQ(status, KzStatusEndOfScript);
    EXPECT_EQ(Window.Messages, std::vector<std::string>{"Invalid program item: \rReadme, Read me\r\r"
                                                        "This program item is skipped; the installation goes on."});
    EXPECT_EQ(Ops.Calls, (std::vector<std::string>{"CreateGroupFolder Tools", "shortcut \"tool\", Tool",
                                                   "RefreshGroupFolder"}));
    EXPECT_EQ(Window.GetText(KzControl::LabelTitle), "Done");
}

TEST_F(ScriptTest, EveryWaitForNextGivesItTheKeyboard) {
    Window.WaitActions.push_back([this] {
        EXPECT_EQ(Window.Focused, KzControl::ButtonScript);
        Window.Focused.reset();
        return true;
    });
    Window.WaitActions.push_back([this] {
        EXPECT_EQ(Window.Focused, KzControl::ButtonScript);
        return true;
    });
    RunText("<wait message>\nHello\n<wait button>\nInstall");
    EXPECT_EQ(Window.NextCaptions.size(), 2u);
}

TEST(ExitStatusTest, OnlyACompletedInstallationExitsWithZero) {
    struct Row {
        int runStatus;
        bool aborted, raisedError;
        int expected;
    } rows[] = {
        {KzStatusEndOfScript, false, false, KzExitCompleted},
        {KzStatusEndCommand, false, false, KzExitCompleted},
        {KzStatusEndOfScript, true, false, KzExitCancelled}, // Quit during the last command
        {KzStatusOk, true, false, KzExitCancelled},
        {KzStatusOk, false, false, KzExitCancelled}, // closed before the run ended
        {KzStatusCannotOpen, false, false, KzExitCancelled}, // Cancel at the next-disk prompt
        {KzStatusFailed, false, false, KzExitCancelled},
        {KzStatusOk, false, true, KzExitFailed},
        {KzStatusEndOfScript, true, true, KzExitFailed},
    };
    for (const Row& row : rows)
        EXPECT_EQ(KzExitStatus(row.runStatus, row.aborted, row.raisedError), row.expected)
            << row.runStatus << " " << row.aborted << " " << row.raisedError;
}
