#!/usr/bin/env python3
"""What a scan of one drive must write, from `find` output.

  scan_oracle.py expect LETTER ROOT    the drive's directory lines (no root
                                       line) in tree order, CR LF each
  scan_oracle.py lines LETTER KSDAT    the drive's directory lines of a scan
                                       file, in file order
Reads `find ROOT ... -print0` on stdin for `expect`.
"""
import sys


def name_key(name):
    return bytes(b - 32 if 0x61 <= b <= 0x7A else b for b in name)


def tree_key(path):
    # Name by name: letters a to z as upper case, names equal that way by
    # their bytes; a directory before everything below it.
    return [(name_key(n), n) for n in path.split(b"\\")]


def expect(letter, root):
    root = root.rstrip(b"/")
    found = []
    for p in sys.stdin.buffer.read().split(b"\0"):
        if not p.startswith(root + b"/"):
            continue
        rel = p[len(root) + 1:]
        if any(c in rel for c in (b"\r", b"\n", b"\x1a", b"\\")):
            continue
        found.append(letter + b":\\" + rel.replace(b"/", b"\\"))
    found.sort(key=tree_key)
    sys.stdout.buffer.write(b"".join(f + b"\r\n" for f in found))


def lines(letter, ksdat):
    with open(ksdat, "rb") as f:
        data = f.read()
    out = [l for l in data.split(b"\r\n") if l.startswith(letter + b":")]
    sys.stdout.buffer.write(b"".join(l + b"\r\n" for l in out if l[3:4] != b"*"))


if __name__ == "__main__":
    mode, letter, arg = sys.argv[1], sys.argv[2].encode(), sys.argv[3].encode()
    expect(letter, arg) if mode == "expect" else lines(letter, arg)
