#!/usr/bin/env python3
"""Opens damaged copies of the shared DWG and DGN drawings with kvn-dump and
counts the opens that lose part of the drawing without telling the user.

Each copy is made from one file of ../shared/testdata by one of three
changes, chosen by a seeded generator (the same seed gives the same copies):
one byte set to another value, two to four bytes changed within 64 bytes,
or the file cut at a random length. Every copy is opened by the kvn-dump
given; the clean file is opened first for its object count.

An open is counted as an UNTOLD LOSS when all of these hold:
  - its result is 0 (the drawing opened);
  - it lost something: its "source" "skippedReasons" holds a damage reason
    (DAMAGE_REASONS below, or "not emitted" for a type other than the BLOCK
    and ENDBLK brackets) more often than the clean file does, or its sheets
    hold fewer objects in all than the clean file's;
  - its "warnings" are absent or empty.
Opens that end in a refusal, a crash (negative exit), a time-out or output
that is no JSON are counted apart.

  python3 bench/damaged-cad-opens.py KVN_DUMP [--count N] [--seed S] [--jobs J]
          [--data DIR] [--keep DIR] [--show K]

--count is the number of copies per source file (default 300, which makes
5,700 copies of the 19 drawings); --keep writes every untold copy into DIR;
--show lists that many untold copies with their losses.
"""
import argparse
import json
import os
import random
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor

DAMAGE_REASONS = {
    "CRC mismatch", "overrun", "data end missed", "handler failed", "bad block index", "cut short",
}
BRACKETS = {"BLOCK", "ENDBLK"}


def sources(data):
    files = []
    for sub, ext in (("dwg", (".dwg",)), ("dgn", (".dgn",))):
        folder = os.path.join(data, sub)
        for name in sorted(os.listdir(folder)):
            if not name.lower().endswith(ext) or name.startswith("bad_") or "_V8" in name:
                continue
            files.append(os.path.join(folder, name))
    return files


def mutate(data, rng):
    data = bytearray(data)
    kind = rng.choice(("byte", "byte", "bytes", "cut"))
    if kind == "cut":
        at = rng.randrange(1, len(data))
        return bytes(data[:at]), "cut at %d" % at
    if kind == "byte":
        at = rng.randrange(len(data))
        data[at] = (data[at] + rng.randrange(1, 256)) & 0xFF
        return bytes(data), "byte %d" % at
    start = rng.randrange(len(data))
    spots = sorted({min(len(data) - 1, start + rng.randrange(64)) for _ in range(rng.randrange(2, 5))})
    for at in spots:
        data[at] = (data[at] + rng.randrange(1, 256)) & 0xFF
    return bytes(data), "bytes " + ",".join(map(str, spots))


def losses(answer):
    """The damage counts of one answer: (type, reason) -> count."""
    found = {}
    reasons = (answer.get("source") or {}).get("skippedReasons") or {}
    for kind, by_reason in reasons.items():
        for reason, count in by_reason.items():
            if reason in DAMAGE_REASONS or (reason == "not emitted" and kind not in BRACKETS):
                found[(kind, reason)] = count
    return found


def object_total(answer):
    return sum(sum(sheet.get("objects", {}).values()) for sheet in answer.get("sheets") or [])


def dump(tool, path):
    try:
        run = subprocess.run([tool, path], capture_output=True, timeout=60)
    except subprocess.TimeoutExpired:
        return "timeout", None
    if run.returncode < 0:
        return "crash", None
    try:
        return "ok", json.loads(run.stdout)
    except ValueError:
        return "bad json", None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("tool")
    parser.add_argument("--count", type=int, default=300)
    parser.add_argument("--seed", type=int, default=82)
    parser.add_argument("--jobs", type=int, default=3)
    parser.add_argument("--data", default=os.path.join(os.path.dirname(__file__), "..", "..", "shared", "testdata"))
    parser.add_argument("--keep")
    parser.add_argument("--show", type=int, default=0)
    args = parser.parse_args()

    files = sources(args.data)
    if not files:
        sys.exit("no DWG or DGN files under " + args.data)
    scratch = tempfile.mkdtemp(prefix="kvn-damaged-")
    jobs = []
    clean = {}
    for index, path in enumerate(files):
        state, answer = dump(args.tool, path)
        if state != "ok" or answer.get("result") != 0:
            print("skipping %s: the clean file does not open" % path)
            continue
        clean[path] = (losses(answer), object_total(answer))
        original = open(path, "rb").read()
        rng = random.Random(args.seed * 1000003 + index)
        suffix = os.path.splitext(path)[1]
        for k in range(args.count):
            data, how = mutate(original, rng)
            copy = os.path.join(scratch, "%s.%04d%s" % (os.path.basename(path)[:-len(suffix)], k, suffix))
            with open(copy, "wb") as out:
                out.write(data)
            jobs.append((path, copy, how))

    def judge(job):
        path, copy, how = job
        state, answer = dump(args.tool, copy)
        if state != "ok":
            return job, state, None
        if answer.get("result") != 0:
            return job, "refused", None
        clean_losses, clean_objects = clean[path]
        grown = {key: count - clean_losses.get(key, 0) for key, count in losses(answer).items()
                 if count > clean_losses.get(key, 0)}
        fewer = clean_objects - object_total(answer)
        if not grown and fewer <= 0:
            return job, "whole", None
        if answer.get("warnings"):
            return job, "told", None
        return job, "untold", (grown, fewer)

    with ThreadPoolExecutor(max_workers=args.jobs) as pool:
        results = list(pool.map(judge, jobs))

    tally = {}
    per_kind = {}
    untold = []
    for (path, copy, how), state, detail in results:
        kind = "DGN" if path.lower().endswith(".dgn") else "DWG"
        tally[(kind, state)] = tally.get((kind, state), 0) + 1
        per_kind[kind] = per_kind.get(kind, 0) + 1
        if state == "untold":
            untold.append((path, copy, how, detail))
            if args.keep:
                os.makedirs(args.keep, exist_ok=True)
                with open(copy, "rb") as src, open(os.path.join(args.keep, os.path.basename(copy)), "wb") as out:
                    out.write(src.read())
    for path, copy, _ in jobs:
        os.remove(copy)
    os.rmdir(scratch)

    print("tool %s, seed %d, %d copies of %d files" % (args.tool, args.seed, len(jobs), len(clean)))
    for kind in ("DWG", "DGN"):
        states = {s: c for (k, s), c in tally.items() if k == kind}
        print("%s: %d copies: %s" % (kind, per_kind.get(kind, 0),
                                     ", ".join("%s %d" % (s, c) for s, c in sorted(states.items()))))
    by_file = {}
    for (path, _, _), state, _ in results:
        counts = by_file.setdefault(os.path.basename(path), {})
        counts[state] = counts.get(state, 0) + 1
    for name, counts in sorted(by_file.items()):
        print("  %-40s %s" % (name, ", ".join("%s %d" % (s, c) for s, c in sorted(counts.items()))))
    for path, copy, how, (grown, fewer) in untold[:args.show]:
        what = ", ".join("%s %s +%d" % (k[0], k[1], c) for k, c in sorted(grown.items()))
        print("  %s (%s): %s%s" % (os.path.basename(copy), how, what, "; %d objects fewer" % fewer if fewer > 0 else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main())
