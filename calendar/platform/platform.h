#pragma once
// What the calendar asks of the operating system beyond files: its folders, who the user is, the
// local zone and clock, and whether a sound can be heard. Each system answers in a file of its own,
// platform_posix.cpp or platform_windows.cpp, and the build compiles only the one for its target,
// so no other file of the calendar needs to know which system it runs on. file_access.h does the
// same for reading and replacing whole files.
#include <cstdint>
#include <ctime>
#include <string>

namespace zc::platform {

// The folder that holds the user's data, in which each program keeps a folder of its own:
// ${XDG_DATA_HOME:-$HOME/.local/share} on POSIX systems, the roaming application data folder on
// Windows. Empty when the system names none.
std::string userDataFolder();

// The folder for this login session's sockets and locks, which other users cannot reach:
// $XDG_RUNTIME_DIR on POSIX systems, the user's temporary folder on Windows. Empty when the system
// names none; the folder named need not exist.
std::string runtimeFolder();

// A folder any program may create files in, for what would go to the runtime folder where there is
// none: /tmp on POSIX systems, the user's temporary folder on Windows.
std::string temporaryFolder();

// The user the program runs as, in a form that stays the same from one session to the next and
// differs between users: the numeric user id on POSIX systems, the security identifier on Windows.
std::string userId();

// This process's number, unique among the programs running at the moment.
unsigned long processId();

// The IANA name of the zone the local clock follows ("Europe/Berlin"): TZ when it is set, else the
// system's own setting. What the system names may also be "UTC" or a POSIX rule, which no zone
// file describes; empty when the system names nothing.
std::string localZoneName();

// The local wall-clock reading of a time given in seconds since 1970; false when the system cannot
// convert it (a time before 1970 on Windows).
bool localTimeFields(std::int64_t seconds, std::tm& fields);

// How the user's locale for dates and times writes a time of day and where its weeks begin:
// LC_TIME's time format and first weekday on POSIX systems, the user's regional format on
// Windows. The C locale, and any locale that cannot be read, answers with the 12-hour clock and
// Sunday.
struct TimeConventions {
    bool twentyFourHour = false;
    int firstWeekday = 1; // 1 = Sunday .. 7 = Saturday
};
TimeConventions localeTimeConventions();

// Whether a played sound can be heard: a sound server of the desktop or a playback device exists.
bool soundDeviceExists();

// Lets the calling thread yield the processor to the program's others and the display: for work
// in the background that nobody waits for yet.
void lowerThreadPriority();

// Hands the memory the heap keeps free back to the system: after a large piece of work, in a
// program that then runs on for days.
void releaseFreedMemory();

// Sets a variable of this program's environment, which the programs it starts inherit too.
void setEnvironment(const std::string& name, const std::string& value);

// The failures of a system call that the user can put right and so is told of in plain words.
enum class SystemFailure { kOther, kDiskFull, kQuotaExceeded, kReadOnlyDisk, kNoPermission };

// What a code of the system's own (errno, or GetLastError on Windows, as SQLite reports through
// sqlite3_system_errno) means.
SystemFailure systemFailure(int code);

} // namespace zc::platform
