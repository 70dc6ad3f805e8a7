#!/usr/bin/env python3
"""Times commands side by side as whole processes: one warm-up round, then RUNS rounds in which
every command runs once in turn, so that a machine whose speed drifts slows all of them alike;
each round starts with the next command, so none always runs right after the same other one.
Prints each command's median, minimum and maximum wall time and its median peak memory (which
cannot read below this script's own, about 15 MB, since a command starts as a copy of it), and for
every other command the median over the rounds of its time divided by the first command's (the
first command's speed-up over it).

  sidebyside.py [-n RUNS] [--copy-of FILE] [--check CMD] [--keep] -- LABEL 'COMMAND' LABEL 'COMMAND' ...

Commands run under /bin/sh. In a command, {fresh} is a new empty folder made before the run and
removed after it, {out} a file in such a folder that does not exist yet (its size is printed),
{copy} a fresh copy of --copy-of FILE. --check runs after every run with the same {fresh}, {out} or
{copy} (not timed) and must succeed. With --keep, the folders are removed only after the last
round: on ext4, files made in the minutes after many were deleted are several times slower to
create (the inode allocator steps over every recently freed inode), so removing each tree of
hundreds of thousands of files would slow whichever run comes next by chance.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def run_once(command, check, copy_of, work, kept):
    place = tempfile.mkdtemp(dir=work)
    values = {"fresh": place, "out": os.path.join(place, "out.zip"), "copy": ""}
    if copy_of:
        values["copy"] = os.path.join(place, os.path.basename(copy_of))
        shutil.copyfile(copy_of, values["copy"])
    text = command.format(**values)
    start = time.perf_counter()
    process = subprocess.Popen(["/bin/sh", "-c", text], stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE)
    _, status, usage = os.wait4(process.pid, 0)
    seconds = time.perf_counter() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    error = process.stderr.read().decode(errors="replace")
    process.stderr.close()
    if process.returncode != 0:
        sys.exit(f"failed ({process.returncode}): {text}\n{error}")
    if check:
        checked = subprocess.run(["/bin/sh", "-c", check.format(**values)], capture_output=True)
        if checked.returncode != 0:
            sys.exit(f"check failed after: {text}\n{checked.stdout.decode()}{checked.stderr.decode()}")
    size = os.path.getsize(values["out"]) if os.path.exists(values["out"]) else None
    if kept is None:
        shutil.rmtree(place)
    else:
        kept.append(place)
    return seconds, usage.ru_maxrss / 1024, size


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("-n", type=int, default=5)
    parser.add_argument("--copy-of")
    parser.add_argument("--check")
    parser.add_argument("--keep", action="store_true")
    parser.add_argument("pairs", nargs="+")
    args = parser.parse_args()
    if len(args.pairs) % 2:
        sys.exit("give LABEL COMMAND pairs")
    labels, commands = args.pairs[0::2], args.pairs[1::2]
    work = os.environ.get("BENCH_WORK", tempfile.gettempdir())
    rounds = []
    kept = [] if args.keep else None
    for round_number in range(args.n + 1):
        results = [None] * len(commands)
        for k in range(len(commands)):
            i = (round_number + k) % len(commands)
            results[i] = run_once(commands[i], args.check, args.copy_of, work, kept)
        if round_number > 0:  # the first round warms the caches
            rounds.append(results)
    print(f"{'':24} {'median s':>9} {'min s':>8} {'max s':>8} {'peak MB':>8} {'bytes':>11}")
    for i, label in enumerate(labels):
        times = [r[i][0] for r in rounds]
        peak = statistics.median(r[i][1] for r in rounds)
        size = rounds[-1][i][2]
        print(f"{label:24} {statistics.median(times):9.3f} {min(times):8.3f} {max(times):8.3f} "
              f"{peak:8.1f} {size if size is not None else '':>11}")
    for i, label in enumerate(labels[1:], start=1):
        ratios = [r[i][0] / r[0][0] for r in rounds]
        print(f"ratio {label} / {labels[0]}: {statistics.median(ratios):.2f} "
              f"(min {min(ratios):.2f}, max {max(ratios):.2f}, {len(ratios)} rounds)")
    # The figures come first: removing a million kept files can take longer than the runs did.
    sys.stdout.flush()
    for place in kept or []:
        shutil.rmtree(place)


if __name__ == "__main__":
    main()
