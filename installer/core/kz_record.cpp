#include "core/kz_record.h"

#include "core/kz_files.h"
#include "core/kz_platform.h"
#include "core/kz_shell_link.h"
#include "core/kz_text.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t Prime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t Prime2 = 0xC2B2AE3D27D4EB4Full;
constexpr std::uint64_t Prime3 = 0x165667B19E3779F9ull;
constexpr std::uint64_t Prime4 = 0x85EBCA77C2B2AE63ull;
constexpr std::uint64_t Prime5 = 0x27D4EB2F165667C5ull;

const char* const Header = "kzinstall record 1";

std::uint64_t Rotl(std::uint64_t x, int r) {
    return (x << r) | (x >> (64 - r));
}

// Little-endian reads, whatever the machine's byte order.
std::uint64_t Read64(const unsigned char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big) {
        std::uint64_t swapped = 0;
        for (int i = 0; i < 8; ++i)
            swapped = (swapped << 8) | ((v >> (8 * i)) & 0xff);
        v = swapped;
    }
    return v;
}

std::uint32_t Read32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint64_t Round(std::uint64_t acc, std::uint64_t input) {
    return Rotl(acc + input * Prime2, 31) * Prime1;
}

std::uint64_t Merge(std::uint64_t acc, std::uint64_t lane) {
    return (acc ^ Round(0, lane)) * Prime1 + Prime4;
}

std::string Escape(const std::string& path) {
    std::string out;
    for (char c : path) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::optional<std::string> Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        if (text[i] == '\\')
            out += '\\';
        else if (text[i] == 'n')
            out += '\n';
        else if (text[i] == 'r')
            out += '\r';
        else
            return std::nullopt;
    }
    return out;
}

struct KindName {
    KzRecordKind kind;
    const char* name;
    bool summed;
};
const KindName Kinds[] = {
    {KzRecordKind::Group, "group", false},   {KzRecordKind::Area, "area", false},
    {KzRecordKind::Folder, "folder", false}, {KzRecordKind::File, "file", true},
    {KzRecordKind::Menu, "menu", true},      {KzRecordKind::MenuAdded, "menu+", true},
};

// Reads the next blank-separated field of a line and moves past it.
std::string_view NextField(std::string_view& rest) {
    const std::size_t blank = rest.find(' ');
    const std::string_view field = rest.substr(0, blank);
    rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
    return field;
}

bool ParseNumber(std::string_view text, int base, std::size_t maxDigits, std::uint64_t& value) {
    if (text.empty() || text.size() > maxDigits) return false;
    value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return false;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    }
    return true;
}

std::optional<KzRecordEntry> ParseEntry(std::string_view line) {
    std::string_view rest = line;
    const std::string_view name = NextField(rest);
    for (const KindName& kind : Kinds) {
        if (name != kind.name) continue;
        KzRecordEntry entry;
        entry.kind = kind.kind;
        // 20 digits hold every 64-bit size.
        if (kind.summed && (!ParseNumber(NextField(rest), 10, 19, entry.sum.size) ||
                            !ParseNumber(NextField(rest), 16, 16, entry.sum.checksum)))
            return std::nullopt;
        auto path = Unescape(rest);
        if (!path || path->empty()) return std::nullopt;
        entry.path = *path;
        return entry;
    }
    return std::nullopt;
}

// Replaces a file by a rename from a complete copy beside it.
int ReplaceFile(const std::string& path, const std::string& text) {
    const std::string fresh = path + ".new";
    {
        std::ofstream out(fresh, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!out.flush()) return EIO;
    }
    std::error_code error;
    fs::rename(fresh, path, error);
    return error ? error.value() : 0;
}

} // namespace

void KzChecksum::Update(const void* data, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    Total += size;
    if (Buffered + size < 32) {
        std::copy(p, p + size, Buffer + Buffered);
        Buffered += size;
        return;
    }
    // The lanes are kept in locals: the input is read through a character pointer, which may
    // alias anything, and stores to the members would make every lane be loaded again.
    std::uint64_t v0 = Lanes[0], v1 = Lanes[1], v2 = Lanes[2], v3 = Lanes[3];
    const auto stripe = [&](const unsigned char* s) {
        v0 = Round(v0, Read64(s));
        v1 = Round(v1, Read64(s + 8));
        v2 = Round(v2, Read64(s + 16));
        v3 = Round(v3, Read64(s + 24));
    };
    if (Buffered > 0) {
        const std::size_t fill = 32 - Buffered;
        std::copy(p, p + fill, Buffer + Buffered);
        stripe(Buffer);
        p += fill;
        size -= fill;
        Buffered = 0;
    }
    for (; size >= 32; p += 32, size -= 32)
        stripe(p);
    Lanes[0] = v0, Lanes[1] = v1, Lanes[2] = v2, Lanes[3] = v3;
    std::copy(p, p + size, Buffer);
    Buffered = size;
}

std::uint64_t KzChecksum::Digest() const {
    std::uint64_t h;
    if (Total >= 32) {
        h = Rotl(Lanes[0], 1) + Rotl(Lanes[1], 7) + Rotl(Lanes[2], 12) + Rotl(Lanes[3], 18);
        for (std::uint64_t lane : Lanes)
            h = Merge(h, lane);
    } else {
        h = Lanes[2] + Prime5; // the seed
    }
    h += Total;
    const unsigned char* p = Buffer;
    std::size_t left = Buffered;
    for (; left >= 8; p += 8, left -= 8)
        h = Rotl(h ^ Round(0, Read64(p)), 27) * Prime1 + Prime4;
    if (left >= 4) {
        h = Rotl(h ^ (static_cast<std::uint64_t>(Read32(p)) * Prime1), 23) * Prime2 + Prime3;
        p += 4;
        left -= 4;
    }
    for (; left > 0; ++p, --left)
        h = Rotl(h ^ (*p * Prime5), 11) * Prime1;
    h ^= h >> 33;
    h *= Prime2;
    h ^= h >> 29;
    h *= Prime3;
    h ^= h >> 32;
    return h;
}

std::uint64_t KzChecksum::Of(std::string_view data) {
    KzChecksum sum;
    sum.Update(data.data(), data.size());
    return sum.Digest();
}

std::optional<KzFileSum> KzSumFile(const std::string& path) {
    std::error_code error;
    // A symbolic link is never the file that was written, whatever it points at.
    if (!fs::is_regular_file(fs::symlink_status(path, error))) return std::nullopt;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) return std::nullopt;
    // Left uninitialised: clearing a fresh buffer for every file cost as much as hashing a small one.
    constexpr std::size_t BufferSize = 256u << 10;
    const std::unique_ptr<char[]> buffer(new char[BufferSize]);
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    KzChecksum sum;
    KzFileSum result;
    for (;;) {
        const std::size_t n = std::fread(buffer.get(), 1, BufferSize, file.get());
        sum.Update(buffer.get(), n);
        result.size += n;
        if (n < BufferSize) break;
    }
    if (std::ferror(file.get())) return std::nullopt;
    result.checksum = sum.Digest();
    return result;
}

std::string TKzRecord::Line(const KzRecordEntry& entry) {
    const auto kind = std::find_if(std::begin(Kinds), std::end(Kinds),
                                   [&](const KindName& k) { return k.kind == entry.kind; });
    std::string line = kind->name;
    if (kind->summed) {
        char numbers[48];
        std::snprintf(numbers, sizeof numbers, " %llu %016llx", static_cast<unsigned long long>(entry.sum.size),
                      static_cast<unsigned long long>(entry.sum.checksum));
        line += numbers;
    }
    return line + " " + Escape(entry.path) + "\n";
}

std::string TKzRecord::Text() const {
    std::string text = std::string(Header) + "\nproduct " + Escape(Product) + "\n";
    for (const KzRecordEntry& entry : Entries)
        text += Line(entry);
    return text;
}

bool TKzRecord::Parse(std::string_view text, TKzRecord& record, std::vector<std::string>& refused) {
    record = TKzRecord{};
    const std::size_t first = text.find('\n');
    if (first == std::string_view::npos || text.substr(0, first) != Header) return false;
    std::size_t at = first + 1;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        const std::string_view line = text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
        at = end == std::string_view::npos ? text.size() : end + 1;
        // A line cut short by a truncation may still look like an entry, with a shorter path.
        if (end == std::string_view::npos) {
            refused.push_back(std::string(line));
            continue;
        }
        if (line.substr(0, 8) == "product ") {
            if (auto product = Unescape(line.substr(8))) {
                record.Product = *product;
                continue;
            }
        } else if (auto entry = ParseEntry(line)) {
            record.Add(*entry);
            continue;
        }
        refused.push_back(std::string(line));
    }
    return true;
}

void TKzRecord::Add(const KzRecordEntry& entry) {
    for (KzRecordEntry& known : Entries) {
        if (known.kind == entry.kind && known.path == entry.path) {
            known = entry;
            return;
        }
    }
    Entries.push_back(entry);
}

bool TKzRecord::Has(KzRecordKind kind, const std::string& path) const {
    return std::any_of(Entries.begin(), Entries.end(),
                       [&](const KzRecordEntry& e) { return e.kind == kind && e.path == path; });
}

std::string KzRecordFolder() {
    if (auto data = KzEnvironmentPath("XDG_DATA_HOME")) return *data + KzPathSeparator() + "kzinstall";
    const std::string home = KzHomeDirectory();
    if (home.empty()) return {};
    return home + KzPathSeparator() + ".local" + KzPathSeparator() + "share" + KzPathSeparator() + "kzinstall";
}

std::string KzRecordFile(const std::string& product) {
    const std::string folder = KzRecordFolder();
    if (folder.empty()) return {};
    std::string name = product;
    for (char& c : name)
        if (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 32) c = '_';
    if (name.empty() || name == "." || name == "..") name = "_" + name;
    return folder + KzPathSeparator() + name + ".record";
}

std::string KzWriteUninstallEntry(const std::string& groupFolder, const std::string& product) {
    if (groupFolder.empty()) return {};
    const std::string record = KzRecordFile(product);
    const std::string name = "Uninstall " + record.substr(record.find_last_of("/\\") + 1);
    const std::string file = groupFolder + KzPathSeparator() + ChangeExtension(name, "desktop");
    const std::string beside = AppDirectory() + "kzinstall";
    const std::string program = KzExists(beside) ? beside : "kzinstall";
    const std::string entry = "[Desktop Entry]\nType=Application\nName=" + DesktopEntryEscape("Uninstall " + product) +
                              "\nExec=" + DesktopEntryEscape(DesktopEntryExec(program, "--uninstall \"" + product + "\"")) +
                              "\nIcon=edit-delete\n";
    // A killed run leaves no half entry; an entry lost to a power cut is only a missing menu item.
    return ReplaceFile(file, entry) == 0 ? file : std::string();
}

std::vector<std::string> TKzRecorder::MissingFolders(const std::string& path) {
    std::vector<std::string> missing;
    for (const std::string& level : DirectoryChain(path)) {
        // The chain names a folder with and without its trailing separator; once is enough.
        if (!level.empty() && level.size() > 1 && (level.back() == '/' || level.back() == '\\')) continue;
        if (KzIsDirectory(level)) break;
        missing.push_back(level);
    }
    return missing;
}

void TKzRecorder::FoldersMade(const std::vector<std::string>& missingBefore) {
    // Outermost first, so an uninstallation, which goes backwards, empties the inner ones first.
    for (auto level = missingBefore.rbegin(); level != missingBefore.rend(); ++level) {
        if (!KzIsDirectory(*level) || !Begin()) continue;
        Save({KzRecordKind::Folder, *level, {}});
        if (Report) Report("Created folder " + *level);
    }
}

void TKzRecorder::Area(const std::string& folder) {
    std::string path = folder;
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\'))
        path.pop_back();
    if (path.empty() || Current.Has(KzRecordKind::Area, path) || !Begin()) return;
    Save({KzRecordKind::Area, path, {}});
}

void TKzRecorder::Group(const std::string& name) {
    if (name.empty() || Current.Has(KzRecordKind::Group, name) || !Begin()) return;
    Save({KzRecordKind::Group, name, {}});
}

void TKzRecorder::FileWritten(const std::string& path, bool existedBefore, const std::optional<KzFileSum>& sum) {
    if (!Begin()) return;
    if (existedBefore && !Current.Has(KzRecordKind::File, path)) {
        if (Report) Report("Replaced " + path + " (kept on uninstallation: it was there before)");
        return;
    }
    const auto written = sum ? sum : KzSumFile(path);
    if (!written) return;
    Save({KzRecordKind::File, path, *written});
}

void TKzRecorder::MenuWritten(const std::string& path, bool existedBefore) {
    if (!Begin()) return;
    const auto sum = KzSumFile(path);
    if (!sum) return;
    const bool ours = Current.Has(KzRecordKind::Menu, path) || !existedBefore;
    Save({ours ? KzRecordKind::Menu : KzRecordKind::MenuAdded, path, *sum});
}

TKzRecorder::~TKzRecorder() {
    if (Appending) std::fclose(Appending);
}

void TKzRecorder::Finish() {
    if (!Begun || Failed) return;
    // The record stays as the steps appended it: rewriting it once more, each entry once, made the
    // installation of the example disk measurably slower, and the appended form says the same.
    if (std::fclose(Appending) != 0) Error = "Cannot write " + Path;
    Appending = nullptr;
    Failed = true;
}

bool TKzRecorder::Begin() {
    if (Begun) return !Failed;
    Begun = true;
    Failed = true;
    Current.Product = ProductName ? ProductName() : std::string();
    if (Current.Product.empty()) Current.Product = "kzinstall";
    Path = KzRecordFile(Current.Product);
    if (Path.empty()) {
        Error = "There is no home folder to keep the installation record in.";
        return false;
    }
    // The record's own folder goes first, so it is the last thing an uninstallation removes.
    const std::string folder = KzRecordFolder();
    const auto missing = MissingFolders(folder);
    KzMakeDirectories(folder);
    std::string earlier;
    if (KzReadWholeFile(Path, earlier, 64u << 20) == 0) {
        std::vector<std::string> refused;
        TKzRecord previous;
        if (TKzRecord::Parse(earlier, previous, refused)) Current.Entries = previous.Entries;
    }
    for (auto level = missing.rbegin(); level != missing.rend(); ++level)
        if (KzIsDirectory(*level)) Current.Add({KzRecordKind::Folder, *level, {}});
    // The record starts whole under a new name and is renamed into place, so an earlier record
    // that is continued is never seen half written.
    // The file is reopened for appending after the rename, since some systems rename no open file.
    if (ReplaceFile(Path, Current.Text()) != 0 || !(Appending = std::fopen(Path.c_str(), "ab"))) {
        Error = "Cannot write " + Path;
        return false;
    }
    Failed = false;
    if (Report) Report("Recording the installation in " + Path);
    return true;
}

void TKzRecorder::Save(const KzRecordEntry& entry) {
    Current.Add(entry);
    if (Failed) return;
    // Each step adds its line with one write, which a killed process cannot tear; reading the
    // record takes the last line of a path, and leaves out a last line without its line feed.
    // Nothing waits for the disk: rewriting and flushing the record at every step made an
    // installation take half as long again.
    const std::string line = TKzRecord::Line(entry);
    if (std::fwrite(line.data(), 1, line.size(), Appending) != line.size() || std::fflush(Appending) != 0)
        Error = "Cannot write " + Path;
}
