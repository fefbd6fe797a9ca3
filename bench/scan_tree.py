#!/usr/bin/env python3
"""Creates the scan benchmark's tree: 9,910 directories, 100,000 files; with
"big", 200,020 directories and 1,000,000 files.

  scan_tree.py DIR [big]    (does nothing when DIR/.complete exists)
"""
import os
import sys

root = sys.argv[1]
big = len(sys.argv) > 2 and sys.argv[2] == "big"
if big and not os.path.exists(os.path.join(root, ".complete")):
    for a in range(20):
        for b in range(100):
            mid = os.path.join(root, "Top%02d" % a, "mid%02d" % b)
            os.makedirs(mid, exist_ok=True)
            for f in range(5):
                open(os.path.join(mid, "file%d.txt" % f), "w").close()
            for c in range(99):
                leaf = os.path.join(mid, "Leaf%03d" % c)
                os.mkdir(leaf)
                for f in range(5):
                    open(os.path.join(leaf, "data%d.bin" % f), "w").close()
    open(os.path.join(root, ".complete"), "w").close()
elif not os.path.exists(os.path.join(root, ".complete")):
    for a in range(10):
        for b in range(10):
            mid = os.path.join(root, "Top%02d" % a, "mid%02d" % b)
            os.makedirs(mid, exist_ok=True)
            for f in range(20):
                open(os.path.join(mid, "file%02d.txt" % f), "w").close()
            for c in range(98):
                leaf = os.path.join(mid, "Leaf%03d" % c)
                os.makedirs(leaf, exist_ok=True)
                for f in range(10):
                    open(os.path.join(leaf, "data%d.bin" % f), "w").close()
    open(os.path.join(root, ".complete"), "w").close()
