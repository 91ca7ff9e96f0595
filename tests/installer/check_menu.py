#!/usr/bin/env python3
"""Reads a merged menu file that kzinstall wrote with the desktop's own menu parsers.

Usage: check_menu.py MENU_FILE DESKTOP_FILE_ID

Exits 0 when the file starts with the menu format's document type and every parser installed here
(pyxdg; GNOME's through GObject introspection) reads it and finds the entry in a submenu, 77 when
no parser is installed, and 1 with a reason otherwise.
"""
import os
import re
import sys
import tempfile

DOCTYPE = re.compile(
    r'<!DOCTYPE Menu PUBLIC "-//freedesktop//DTD Menu 1\.0//EN"\s+'
    r'"http://www\.freedesktop\.org/standards/menu-spec/1\.0/menu\.dtd">')


def found_by_pyxdg(path, entry_id):
    import xdg.Menu
    menu = xdg.Menu.parse(path)
    for submenu in menu.getEntries():
        if isinstance(submenu, xdg.Menu.Menu):
            for entry in submenu.getEntries():
                if isinstance(entry, xdg.Menu.MenuEntry) and entry.DesktopFileID == entry_id:
                    return True
    return False


def found_by_gmenu(path, entry_id):
    import gi
    gi.require_version('GMenu', '3.0')
    from gi.repository import GMenu

    tree = GMenu.Tree.new_for_path(path, GMenu.TreeFlags.NONE)
    tree.load_sync()

    def walk(directory, depth):
        it = directory.iter()
        while True:
            kind = it.next()
            if kind == GMenu.TreeItemType.INVALID:
                return False
            if kind == GMenu.TreeItemType.DIRECTORY and walk(it.get_directory(), depth + 1):
                return True
            if kind == GMenu.TreeItemType.ENTRY and depth > 0 and \
                    it.get_entry().get_desktop_file_id() == entry_id:
                return True

    return walk(tree.get_root_directory(), 0)


# A merged file is read as a desktop reads it: merged into the applications menu from the merge
# folder of the configuration home, with the default folders of desktop entries.
ROOT_MENU = """<!DOCTYPE Menu PUBLIC "-//freedesktop//DTD Menu 1.0//EN"
 "http://www.freedesktop.org/standards/menu-spec/1.0/menu.dtd">
<Menu>
  <Name>Applications</Name>
  <DefaultAppDirs/>
  <DefaultDirectoryDirs/>
  <MergeFile>{}</MergeFile>
</Menu>
"""


def main():
    path, entry_id = sys.argv[1], sys.argv[2]
    with open(path, encoding='utf-8') as menu:
        if not DOCTYPE.match(menu.read()):
            print(f'{path}: the menu file does not start with its document type')
            return 1
    folder = tempfile.mkdtemp()
    root = os.path.join(folder, 'applications.menu')
    with open(root, 'w', encoding='utf-8') as menu:
        menu.write(ROOT_MENU.format(path.replace('&', '&amp;').replace('<', '&lt;')))
    parsers = 0
    for name, check in (('pyxdg', found_by_pyxdg), ('gnome-menus', found_by_gmenu)):
        try:
            found = check(root, entry_id)
        except ImportError:
            continue
        except ValueError:  # the introspection data of a parser is missing
            continue
        parsers += 1
        if not found:
            print(f'{name}: no entry {entry_id} in a submenu of {path}')
            return 1
    os.remove(root)
    os.rmdir(folder)
    return 0 if parsers else 77


if __name__ == '__main__':
    sys.exit(main())
