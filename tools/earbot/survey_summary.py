"""Figures of a survey: the JSON lines of scripts/earbot.sh (or random_walker.py), and,
given --notes and --sim, what the ear player's notebook says about hearing the hints,
checked against the worlds (quelmire-sim --world: a measurement after the games, which
the player never sees).

    survey_summary.py ear.jsonl [--notes DIR --sim build/release/run/quelmire-sim]
"""

import argparse
import json
import os
import subprocess

import numpy as np


def games(paths):
    out = []
    for path in paths:
        with open(path) as f:
            for line in f:
                g = json.loads(line)
                if "seed" in g:
                    out.append(g)
    return sorted(out, key=lambda g: g["seed"])


def outcome(results):
    n = len(results)
    pages = [g["pages"] for g in results]
    taken = sum(pages)
    lines = [
        "games %d, wins %d, deaths %d, out of time %d" % (
            n, sum(g["cause"] == "outro" for g in results),
            sum(g["cause"] == "death" for g in results),
            sum(g["cause"] == "time" for g in results)),
        "pages: mean %.2f, median %.1f, histogram %s" % (
            np.mean(pages), np.median(pages),
            {k: pages.count(k) for k in sorted(set(pages))}),
    ]
    if taken:
        ms = sum(g["ms"] for g in results if g["pages"] > 0)
        lines.append("virtual time per page: %.1f s (games with a page: their whole time / "
                     "their pages)" % (ms / 1000 / sum(p for p in pages if p > 0)))
    return lines


def hearing(results, notes, sim):
    """How far off the player's places were, and at what distance each page was first
    placed within 5 units."""
    errors, first, wrong, total, aims = [], [], 0, 0, []
    for g in results:
        path = os.path.join(notes, "seed-%d.jsonl" % g["seed"])
        if not os.path.exists(path):
            continue
        world = json.loads(subprocess.run([sim, "--world", "--seed", str(g["seed"])],
                                          capture_output=True, text=True).stdout)
        pages = {p["number"]: (p["x"], p["y"]) for p in world["pages"]}
        placed = set()
        with open(path) as f:
            lines = [json.loads(line) for line in f]
        taken = set()
        for e in lines:
            px, py = e["place"]
            if e["event"] == "page":
                # The page taken is the one nearest where it stood.
                n = min((n for n in pages if n not in taken),
                        key=lambda n: np.hypot(pages[n][0] - px, pages[n][1] - py), default=None)
                if n is not None:
                    taken.add(n)
                continue
            active = {n: p for n, p in pages.items() if n not in taken}
            if e.get("goal") and active:
                x, y = e["goal"]  # the place it went for next
                aims.append(min(np.hypot(p[0] - x, p[1] - y) for p in active.values()))
            for x, y, *_ in e["found"]:
                total += 1
                near = min(active.items(), key=lambda kv: np.hypot(kv[1][0] - x, kv[1][1] - y))
                d = np.hypot(near[1][0] - x, near[1][1] - y)
                errors.append(d)
                if d > 10:
                    wrong += 1
                elif d <= 5 and near[0] not in placed:
                    placed.add((near[0]))
                    first.append((len(taken), np.hypot(near[1][0] - px, near[1][1] - py)))
    if not total:
        return []
    by_pages = {}
    for k, d in first:
        by_pages.setdefault(min(k, 7), []).append(d)
    first = [d for _, d in first]
    return [
        "places heard: %d; off by median %.1f units from the nearest page not yet taken; "
        "%.0f %% more than 10 units off" % (total, np.median(errors), 100 * wrong / total),
        "places gone for (the nearest believed, %d): off by median %.1f units; %.0f %% more than "
        "10 units off" % (len(aims), np.median(aims), 100 * np.mean(np.array(aims) > 10)),
        "pages first placed within 5 units: %d, from a distance of median %.0f, "
        "90th percentile %.0f, largest %.0f units" % (
            len(first), np.median(first), np.percentile(first, 90), max(first)),
        "  by pages already taken: " + ", ".join(
            "%d: median %.0f (%d)" % (k, np.median(v), len(v)) for k, v in sorted(by_pages.items())),
    ]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("results", nargs="+")
    parser.add_argument("--notes")
    parser.add_argument("--sim")
    args = parser.parse_args()
    results = games(args.results)
    for line in outcome(results):
        print(line)
    if args.notes and args.sim:
        for line in hearing(results, args.notes, os.path.abspath(args.sim)):
            print(line)


if __name__ == "__main__":
    main()
