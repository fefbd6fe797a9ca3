#!/usr/bin/env python3
"""Cost of the running counter: an F2 rescan in tree mode in a real terminal
(tmux) against the quiet command-line scan of the same drive, each timed
from its start to the moment KS.DAT is replaced.

  scan_counter.py KS95 TREE HOME
"""
import os
import statistics
import subprocess
import sys
import time

ks95, tree, home = sys.argv[1:4]
env = dict(os.environ, KS95_DRIVES="C=/;D=" + tree, KS95_HOME=home,
           KS95_CDFILE=os.path.join(home, "cd.sh"), TERM="xterm-256color")
dat = os.path.join(home, "KS.DAT")
sock = "ks95-bench-%d" % os.getpid()


def tmux(*args):
    return subprocess.run(["tmux", "-L", sock] + list(args), env=env,
                          capture_output=True, text=True).stdout


def wait_screen(text, limit=30):
    end = time.time() + limit
    while time.time() < end:
        if text in tmux("capture-pane", "-p", "-t", "main"):
            return
        time.sleep(0.01)
    raise SystemExit("timed out waiting for " + text)


def stamp():
    st = os.stat(dat)
    return (st.st_ino, st.st_mtime_ns)


def until_replaced(before, t0):
    while stamp() == before:
        time.sleep(0.0005)
    return (time.perf_counter() - t0) * 1000


subprocess.run([ks95, "=ks95", "/sD"], env=env, stdout=subprocess.DEVNULL, check=True)
tmux("-f", "/dev/null", "new-session", "-d", "-x", "80", "-y", "25", "-s", "main",
     "-c", tree, ks95 + " =ks95")
try:
    wait_screen("Kestrin 95")
    tree_ms, line_ms = [], []
    for _ in range(7):
        tmux("send-keys", "-t", "main", "F2")
        wait_screen("Enter drives to scan:")
        tmux("send-keys", "-t", "main", "d")
        wait_screen("scan: D")
        before = stamp()
        t0 = time.perf_counter()
        tmux("send-keys", "-t", "main", "Enter")
        tree_ms.append(until_replaced(before, t0))
        wait_screen("Scanned")

        before = stamp()
        t0 = time.perf_counter()
        p = subprocess.Popen([ks95, "=ks95", "/sD"], env=env, stdout=subprocess.DEVNULL,
                             stdin=subprocess.DEVNULL)
        line_ms.append(until_replaced(before, t0))
        p.wait()
finally:
    tmux("kill-server")
t, c = statistics.median(tree_ms), statistics.median(line_ms)
print("F2 in tree mode (counter shown): %.1f ms   /sD (quiet, incl. process start): %.1f ms"
      "   counter overhead: %+.0f%% (target <= 10%%)" % (t, c, (t / c - 1) * 100))
