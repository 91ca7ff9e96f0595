#include "core/kz_record.h"

#include "core/kz_files.h"
#include "core/kz_platform.h"
#include "core/kz_shell_link.h"
#include "core/kz_text.h"
#include "text/translatable.h"

#include <xxhash.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;

namespace {

const char* const Header = "kzinstall record 1";

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

KzChecksum::KzChecksum() : State(XXH3_createState()) {
    if (!State) throw std::bad_alloc();
    XXH3_64bits_reset(State.get());
}

void KzChecksum::Update(const void* data, std::size_t size) {
    Total += size;
    XXH3_64bits_update(State.get(), data, size);
}

std::uint64_t KzChecksum::Digest() const {
    return XXH3_64bits_digest(State.get());
}

void KzChecksum::FreeState::operator()(XXH3_state_s* state) const {
    XXH3_freeState(state);
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
    if (std::fclose(Appending) != 0) Error = text::formatted(N_("Cannot write %s"), {Path});
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
        Error = text::translated(N_("There is no home folder to keep the installation record in."));
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
        Error = text::formatted(N_("Cannot write %s"), {Path});
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
        Error = text::formatted(N_("Cannot write %s"), {Path});
}
