#!/usr/bin/env python3
"""Runs the examples of the operator's documents and compares their output.

An example is a line "$ COMMAND" in an indented code block; the lines after
it, up to the next "$ " line or the end of the block, are its output
(standard output and standard error together). A line "..." stands for any
number of lines. Whitespace runs compare equal to one blank, CR LF to LF.

Each document is run in a folder of its own: "source" runs the commands in
the source tree (the README's commands work there), "scratch" in a fresh
folder holding a link to the samples, so the plug-in's files land there.
The folder of the korvan-host to test comes first on PATH.

Usage: doc_examples.py --host-dir DIR --source DIR --work DIR DOC:WHERE...
       [--update]   writes the output of every example into the document
"""
import argparse
import os
import re
import shutil
import subprocess
import sys


def blocks(lines):
    """(first, last) line indexes of the indented code blocks."""
    result, start = [], None
    for i, line in enumerate(lines + [""]):
        code = line.startswith("    ") or (start is not None and line.strip() == "" and
                                           i + 1 < len(lines) and lines[i + 1].startswith("    "))
        if code and start is None:
            start = i
        elif not code and start is not None:
            result.append((start, i))
            start = None
    return result


def examples(lines):
    """[(command, expected lines, first output index, end index)] of a document."""
    found = []
    for first, end in blocks(lines):
        body = [line[4:] for line in lines[first:end]]
        i = 0
        while i < len(body):
            if body[i].startswith("$ "):
                j = i + 1
                while j < len(body) and not body[j].startswith("$ "):
                    j += 1
                found.append((body[i][2:], body[i + 1:j], first + i + 1, first + j))
                i = j
            else:
                i += 1
    return found


def normal(line):
    return re.sub(r"\s+", " ", line).strip()


def matches(expected, actual):
    """Whether the actual lines fit the expected ones ("..." is any run)."""
    expected = [normal(line) for line in expected]
    actual = [normal(line) for line in actual]
    while expected and expected[-1] == "":
        expected.pop()
    while actual and actual[-1] == "":
        actual.pop()

    def fit(e, a):
        if e == len(expected):
            return a == len(actual)
        if expected[e] == "...":
            return any(fit(e + 1, k) for k in range(a, len(actual) + 1))
        return a < len(actual) and expected[e] == actual[a] and fit(e + 1, a + 1)

    return fit(0, 0)


def run(command, folder, env):
    result = subprocess.run(["bash", "-c", command], cwd=folder, env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, timeout=600)
    text = result.stdout.decode("utf-8", "replace").replace("\r\n", "\n")
    return [line.expandtabs(8).rstrip() for line in text.split("\n")]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host-dir", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--update", action="store_true")
    parser.add_argument("documents", nargs="+", help="DOC:source or DOC:scratch")
    args = parser.parse_args()

    env = dict(os.environ)
    env["PATH"] = os.path.abspath(args.host_dir) + os.pathsep + env.get("PATH", "")
    env["LC_ALL"] = "C"
    source = os.path.abspath(args.source)
    passed = failed = 0
    for document in args.documents:
        path, _, where = document.rpartition(":")
        path = os.path.join(source, path)
        if where == "scratch":
            folder = os.path.join(os.path.abspath(args.work), os.path.basename(path))
            shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(folder)
            os.symlink(os.path.join(source, "samples"), os.path.join(folder, "samples"))
        else:
            folder = source
        with open(path, encoding="utf-8") as f:
            lines = f.read().split("\n")
        replaced = list(lines)
        # Examples are replaced from the last, so earlier indexes stay right.
        results = [(example, run(example[0], folder, env)) for example in examples(lines)]
        for (command, expected, first, end), actual in reversed(results):
            while actual and actual[-1] == "":
                actual.pop()
            if args.update:
                replaced[first:end] = ["    " + line if line else "" for line in actual]
            elif matches(expected, actual):
                passed += 1
            else:
                failed += 1
                print(f"FAIL {os.path.relpath(path, source)}: $ {command}")
                print("  expected:\n" + "\n".join("    " + line for line in expected))
                print("  got:\n" + "\n".join("    " + line for line in actual))
        if args.update:
            with open(path, "w", encoding="utf-8") as f:
                f.write("\n".join(replaced))
    if not args.update:
        print(f"{passed} examples passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
