#!/usr/bin/env python3
"""Mutation run: does the test suite notice when the code is wrong?

Usage: mutants.py [--table FILE] [--dir DIR] [--only REGEX] [--timeout SECONDS] [--jobs N]
                  [--no-baseline] [--list]

Reads a table of mutations (default tests/mutants.tsv): one per line, tab-separated

    file    pattern    replacement    tests    behaviour it breaks

`pattern` must occur exactly once in `file` (the escapes \\t, \\n and \\\\ stand for a tab, a
line break and a backslash in pattern and replacement). `tests` is a ctest name expression
(-R) naming the tests that matter, or `all` for every test but the install test. Blank lines
and lines starting with # are skipped. The copy is built with warnings as errors, as in CI: a
replacement that leaves a parameter unused must still use it (`reason.left(0)`).

The source tree is never changed: its files are copied into DIR/tree (only files whose
contents differ are rewritten, so that one build folder DIR/tree/build serves every mutation
with incremental rebuilds; warnings are errors as in CI). First the copy is built and the chosen tests must pass as they are;
then each mutation is applied to the copy, the tests' programs are rebuilt and run, and the
file is put back. A mutation is killed when a test fails (a test that runs past the timeout
fails too). The run lists every mutation with its outcome and the first failing check, and
exits 1 when a mutation survives, does not build, or its pattern is not found exactly once.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def unescape(text):
    out = []
    i = 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            nxt = text[i + 1]
            out.append({"t": "\t", "n": "\n", "\\": "\\"}.get(nxt, "\\" + nxt))
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


class Mutant:
    def __init__(self, number, line, fields):
        self.number = number
        self.line = line
        self.file, pattern, replacement, self.tests, self.behaviour = fields
        self.pattern = unescape(pattern)
        self.replacement = unescape(replacement)
        self.outcome = ""
        self.detail = ""
        self.seconds = 0.0


def read_table(path):
    mutants, problems = [], []
    with open(path, encoding="utf-8") as table:
        for line_number, line in enumerate(table, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            fields = line.split("\t")
            if len(fields) != 5:
                problems.append(f"{path}:{line_number}: {len(fields)} fields, not 5")
                continue
            mutants.append(Mutant(len(mutants) + 1, line_number, fields))
    return mutants, problems


def check_patterns(mutants, table):
    problems = []
    for m in mutants:
        source = os.path.join(ROOT, m.file)
        if not os.path.isfile(source):
            problems.append(f"{table}:{m.line}: no file {m.file}")
            continue
        with open(source, encoding="utf-8") as f:
            count = f.read().count(m.pattern)
        if count != 1:
            problems.append(f"{table}:{m.line}: pattern found {count} times in {m.file}: {m.pattern!r}")
        if m.pattern == m.replacement:
            problems.append(f"{table}:{m.line}: the replacement equals the pattern")
    return problems


def tracked_files():
    listing = subprocess.run(["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"], cwd=ROOT,
                             check=True, capture_output=True).stdout
    return [name for name in listing.decode().split("\0") if name and os.path.isfile(os.path.join(ROOT, name))]


def sync_copy(target):
    """Copies the tree into target, rewriting only what differs (unchanged files keep their times);
    target/build is left alone."""
    wanted = set()
    for name in tracked_files():
        wanted.add(name)
        source, copy = os.path.join(ROOT, name), os.path.join(target, name)
        with open(source, "rb") as f:
            data = f.read()
        if os.path.isfile(copy) and not os.path.islink(copy):
            with open(copy, "rb") as f:
                if f.read() == data:
                    continue
        os.makedirs(os.path.dirname(copy), exist_ok=True)
        with open(copy, "wb") as f:
            f.write(data)
        shutil.copymode(source, copy)
    for folder, folders, files in os.walk(target):
        if folder == target and "build" in folders:
            folders.remove("build")
        for name in files:
            relative = os.path.relpath(os.path.join(folder, name), target)
            if relative not in wanted:
                os.remove(os.path.join(folder, name))


def run(command, cwd, log, timeout=None):
    with open(log, "a", encoding="utf-8") as out:
        out.write("$ " + " ".join(command) + "\n")
        out.flush()
        try:
            return subprocess.run(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT, timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            out.write("timed out\n")
            return 124


def test_names(build, expression):
    command = ["ctest", "-N"] + (["-E", "^test_install$"] if expression == "all" else ["-R", expression])
    listing = subprocess.run(command, cwd=build, check=True, capture_output=True, text=True).stdout
    return re.findall(r"Test\s+#\d+: (\S+)", listing)


def ctest_command(expression, timeout, jobs):
    selection = ["-E", "^test_install$"] if expression == "all" else ["-R", expression]
    return ["ctest", "--output-on-failure", "--stop-on-failure", "-j", str(jobs), "--timeout", str(timeout)] + selection


def first_failure(log):
    """The first failing check of a log (a QTest FAIL line, else ctest's failed test)."""
    with open(log, encoding="utf-8", errors="replace") as f:
        text = f.read()
    found = re.search(r"^FAIL!  : (\S+?\(.*?\)|\S+)", text, re.M)
    if found:
        return found.group(1)
    found = re.search(r"^\s*\d+ - (\S+) \((\w+)\)", text, re.M)
    return f"{found.group(1)} ({found.group(2)})" if found else "a test failed"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--table", default=os.path.join(ROOT, "tests", "mutants.tsv"))
    parser.add_argument("--dir", default=os.path.join(ROOT, "build-mutants"))
    parser.add_argument("--only", help="run the mutations whose file or behaviour matches this expression")
    parser.add_argument("--timeout", type=int, default=300, help="seconds a test may run")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    parser.add_argument("--no-baseline", action="store_true", help="do not first check the unchanged copy")
    parser.add_argument("--list", action="store_true", help="check and list the table, change nothing")
    args = parser.parse_args()

    mutants, problems = read_table(args.table)
    problems += check_patterns(mutants, args.table)
    if args.only:
        mutants = [m for m in mutants if re.search(args.only, m.file + " " + m.behaviour)]
    if args.list or problems:
        for m in mutants:
            print(f"{m.number:3} {m.file}: {m.behaviour}  [{m.tests}]")
    if problems:
        print("\n".join(problems), file=sys.stderr)
        return 1
    if args.list:
        return 0

    started = time.monotonic()
    source, logs = os.path.join(args.dir, "tree"), os.path.join(args.dir, "logs")
    build = os.path.join(source, "build")
    os.makedirs(logs, exist_ok=True)
    for old in os.listdir(logs):
        os.remove(os.path.join(logs, old))
    print(f"copying the tree to {source}", flush=True)
    sync_copy(source)
    setup = os.path.join(logs, "setup.log")
    configure = ["cmake", "-S", source, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                 "-DLEXITALLY_WERROR=ON"]
    if shutil.which("ccache"):
        configure.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
        # The same compilation in another folder is the same: later runs of a fresh copy hit.
        os.environ.setdefault("CCACHE_BASEDIR", os.path.dirname(ROOT))
        os.environ.setdefault("CCACHE_NOHASHDIR", "1")
    if run(configure, ROOT, setup) != 0:
        print(f"configuring failed, see {setup}", file=sys.stderr)
        return 1
    targets = {}
    for m in mutants:
        names = test_names(build, m.tests)
        if not names:
            print(f"{args.table}:{m.line}: no test matches {m.tests!r}", file=sys.stderr)
            return 1
        targets[m.number] = names

    if not args.no_baseline:
        print("building and testing the unchanged copy", flush=True)
        everything = sorted({name for names in targets.values() for name in names})
        if run(["cmake", "--build", build, "-j", str(args.jobs), "--target"] + everything, ROOT, setup) != 0:
            print(f"the unchanged copy does not build, see {setup}", file=sys.stderr)
            return 1
        expression = "^(" + "|".join(everything) + ")$"
        if run(ctest_command(expression, args.timeout, args.jobs), build, setup) != 0:
            print(f"the unchanged copy fails its tests ({first_failure(setup)}), see {setup}", file=sys.stderr)
            return 1

    for m in mutants:
        mutant_started = time.monotonic()
        path = os.path.join(source, m.file)
        with open(path, encoding="utf-8") as f:
            original = f.read()
        log = os.path.join(logs, f"{m.number:03}.log")
        with open(log, "w", encoding="utf-8") as out:
            out.write(f"{m.file}: {m.behaviour}\n- {m.pattern}\n+ {m.replacement}\n")
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original.replace(m.pattern, m.replacement, 1))
            build_command = ["cmake", "--build", build, "-j", str(args.jobs), "--target"] + targets[m.number]
            if run(build_command, ROOT, log) != 0:
                m.outcome, m.detail = "NOT BUILT", log
            elif run(ctest_command("^(" + "|".join(targets[m.number]) + ")$", args.timeout, args.jobs), build,
                     log) != 0:
                m.outcome, m.detail = "killed", first_failure(log)
            else:
                m.outcome, m.detail = "SURVIVED", log
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
        m.seconds = time.monotonic() - mutant_started
        print(f"{m.number:3} {m.outcome:9} {m.seconds:5.0f}s  {m.file}: {m.behaviour} -- {m.detail}", flush=True)

    survivors = [m for m in mutants if m.outcome != "killed"]
    minutes = (time.monotonic() - started) / 60
    print(f"\n{len(mutants) - len(survivors)} of {len(mutants)} mutations killed in {minutes:.1f} min")
    for m in survivors:
        print(f"  {m.outcome}: {m.file}: {m.behaviour} (table line {m.line})")
    return 1 if survivors else 0


if __name__ == "__main__":
    sys.exit(main())
