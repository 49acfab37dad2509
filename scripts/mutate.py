#!/usr/bin/env python3
"""Single-line mutation testing of vgatray's logic against the unit tests and the soak.

Every mutation changes one line of one source file in display/, shell/, device/, tray/ or
settings/: a call statement dropped, a condition inverted, a numeric constant changed, && and ||
swapped, or a comparison changed. Each is applied alone to a scratch copy of the sources (the
work tree is never touched), the host test binary is rebuilt there, and the unit suite runs with
the soak. A mutation the tests fail on is killed; one they pass survives and is printed with its
diff. A mutation that does not compile counts as neither.

    scripts/mutate.py --sample 40 --seed 7 --time-limit 3600
    scripts/mutate.py --list            # every mutation, nothing built
    scripts/mutate.py --revert 809ee69 86f6a00   # each commit's program change undone alone:
                                                 # the first soak seed that fails

Mutations judged equivalent (no behaviour a user or Windows can see changes) are listed with the
reason in scripts/mutation_equivalents.txt; they are left out of the run and counted apart.

The scratch build is not sanitized (for speed): a mutation that only ASan or UBSan would catch
survives here. Lines that only trace are left alone.
"""

import argparse
import difflib
import os
import random
import re
import shutil
import subprocess
import sys
import time

DIRS = ("display", "shell", "device", "tray", "settings")
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

KEYWORDS = {"return", "delete", "throw", "if", "for", "while", "switch", "case", "else", "do",
            "sizeof", "static_assert", "co_return", "goto", "new", "using", "typedef"}

CALL_STATEMENT = re.compile(
    r"^(\s*)((?:[A-Za-z_]\w*(?:::|\.|->))*([A-Za-z_]\w*)\s*(?:<[^<>;=]*>)?\s*\(.*\)\s*;)\s*$")
TRACE = re.compile(r"\bTrace\w*\s*\(")  # the trace only: no behaviour to kill
CONDITION = re.compile(r"\b(if|while)\s*\(")
NUMBER = re.compile(r"(?<![\w.])(0[xX][0-9A-Fa-f]+|\d+)([uUlL]*)(?![\w.])")
LOGICAL = re.compile(r" (&&|\|\|) ")
COMPARISON = re.compile(r" (<=|>=|==|!=|<|>) ")
COMPARISON_SWAP = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}


def blank_strings(line):
    """The line with string and character literals blanked out, same length."""
    out = []
    quote = None
    i = 0
    while i < len(line):
        c = line[i]
        if quote:
            if c == "\\" and i + 1 < len(line):
                out.append("__")
                i += 2
                continue
            out.append(quote if c == quote else "_")
            if c == quote:
                quote = None
        elif c in "\"'":
            quote = c
            out.append(c)
        else:
            out.append(c)
        i += 1
    return "".join(out)


def code_part(line):
    """The line's code, strings blanked and a trailing // comment cut off."""
    blanked = blank_strings(line)
    cut = blanked.find("//")
    return blanked if cut < 0 else blanked[:cut]


def balanced_end(text, open_at):
    """Index just past the parenthesis closing the one at open_at, or -1."""
    depth = 0
    for i in range(open_at, len(text)):
        if text[i] == "(":
            depth += 1
        elif text[i] == ")":
            depth -= 1
            if depth == 0:
                return i + 1
    return -1


def mutations_of_line(line):
    """(kind, mutated line) for every single mutation of one line of code."""
    code = code_part(line)
    stripped = code.strip()
    if not stripped or stripped.startswith(("#", "*", "/*")) or TRACE.search(code):
        return
    call = CALL_STATEMENT.match(code)
    if call and call.group(3) not in KEYWORDS and "=" not in call.group(2).split("(", 1)[0]:
        closed = balanced_end(code, code.index("(", len(call.group(1))))
        if closed > 0 and code[closed:].strip() == ";":
            yield "drop call", call.group(1) + ";  // mutated\n"
    for m in CONDITION.finditer(code):
        opened = m.end() - 1
        closed = balanced_end(code, opened)
        if closed > 0:
            inner = line[opened + 1:closed - 1]
            yield "invert condition", line[:opened + 1] + "!(" + inner + ")" + line[closed - 1:]
    for m in NUMBER.finditer(code):
        text = m.group(1)
        if stripped.startswith(("case ", "enum ")) or "[" in code[max(0, m.start() - 1):m.start()]:
            continue
        value = int(text, 16) if text.lower().startswith("0x") else int(text)
        changed = 1 if value == 0 else (0 if value == 1 else value + 1)
        new = hex(changed) if text.lower().startswith("0x") else str(changed)
        yield "change constant", line[:m.start(1)] + new + line[m.end(1):]
    for m in LOGICAL.finditer(code):
        other = "||" if m.group(1) == "&&" else "&&"
        yield "swap && ||", line[:m.start(1)] + other + line[m.end(1):]
    for m in COMPARISON.finditer(code):
        if "<" in m.group(1) and "template" in code:
            continue
        yield "change comparison", (line[:m.start(1)] + COMPARISON_SWAP[m.group(1)] +
                                    line[m.end(1):])


def all_mutations(root):
    """Every mutation over the mutated folders' .cpp files, in a stable order."""
    found = []
    for folder in DIRS:
        base = os.path.join(root, folder)
        for name in sorted(os.listdir(base)):
            if not name.endswith(".cpp"):
                continue
            rel = os.path.join(folder, name)
            with open(os.path.join(root, rel), encoding="utf-8") as f:
                lines = f.readlines()
            in_comment = False
            for number, line in enumerate(lines):
                text = line.strip()
                if in_comment:
                    in_comment = "*/" not in text
                    continue
                if text.startswith("/*"):
                    in_comment = "*/" not in text
                    continue
                for kind, mutated in mutations_of_line(line):
                    if mutated != line:
                        found.append((rel, number, kind, mutated, line))
    return found


EQUIVALENTS = os.path.join(ROOT, "scripts", "mutation_equivalents.txt")


# A function definition's first line: it starts at column 0 and names the function before "(".
DEFINITION = re.compile(r"^[A-Za-z_][\w:<>,*& ]*?\b([A-Za-z_]\w*)\s*\(")


def enclosing_function(rel, number):
    """The function whose definition holds line `number` of `rel` ("" if none), and which of the
    function's lines written alike this one is (1 for the first)."""
    with open(os.path.join(ROOT, rel), encoding="utf-8") as f:
        lines = f.readlines()
    occurrence = 0
    for line in reversed(lines[:number + 1]):
        occurrence += line.strip() == lines[number].strip()
        found = DEFINITION.match(line)
        if found and not line.startswith(("namespace", "#", "//", "}")):
            return found.group(1), occurrence
    return "", occurrence


def judgement(mutation, judged):
    """Why `mutation` changes nothing one can see, or None. An entry names the file alone;
    file:Function when the same line elsewhere in the file is not equivalent; file:Function#N
    for the Nth line of the function written alike."""
    rel, number, _, mutated, line = mutation
    function, occurrence = enclosing_function(rel, number)
    for where in (rel, f"{rel}:{function}", f"{rel}:{function}#{occurrence}"):
        reason = judged.get((where, line.strip(), mutated.strip()))
        if reason is not None:
            return reason
    return None


def judged_equivalent():
    """(file or file:Function, line as written, line as mutated) -> the reason it changes nothing
    one can see."""
    judged = {}
    with open(EQUIVALENTS, encoding="utf-8") as f:
        for entry in f:
            if entry.strip() and not entry.startswith("#"):
                rel, line, mutated, reason = (part.strip() for part in entry.split(" | ", 3))
                judged[(rel, line, mutated)] = reason
    return judged


def run(command, cwd, log, timeout=None):
    with open(log, "w", encoding="utf-8") as out:
        try:
            return subprocess.run(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT,
                                  timeout=timeout, check=False).returncode
        except subprocess.TimeoutExpired:
            return "timeout"


def copy_sources(scratch):
    files = subprocess.run(["git", "ls-files", "-z"], cwd=ROOT, capture_output=True,
                           check=True).stdout.decode().split("\0")
    for rel in filter(None, files):
        source = os.path.join(ROOT, rel)
        target = os.path.join(scratch, rel)
        if not os.path.isfile(source):
            continue
        os.makedirs(os.path.dirname(target), exist_ok=True)
        if not os.path.exists(target) or not filecmp_same(source, target):
            shutil.copyfile(source, target)  # a fresh time stamp: what was built from it rebuilds


def filecmp_same(a, b):
    with open(a, "rb") as fa, open(b, "rb") as fb:
        return fa.read() == fb.read()


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build", "mutate"),
                        help="scratch sources and build go here (default build/mutate)")
    parser.add_argument("--sample", type=int, default=0,
                        help="run a random sample of N mutations (default: all)")
    parser.add_argument("--seed", type=int, default=1, help="seed of the sample")
    parser.add_argument("--time-limit", type=float, default=0,
                        help="start no mutation this many seconds after the script started "
                        "(default: no limit)")
    parser.add_argument("--jobs", type=int, default=2, help="build jobs")
    parser.add_argument("--filter", default="", help="only mutations in files containing this")
    parser.add_argument("--list", action="store_true", help="list the mutations and exit")
    parser.add_argument("--revert", nargs="+", metavar="COMMIT", default=[],
                        help="instead of mutations: undo each commit's change to the program "
                        "(or a patch file's) alone and run the soak, naming the first seed "
                        "that fails")
    args = parser.parse_args()

    begin = time.monotonic()
    mutations = [m for m in all_mutations(ROOT) if args.filter in m[0]]
    if args.sample:
        mutations = random.Random(args.seed).sample(mutations, min(args.sample, len(mutations)))
        mutations.sort()
    judged = judged_equivalent()
    equivalent = [m for m in mutations if judgement(m, judged) is not None]
    mutations = [m for m in mutations if m not in equivalent]
    if args.list:
        for rel, number, kind, mutated, line in mutations:
            print(f"{rel}:{number + 1}: {kind}: {line.strip()}  =>  {mutated.strip()}")
        for m in equivalent:
            print(f"{m[0]}:{m[1] + 1}: {m[2]}: judged equivalent: {judgement(m, judged)}")
        print(f"{len(mutations)} mutations; {len(equivalent)} judged equivalent, left out")
        return 0

    scratch = os.path.join(args.build_dir, "src")
    build = os.path.join(args.build_dir, "build")
    logs = os.path.join(args.build_dir, "logs")
    os.makedirs(scratch, exist_ok=True)
    os.makedirs(logs, exist_ok=True)
    copy_sources(scratch)
    env_cmake = ["cmake", "-S", scratch, "-B", build, "-G", "Ninja",
                 "-DCMAKE_BUILD_TYPE=Release", "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -DNDEBUG",
                 "-DVGA_SANITIZE=OFF", "-DVGA_BENCHMARKS=OFF"]
    if shutil.which("ccache"):
        env_cmake += ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
    binary = os.path.join(build, "bin", "vgatray_tests")
    build_cmd = ["ninja", "-C", build, f"-j{args.jobs}", "vgatray_tests"]
    test_cmd = [binary, "--gtest_brief=1"]

    if run(env_cmake, ROOT, os.path.join(logs, "configure.log")) != 0 or \
            run(build_cmd, ROOT, os.path.join(logs, "baseline-build.log")) != 0:
        print("the unmutated sources do not build: see " + logs, file=sys.stderr)
        return 2
    started = time.monotonic()
    if run(test_cmd, build, os.path.join(logs, "baseline-test.log")) != 0:
        print("the unmutated sources fail their tests: see " + logs, file=sys.stderr)
        return 2
    baseline = time.monotonic() - started
    test_timeout = max(60.0, 4 * baseline)
    print(f"{len(mutations)} mutations ({len(equivalent)} judged equivalent left out, listed in "
          f"{os.path.relpath(EQUIVALENTS, ROOT)}); the unmutated suite takes {baseline:.0f} s",
          flush=True)

    if args.revert:
        return revert_each(args.revert, scratch, build_cmd, binary, logs, test_timeout)

    killed, survived, stillborn = [], [], []
    for index, (rel, number, kind, mutated, _) in enumerate(mutations):
        if args.time_limit and time.monotonic() - begin > args.time_limit:
            print(f"time limit reached after {index} mutations", flush=True)
            break
        path = os.path.join(scratch, rel)
        with open(os.path.join(ROOT, rel), encoding="utf-8") as f:
            original = f.readlines()
        changed = list(original)
        changed[number] = mutated
        name = f"{index:04d}"
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.writelines(changed)
            if run(build_cmd, ROOT, os.path.join(logs, name + "-build.log")) != 0:
                stillborn.append((rel, number, kind))
                outcome = "does not compile"
            else:
                result = run(test_cmd, build, os.path.join(logs, name + "-test.log"), test_timeout)
                if result == 0:
                    diff = "".join(difflib.unified_diff(original, changed, "a/" + rel, "b/" + rel,
                                                        n=1))
                    survived.append((rel, number, kind, diff))
                    outcome = "SURVIVED"
                else:
                    killed.append((rel, number, kind))
                    outcome = "killed" + (" (time-out)" if result == "timeout" else "")
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.writelines(original)
        print(f"[{index + 1}/{len(mutations)}] {rel}:{number + 1} {kind}: {outcome}", flush=True)

    tried = len(killed) + len(survived)
    print(f"\n{tried} mutations built and tested: {len(killed)} killed, {len(survived)} survived"
          f" ({100.0 * len(killed) / tried if tried else 0:.1f} % killed);"
          f" {len(stillborn)} did not compile")
    for rel, number, kind, diff in survived:
        print(f"\nsurvivor: {rel}:{number + 1} ({kind})\n{diff}", end="")
    for m in equivalent:
        print(f"\njudged equivalent, not applied: {m[0]}:{m[1] + 1} ({m[2]}): "
              f"{judgement(m, judged)}")
    return 0


def revert_each(commits, scratch, build_cmd, binary, logs, test_timeout):
    """Undoes each commit's change to the program in the scratch copy, alone, and runs the soak."""
    for index, commit in enumerate(commits):
        if os.path.isfile(commit):  # a patch holding part of a commit (one mend of several)
            subject = os.path.basename(commit)
            with open(commit, "rb") as f:
                patch = f.read()
        else:
            subject = subprocess.run(["git", "log", "-1", "--format=%h %s", commit], cwd=ROOT,
                                     capture_output=True, text=True, check=True).stdout.strip()
            patch = subprocess.run(["git", "show", "--format=", commit, "--", *DIRS, "platform"],
                                   cwd=ROOT, capture_output=True, check=True).stdout
        name = f"revert-{index:02d}"
        copy_sources(scratch)
        # The scratch copy may lie inside this checkout: git must not take it for a subfolder
        # of the repository, where it would skip every path of the patch.
        plain = dict(os.environ, GIT_CEILING_DIRECTORIES=os.path.dirname(scratch))
        undone = subprocess.run(["git", "apply", "-R", "-"], cwd=scratch, input=patch,
                                capture_output=True, check=False, env=plain)
        if undone.returncode != 0:  # later changes nearby: one line of context may do
            undone = subprocess.run(["git", "apply", "-R", "-C1", "-"], cwd=scratch,
                                    input=patch, capture_output=True, check=False, env=plain)
        if undone.returncode != 0:
            outcome = "does not undo cleanly on this tree: " + undone.stderr.decode().strip()
        elif run(build_cmd, ROOT, os.path.join(logs, name + "-build.log")) != 0:
            outcome = "does not compile undone"
        else:
            log = os.path.join(logs, name + "-soak.log")
            result = run([binary, "--gtest_filter=Soak.*"], scratch, log, test_timeout)
            with open(log, encoding="utf-8", errors="replace") as f:
                failing = [line.strip() for line in f if line.startswith("seed ")]
            if result == 0:
                outcome = "the soak PASSES without it"
            else:
                outcome = "; ".join(failing) if failing else f"the soak fails ({result})"
        print(f"{subject[:100]}\n    {outcome}", flush=True)
    copy_sources(scratch)
    return 0


if __name__ == "__main__":
    sys.exit(main())
