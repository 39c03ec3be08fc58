#!/usr/bin/env python3
"""scripts/lint's reading of a build's compile_commands.json, for clang-tidy.

  lint_tidy.py compiler BUILD
      the compiler of the build's first entry (the cross compiler)
  lint_tidy.py keys BUILD REPO COMMON [SOURCE...] < HEADERS
      "KEY SOURCE" for every project source of the build (or the given ones,
      as full paths). HEADERS, one a line relative to REPO, stand for what a
      source includes when the build has not listed that yet.

A key covers COMMON (the tools and the configuration), the compile command and
the content of every file the source includes outside /usr as the last build
listed them (its .d file): a source whose key has a clean record need not be
analysed again.
"""
import hashlib
import json
import os
import shlex
import sys


def entries(build):
    with open(os.path.join(build, "compile_commands.json")) as f:
        return json.load(f)


def arguments(entry):
    return entry.get("arguments") or shlex.split(entry["command"])


def compiler(build):
    entry = entries(build)[0]
    print(entry["arguments"][0] if "arguments" in entry else shlex.split(entry["command"])[0])


def content(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return b"missing"


def keys(build, repo, common, wanted):
    headers = sys.stdin.read().split("\n")
    seen = set()
    for entry in entries(build):
        where = entry["directory"]
        source = os.path.realpath(os.path.join(where, entry["file"]))
        inside = os.path.relpath(source, repo)
        if inside.startswith("..") or inside.split(os.sep)[0] in ("build", ".wine"):
            continue
        if (wanted and source not in wanted) or source in seen:
            continue
        seen.add(source)
        args = arguments(entry)
        key = hashlib.sha256(common.encode())
        key.update(json.dumps(args).encode())
        deps = None
        if "-o" in args:
            listed = content(os.path.join(where, args[args.index("-o") + 1] + ".d"))
            if listed != b"missing":
                words = listed.decode(errors="replace").replace("\\\n", " ").split()
                deps = [os.path.realpath(os.path.join(where, w)) for w in words[1:]]
                deps = [d for d in deps if not d.startswith("/usr/")]
        if deps is None or source not in deps:
            deps = [source] + [os.path.join(repo, h) for h in headers if h]
        for dep in sorted(set(deps)):
            key.update(dep.encode())
            key.update(content(dep))
        print(key.hexdigest(), source)


def main(argv):
    if len(argv) == 3 and argv[1] == "compiler":
        compiler(argv[2])
    elif len(argv) >= 5 and argv[1] == "keys":
        keys(argv[2], argv[3], argv[4], set(argv[5:]))
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
