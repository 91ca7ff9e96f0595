#!/usr/bin/env python3
"""Refuses an include that reaches up a layer of the calendar.

Each folder below calendar/ is a library that may include only its own headers and those of the
layers below it; the toolkit-free layers include no toolkit header either. The build cannot tell
this by itself, since every layer finds its headers from the same root.
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


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "calendar")
    found = list(faults(root))
    for fault in found:
        print(fault)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
