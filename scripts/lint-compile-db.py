#!/usr/bin/env python3
"""Turns the cross build's compile database into one clang-tidy can use.

usage: lint-compile-db.py RAW_DB OUT_DB SOURCE_ROOT DIR...

Keeps the entries of sources under the given folders of SOURCE_ROOT (once per file), and rewrites
their commands for clang: the MinGW target and its headers named explicitly (clang would look in
the host's /usr/include and miss the posix-thread libstdc++), include response files expanded
(CMake's Windows platform writes the include paths into them), and -fexec-charset=GB18030
dropped, since clang only knows UTF-8 and the execution character set changes no diagnostic, as
are GCC's own link-time options (GCC_ONLY).
"""
import json
import os
import shlex
import subprocess
import sys

TARGET = "i686-w64-mingw32"
GCC = f"{TARGET}-g++-posix"
# Options clang does not know or would warn about: the link-time form GCC keeps beside the machine
# code, and how GCC splits the link-time step. Neither changes a diagnostic.
GCC_ONLY = ("-fexec-charset=", "-ffat-lto-objects", "-flto-partition=")


def system_includes():
    """The include folders the cross compiler searches, less GCC's own builtin headers, which
    clang replaces with those of its resource folder (kept at the same place in the order)."""
    probe = subprocess.run([GCC, "-E", "-x", "c++", "-", "-v"], stdin=subprocess.DEVNULL,
                           capture_output=True, text=True, check=True).stderr.splitlines()
    start = probe.index("#include <...> search starts here:") + 1
    end = probe.index("End of search list.")
    folders = [os.path.normpath(line.strip()) for line in probe[start:end]]
    resource = subprocess.run(["clang", "-print-resource-dir"], capture_output=True, text=True,
                              check=True).stdout.strip()
    out = []
    for folder in folders:
        if folder.endswith(("/include", "/include-fixed")) and "/lib/gcc/" in folder:
            if os.path.join(resource, "include") not in out:
                out.append(os.path.join(resource, "include"))
            continue
        out.append(folder)
    return out


def expand(args, directory):
    out = []
    for arg in args:
        if arg.startswith("@"):
            path = os.path.join(directory, arg[1:])
            with open(path, encoding="utf-8") as f:
                out.extend(expand(shlex.split(f.read()), directory))
        else:
            out.append(arg)
    return out


def main():
    raw, target, root, *dirs = sys.argv[1:]
    root = os.path.realpath(root)
    prefixes = tuple(os.path.join(root, d.strip("/")) + "/" for d in dirs)
    includes = system_includes()
    with open(raw, encoding="utf-8") as f:
        entries = json.load(f)
    seen = set()
    out = []
    for entry in entries:
        path = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
        if not path.startswith(prefixes) or path in seen:
            continue
        seen.add(path)
        args = entry.get("arguments") or shlex.split(entry["command"])
        args = expand(args[1:], entry["directory"])
        args = [a for a in args if not a.startswith(GCC_ONLY)]
        head = ["clang++", f"--target={TARGET}", "-nostdinc"]
        for folder in includes:
            head += ["-isystem", folder]
        out.append({"directory": entry["directory"], "file": path, "arguments": head + args})
    os.makedirs(os.path.dirname(os.path.abspath(target)), exist_ok=True)
    with open(target, "w", encoding="utf-8") as f:
        json.dump(out, f, indent=1)
    print(f"{len(out)} sources in {target}")


if __name__ == "__main__":
    main()
