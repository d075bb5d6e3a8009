"""The ear player's test: on fixed seeds, within a fixed virtual time, it takes at least
the pages it takes today. Everything in the run is deterministic (the simulator's live
mode is a pure function of its seed and commands, and the player draws no chance of its
own), so a shortfall means the sound changed: a left-right swap, a broken falloff, a
silent hint or a lost cue all make the player miss pages it takes now.

    earbot_check.py --sim build/release/run/quelmire-sim --run-dir build/release/run
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import earbot  # noqa: E402
from ear import Ear  # noqa: E402
from quelmire_live import LiveSim  # noqa: E402
from rules import read_rules  # noqa: E402

# seed, virtual ms, pages it takes in that time today
ROWS = [
    (2, 65_000, 5),
    (3, 65_000, 2),
]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--sim", required=True)
    parser.add_argument("--run-dir", required=True)
    parser.add_argument("--assets", help="the sound files the simulator plays (default: its own)")
    args = parser.parse_args()
    extra = ["--assets", os.path.abspath(args.assets)] if args.assets else []
    try:
        rules = read_rules(os.path.abspath(args.sim))
    except RuntimeError as e:
        print("FAILED: %s" % e)
        return 1
    env = LiveSim(args.sim, run_dir=args.run_dir, rate=earbot.RATE, extra_args=extra)
    # The player knows the game's own sounds, whatever the simulator plays.
    ear = Ear(os.path.join(args.run_dir, "assets"), env.rate)
    failed = 0
    for seed, ms, pages in ROWS:
        result = earbot.play_game(env, ear, rules, seed, max_ms=ms)
        ok = result["pages"] >= pages
        failed += not ok
        print("%s: seed %d, %d ms: %d pages (at least %d), %s" %
              ("ok" if ok else "FAILED", seed, ms, result["pages"], pages, result["cause"]))
    print("%d passed, %d failed" % (len(ROWS) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
