#include "data/backup.h"

#include "data/appointment.h"
#include "data/appointment_table.h"
#include "platform/file_access.h"
#include "data/repeat_rules.h"
#include "data/settings_store.h"
#include "text/translatable.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

namespace zc {
namespace {

constexpr const char* kCaption = "ZorvelCal";

// The messages name the file as the user knows it, without the folder it lies in.
std::string shownName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

// The decimal value at the start of a field, as the C library's text-to-integer conversion reads
// it (white space, a sign, digits; 0 when there are no digits). The magnitude saturates at nine
// digits, far beyond any real field, so that no later date arithmetic on a damaged record can
// overflow.
std::int32_t fieldNumber(std::string_view text) {
    constexpr std::int32_t kLimit = 999999999;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (value <= kLimit) value = value * 10 + (text[i] - '0');
    const auto bounded = static_cast<std::int32_t>(std::min<std::int64_t>(value, kLimit));
    return negative ? -bounded : bounded;
}

// Cuts a text by at least excess bytes without splitting a UTF-8 character; returns the bytes cut.
std::size_t shorten(std::string& text, std::size_t excess) {
    if (excess == 0) return 0;
    if (excess >= text.size()) {
        const std::size_t n = text.size();
        text.clear();
        return n;
    }
    std::size_t keep = text.size() - excess;
    while (keep > 0 && (static_cast<unsigned char>(text[keep]) & 0xC0) == 0x80)
        --keep;
    const std::size_t cut = text.size() - keep;
    text.resize(keep);
    return cut;
}

// A record holds the values of an entry but its first time, which a restore computes afresh.
using Record = AppointmentValues;

// Splits a record line at "|": each field runs to the next "|" or the end of the line, so a "|"
// inside the notes ends them there. A line with fewer fields leaves the rest 0 or empty.
Record parseRecord(std::string_view line) {
    // The line's texts are C strings to every other reader of the file; a zero byte ends them.
    if (const std::size_t zero = line.find('\0'); zero != std::string_view::npos) line = line.substr(0, zero);
    std::array<std::string_view, 13> fields{};
    std::size_t pos = 0;
    for (std::size_t i = 0; i < fields.size() && pos <= line.size(); ++i) {
        const std::size_t bar = line.find('|', pos);
        const std::size_t end = bar == std::string_view::npos ? line.size() : bar;
        fields[i] = line.substr(pos, end - pos);
        pos = end + 1;
    }
    Record r;
    r.year = fieldNumber(fields[0]);
    r.month = fieldNumber(fields[1]);
    r.day = fieldNumber(fields[2]);
    r.hour = fieldNumber(fields[3]);
    r.minute = fieldNumber(fields[4]);
    r.nthday = fieldNumber(fields[5]);
    r.repeats = fieldNumber(fields[6]);
    // Fields 8 and 9, the reminder timer and the time, describe the machine that wrote the file.
    r.early = fieldNumber(fields[9]);
    r.nthweek = fields[10];
    r.sday = fields[11];
    r.notes = fields[12];
    return r;
}

// Whether a record describes an entry the program could have written: a real date in the years
// a backup holds, an hour the loader keeps (it drops hour 0 at the next start), a repeat kind the
// engine knows and a lead an entry can carry. Anything else is damage, and restoring it would show
// times such as "87:77pm" and be written into every later backup.
bool possible(const Record& r) {
    if (r.year < kFirstBackupYear || r.year > kLastBackupYear || r.month < 1 || r.month > 12 || r.day < 1 ||
        r.day > daysInMonth(r.year, r.month))
        return false;
    if (r.hour < 1 || r.hour > 23 || r.minute < 0 || r.minute > 59) return false;
    if (r.repeats < kRepeatNone || r.repeats >= kRepeatKindCount || r.nthday < 0 || r.nthday > 31)
        return false;
    if (r.early < -1 || r.early > kMaxEarlyMinutes) return false;
    // A date no time can hold would wrap round to a phantom entry in another year.
    return localTime(r.year, r.month, r.day, r.hour, r.minute) != -1;
}

void merge(AppointmentTable& table, const Record& r, RestoreCounts& counts, TableUndo& undo) {
    if (!possible(r)) {
        ++counts.refused;
        return;
    }
    if (Appointment* existing = table.findAt(r.year, r.month, r.day, r.hour, r.minute)) {
        if (existing->stored.notes.find(r.notes) != std::string::npos) return;
        undo.notesChanging(*existing);
        existing->stored.notes += " " + r.notes;
        existing->save();
        ++counts.modified;
        return;
    }
    // A restored entry starts a series link of its own; its series is not generated again.
    Appointment& a = table.construct();
    a.setStored(r);
    a.schedule(true);
    undo.added(a);
    ++counts.added;
}

// A prefix is four decimal digits and "|"; anything else is not a record the program wrote.
bool prefixLength(const char (&prefix)[5], std::size_t& length) {
    length = 0;
    for (int i = 0; i < 4; ++i) {
        if (prefix[i] < '0' || prefix[i] > '9') return false;
        length = length * 10 + static_cast<std::size_t>(prefix[i] - '0');
    }
    // Every record line ends with its line feed, so an empty one cannot be a record.
    return prefix[4] == '|' && length > 0;
}

struct Contents {
    std::vector<Record> records;
    long long damagedBytes = 0;
};

// The whole records at the start of a backup file. Reading stops at the first byte that does not
// continue them: a prefix that is not four digits and "|", a record cut short, or a record whose
// announced length does not end at its line feed (after which no later prefix can be trusted).
Contents readRecords(std::FILE* file, const std::string& path) {
    Contents contents;
    long long whole = 0;
    std::string line;
    for (;;) {
        char prefix[5];
        const std::size_t got = std::fread(prefix, 1, sizeof prefix, file);
        if (got == 0 && !std::ferror(file)) return contents;
        std::size_t length = 0;
        if (got != sizeof prefix || !prefixLength(prefix, length)) break;
        line.resize(length);
        if (std::fread(line.data(), 1, length, file) != length || line.back() != '\n') break;
        line.pop_back();
        contents.records.push_back(parseRecord(line));
        whole += static_cast<long long>(sizeof prefix + length);
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    // A file that could not be measured again is still damaged past its whole records.
    contents.damagedBytes = std::max(1LL, ec ? 1LL : static_cast<long long>(size) - whole);
    return contents;
}

// "1 record", "2 records": the form is chosen by the English rule, which German shares.
std::string counted(long long n, const char* one, const char* many) {
    return text::formatted(n == 1 ? one : many, {std::to_string(n)});
}

std::string completionMessage(const RestoreCounts& counts) {
    std::string message = text::formatted(
        N_("Restore completed:\n  %d entries added from backup;\n  %d existing entries modified;\n  %d "
           "duplicates ignored."),
        {std::to_string(counts.added), std::to_string(counts.modified), std::to_string(counts.duplicates())});
    if (counts.refused > 0)
        message += "\n  " + text::formatted(N_("%s refused: impossible date, time, repeat or reminder."),
                                            {counted(counts.refused, N_("%d record"), N_("%d records"))});
    return message;
}

} // namespace

bool backupExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

std::string backupRecordLine(const Appointment& a) {
    std::string nthweek = a.stored.nthweek, sday = a.stored.sday, notes = a.stored.notes;
    const auto build = [&] {
        std::string line;
        line.reserve(64 + nthweek.size() + sday.size() + notes.size());
        for (long long n : {static_cast<long long>(a.stored.year), static_cast<long long>(a.stored.month),
                            static_cast<long long>(a.stored.day), static_cast<long long>(a.stored.hour),
                            static_cast<long long>(a.stored.minute), static_cast<long long>(a.stored.nthday),
                            static_cast<long long>(a.stored.repeats), static_cast<long long>(a.timerId),
                            static_cast<long long>(a.time), static_cast<long long>(a.stored.early)}) {
            line += std::to_string(n);
            line += '|';
        }
        line += nthweek;
        line += '|';
        line += sday;
        line += '|';
        line += notes;
        line += '\n';
        return line;
    };
    std::string line = build();
    if (line.size() <= kMaxRecordLine) return line;
    // A longer line could not be announced by its prefix, and the restore would lose it and every
    // record after it; the notes, which only merges can make this long, give way first.
    std::size_t excess = line.size() - kMaxRecordLine;
    for (std::string* text : {&notes, &sday, &nthweek})
        excess -= std::min(excess, shorten(*text, excess));
    return build();
}

int backup(AppointmentTable& table, const std::string& path) {
    Questions& questions = table.questions();
    const std::string name = shownName(path);
    // Something at the path that is not a file is refused by the write below, without a question.
    const bool replacing = fileKind(path) == FileKind::kRegular;
    if (replacing && !questions.askOkCancel(N_("Do you wish to replace the current backup file?"), kCaption))
        return -1;
    int count = 0;
    std::string why;
    const auto writeRecords = [&](std::FILE* file) {
        bool failed = false;
        table.forEach([&](const Appointment& a) {
            if (failed || a.stored.year < kFirstBackupYear || a.stored.year > kLastBackupYear) return;
            const std::string line = backupRecordLine(a);
            char prefix[8];
            std::snprintf(prefix, sizeof prefix, "%04u|", static_cast<unsigned>(line.size()));
            failed = std::fwrite(prefix, 1, 5, file) != 5 ||
                     std::fwrite(line.data(), 1, line.size(), file) != line.size();
            if (!failed) ++count;
        });
        return !failed;
    };
    switch (replaceFile(path, writeRecords, why)) {
    case ReplaceResult::kNotCreated:
        questions.showMessage(
            text::formatted(N_("The backup file \"%s\" could not be created: %s."), {name, why}), kCaption);
        return -1;
    case ReplaceResult::kNotWritten:
        questions.showMessage(
            text::formatted(
                replacing ? N_("The backup file \"%s\" could not be written: %s.\nThe previous backup is "
                               "unchanged.")
                          : N_("The backup file \"%s\" could not be written: %s."),
                {name, why}),
            kCaption);
        return -1;
    case ReplaceResult::kDone:
        break;
    }
    questions.showMessage(
        text::formatted(N_("Wrote %d entries to the backup file \"%s\""), {std::to_string(count), name}),
        kCaption);
    return count;
}

RestoreCounts restore(AppointmentTable& table, const std::string& path) {
    Questions& questions = table.questions();
    const std::string name = shownName(path);
    RestoreCounts counts;
    FileKind kind = FileKind::kMissing;
    std::string why;
    const FileHandle file = openRegularForReading(path, kind, why);
    if (!file) {
        questions.showMessage(
            kind == FileKind::kMissing
                ? text::formatted(N_("The file \"%s\" was not found!"), {name})
                : text::formatted(N_("The file \"%s\" could not be read: %s.\nNothing was restored."),
                                  {name, why}),
            kCaption);
        return counts;
    }
    const Contents contents = readRecords(file.get(), path);
    counts.damagedBytes = contents.damagedBytes;
    if (contents.records.empty()) {
        // Nothing in it reads as a record: the file is not one the program wrote, and none of it
        // is merged, whatever the bytes after the first damage might look like.
        questions.showMessage(
            contents.damagedBytes == 0
                ? text::formatted(
                      N_("The file \"%s\" is empty: it holds no appointments.\nNothing was restored."),
                      {name})
                : text::formatted(
                      N_("The file \"%s\" is not a backup of appointments, or is damaged from its "
                         "start: no record in it could be read.\nNothing was restored."),
                      {name}),
            kCaption);
        return counts;
    }
    SettingsStore& store = settingsStore();
    const std::uint64_t failuresBefore = store.failures().count;
    TableUndo undo(table);
    {
        // The whole restore is one transaction: it lands whole, or not at all.
        StoreBatch batch(store);
        for (const Record& record : contents.records) {
            ++counts.read;
            merge(table, record, counts, undo);
        }
    }
    if (store.failures().count != failuresBefore) {
        // Nothing reached the store, so nothing may look restored either.
        undo.rollBack();
        questions.showMessage(
            text::formatted(N_("%s\nNothing was restored."), {store.failures().lastMessage}), kCaption);
        counts.added = counts.modified = 0;
        return counts;
    }
    std::string message = completionMessage(counts);
    if (counts.damagedBytes > 0)
        message =
            text::formatted(N_("The file \"%s\" is damaged: after %s read whole, its last %s are no record "
                               "and were left out.\n%s"),
                            {name, counted(counts.read, N_("%d record"), N_("%d records")),
                             counted(counts.damagedBytes, N_("%d byte"), N_("%d bytes")), message});
    questions.showMessage(message, kCaption);
    return counts;
}

} // namespace zc
