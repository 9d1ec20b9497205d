#!/usr/bin/env python3
"""Kills the programs while they save, at random moments, and looks at what is left.

Each kind of save runs in a real process that saves in a loop, alternating two versions, until
it is killed with SIGKILL: the editor saving its document, the editor returning an embedded
object (the document, its two pictures and the exchange file's hint; starting, it writes the
exchange file too), the editor's options sheet setting a default, and kalvane-cli rendering a
batch of pictures. Before the kills, runs that are not killed record every whole version of
every file. After every kill each file must be byte for byte one of its whole versions, and a
folder may hold at most one temporary file (the save the kill interrupted); after a last run
that is not killed, none.

usage: kill_saves_test.py --save-loop PROGRAM --cli KALVANE_CLI --kills N [--seed S]
"""

import argparse
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

# How many of the kills each kind of save takes.
SHARES = {"document": 0.3, "object": 0.25, "options": 0.25, "pictures": 0.2}
# Equations for the batch, in two versions of different lengths.
BATCH_SIZE = 120
# A kill lands this long at most after the program is ready (it saves all the while); some
# kills land during start-up instead, where the editor marks itself running.
LATEST_KILL_SECONDS = 0.25
STARTUP_KILL_SHARE = 0.2


def is_temporary(name):
    return name.startswith(".") and ".tmp-" in name


class Scenario:
    """One kind of save, in a folder of its own with its own configuration folders."""

    def __init__(self, kind, root, args):
        self.kind = kind
        self.root = root / kind
        self.work = self.root / "work"
        self.config = self.root / "config"
        self.work.mkdir(parents=True)
        self.env = dict(os.environ)
        self.env.update({
            "HOME": str(self.root / "home"),
            "XDG_CONFIG_HOME": str(self.config),
            "XDG_CONFIG_DIRS": str(self.root / "xdg"),
            "KALVANE_PROGRAM_FOLDER": str(self.root / "program"),
            "QT_QPA_PLATFORM": "offscreen",
        })
        self.args = args
        self.versions = {}  # file path -> set of whole contents seen
        if kind == "object":
            # What a container writes before it starts the editor.
            store = self.config / "Morvak" / "KLV3ADJ.ini"
            store.parent.mkdir(parents=True)
            store.write_bytes(b"[Font Info]\r\nName=Liberation Serif\r\nSize=12\r\n\r\n")
        if kind == "pictures":
            for version in (0, 1):
                lines = [("x^%d+%d" % (i, i)) if version == 0 else
                         ("(a_%d+b)/(c-%d) = sqrt(x^2+%d)" % (i, i, i)) for i in range(BATCH_SIZE)]
                (self.root / ("list%d.txt" % version)).write_text("\n".join(lines) + "\n")

    def command(self, version=0, rounds=None):
        if self.kind == "pictures":
            return [self.args.cli, "render", "--batch", str(self.root / ("list%d.txt" % version)),
                    "--out-dir", str(self.work), "--format", "svg"]
        command = [self.args.save_loop, self.kind, str(self.work)]
        if rounds is not None:
            command += ["--rounds", str(rounds)]
        return command

    def files(self):
        return [p for folder in (self.work, self.config) if folder.exists()
                for p in folder.rglob("*") if p.is_file() and not is_temporary(p.name)]

    def temporaries(self):
        return [p for folder in (self.work, self.config) if folder.exists()
                for p in folder.rglob("*") if p.is_file() and is_temporary(p.name)]

    def record(self):
        for path in self.files():
            self.versions.setdefault(path, set()).add(path.read_bytes())

    def run_whole(self, version=0, rounds=None):
        result = subprocess.run(self.command(version, rounds), env=self.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=300)
        if result.returncode != 0:
            sys.exit("%s: %s failed: %s" % (self.kind, self.command(version, rounds),
                                             result.stderr.decode(errors="replace")))

    def learn_versions(self):
        """Records every whole version of every file the saves write."""
        if self.kind == "pictures":
            for version in (0, 1, 0):
                self.run_whole(version)
                self.record()
        else:
            for rounds in (1, 2, 3):
                self.run_whole(rounds=rounds)
                self.record()

    def kill_once(self, number, rng):
        process = subprocess.Popen(self.command(number % 2), env=self.env, stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, start_new_session=True)
        if self.kind != "pictures" and rng.random() >= STARTUP_KILL_SHARE:
            line = process.stdout.readline()
            if line.strip() != b"ready":
                process.kill()
                sys.exit("%s: the program did not start" % self.kind)
        time.sleep(rng.uniform(0, LATEST_KILL_SECONDS))
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()
        process.stdout.close()
        return self.check("after kill %d" % number)

    def check(self, when):
        problems = []
        for path in self.files():
            whole = self.versions.get(path)
            if whole is None:
                problems.append("%s: %s appeared, unknown" % (when, path))
            elif path.read_bytes() not in whole:
                problems.append("%s: %s is not a whole version (%d bytes)"
                                % (when, path, path.stat().st_size))
        for path in self.versions:
            if not path.exists():
                problems.append("%s: %s is gone" % (when, path))
        folders = {}
        for path in self.temporaries():
            folders.setdefault(path.parent, []).append(path.name)
        for folder, names in folders.items():
            if len(names) > 1:
                problems.append("%s: %d temporaries in %s: %s" % (when, len(names), folder, names))
        return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--save-loop", required=True)
    parser.add_argument("--cli", required=True)
    parser.add_argument("--kills", type=int, required=True)
    parser.add_argument("--seed", type=int, default=None)
    args = parser.parse_args()
    seed = args.seed if args.seed is not None else random.randrange(1 << 30)
    rng = random.Random(seed)
    print("seed %d" % seed)

    root = Path(tempfile.mkdtemp(prefix="kalvane-kill-"))
    problems = []
    try:
        for kind, share in SHARES.items():
            scenario = Scenario(kind, root, args)
            scenario.learn_versions()
            kills = max(1, round(args.kills * share))
            started = time.monotonic()
            for number in range(kills):
                problems += scenario.kill_once(number, rng)
            left = len(scenario.temporaries())
            # A run that is not killed clears what the killed ones left.
            scenario.run_whole(rounds=1)
            problems += scenario.check("after the last run")
            if scenario.temporaries():
                problems.append("%s: temporaries left after a whole run: %s"
                                % (kind, scenario.temporaries()))
            print("%s: %d kills in %.0f s, %d files checked each time, %d temporary left before "
                  "the last run" % (kind, kills, time.monotonic() - started,
                                    len(scenario.versions), left))
    finally:
        shutil.rmtree(root, ignore_errors=True)
    for problem in problems[:50]:
        print(problem)
    if problems:
        print("%d problems (seed %d)" % (len(problems), seed))
        return 1
    print("all files whole after every kill")
    return 0


if __name__ == "__main__":
    sys.exit(main())
