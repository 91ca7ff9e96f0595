#!/usr/bin/env python3
"""Refuses an include that reaches up a layer of the calendar, and a system call outside its layer.

Each folder below calendar/ is a library that may include only its own headers and those of the
layers below it; the toolkit-free layers include no toolkit header either. The build cannot tell
this by itself, since every layer finds its headers from the same root.

The operating system's own names (its folders and devices, its headers, the test for Windows) stay
in calendar/platform, which has one file per system; anywhere else, even in a comment, they mark
code or a note that belongs there.
"""
import pathlib
import re
import sys

# Layer -> the layers it may include, itself among them.
ALLOWED = {
    "platform": {"platform"},
    "data": {"platform", "data"},
    "ui": {"platform", "data", "ui"},
    # The day planner sets an entry's reminder through the reminders' dialog.
    "planner": {"platform", "data", "ui", "reminders", "planner"},
    "reminders": {"platform", "data", "ui", "reminders"},
    "app": {"platform", "data", "ui", "planner", "reminders", "app"},
}
TOOLKIT_FREE = {"platform", "data"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
PLATFORM_ONLY = ['getenv("XDG', "/etc/localtime", "/dev/snd", "_WIN32", "<unistd.h>"]


def faults(root: pathlib.Path):
    for layer, allowed in ALLOWED.items():
        folder = root / layer
        if not folder.is_dir():
            continue
        for source in sorted(folder.rglob("*")):
            if source.suffix not in {".h", ".cpp"}:
                continue
            for number, line in enumerate(source.read_text(errors="replace").splitlines(), 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                quote, target = match.groups()
                where = f"{source.relative_to(root)}:{number}"
                if quote == "<":
                    if layer in TOOLKIT_FREE and target.startswith("wx/"):
                        yield f"{where}: the {layer} layer is toolkit-free but includes <{target}>"
                    continue
                first = target.split("/", 1)[0]
                if first in ALLOWED and first not in allowed:
                    yield f"{where}: the {layer} layer may not include {target}"


def platform_faults(root: pathlib.Path):
    for source in sorted(root.rglob("*")):
        if not source.is_file() or (root / "platform") in source.parents:
            continue
        content = source.read_bytes()
        if b"\0" in content:  # pictures and sounds
            continue
        for number, line in enumerate(content.decode(errors="replace").splitlines(), 1):
            for name in PLATFORM_ONLY:
                if name in line:
                    yield f"{source.relative_to(root)}:{number}: {name} belongs in calendar/platform"


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "calendar")
    found = list(faults(root)) + list(platform_faults(root))
    for fault in found:
        print(fault)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
