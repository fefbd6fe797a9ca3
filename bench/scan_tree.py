#!/usr/bin/env python3
"""Creates the scan benchmark's tree: 9,910 directories, 100,000 files.

  scan_tree.py DIR    (does nothing when DIR/.complete exists)
"""
import os
import sys

root = sys.argv[1]
if not os.path.exists(os.path.join(root, ".complete")):
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
