#!/usr/bin/python3
"""The C units of a compilation database, for the benchmark's clang runs.

usage: compile_db.py count BUILD_DIR
       compile_db.py commands BUILD_DIR [CLANG_WORD...]

count prints how many entries compile a C file. commands prints, for each of
them in the database's order and NUL-terminated, a shell command that runs in
the entry's folder: CLANG_WORD... (default: clang -fsyntax-only) followed by
the entry's own arguments less the compiler and the words that ask for an
output (-c, -o FILE, dependency files), so that `xargs -0 -n 1 sh -c` runs
each unit as its build compiled it, writing nothing.
"""
import json
import os
import shlex
import sys

# Words that ask for an output, alone or with the next word as their value.
OUTPUT_FLAGS = {"-c", "-M", "-MM", "-MD", "-MMD", "-MP", "-MG", "-S", "-E"}
OUTPUT_FLAGS_WITH_VALUE = {"-o", "-MF", "-MT", "-MQ", "--output", "-dumpbase", "-dumpdir"}


def entries(build_dir):
    path = build_dir if build_dir.endswith(".json") else os.path.join(build_dir, "compile_commands.json")
    with open(path, encoding="utf-8") as f:
        db = json.load(f)
    for entry in db:
        words = entry.get("arguments") or shlex.split(entry["command"])
        if os.path.splitext(entry["file"])[1] != ".c":
            continue  # assembler and C++ units are not C
        yield entry["directory"], entry["file"], words


def compile_words(words):
    """The arguments less the compiler and the output requests."""
    kept = []
    skip = False
    for word in words[1:]:
        if skip:
            skip = False
        elif word in OUTPUT_FLAGS:
            pass
        elif word in OUTPUT_FLAGS_WITH_VALUE:
            skip = True
        elif word.startswith(("-o", "--output=", "-MF", "-MT", "-MQ")) and word not in ("-o",):
            pass
        else:
            kept.append(word)
    return kept


def main(argv):
    if len(argv) < 3 or argv[1] not in ("count", "commands"):
        sys.stderr.write(__doc__)
        return 2
    units = list(entries(argv[2]))
    if argv[1] == "count":
        print(len(units))
        return 0
    clang = argv[3:] or ["clang", "-fsyntax-only"]
    out = sys.stdout
    for directory, _file, words in units:
        command = "cd %s && exec %s" % (shlex.quote(directory),
                                        " ".join(shlex.quote(w) for w in clang + compile_words(words)))
        out.write(command + "\0")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
