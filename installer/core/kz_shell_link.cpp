#include "core/kz_shell_link.h"

#include "core/kz_files.h"
#include "core/kz_platform.h"
#include "core/kz_text.h"
#include "text/text_utils.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>

namespace fs = std::filesystem;

namespace {

// The registry key that holds the shell folders on Windows. A missing home folder is reported with
// the message for a missing key, so the installer's messages are the same on every system.
const char* const ShellFoldersKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Vendor prefix of the menu files, as the desktop's menu tools require one.
const char* const MenuVendor = "kzinstall";

const char* const EntryGroup = "Desktop Entry";

std::optional<std::string> DataHome() {
    if (auto data = KzEnvironmentPath("XDG_DATA_HOME")) return data;
    if (const std::string home = KzHomeDirectory(); !home.empty()) return home + "/.local/share";
    return std::nullopt;
}

std::optional<std::string> ConfigHome() {
    if (auto config = KzEnvironmentPath("XDG_CONFIG_HOME")) return config;
    if (const std::string home = KzHomeDirectory(); !home.empty()) return home + "/.config";
    return std::nullopt;
}

// The "Programs" folder without creating it.
std::optional<std::string> ProgramsFolder() {
    if (auto data = DataHome()) return *data + "/applications";
    return std::nullopt;
}

// The parts of a group name between separators, without empty parts. A group that would leave
// the "Programs" folder ("." or ".." parts) gives no value.
std::optional<std::vector<std::string>> GroupParts(const std::string& group) {
    std::vector<std::string> parts;
    // A group name is a folder name, not a path: only its "\" separators are converted, so a
    // name such as "C:" stays a folder of that name.
    std::string native = group;
    std::replace(native.begin(), native.end(), '\\', '/');
    size_t start = 0;
    while (start <= native.size()) {
        size_t end = native.find('/', start);
        if (end == std::string::npos) end = native.size();
        const std::string part = native.substr(start, end - start);
        if (part == "." || part == "..") return std::nullopt;
        if (!part.empty()) parts.push_back(part);
        start = end + 1;
    }
    return parts;
}

std::string JoinParts(const std::vector<std::string>& parts, char separator) {
    std::string out;
    for (const auto& part : parts) {
        if (!out.empty()) out += separator;
        out += part;
    }
    return out;
}

std::vector<std::string> CheckedGroupParts(const std::string& group) {
    auto parts = GroupParts(group);
    if (!parts) throw KzError("Invalid program group name: \r" + group);
    return *parts;
}

std::string XmlEscape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Writes the group's directory entry and its merged menu file, which lists every desktop entry
// in the group folder by its desktop-file ID (the path below "applications" with "-" for "/").
// Menus are a convenience of some desktops: failures here are not reported, because the items
// themselves are in place and listed by every desktop.
void WriteGroupMenu(const std::string& programs, const std::vector<std::string>& parts) {
    if (parts.empty()) return;
    const auto data = DataHome();
    const auto config = ConfigHome();
    if (!data || !config) return;
    const std::string id = std::string(MenuVendor) + "-" + JoinParts(parts, '-');
    const std::string groupFolder = programs + "/" + JoinParts(parts, '/');

    std::vector<std::string> entries;
    for (const std::string& file : KzListFiles(groupFolder, ".desktop"))
        entries.push_back(JoinParts(parts, '-') + "-" + file);
    std::sort(entries.begin(), entries.end());

    const std::string directories = *data + "/desktop-directories";
    KzMakeDirectories(directories);
    KzWriteFileAtomically(directories + "/" + id + ".directory",
                        "[Desktop Entry]\nType=Directory\nName=" + DesktopEntryEscape(JoinParts(parts, '/')) +
                            "\n");

    // Every menu file starts with the document type of the menu format; parsers may refuse one
    // without it.
    std::string menu = "<!DOCTYPE Menu PUBLIC \"-//freedesktop//DTD Menu 1.0//EN\"\n"
                       " \"http://www.freedesktop.org/standards/menu-spec/1.0/menu.dtd\">\n"
                       "<Menu>\n"
                       "  <Name>Applications</Name>\n"
                       "  <Menu>\n"
                       "    <Name>" +
                       XmlEscape(id) +
                       "</Name>\n"
                       "    <Directory>" +
                       XmlEscape(id) + ".directory</Directory>\n    <Include>\n";
    for (const auto& entry : entries)
        menu += "      <Filename>" + XmlEscape(entry) + "</Filename>\n";
    menu += "    </Include>\n  </Menu>\n</Menu>\n";
    const std::string merged = *config + "/menus/applications-merged";
    KzMakeDirectories(merged);
    KzWriteFileAtomically(merged + "/" + id + ".menu", menu);
}

// A desktop entry held as its lines, so that loading and saving keeps whatever else it holds.
class DesktopEntryFile {
  public:
    explicit DesktopEntryFile(const std::string& text) {
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines_.push_back(line);
            start = end + 1;
        }
    }

    // Sets a key of the main group, replacing its value and any localised variants of it.
    void Set(const std::string& key, const std::string& value) {
        size_t first = 0, last = 0;
        FindMainGroup(first, last);
        std::optional<size_t> place;
        for (size_t i = first; i < last;) {
            const std::string name = KeyOf(lines_[i]);
            if (name == key || (name.size() > key.size() + 1 && name.compare(0, key.size(), key) == 0 &&
                                name[key.size()] == '[')) {
                if (!place && name == key) {
                    lines_[i] = key + "=" + value;
                    place = i;
                    ++i;
                } else {
                    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
                    --last;
                }
            } else {
                ++i;
            }
        }
        if (!place) {
            // New keys go after the last key of the group, before any blank lines that end it.
            size_t at = last;
            while (at > first && text::trimmed(lines_[at - 1]).empty())
                --at;
            lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), key + "=" + value);
        }
    }

    std::string Text() const {
        std::string out;
        for (const auto& line : lines_)
            out += line + "\n";
        return out;
    }

  private:
    std::vector<std::string> lines_;

    static std::string KeyOf(const std::string& line) {
        if (line.empty() || line[0] == '#' || line[0] == '[') return {};
        const size_t eq = line.find('=');
        if (eq == std::string::npos) return {};
        return text::trimmed(std::string_view(line).substr(0, eq));
    }

    // The lines of the "Desktop Entry" group, from the line after its header to the next header;
    // a file without that group gets one at its top.
    void FindMainGroup(size_t& first, size_t& last) {
        const std::string header = std::string("[") + EntryGroup + "]";
        size_t i = 0;
        while (i < lines_.size() && text::trimmed(lines_[i]) != header)
            ++i;
        if (i == lines_.size()) {
            lines_.insert(lines_.begin(), header);
            i = 0;
        }
        first = i + 1;
        last = first;
        while (last < lines_.size() && !(lines_[last].size() > 0 && lines_[last][0] == '['))
            ++last;
    }
};

bool IsExecReserved(char c) {
    return std::strchr(" \t\n\"'\\><~|&;$*?#()`", c) != nullptr;
}

// Quotes one Exec argument: inside double quotes, the double quote, backtick, dollar sign and
// backslash take a backslash; a percent sign is doubled everywhere, as it starts field codes.
std::string ExecArgument(const std::string& arg, bool alwaysQuote) {
    const bool quote = alwaysQuote || arg.empty() || std::any_of(arg.begin(), arg.end(), IsExecReserved);
    std::string out;
    if (quote) out += '"';
    for (char c : arg) {
        if (c == '%') {
            out += "%%";
            continue;
        }
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
        out += c;
    }
    if (quote) out += '"';
    return out;
}

std::string FileStem(const std::string& path) {
    std::string name = path;
    const size_t slash = name.find_last_of("/\\:");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name = name.substr(0, dot);
    return name;
}

// Removes one pair of double quotes around a field, so a name may hold a comma.
std::string Unquote(const std::string& field) {
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
        return text::trimmed(std::string_view(field).substr(1, field.size() - 2));
    return field;
}

} // namespace

std::string GetShellFolder(const std::string& name) {
    const auto data = DataHome();
    if (!data) {
        char text[256];
        std::snprintf(text, sizeof text, "Folder key \"%s\" not found", ShellFoldersKey);
        throw KzError(text);
    }
    if (name != "Programs") throw KzError("\"" + name + "\" item not found in registry");
    const std::string folder = *data + "/applications";
    KzMakeDirectories(folder);
    return folder;
}

void ListProgramGroups(std::vector<std::string>& list) {
    list.clear();
    if (const auto programs = ProgramsFolder()) list = KzListDirectories(*programs);
}

void CreateGroupFolder(const std::string& name) {
    const std::string programs = GetShellFolder("Programs");
    const auto parts = CheckedGroupParts(name);
    if (parts.empty()) return;
    const std::string folder = programs + "/" + JoinParts(parts, '/');
    const auto status = MakeDirectory(folder);
    // An existing group is used as it is; anything else that leaves no folder is an error now,
    // rather than an unreadable shortcut later.
    if (!KzIsDirectory(folder))
        throw KzError(status.status == KzStatusFailed ? status.text : "Unable to create directory " + folder);
    WriteGroupMenu(programs, parts);
}

bool IsValidGroupName(const std::string& name) {
    if (name.empty()) return false;
    for (unsigned char c : name) {
        const bool ok = c == ' ' || c == '!' || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == ':' ||
                        (c >= 'A' && c <= 'Z') || c == '\\' || c == '_' || (c >= 'a' && c <= 'z');
        if (!ok) return false;
    }
    return GroupParts(name).has_value();
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    int quotes = 0;
    size_t start = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') {
            ++quotes;
        } else if (line[i] == ',' && quotes % 2 == 0) {
            fields.push_back(text::trimmed(std::string_view(line).substr(start, i - start)));
            start = i + 1;
            quotes = 0;
        }
    }
    // The rest after the last separating comma is the last field, also when it ends with a double
    // quote, so that a line holding only the quoted program or ending in a quoted name keeps it.
    if (start < line.size()) fields.push_back(text::trimmed(std::string_view(line).substr(start)));
    return fields;
}

std::vector<std::string> SplitQuoted(const std::string& text) {
    const std::string trimmed = text::trimmed(text);
    const size_t open = trimmed.find('"');
    if (open == std::string::npos) return {};
    const size_t close = trimmed.find('"', open + 1);
    if (close == std::string::npos) return {};
    return {text::trimmed(std::string_view(trimmed).substr(open + 1, close - open - 1)),
            text::trimmed(std::string_view(trimmed).substr(close + 1))};
}

std::string ChangeExtension(const std::string& name, const std::string& extension) {
    std::string file = name;
    const size_t separator = file.find_last_of("\\/:");
    if (separator != std::string::npos) file = file.substr(separator + 1);
    const size_t dot = file.rfind('.');
    if (dot != std::string::npos) file.resize(dot);
    return file + "." + extension;
}

std::string DesktopEntryEscape(const std::string& value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case ' ':
            // Blanks at either end would be lost to the readers' trimming.
            out += (i == 0 || i + 1 == value.size()) ? "\\s" : " ";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string DesktopEntryUnescape(const std::string& value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            out += '\\';
            out += value[i];
        }
    }
    return out;
}

std::string DesktopEntryExec(const std::string& target, const std::string& arguments) {
    std::string exec = ExecArgument(target, true);
    for (const auto& arg : KzSplitArguments(arguments))
        exec += " " + ExecArgument(arg, false);
    return exec;
}

std::string ShortcutExec(const std::string& target, const std::string& arguments) {
    // A shortcut to a document (a README, a help page) opens it the way the desktop opens a
    // double-clicked file. What is a program is told by the content, not by the execute bit: a
    // compressed program arrives without one, and some media mark every file executable.
    if (KzFileHead(target, 0) && !KzIsProgramFile(target))
        return "xdg-open " + DesktopEntryExec(target, arguments);
    return DesktopEntryExec(target, arguments);
}

void TKz_ShellLink::Create() {
    *this = TKz_ShellLink{};
}

void TKz_ShellLink::CreateShortcutFromLine(const std::string& line, const std::string& installDir,
                                           const std::string& group) {
    Create();
    ShellFolderName = "Programs";
    Group = group;
    const auto fields = SplitFields(line);
    if (!fields.empty()) {
        const auto parts = SplitQuoted(fields[0]);
        if (!parts.empty() && !text::trimmed(parts[0]).empty()) Target = NativePath(parts[0], installDir);
        if (parts.size() > 1) Arguments = parts[1];
    }
    // A shortcut that starts nothing is of no use to anybody; the script's author learns about
    // the missing quotes at once instead of shipping a dead menu item.
    if (Target.empty())
        throw KzItemError("Invalid program item: \r" + line + "\r" +
                      "the program must be given in double quotes.");
    if (fields.size() > 1) Description = Unquote(fields[1]);
    if (fields.size() > 2) WorkingDir = fields[2];
    WorkingDir = installDir;
    // The program gets the execute permission that the compressed format cannot carry.
    if (KzIsProgramFile(Target)) KzMakeExecutable(Target);
    // Without a name the item would be a hidden file; it is named after its program instead.
    if (text::trimmed(Description).empty()) Description = FileStem(Target);
    SaveShortcut();
    UpdateShortcut(LinkFile);
}

void TKz_ShellLink::SaveShortcut() {
    const std::string folder = GetShellFolder(ShellFolderName);
    const auto parts = CheckedGroupParts(Group);
    GroupFolder = parts.empty() ? folder : folder + "/" + JoinParts(parts, '/');
    LinkFile = GroupFolder + "/" + ChangeExtension(Description, "desktop");
    std::string entry = std::string("[") + EntryGroup + "]\nType=Application\n";
    entry +=
        "Name=" + DesktopEntryEscape(text::trimmed(Description).empty() ? FileStem(LinkFile) : Description) +
        "\n";
    entry += "Exec=" + DesktopEntryEscape(ShortcutExec(Target, "")) + "\n";
    // A failed first write shows up as the unreadable file in UpdateShortcut.
    KzWriteFileAtomically(LinkFile, entry);
}

void TKz_ShellLink::UpdateShortcut(const std::string& linkFile) {
    std::string text;
    // A shortcut is a few hundred bytes; anything near this size is not one.
    if (const int error = KzReadWholeFile(linkFile, text, 1u << 20))
        throw KzError("Unable to read shortcut \"" + linkFile + "\": \r" + KzErrorText(error));
    DesktopEntryFile entry(text);
    std::string name = text::trimmed(Description).empty() ? FileStem(linkFile) : Description;
    if (text::trimmed(name).empty()) name = FileStem(Target);
    entry.Set("Type", "Application");
    entry.Set("Name", DesktopEntryEscape(name));
    entry.Set("Comment", DesktopEntryEscape(Description));
    entry.Set("Exec", DesktopEntryEscape(ShortcutExec(Target, Arguments)));
    entry.Set("Path", DesktopEntryEscape(WorkingDir));
    entry.Set("Icon", DesktopEntryEscape(IconFile));
    entry.Set("X-KzInstall-IconIndex", std::to_string(IconIndex));
    entry.Set("X-KzInstall-ShowCommand", std::to_string(ShowCommand));
    entry.Set("X-KzInstall-Hotkey", std::to_string(Hotkey));
    if (const int error = KzWriteFileAtomically(linkFile, entry.Text()))
        throw KzError("Unable to write shortcut \"" + linkFile + "\": \r" + KzErrorText(error));
    if (const auto programs = ProgramsFolder()) {
        if (const auto parts = GroupParts(Group); parts && !parts->empty())
            WriteGroupMenu(*programs, *parts);
    }
}

void TKz_ShellLink::RefreshGroupFolder() {
    const auto programs = ProgramsFolder();
    if (!programs || GroupFolder.empty()) return;
    // Only a group's own folder is renamed; renaming "Programs" itself, or a folder outside it,
    // would hide every other program's items for a moment or move foreign folders.
    const fs::path folder = fs::path(GroupFolder).lexically_normal();
    const fs::path relative = folder.lexically_relative(fs::path(*programs).lexically_normal());
    if (relative.empty() || relative == "." || *relative.begin() == "..") return;
    std::string path = folder.string();
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const std::string away = path + "_X";
    KzRenameNoReplace(path, away);
    KzRenameNoReplace(away, path);
    KzRenameNoReplace(path, away);
    KzRenameNoReplace(away, path);
}

std::string KzGroupFolder(const std::string& group) {
    const auto programs = ProgramsFolder();
    const auto parts = GroupParts(group);
    if (!programs || !parts || parts->empty()) return {};
    return *programs + "/" + JoinParts(*parts, '/');
}

std::vector<std::string> KzGroupMenuFiles(const std::string& group) {
    const auto data = DataHome();
    const auto config = ConfigHome();
    const auto parts = GroupParts(group);
    if (!data || !config || !parts || parts->empty()) return {};
    const std::string id = std::string(MenuVendor) + "-" + JoinParts(*parts, '-');
    return {*data + "/desktop-directories/" + id + ".directory",
            *config + "/menus/applications-merged/" + id + ".menu"};
}

void KzWriteGroupMenu(const std::string& group) {
    const auto programs = ProgramsFolder();
    const auto parts = GroupParts(group);
    if (programs && parts) WriteGroupMenu(*programs, *parts);
}
