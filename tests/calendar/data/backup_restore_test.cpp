#include "data/backup.h"

#include "repeat_backup_fixture.h"

#include <csignal>
#include <fstream>
#include <iterator>
#include <sstream>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zc::rbtest {
namespace {

std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A record as the program writes it: the four-digit length prefix and the line.
std::string record(const std::string& line) {
    char prefix[8];
    std::snprintf(prefix, sizeof prefix, "%04zu|", line.size());
    return prefix + line;
}

std::string completion(int added, int modified, int duplicates) {
    return "Restore completed:\n  " + std::to_string(added) + " entries added from backup;\n  " +
           std::to_string(modified) + " existing entries modified;\n  " + std::to_string(duplicates) +
           " duplicates ignored.";
}

class BackupTest : public TableTest {
  public:
    void SetUp() override {
        TableTest::SetUp();
        file = (dir / kBackupFileName).string();
    }

    std::string file;
};

TEST_F(BackupTest, RecordLineHasTheFileFormat) {
    fixTimeZone("UTC");
    Appointment& a = add(2024, 3, 15, 9, 30, "Dentist", 2);
    a.setRepeat(1, "3rd", "every Friday", 15);
    a.timerId = 3;
    EXPECT_EQ(backupRecordLine(a), "2024|3|15|9|30|15|1|3|1710495000|2|3rd|every Friday|Dentist\n");
    EXPECT_EQ(backup(*table, file), 1);
    EXPECT_EQ(readBytes(file), "0060|2024|3|15|9|30|15|1|3|1710495000|2|3rd|every Friday|Dentist\n");
    EXPECT_EQ(questions.messages,
              std::vector<std::string>{"Wrote 1 entries to the backup file \"ZorvelAppoints.zvl\""});
}

TEST_F(BackupTest, OnlyYears1980To2035AreWritten) {
    for (int year : {1979, 1980, 2035, 2036})
        add(year, 6, 1, 10, 0, "y" + std::to_string(year));
    EXPECT_EQ(backup(*table, file), 2);
    const std::string bytes = readBytes(file);
    EXPECT_NE(bytes.find("|y1980\n"), std::string::npos);
    EXPECT_NE(bytes.find("|y2035\n"), std::string::npos);
    EXPECT_EQ(bytes.find("y1979"), std::string::npos);
    EXPECT_EQ(bytes.find("y2036"), std::string::npos);
}

TEST_F(BackupTest, AnExistingFileIsReplacedOnlyOnOk) {
    add(2024, 3, 15, 9, 30, "Dentist");
    writeBytes(file, "old");
    EXPECT_TRUE(backupExists(file));
    questions.answers = {false};
    EXPECT_EQ(backup(*table, file), -1);
    EXPECT_EQ(readBytes(file), "old");
    EXPECT_EQ(questions.asked, std::vector<std::string>{"Do you wish to replace the current backup file?"});
    EXPECT_TRUE(questions.messages.empty());
    questions.answers = {true};
    EXPECT_EQ(backup(*table, file), 1);
    EXPECT_EQ(readBytes(file), "0045|2024|3|15|9|30|0|0|0|1710491400|-1|||Dentist\n");
}

TEST_F(BackupTest, AFileThatCannotBeCreatedIsReported) {
    add(2024, 3, 15, 9, 30, "Dentist");
    EXPECT_EQ(backup(*table, (dir / "missing" / kBackupFileName).string()), -1);
    ASSERT_EQ(questions.messages.size(), 1u);
    EXPECT_EQ(questions.messages[0].rfind("The backup file \"ZorvelAppoints.zvl\" could not be created: ", 0),
              0u);
}

TEST_F(BackupTest, RestoreOfAnUnchangedBackupFindsOnlyDuplicates) {
    add(2024, 3, 15, 9, 30, "Dentist", 15).setRepeat(1, "3rd", "every Friday", 15);
    add(2024, 3, 15, 14, 0, "Call Anna");
    add(2024, 12, 31, 23, 30, std::string(400, 'n'));
    add(2025, 1, 1, 1, 0, "line\nbreak");
    ASSERT_EQ(backup(*table, file), 4);
    questions.messages.clear();
    const RestoreCounts counts = restore(*table, file);
    EXPECT_EQ(counts.read, 4);
    EXPECT_EQ(counts.added, 0);
    EXPECT_EQ(counts.modified, 0);
    EXPECT_EQ(questions.messages, std::vector<std::string>{completion(0, 0, 4)});
    EXPECT_EQ(table->size(), 4u);
}

TEST_F(BackupTest, RestoreAddsBackADeletedEntryWithANewSeriesLink) {
    Appointment& source = add(2024, 3, 15, 9, 30, "Dentist", 15);
    source.setRepeat(1, "3rd", "every Friday", 15);
    source.stored.started = localTime(2024, 3, 1, 9, 30);
    source.save();
    add(2024, 3, 16, 9, 30, "Lunch");
    ASSERT_EQ(backup(*table, file), 2);
    table->remove(source, false);
    const RestoreCounts counts = restore(*table, file);
    EXPECT_EQ(counts.added, 1);
    EXPECT_EQ(counts.duplicates(), 1);
    EXPECT_EQ(questions.messages.back(), completion(1, 0, 1));

    restart();
    const Appointment* back = table->findAt(2024, 3, 15, 9, 30);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->stored.notes, "Dentist");
    EXPECT_EQ(back->stored.early, 15);
    EXPECT_EQ(back->stored.repeats, 1);
    EXPECT_EQ(back->stored.nthweek, "3rd");
    EXPECT_EQ(back->stored.sday, "every Friday");
    EXPECT_EQ(back->stored.nthday, 15);
    EXPECT_EQ(back->stored.started, localTime(2024, 3, 15, 9, 30));
    // Its series is not generated again.
    EXPECT_EQ(table->size(), 2u);
}

struct RestoreRow {
    const char* what;
    std::vector<std::string> existing; // "text@day hour" entries in March 2024 at minute 0
    std::string bytes;                 // the backup file
    int read, added, modified, refused;
    std::string message;               // empty: the completion message of the counts
    std::vector<std::string> expected; // every entry afterwards, in time order
};

void PrintTo(const RestoreRow& row, std::ostream* os) {
    *os << row.what;
}

class RestoreTest : public BackupTest, public ::testing::WithParamInterface<RestoreRow> {};

TEST_P(RestoreTest, MergesTheFile) {
    const RestoreRow& row = GetParam();
    for (const std::string& e : row.existing) {
        int day = 0, hour = 0;
        const std::size_t at = e.find('@');
        std::sscanf(e.c_str() + at + 1, "%d %d", &day, &hour);
        add(2024, 3, day, hour, 0, e.substr(0, at));
    }
    writeBytes(file, row.bytes);
    const RestoreCounts counts = restore(*table, file);
    EXPECT_EQ(counts.read, row.read);
    EXPECT_EQ(counts.added, row.added);
    EXPECT_EQ(counts.modified, row.modified);
    EXPECT_EQ(counts.refused, row.refused);
    const int duplicates = row.read - row.added - row.modified - row.refused;
    EXPECT_EQ(questions.messages,
              std::vector<std::string>{row.message.empty() ? completion(row.added, row.modified, duplicates)
                                                           : row.message});
    EXPECT_EQ(entries(), row.expected);
    restart();
    EXPECT_EQ(entries(), row.expected) << "after a new start";
}

const std::string kDentist = record("2024|3|15|9|0|15|0|0|0|-1|||Dentist\n");
const std::string kGym = record("2024|3|16|18|0|16|0|0|0|-1|||Gym\n");
const std::string kNotBackup =
    "The file \"ZorvelAppoints.zvl\" is not a backup of appointments, or is damaged from "
    "its start: no record in it could be read.\nNothing was restored.";

std::string damaged(int read, int bytes, const std::string& completed) {
    return "The file \"ZorvelAppoints.zvl\" is damaged: after " + std::to_string(read) + " record" +
           (read == 1 ? "" : "s") + " read whole, its last " + std::to_string(bytes) +
           " bytes are no record and were left out.\n" + completed;
}

// Bytes that no program wrote as a backup: a fixed pseudo-random stream.
std::string noise(std::size_t n) {
    std::string bytes;
    for (std::uint32_t x = 12345; bytes.size() < n; x = x * 1103515245u + 12345u)
        bytes += static_cast<char>(x >> 16);
    return bytes;
}

// Damaged and impossible inputs (the restore once reported them as restored or as duplicates).
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Files, RestoreTest,
    ::testing::Values(
        RestoreRow{"text appended to the entry at that minute", {"Lunch@15 9"}, kDentist, 1, 0, 1, 0, "",
                   {"Lunch Dentist@2024-03-15 09:00"}},
        RestoreRow{"text already contained", {"Dentist at 9@15 9"}, kDentist, 1, 0, 0, 0, "",
                   {"Dentist at 9@2024-03-15 09:00"}},
        RestoreRow{"empty notes meet an entry", {"Lunch@15 9"}, record("2024|3|15|9|0|15|0|0|0|-1|||\n"),
                   1, 0, 0, 0, "", {"Lunch@2024-03-15 09:00"}},
        RestoreRow{"the last record counts like the others", {}, kDentist + kGym, 2, 2, 0, 0, "",
                   {"Dentist@2024-03-15 09:00", "Gym@2024-03-16 18:00"}},
        RestoreRow{"a bar ends the notes", {}, record("2024|3|15|9|0|15|0|0|0|-1|||A|B|C\n"), 1, 1, 0, 0, "",
                   {"A@2024-03-15 09:00"}},
        RestoreRow{"numbers read as far as their digits go", {},
                   record(" 2024x|+3|15abc|9|0|||||-1|||Loose\n"), 1, 1, 0, 0, "",
                   {"Loose@2024-03-15 09:00"}},
        RestoreRow{"fields missing from a short line", {}, record("2024|3|15|9\n"), 1, 1, 0, 0, "",
                   {"@2024-03-15 09:00"}},
        RestoreRow{"impossible fields are refused, apart from the duplicates", {"Lunch@15 9"},
                   record("2024|13|40|9|0|0|0|0|0|-1|||Month 13\n") +
                   record("2024|2|30|9|0|0|0|0|0|-1|||Feb 30\n") +
                   record("2024|3|15|99|77|0|0|0|0|-1|||87:77pm\n") +
                   record("2024|3|15|0|0|0|0|0|0|-1|||Hour 0\n") +
                   record("2024|3|15|9|0|0|9|0|0|-1|||Kind 9\n") +
                   record("2024|3|15|9|0|0|0|0|0|999999|||Lead\n") +
                   record("2024|3|15|9|0|32|0|0|0|-1|||Day 32\n") +
                   record("2024|3|15|9|0|0|0|0|0|-2|||Lead -2\n") +
                   record("2036|3|15|9|0|0|0|0|0|-1|||2036\n") + kDentist +
                   record("2024|2|29|9|0|0|0|0|0|-1|||Leap\n"),
                   11, 1, 1, 9,
                   completion(1, 1, 0) + "\n  9 records refused: impossible date, time, repeat or reminder.",
                   {"Leap@2024-02-29 09:00", "Lunch Dentist@2024-03-15 09:00"}},
        RestoreRow{"a backup cut in half", {}, kDentist + kGym.substr(0, kGym.size() / 2), 1, 1, 0, 0,
                   damaged(1, 19, completion(1, 0, 0)), {"Dentist@2024-03-15 09:00"}},
        RestoreRow{"a cut-off prefix", {}, kDentist + "00", 1, 1, 0, 0,
                   damaged(1, 2, completion(1, 0, 0)), {"Dentist@2024-03-15 09:00"}},
        RestoreRow{"a damaged prefix", {}, kDentist + "12x4|" + kGym, 1, 1, 0, 0,
                   damaged(1, 43, completion(1, 0, 0)), {"Dentist@2024-03-15 09:00"}},
        RestoreRow{"a zero length", {}, kDentist + "0000|" + kGym, 1, 1, 0, 0,
                   damaged(1, 43, completion(1, 0, 0)), {"Dentist@2024-03-15 09:00"}},
        RestoreRow{"a length that misses the line feed", {"Lunch@15 9"}, "0040|" + kDentist.substr(5) + kGym,
                   0, 0, 0, 0, kNotBackup, {"Lunch@2024-03-15 09:00"}},
        RestoreRow{"a long length before a few bytes", {"Lunch@15 9"}, "9999|" + std::string(40, '1'),
                   0, 0, 0, 0, kNotBackup, {"Lunch@2024-03-15 09:00"}},
        RestoreRow{"random bytes", {"Lunch@15 9"}, noise(4096), 0, 0, 0, 0, kNotBackup,
                   {"Lunch@2024-03-15 09:00"}},
        RestoreRow{"a file shorter than one prefix", {}, "006", 0, 0, 0, 0, kNotBackup, {}},
        RestoreRow{"an empty file", {}, "", 0, 0, 0, 0,
                   "The file \"ZorvelAppoints.zvl\" is empty: it holds no appointments.\n"
                   "Nothing was restored.",
                   {}}),
    [](const ::testing::TestParamInfo<RestoreRow>& info) { return "row" + std::to_string(info.index); });
// clang-format on

TEST_F(BackupTest, AMissingFileIsReported) {
    const RestoreCounts counts = restore(*table, file);
    EXPECT_EQ(counts.read, 0);
    EXPECT_EQ(questions.messages, std::vector<std::string>{"The file \"ZorvelAppoints.zvl\" was not found!"});
}

// Records as long as a four-digit prefix allows are read whole; a longer one is shortened when it
// is written, so that it and every record after it come back.
TEST_F(BackupTest, LongRecordsComeBackWhole) {
    struct Row {
        std::string notes;
        std::size_t keptBytes; // of the notes, after the backup
    };
    const std::string umlauts = [] {
        std::string s;
        for (int i = 0; i < 6000; ++i)
            s += "\xC3\xA4";
        return s;
    }();
    const Row rows[] = {{std::string(300, 'a'), 300}, {std::string(9000, 'b'), 9000}};
    for (const Row& r : rows) {
        TearDown();
        SetUp();
        add(2024, 3, 15, 9, 0, r.notes);
        add(2024, 3, 16, 9, 0, "after");
        ASSERT_EQ(backup(*table, file), 2);
        table->clearDay(2024, 3, 15);
        table->clearDay(2024, 3, 16);
        const RestoreCounts counts = restore(*table, file);
        EXPECT_EQ(counts.added, 2);
        ASSERT_NE(table->findAt(2024, 3, 15, 9, 0), nullptr);
        EXPECT_EQ(table->findAt(2024, 3, 15, 9, 0)->stored.notes.size(), r.keptBytes);
        EXPECT_NE(table->findAt(2024, 3, 16, 9, 0), nullptr);
    }

    // Too long for any prefix: the notes are cut to fit, between two characters.
    for (const std::string& notes : {std::string(12000, 'c'), umlauts}) {
        TearDown();
        SetUp();
        Appointment& a = add(2024, 3, 15, 9, 0, notes);
        const std::string line = backupRecordLine(a);
        EXPECT_LE(line.size(), kMaxRecordLine);
        EXPECT_GE(line.size(), kMaxRecordLine - 1);
        add(2024, 3, 16, 9, 0, "after");
        ASSERT_EQ(backup(*table, file), 2);
        table->clearDay(2024, 3, 15);
        table->clearDay(2024, 3, 16);
        EXPECT_EQ(restore(*table, file).added, 2);
        const Appointment* back = table->findAt(2024, 3, 15, 9, 0);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(notes.compare(0, back->stored.notes.size(), back->stored.notes), 0);
        EXPECT_EQ(back->stored.notes.size() % (notes[0] == 'c' ? 1 : 2), 0u);
        EXPECT_NE(table->findAt(2024, 3, 16, 9, 0), nullptr);
    }
}

// Files may grow only to a few kilobytes while it lives, as on a disk that is nearly full; a write
// beyond fails with an error instead of ending the process.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, handler_);
    }

  private:
    rlimit old_{};
    void (*handler_)(int);
};

// A backup on a full disk once cut the previous backup down to a fragment of the new one.
TEST_F(BackupTest, ABackupThatCannotBeWrittenWholeKeepsThePreviousOne) {
    add(2024, 3, 15, 9, 0, "Dentist");
    ASSERT_EQ(backup(*table, file), 1);
    const std::string before = readBytes(file);
    for (int i = 0; i < 200; ++i)
        add(2024, 4, 1 + i % 28, 6 + i / 28, 0, std::string(60, 'x'));
    questions.answers = {true};
    {
        FileSizeLimit limit(4096);
        EXPECT_EQ(backup(*table, file), -1);
    }
    EXPECT_EQ(readBytes(file), before);
    EXPECT_EQ(questions.messages.back(),
              "The backup file \"ZorvelAppoints.zvl\" could not be written: File too "
              "large.\nThe previous backup is unchanged.");
    for (const auto& entry : std::filesystem::directory_iterator(dir)) // no half-written copy stays
        EXPECT_TRUE(entry.path() == file || entry.path().stem() == "store") << entry.path();
}

// Backup and Restore once waited for ever on a named pipe at the backup's path.
TEST_F(BackupTest, APipeAtTheBackupPathIsRefusedWithoutWaiting) {
    add(2024, 3, 15, 9, 0, "Dentist");
    ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
    // Both ends of the pipe are held here, with bytes waiting in it: code that opened the pipe
    // would read or write instead of waiting, so such code fails this test rather than hanging it.
    const int ends = ::open(file.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(ends, 0);
    ASSERT_EQ(::write(ends, "hello", 5), 5);
    EXPECT_EQ(restore(*table, file).read, 0);
    EXPECT_EQ(backup(*table, file), -1);
    ::close(ends);
    EXPECT_EQ(questions.messages,
              (std::vector<std::string>{
                  "The file \"ZorvelAppoints.zvl\" could not be read: it is a named pipe, not "
                  "a file.\nNothing was restored.",
                  "The backup file \"ZorvelAppoints.zvl\" could not be created: it is a named "
                  "pipe, not a file."}));

    // A link is followed: the file it names gets the backup, and the link stays.
    std::filesystem::remove(file);
    writeBytes(dir / "kept.zvl", "old");
    std::filesystem::create_symlink("kept.zvl", file);
    questions.answers = {true};
    EXPECT_EQ(backup(*table, file), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(file));
    EXPECT_EQ(readBytes(dir / "kept.zvl"), readBytes(file));
    EXPECT_NE(readBytes(file), "old");
}

} // namespace
} // namespace zc::rbtest
