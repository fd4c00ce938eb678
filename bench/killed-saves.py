#!/usr/bin/python3
"""Kills a loop of adds and saves on a 32,000-card deck at random moments,
200 times, and looks at the deck after each kill: it must open in our reader
and in xlrd, and hold the cards saved before the kill (the old deck) or those
and the card being saved (the new one), nothing else. The next save must
leave no temporary file beside it.

    /usr/bin/python3 bench/killed-saves.py build/bench/bench_killed_saves [KILLS] [SEED]
"""
import os
import random
import signal
import subprocess
import sys
import tempfile
import time

import xlrd

helper = os.path.abspath(sys.argv[1])
kills = int(sys.argv[2]) if len(sys.argv) > 2 else 200
rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 15)


def run(*args):
    return subprocess.run([helper, *args], capture_output=True, text=True)


def ours(deck):
    """(added cards or None, temporary files beside the deck)"""
    out = run("check", deck).stdout.split("\n")
    cards = int(out[0].split()[1]) if out[0].startswith("cards ") else None
    return cards, int(out[1].split()[1]), out[0]


def xlrds(deck):
    """The added cards as xlrd reads them, or None when it cannot."""
    try:
        sheet = xlrd.open_workbook(deck).sheet_by_name("Sheet1")
    except Exception as e:  # noqa: BLE001 - any failure is a damaged deck
        print("  xlrd:", e)
        return None
    added = [v for v in sheet.col_values(0) if isinstance(v, str) and v.startswith("added ")]
    return len(added) if added == ["added %d" % i for i in range(len(added))] else None


with tempfile.TemporaryDirectory(dir=os.getcwd()) as folder:  # on the disk run from
    deck = os.path.join(folder, "Big.xls")
    status_path = os.path.join(folder, "status")
    subprocess.run([helper, "make", deck, "32000"], check=True)
    saved = 0          # cards on disk, as last checked
    inside = damaged = wrong = left_after_kill = left_after_save = 0
    old_kept = new_kept = 0
    started = time.monotonic()
    for k in range(kills):
        if os.path.exists(status_path):
            os.unlink(status_path)
        loop = subprocess.Popen([helper, "loop", deck, status_path])
        time.sleep(rng.uniform(0.05, 1.0))  # opening takes about 0.05 s, a save 0.13 s
        loop.send_signal(signal.SIGKILL)
        loop.wait()
        state = open(status_path).read().split() if os.path.exists(status_path) else []
        cards, leftovers, line = ours(deck)
        theirs = xlrds(deck)
        if state and state[0] == "S":
            inside += 1
            being_saved = int(state[1])
            allowed = {being_saved, being_saved + 1}
        elif state:
            allowed = {int(state[1]) + 1}
        else:
            allowed = {saved}
        if cards is None or theirs is None:
            damaged += 1
            print("kill %d: damaged (%s)" % (k, line))
        elif cards not in allowed or theirs != cards:
            wrong += 1
            print("kill %d: %s cards, xlrd %s, expected one of %s" % (k, cards, theirs, sorted(allowed)))
        elif state and state[0] == "S":
            if cards == being_saved:
                old_kept += 1
            else:
                new_kept += 1
        left_after_kill += leftovers
        after = run("save", deck)
        left = int(after.stdout.split()[1]) if after.returncode == 0 else -1
        if left != 0:
            left_after_save += 1
            print("kill %d: the next save left %s temporary files (%s)" % (k, left, after.stderr.strip()))
        saved = ours(deck)[0] or 0
    print("kills: %d in %.0f s; inside a save: %d (deck kept old: %d, new: %d)"
          % (kills, time.monotonic() - started, inside, old_kept, new_kept))
    print("temporary files found right after a kill: %d; after the next save: %d saves left some"
          % (left_after_kill, left_after_save))
    print("decks unreadable by our reader or xlrd: %d; with other content than old or new: %d"
          % (damaged, wrong))
    print("cards added and saved in all: %d" % saved)
    sys.exit(1 if damaged or wrong or left_after_save else 0)
