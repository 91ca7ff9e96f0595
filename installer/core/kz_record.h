#pragma once
// The installation record: what a run of the installer created, kept so that the installation can
// be removed again (kz_uninstall.h) and only what was created.
//
// The record of a product lives in "$XDG_DATA_HOME/kzinstall/<product>.record". It is a plain text
// file of lines, each ended by a line feed; fields are separated by one blank and the path is
// always the last field, so it may hold blanks. In a path "\\" stands for a backslash, "\n" for a
// line feed and "\r" for a carriage return.
//
//     kzinstall record 1                 the first line: what the file is, and its format version
//     product NAME                       the product the record belongs to
//     group NAME                         a program group the run put items into
//     area PATH                          a folder the run wrote into without making it (the
//                                        installation folder, the group folder, the menu folders)
//     folder PATH                        a folder the run made
//     file SIZE CHECKSUM PATH            a file the run wrote: its size in bytes and its checksum
//                                        (16 hexadecimal digits, KzChecksum)
//     menu SIZE CHECKSUM PATH            a menu file or directory entry of a program group that
//                                        the run made
//     menu+ SIZE CHECKSUM PATH           the same, for one that was there before: the run only
//                                        added its own items to it
//
// Entries are in the order the things were made. A run adds one line per step, so a file written
// again appears twice: the later line counts, in the place of the first. A last line without its
// line feed is incomplete and is not believed. A run that is killed therefore leaves the record of
// everything done up to that moment. A record is begun whole beside its final name and renamed into
// place, so an earlier record that a run continues is never seen half written.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct XXH3_state_s;

// The checksum of the record: XXH3 (64 bits), from the xxHash library. A published, well-tested
// hash that runs at the speed of memory, so checksumming what was installed costs a small part of
// copying it; it guards against changed files, not against an attacker who edits the record.
class KzChecksum {
  public:
    KzChecksum();
    void Update(const void* data, std::size_t size);
    std::uint64_t Digest() const;
    // How many bytes it has been given.
    std::uint64_t Size() const { return Total; }
    static std::uint64_t Of(std::string_view data);

  private:
    struct FreeState {
        void operator()(XXH3_state_s* state) const;
    };
    std::unique_ptr<XXH3_state_s, FreeState> State;
    std::uint64_t Total = 0;
};

// The size and checksum of a regular file, or nothing when it is not one or cannot be read.
struct KzFileSum {
    std::uint64_t size = 0;
    std::uint64_t checksum = 0;
    bool operator==(const KzFileSum&) const = default;
};
std::optional<KzFileSum> KzSumFile(const std::string& path);

enum class KzRecordKind { Group, Area, Folder, File, Menu, MenuAdded };

struct KzRecordEntry {
    KzRecordKind kind = KzRecordKind::File;
    std::string path; // or the group's name
    KzFileSum sum;    // files and menus
};

class TKzRecord {
  public:
    std::string Product;
    std::vector<KzRecordEntry> Entries;

    // The record as its file holds it, and the line of one entry.
    std::string Text() const;
    static std::string Line(const KzRecordEntry& entry);
    // Reads a record's text. Lines that are not entries (damaged, edited into nonsense, or the
    // incomplete last line of a truncated file) are left out and given in refused, as they stand.
    // False when the text is not a record at all.
    static bool Parse(std::string_view text, TKzRecord& record, std::vector<std::string>& refused);

    // Adds an entry, or updates the one of the same kind and path in its place.
    void Add(const KzRecordEntry& entry);
    bool Has(KzRecordKind kind, const std::string& path) const;
};

// Where the records are kept, "$XDG_DATA_HOME/kzinstall" (empty when there is no home folder), and
// the file of one product's record. A product name that cannot be a file name as it stands
// (separators, control characters, "." or "..") has those characters replaced by "_".
std::string KzRecordFolder();
std::string KzRecordFile(const std::string& product);

// Writes the desktop entry "Uninstall <product>" into a program group's folder, which starts this
// installer (beside the running one when it is there, else the one on the search path) with
// --uninstall. Gives the entry's file, or empty when it could not be written.
std::string KzWriteUninstallEntry(const std::string& groupFolder, const std::string& product);

// Keeps the record of one run up to date on the disk. The record is begun at the first change, so a
// run that changes nothing leaves none; an earlier record of the same product is continued, so a
// second installation over the first is removed with it.
class TKzRecorder {
  public:
    TKzRecorder() = default;
    TKzRecorder(const TKzRecorder&) = delete;
    TKzRecorder& operator=(const TKzRecorder&) = delete;
    ~TKzRecorder();

    // Gives the product name when the record is begun: the script's title, or else the
    // installation folder's name.
    std::function<std::string()> ProductName;
    // Told of every change as a short line, for the log and the progress output.
    std::function<void(const std::string& text)> Report;

    // The levels of path (itself and its parents) that do not exist as folders now. Handed to
    // FoldersMade after the operation, those of them that exist then are recorded as made.
    static std::vector<std::string> MissingFolders(const std::string& path);
    void FoldersMade(const std::vector<std::string>& missingBefore);
    void Area(const std::string& folder);
    void Group(const std::string& name);
    // A file that the run has written; a file that was there before and is not in the record is
    // not the run's to remove and is not recorded. A sum taken while the file was written spares
    // reading it once more.
    void FileWritten(const std::string& path, bool existedBefore, const std::optional<KzFileSum>& sum = {});
    void MenuWritten(const std::string& path, bool existedBefore);

    // Closes the record; called when the run has ended.
    void Finish();

    // The record file, empty until the record is begun; the last error in writing it.
    const std::string& File() const { return Path; }
    const std::string& WriteError() const { return Error; }
    const TKzRecord& Record() const { return Current; }

  private:
    bool Begin();
    void Save(const KzRecordEntry& entry);

    TKzRecord Current;
    std::string Path;
    std::string Error;
    bool Begun = false;
    bool Failed = false;
    std::FILE* Appending = nullptr;
};
