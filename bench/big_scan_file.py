#!/usr/bin/env python3
"""Writes a generated scan file for the big-drive benchmarks: drive C with
1,000,000 entries (root included) in tree order, directories 2 to 12 levels
deep with names of 3 to 40 characters, and 25 more drives of 10,000 entries.
Drive M holds one first-level folder named TargetDir, the jump's one match.
The same bytes on every run (fixed seed).
Usage: big_scan_file.py OUTPUT [ENTRIES_OF_C]"""
import random
import sys

NAME_CHARS = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_- "


def names(rng, count, extra=None):
    seen = set()
    out = []
    if extra:
        seen.add(extra.upper())
        out.append(extra)
    while len(out) < count:
        length = 3 + min(37, int(rng.expovariate(1 / 4.0)))
        name = "".join(rng.choice(NAME_CHARS) for _ in range(length)).strip()
        if len(name) < 3 or name[0] == "." or name.upper() in seen:
            continue
        seen.add(name.upper())
        out.append(name)
    # Tree order among siblings: letters a-z compare as upper case.
    out.sort(key=lambda n: n.upper().encode())
    return out


def build(rng, out, path, depth, n, extra=None):
    """Writes n directories below `path` (at `depth`), in tree order."""
    if n <= 0:
        return
    if depth >= 11:
        children = n  # the twelfth level holds leaves only
    elif depth == 0:
        children = min(n, 20)
    else:
        children = min(n, 1 + int(rng.expovariate(1 / 7.0)))
    rest = n - children
    weights = [rng.expovariate(1.0) for _ in range(children)]
    total = sum(weights)
    shares = [int(rest * w / total) for w in weights]
    shares[0] += rest - sum(shares)
    for name, share in zip(names(rng, children, extra), shares):
        child = path + "\\" + name
        out.append(child + "\r\n")
        build(rng, out, child, depth + 1, share)


def drive(rng, f, letter, entries):
    out = ["%s:\\*07.12.2026 10:15:00\r\n" % letter]
    build(rng, out, letter + ":", 0, entries - 1, "TargetDir" if letter == "M" else None)
    f.write("".join(out).encode("latin-1"))


def main():
    path = sys.argv[1]
    big = int(sys.argv[2]) if len(sys.argv) > 2 else 1000000
    rng = random.Random(1995)
    with open(path, "wb") as f:
        for d in range(26):
            letter = chr(65 + d)
            drive(rng, f, letter, big if letter == "C" else 10000)


if __name__ == "__main__":
    main()
