#include "data/backup.h"

#include "data/appointment.h"
#include "data/appointment_table.h"
#include "data/settings_store.h"

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

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

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

struct Record {
    std::int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, nthday = 0, repeats = 0, early = 0;
    std::string nthweek, sday, notes;
};

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

// What a restore changed in the table, so that a restore the store could not take is taken back.
struct Undo {
    Appointment* entry;
    bool added;
    std::string notes; // the text before the merge
};

void merge(AppointmentTable& table, const Record& r, RestoreCounts& counts, std::vector<Undo>& undo) {
    // A damaged record whose date no time can hold would wrap round to a phantom entry in another
    // year; it is passed over like a duplicate.
    if (localTime(r.year, r.month, r.day, r.hour, r.minute) == -1) return;
    if (Appointment* existing = table.findAt(r.year, r.month, r.day, r.hour, r.minute)) {
        if (existing->notes.find(r.notes) != std::string::npos) return;
        undo.push_back({existing, false, existing->notes});
        existing->notes += " " + r.notes;
        existing->save();
        ++counts.modified;
        return;
    }
    // A restored entry starts a series link of its own; its series is not generated again.
    Appointment& a = table.construct();
    a.setWhen(r.year, r.month, r.day, r.hour, r.minute, r.early, r.notes);
    a.setRepeat(r.repeats, r.nthweek, r.sday, r.nthday);
    a.schedule(true);
    undo.push_back({&a, true, {}});
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

} // namespace

bool backupExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

std::string backupRecordLine(const Appointment& a) {
    std::string nthweek = a.nthweek, sday = a.sday, notes = a.notes;
    const auto build = [&] {
        std::string line;
        line.reserve(64 + nthweek.size() + sday.size() + notes.size());
        for (long long n : {static_cast<long long>(a.year), static_cast<long long>(a.month),
                            static_cast<long long>(a.day), static_cast<long long>(a.hour),
                            static_cast<long long>(a.minute), static_cast<long long>(a.nthday),
                            static_cast<long long>(a.repeats), static_cast<long long>(a.timerId),
                            static_cast<long long>(a.time), static_cast<long long>(a.early)}) {
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
    if (backupExists(path) &&
        !questions.askOkCancel("Do you wish to replace the current backup file?", kCaption))
        return -1;
    File file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        questions.showMessage(
            "The backup file \"" + name + "\" could not be created: " + std::strerror(errno) + ".", kCaption);
        return -1;
    }
    int count = 0;
    bool failed = false;
    table.forEach([&](const Appointment& a) {
        if (failed || a.year < kFirstBackupYear || a.year > kLastBackupYear) return;
        const std::string line = backupRecordLine(a);
        char prefix[8];
        std::snprintf(prefix, sizeof prefix, "%04u|", static_cast<unsigned>(line.size()));
        if (std::fwrite(prefix, 1, 5, file.get()) != 5 ||
            std::fwrite(line.data(), 1, line.size(), file.get()) != line.size()) {
            failed = true;
            return;
        }
        ++count;
    });
    if (!failed && std::fflush(file.get()) != 0) failed = true;
    if (failed) {
        // What was written before the failure stays in the file.
        questions.showMessage(
            "The backup file \"" + name + "\" could not be written: " + std::strerror(errno) + ".", kCaption);
        return count;
    }
    file.reset();
    questions.showMessage("Wrote " + std::to_string(count) + " entries to the backup file \"" + name + "\"",
                          kCaption);
    return count;
}

RestoreCounts restore(AppointmentTable& table, const std::string& path) {
    Questions& questions = table.questions();
    RestoreCounts counts;
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        questions.showMessage("The file \"" + shownName(path) + "\" was not found!", kCaption);
        return counts;
    }
    char prefix[5];
    if (std::fread(prefix, 1, sizeof prefix, file.get()) != sizeof prefix) return counts;
    SettingsStore& store = settingsStore();
    const std::uint64_t failuresBefore = store.failures().count;
    std::vector<Undo> undo;
    {
        // The whole restore is one transaction: it lands whole, or not at all.
        StoreBatch batch(store);
        std::string line;
        for (;;) {
            // Bytes that are not a prefix are no record at all and are not counted; a record cut
            // short by the end of the file is, among the duplicates.
            std::size_t length = 0;
            if (!prefixLength(prefix, length)) break;
            ++counts.read;
            line.resize(length);
            if (std::fread(line.data(), 1, length, file.get()) != length) break;
            line.pop_back(); // the line feed
            merge(table, parseRecord(line), counts, undo);
            if (std::fread(prefix, 1, sizeof prefix, file.get()) != sizeof prefix) break;
        }
    }
    if (store.failures().count != failuresBefore) {
        // Nothing reached the store, so nothing may look restored either.
        for (auto it = undo.rbegin(); it != undo.rend(); ++it) {
            if (!it->added) {
                it->entry->notes = it->notes;
                continue;
            }
            if (it->entry->timerId != 0) table.timers().stop(it->entry->timerId);
            table.discard(*it->entry);
        }
        questions.showMessage(store.failures().lastMessage + "\nNothing was restored.", kCaption);
        return {counts.read, 0, 0};
    }
    char text[160];
    std::snprintf(
        text, sizeof text,
        "Restore completed:\n  %d entries added from backup;\n  %d existing entries modified;\n  %d "
        "duplicates ignored.",
        counts.added, counts.modified, counts.duplicates());
    questions.showMessage(text, kCaption);
    return counts;
}

} // namespace zc
