#!/usr/bin/env python3
"""Checks that the includes of vgatray's folders run one way.

shell/ may use tray/, display/, device/, settings/ and platform/. display/, device/ and settings/
(the adapter object spans them) use each other and platform/ only; tray/ uses them too. platform/
uses nothing of the program. The main window's handlers that live beside their subsystem
(HANDLER_FILES) may use what shell/ uses and shell/ itself; below shell/ only they call
MainDialog() or TheApp().
modecmd/ shares nothing with vgatray.

--table prints the include arrows counted per folder pair; the check runs either way and the exit
code is 1 when a rule is broken.
"""

import argparse
import collections
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent

PROGRAM = ("shell", "tray", "display", "device", "settings", "platform")
ENGINE = {"display", "device", "settings", "platform"}
ALLOWED = {
    "shell": set(PROGRAM),
    "tray": {"tray"} | ENGINE,
    "display": set(ENGINE),
    "device": set(ENGINE),
    "settings": set(ENGINE),
    "platform": {"platform"},
    "modecmd": {"modecmd"},
}
# The main window's message handlers that sit with the subsystem they serve.
HANDLER_FILES = {"tray/menu_commands.cpp", "tray/popup_menu.cpp", "device/arrival_removal.cpp"}
# The executable's entry: it puts the real Windows under the program and starts it.
ENTRY_FILES = {"platform/win32/main.cpp"}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
GLOBAL_ACCESS = re.compile(r"\b(MainDialog|TheApp)\s*\(\s*\)")
SOURCE_SUFFIXES = {".h", ".cpp"}


def sources():
    for folder in PROGRAM + ("modecmd",):
        for path in sorted((ROOT / folder).rglob("*")):
            if path.suffix in SOURCE_SUFFIXES and path.is_file():
                yield folder, path.relative_to(ROOT).as_posix(), path.read_text(encoding="utf-8")


def target_folder(include, source_folder):
    first = include.split("/", 1)[0]
    if "/" not in include:
        return source_folder  # a header beside the source (modecmd's own style)
    return first


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--table", action="store_true", help="print the arrows per folder pair")
    args = parser.parse_args()

    arrows = collections.Counter()
    problems = []
    for folder, name, text in sources():
        extra = set()
        if name in HANDLER_FILES:
            extra = ALLOWED["shell"]  # the main window's own code, wherever it sits
        elif name in ENTRY_FILES:
            extra = {"shell"}
        for include in INCLUDE.findall(text):
            target = target_folder(include, folder)
            if target not in ALLOWED:
                continue  # tests/ and the like are not the program's
            arrows[(folder, target)] += 1
            if target not in ALLOWED[folder] | extra:
                problems.append(f"{name}: includes {include} ({folder}/ may not use {target}/)")
        if folder not in ("shell", "modecmd") and name not in HANDLER_FILES:
            for line_no, line in enumerate(text.splitlines(), 1):
                match = GLOBAL_ACCESS.search(line)
                if match:
                    problems.append(f"{name}:{line_no}: calls {match.group(0)} below shell/")

    if args.table:
        print(f"{'from -> to':<22}includes")
        for (source, target), count in sorted(arrows.items()):
            mark = "" if target in ALLOWED[source] else "  (handler or entry files only)"
            print(f"{source + ' -> ' + target:<22}{count:>8}{mark}")
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        print(f"check_includes: {len(problems)} arrow(s) run the wrong way", file=sys.stderr)
        return 1
    print("check_includes: the includes run one way")
    return 0


if __name__ == "__main__":
    sys.exit(main())
