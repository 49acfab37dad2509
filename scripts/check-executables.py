#!/usr/bin/env python3
"""Checks the shipped executables against what Windows 2000 SP4 can load.

Reads each executable's import table with objdump and fails on any DLL function that is not on
the allow-list (scripts/windows2000-imports.txt), on imports by ordinal and on delay-loaded
imports; checks that the PE header's OS and subsystem versions are at most 5.0, that the file
carries no symbols and that it stays under its size limit.

usage: check-executables.py BIN_DIR [--objdump PROGRAM]
"""

import argparse
import os
import re
import subprocess
import sys

# Bytes each shipped executable must stay under.
SIZE_LIMITS = {
    "vgatray.exe": 1024 * 1024,
    "modecmd.exe": 300 * 1024,
}
# Windows 2000 is version 5.0; a loader refuses an image that asks for a later one.
MAX_VERSION = (5, 0)

ALLOW_LIST = os.path.join(os.path.dirname(os.path.abspath(__file__)), "windows2000-imports.txt")


def read_allow_list(path):
    allowed = set()
    dll = None
    with open(path, encoding="utf-8") as lines:
        for number, raw in enumerate(lines, 1):
            line = raw.split("#", 1)[0].strip()
            if not line:
                continue
            section = re.fullmatch(r"\[(.+)\]", line)
            if section:
                dll = section.group(1).lower()
            elif dll is None or " " in line:
                sys.exit(f"{path}:{number}: expected [DLL] or one function name")
            else:
                allowed.add((dll, line))
    return allowed


def objdump(program, *args):
    return subprocess.run([program, *args], check=True, capture_output=True, text=True).stdout


def header_field(private, name):
    match = re.search(rf"^{name}\s+(\S+)", private, re.MULTILINE)
    return int(match.group(1), 16) if match else None


def imports(private):
    """(dll, function) pairs of the import table; function is None for an import by ordinal."""
    found = []
    dll = None
    in_tables = False
    for line in private.splitlines():
        if line.startswith("The Import Tables"):
            in_tables = True
        elif in_tables and re.match(r"^\S", line) and not line.startswith(" vma"):
            in_tables = False
        if not in_tables:
            continue
        name = re.match(r"^\s+DLL Name: (\S+)", line)
        if name:
            dll = name.group(1).lower()
            continue
        entry = re.match(r"^\t[0-9a-f]+\t\s*(\d+)(?:\s+(\S+))?\s*$", line)
        if entry and dll:
            found.append((dll, entry.group(2)))
    return found


def delay_imports(private):
    match = re.search(r"^Entry d ([0-9a-f]+) ([0-9a-f]+) Delay Import Directory", private,
                      re.MULTILINE)
    return match is not None and int(match.group(2), 16) != 0


def check(path, allowed, program):
    name = os.path.basename(path)
    problems = []
    if not os.path.isfile(path):
        return [f"{name}: missing"]

    size = os.path.getsize(path)
    limit = SIZE_LIMITS[name]
    if size >= limit:
        problems.append(f"{name}: {size} bytes, the limit is under {limit}")

    private = objdump(program, "-p", path)
    if "file format pei-i386" not in private:
        problems.append(f"{name}: not a 32-bit x86 PE image")
    for field in ("OSystem", "Subsystem"):
        major = header_field(private, f"Major{field}Version")
        minor = header_field(private, f"Minor{field}Version")
        if major is None or minor is None or (major, minor) > MAX_VERSION:
            problems.append(f"{name}: {field} version {major}.{minor} is above Windows 2000's 5.0")
    if delay_imports(private):
        problems.append(f"{name}: has delay-loaded imports, which this check does not read")

    table = imports(private)
    if not table:
        problems.append(f"{name}: no import table found")
    for dll, function in table:
        if function is None:
            problems.append(f"{name}: imports by ordinal from {dll}")
        elif (dll, function) not in allowed:
            problems.append(f"{name}: imports {dll} {function}, which is not on the allow-list")

    headers = objdump(program, "-f", "-h", path)
    if "HAS_SYMS" in headers or re.search(r"^\s*\d+\s+\.debug", headers, re.MULTILINE):
        problems.append(f"{name}: not stripped")

    if not problems:
        print(f"{name}: {size} bytes (limit {limit}), {len(table)} imports, all on the allow-list")
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("bin_dir")
    parser.add_argument("--objdump", default="i686-w64-mingw32-objdump")
    args = parser.parse_args()

    allowed = read_allow_list(ALLOW_LIST)
    problems = []
    for name in SIZE_LIMITS:
        problems += check(os.path.join(args.bin_dir, name), allowed, args.objdump)
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
