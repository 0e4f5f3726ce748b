#!/usr/bin/env python3
"""Copies a C++ source for the native build, turning every non-ASCII character of a narrow
string literal into its GBK bytes written as escapes.

The Windows build compiles the UTF-8 sources with -fexec-charset=GB18030, so "中" is the two
bytes D6 D0 there. Clang knows no execution character set but UTF-8; without this step the
native build would test other bytes than the ones we ship. Wide, UTF-16/32 and u8 literals are
copied unchanged, as are comments. A non-ASCII character in a narrow character literal or raw
string is refused: there is no faithful escape form for it here.

usage: gbk_literals.py INPUT OUTPUT
"""
import os
import re
import sys

IDENT = re.compile(r"[A-Za-z_][A-Za-z0-9_]*")
PPNUMBER = re.compile(r"\.?[0-9](?:[eEpP][+-]|'[0-9A-Za-z_]|[0-9A-Za-z_.])*")
PREFIXES = {"L", "u", "U", "u8", "R", "LR", "uR", "UR", "u8R"}
HEX = set("0123456789abcdefABCDEF")


class Refused(Exception):
    pass


def literal_end(src, i, quote):
    """Index just past the literal whose opening quote is at i (escapes honoured)."""
    j = i + 1
    while j < len(src) and src[j] != quote:
        if src[j] == "\\":
            j += 1
        elif src[j] == "\n":
            raise Refused("unterminated literal")
        j += 1
    if j >= len(src):
        raise Refused("unterminated literal")
    return j + 1


def narrow_to_gbk(body):
    """The characters between the quotes of a narrow literal, non-ASCII ones as GBK escapes."""
    out = []
    after_escape = False  # the previous output was a hex escape that a hex digit would extend
    k = 0
    while k < len(body):
        ch = body[k]
        if ch == "\\":
            out.append(body[k:k + 2])
            after_escape = False
            k += 2
            continue
        if ord(ch) < 0x80:
            if after_escape and ch in HEX:
                out.append('""')
            out.append(ch)
            after_escape = False
        else:
            out.append("".join("\\x%02X" % b for b in ch.encode("gb18030")))
            after_escape = True
        k += 1
    return "".join(out)


def convert(src):
    out = []
    i = 0
    n = len(src)
    while i < n:
        c = src[i]
        if src.startswith("//", i):
            j = src.find("\n", i)
            j = n if j < 0 else j
        elif src.startswith("/*", i):
            j = src.find("*/", i + 2)
            j = n if j < 0 else j + 2
        elif c.isdigit() or (c == "." and i + 1 < n and src[i + 1].isdigit()):
            j = PPNUMBER.match(src, i).end()  # keeps digit separators (1'000) out of char literals
        elif c.isalpha() or c == "_":
            j = IDENT.match(src, i).end()
            prefix = src[i:j]
            if prefix in PREFIXES and j < n and src[j] in "\"'":
                j = copy_literal(src, j, prefix, out, i)
                i = j
                continue
        elif c in "\"'":
            i = copy_literal(src, i, "", out, i)
            continue
        else:
            j = i + 1
        out.append(src[i:j])
        i = j
    return "".join(out)


def copy_literal(src, q, prefix, out, start):
    """Appends the literal starting at `start` (prefix) with its quote at q; returns its end."""
    if prefix.endswith("R"):
        open_paren = src.index("(", q)
        delimiter = ")" + src[q + 1:open_paren] + '"'
        end = src.index(delimiter, open_paren) + len(delimiter)
        text = src[start:end]
        if prefix == "R" and any(ord(ch) >= 0x80 for ch in text):
            raise Refused("non-ASCII text in a narrow raw string")
        out.append(text)
        return end
    end = literal_end(src, q, src[q])
    text = src[start:end]
    if prefix or all(ord(ch) < 0x80 for ch in text):
        out.append(text)
    elif src[q] == "'":
        raise Refused("non-ASCII text in a narrow character literal")
    else:
        out.append('"' + narrow_to_gbk(src[q + 1:end - 1]) + '"')
    return end


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[-1])
    source, target = sys.argv[1], sys.argv[2]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    try:
        converted = convert(text)
    except Refused as e:
        sys.exit(f"{source}: {e}")
    os.makedirs(os.path.dirname(target), exist_ok=True)
    with open(target + ".tmp", "w", encoding="utf-8") as f:
        # Diagnostics, sanitizer reports and __FILE__ name the real source.
        f.write(f'#line 1 "{source}"\n')
        f.write(converted)
    os.replace(target + ".tmp", target)


if __name__ == "__main__":
    main()
