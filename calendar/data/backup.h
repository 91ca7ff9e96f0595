#pragma once
// Backup of every appointment to one text file, and the "intelligent" restore that merges such a
// file back: it adds what is missing, appends a backed-up text to an entry at the same date and
// minute that lacks it, and never deletes anything.
//
// The file is a sequence of records without header or trailer. Each record is a prefix "%04d|"
// giving the length of the record line in bytes (line feed included), then the line:
//   year|month|day|hour|minute|nthday|repeats|timerId|time|early|nthweek|sday|notes\n
// timerId and time are written for the reader's information and ignored when restoring.
#include <cstddef>
#include <string>

namespace zc {

class Appointment;
class AppointmentTable;

// The name the program uses, in its current directory.
inline constexpr const char* kBackupFileName = "ZorvelAppoints.zvl";

// The longest record line (line feed included) that a four-digit prefix can announce.
inline constexpr std::size_t kMaxRecordLine = 9999;

// Only these years are written; nothing outside them can be a real appointment.
inline constexpr int kFirstBackupYear = 1980;
inline constexpr int kLastBackupYear = 2035;

bool backupExists(const std::string& path);

// The record line of one appointment, line feed included. A line that would be longer than
// kMaxRecordLine has its notes (then sday, then nthweek) shortened to fit, at a character boundary.
std::string backupRecordLine(const Appointment& appointment);

// Writes the backup file, asking first whether an existing one may be replaced. The new backup is
// written beside the old one and takes its place only when it is complete, so a failure (a full
// disk) keeps the old backup whole. Something at the path that is not a file (a named pipe, a
// folder) is refused. Returns the number of entries written, or -1 when nothing was written (the
// question was declined, or the file could not be written). Every outcome is told to the user
// through the table's Questions.
int backup(AppointmentTable& table, const std::string& path);

struct RestoreCounts {
    int read = 0;               // whole records met
    int added = 0;              // new appointments
    int modified = 0;           // appointments whose text was extended
    int refused = 0;            // records no entry can hold: a date, time, repeat kind or lead out of range
    long long damagedBytes = 0; // from the first byte that is no whole record to the end
    int duplicates() const { return read - added - modified - refused; }
};

// Merges the backup file into the table and the store, then tells the user the counts. The file
// must be a regular file; it is read without ever waiting on a pipe. Records with impossible
// fields are refused and counted apart. Where the file stops being records (cut short, or
// bytes that are no record), the records before stay merged and the user is told the file is
// damaged; a file whose first record is already unreadable is not a backup and changes nothing.
// A restore the store cannot take (a full disk) changes nothing, in the store or the table, and
// the user is told why.
RestoreCounts restore(AppointmentTable& table, const std::string& path);

} // namespace zc
