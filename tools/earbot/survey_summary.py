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


def listening(results):
    """How the player listened: still or turning, and the virtual time spent turning."""
    if not results or "listens" not in results[0]:
        return []
    still = sum(g["listens"]["still"] for g in results)
    turned = sum(g["listens"]["turned"] for g in results)
    turning = sum(g["listens"]["turning_ms"] for g in results) / 1000
    pages = sum(g["pages"] for g in results)
    return ["listens: %d still, %d turning; %.0f s turning in all, %.2f s per page taken" % (
        still, turned, turning, turning / max(pages, 1))]


CALL_NEAR = 8  # units: a place this near a page not yet taken placed it


def mirrored(listener, heading, place):
    """The place the listener's front and back swap `place` with: reflected across the
    line through its ears."""
    lx, ly = listener
    phi = np.degrees(np.arctan2(place[0] - lx, place[1] - ly))
    r = np.hypot(place[0] - lx, place[1] - ly)
    m = np.radians(180 + 2 * heading - phi)
    return lx + r * np.sin(m), ly + r * np.cos(m)


def front_back_calls(lines, pages):
    """Of the places one game's still listens heard (its notebook's lines; `pages`: the
    world's, by number): how many lie by a page not yet taken (right), how many only
    their mirror does (front and back swapped), and how many neither."""
    right = swapped = neither = 0
    for e, left in with_pages_left(lines, pages):
        if not e.get("still"):
            continue
        px, py = e["place"]
        near = lambda q: any(np.hypot(p[0] - q[0], p[1] - q[1]) <= CALL_NEAR
                             for p in left.values())
        for x, y, *_ in e["found"]:
            if near((x, y)):
                right += 1
            elif near(mirrored((px, py), e["headings"][0], (x, y))):
                swapped += 1
            else:
                neither += 1
    return right, swapped, neither


def with_pages_left(lines, pages):
    """The notebook's lines but those of a page taken, each with the pages not yet taken
    then (`pages`: the world's, by number); the page taken is the one nearest where the
    player stood."""
    taken = set()
    for e in lines:
        px, py = e["place"]
        if e["event"] == "page":
            n = min((n for n in pages if n not in taken),
                    key=lambda n: np.hypot(pages[n][0] - px, pages[n][1] - py), default=None)
            if n is not None:
                taken.add(n)
            continue
        yield e, {n: p for n, p in pages.items() if n not in taken}


# Units: a page this near the place last spoken was taken (within reach, 3, of where a
# leg at a run, 4.2 units, took the player; its button is held throughout).
STOOD_ON = 8


def silence_clearances(lines, pages):
    """For each period one game's notebook heard no hint in: how far the nearest page not
    yet taken lay (the hints carry 67 units; a silence near a page is a hint not heard).
    A page the player stood on was taken: the outro cuts the last page's taking short, so
    the notebook misses it, and the outro's silence follows."""
    clear = []
    for e, left in with_pages_left(lines, pages):
        if e["event"] == "silent":
            d = [np.hypot(p[0] - e["place"][0], p[1] - e["place"][1]) for p in left.values()]
            if d and min(d) > STOOD_ON:
                clear.append(min(d))
    return clear


def silences(heard):
    clear = []
    for lines, pages in heard:
        clear += silence_clearances(lines, pages)
    if not clear:
        return []
    return ["periods with no hint heard: %d; the nearest page not yet taken lay %.0f units "
            "off at least, median %.0f" % (len(clear), min(clear), np.median(clear))]


def world_pages(sim, seed):
    world = json.loads(subprocess.run([sim, "--world", "--seed", str(seed)],
                                      capture_output=True, text=True, check=True).stdout)
    return {p["number"]: (p["x"], p["y"]) for p in world["pages"]}


def notebook(notes, seed):
    path = os.path.join(notes, "seed-%d.jsonl" % seed)
    if not os.path.exists(path):
        return None
    with open(path) as f:
        return [json.loads(line) for line in f]


def notebooks_with_worlds(results, notes, sim):
    """Each game's notebook with its world's pages, for the games that kept one: the
    world asked of the simulator once a game."""
    out = []
    for g in results:
        lines = notebook(notes, g["seed"])
        if lines is not None:
            out.append((lines, world_pages(sim, g["seed"])))
    return out


def front_back(heard):
    counts = np.zeros(3, dtype=int)
    for lines, pages in heard:
        counts += front_back_calls(lines, pages)
    right, swapped, neither = counts
    if right + swapped == 0:
        return []
    return ["still listens' places: %d by a page, %d by a page only mirrored front to back "
            "(%.1f %% of the two), %d by neither" % (
                right, swapped, 100 * swapped / (right + swapped), neither)]


def hearing(heard):
    """How far off the player's places were, and at what distance each page was first
    placed within 5 units."""
    errors, first, wrong, total, aims = [], [], 0, 0, []
    for lines, pages in heard:
        placed = set()
        for e, active in with_pages_left(lines, pages):
            px, py = e["place"]
            if e.get("goal") and active:
                x, y = e["goal"]  # the place it went for next
                aims.append(min(np.hypot(p[0] - x, p[1] - y) for p in active.values()))
            for x, y, *_ in e.get("found", ()):
                total += 1
                near = min(active.items(), key=lambda kv: np.hypot(kv[1][0] - x, kv[1][1] - y))
                d = np.hypot(near[1][0] - x, near[1][1] - y)
                errors.append(d)
                if d > 10:
                    wrong += 1
                elif d <= 5 and near[0] not in placed:
                    placed.add((near[0]))
                    first.append((len(pages) - len(active),
                                  np.hypot(near[1][0] - px, near[1][1] - py)))
    if not total:
        return []
    by_pages = {}
    for k, d in first:
        by_pages.setdefault(min(k, 7), []).append(d)
    first = [d for _, d in first]
    return [
        "places heard: %d; off by median %.1f units from the nearest page not yet taken; "
        "%.0f %% more than 10 units off" % (total, np.median(errors), 100 * wrong / total),
        "places gone for (%d): off by median %.1f units; %.0f %% more than "
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
    for line in outcome(results) + listening(results):
        print(line)
    if args.notes and args.sim:
        heard = notebooks_with_worlds(results, args.notes, os.path.abspath(args.sim))
        for line in hearing(heard) + front_back(heard) + silences(heard):
            print(line)


if __name__ == "__main__":
    main()
