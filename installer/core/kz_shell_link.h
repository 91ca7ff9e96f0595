#pragma once
// Program groups and shortcuts of the installer.
//
// A program group is a folder below the user's "Programs" folder and every program item is a
// shortcut file inside it. On Linux the "Programs" folder is the user's freedesktop applications
// folder, a group is a sub-folder there and a shortcut is a desktop entry that carries every field
// of the shortcut record. So that desktops which build their menus from menu files show the group
// as a submenu, each group also gets a directory entry and a merged menu file, as the desktop's
// own menu tools write them for a single user.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// An error that ends the installation run; its text is shown to the user as it is.
struct KzError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A program item line that describes no shortcut. Only that item is lost: the interpreter tells
// the user and goes on with the others.
struct KzItemError : KzError {
    using KzError::KzError;
};

// The directory that the shell folder `name` stands for. Only "Programs" is known; its folder is
// created when it is missing. Throws KzError when no home folder can be found or the name is
// unknown.
std::string GetShellFolder(const std::string& name);

// Fills `list` with the names of the group folders below "Programs"; empty when that folder
// cannot be found.
void ListProgramGroups(std::vector<std::string>& list);

// Creates the group folder below "Programs" (one level), or uses an existing one unchanged.
// Throws KzError when the "Programs" folder cannot be found or the group folder cannot be made.
void CreateGroupFolder(const std::string& name);

// True when the name is not empty and holds only blanks, "!", "-", ".", digits, ":", letters,
// "\" and "_", and no part of it between separators is "." or "..".
bool IsValidGroupName(const std::string& name);

// Splits a program item line at the commas that are outside double quotes; fields are trimmed
// and a comma at the very end adds no empty field.
std::vector<std::string> SplitFields(const std::string& line);

// The text between the first two double quotes and the text after them, both trimmed; empty when
// the text holds fewer than two double quotes.
std::vector<std::string> SplitQuoted(const std::string& text);

// The file-name part of `name` with its extension replaced by `extension`.
std::string ChangeExtension(const std::string& name, const std::string& extension);

// Escapes a value for a desktop entry: backslash, newline, tab, carriage return and a leading
// blank.
std::string DesktopEntryEscape(const std::string& value);

// The inverse of DesktopEntryEscape.
std::string DesktopEntryUnescape(const std::string& value);

// The Exec value of a desktop entry that starts `target` with the command-line `arguments`
// (blank-separated, double quotes group an argument), quoted by the desktop-entry rules.
std::string DesktopEntryExec(const std::string& target, const std::string& arguments);

// The Exec value of a shortcut: DesktopEntryExec, except that an existing file that is not a
// program is handed to the desktop's opener.
std::string ShortcutExec(const std::string& target, const std::string& arguments);

// The folder of a program group below "Programs", its directory entry and merged menu file (in
// that order), and the writing of those two from the desktop entries the folder holds now; empty
// and nothing for a name that is no group. The installation record and the uninstallation use them.
std::string KzGroupFolder(const std::string& group);
std::vector<std::string> KzGroupMenuFiles(const std::string& group);
void KzWriteGroupMenu(const std::string& group);

// The shortcut record. One object lives for the whole run and is reused for every shortcut.
class TKz_ShellLink {
  public:
    std::string GroupFolder;
    std::string LinkFile;
    std::string ShellFolderName = "Programs";
    std::string Group;
    std::string Target;
    std::string Arguments;
    std::string Description;
    std::string WorkingDir;
    std::string IconFile;
    int IconIndex = 0;
    int ShowCommand = 0;
    std::uint16_t Hotkey = 0;

    // Resets every field to its value above.
    void Create();

    // Builds and writes the shortcut that one `create program items` line describes: a quoted
    // target relative to the installation directory with its arguments after the quote, then the
    // name, then a working directory that is always replaced by the installation directory.
    // Throws KzItemError when the line names no program, KzError when the shortcut cannot be written.
    void CreateShortcutFromLine(const std::string& line, const std::string& installDir,
                                const std::string& group);

    // Works out `GroupFolder` and `LinkFile` and writes a first entry with the target and name.
    // A failed write is not reported here: UpdateShortcut reports it when it cannot load the file.
    void SaveShortcut();

    // Loads `linkFile`, writes every field of the record into it and saves it again, keeping any
    // other keys the file holds. Throws KzError when the file cannot be read or written.
    void UpdateShortcut(const std::string& linkFile);

    // Renames the group folder away and back twice so that file watchers of the desktop notice
    // the new items; the folder is always renamed back. Only a group folder below "Programs" is
    // touched, and nothing happens when the temporary name is taken.
    void RefreshGroupFolder();
};
