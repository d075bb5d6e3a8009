"""The survey's random walker: walks (running when it can) and turns by chance, taps
Space every quarter second, and never listens. Plays through --script (it needs no
answers), so a game costs the simulator's time only; the pages it took and its end
come from the run's trace, as a measurement.

    random_walker.py --sim build/release/run/quelmire-sim --run-dir build/release/run SEED...
"""

import argparse
import json
import os
import random
import subprocess
import tempfile


def script(seed, ms):
    rng = random.Random(seed)
    lines = ["0 key down W", "0 key down LShift"]
    t, turning = 200, None
    while t < ms:
        if turning:
            lines.append("%d key up %s" % (t, turning))
            turning = None
        if rng.random() < 0.5:
            turning = rng.choice(["Left", "Right"])
            lines.append("%d key down %s" % (t, turning))
        for tap in range(0, 1000, 250):
            lines.append("%d key down Space" % (t + tap))
            lines.append("%d key up Space" % (t + tap + 34))
        t += 1000
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--sim", required=True)
    parser.add_argument("--run-dir", required=True)
    parser.add_argument("--ms", type=int, default=300_000)
    parser.add_argument("seeds", nargs="+", type=int)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as tmp:
        for seed in args.seeds:
            path, trace = os.path.join(tmp, "walk.txt"), os.path.join(tmp, "trace.jsonl")
            with open(path, "w") as f:
                f.write(script(seed, args.ms))
            subprocess.run([os.path.abspath(args.sim), "--seed", str(seed), "--quick-start",
                            "--script", path, "--ms", str(args.ms), "--trace", trace],
                           cwd=args.run_dir, check=False, stdout=subprocess.DEVNULL)
            pages, cause, ms = 0, None, 0
            with open(trace) as f:
                for line in f:
                    e = json.loads(line)
                    if e["event"] == "page_taken":
                        pages = e["pages"]
                    if e["event"] == "exit":
                        cause, ms = e["cause"], e["ms"]
            print(json.dumps({"seed": seed, "pages": pages, "cause": cause, "ms": ms},
                             separators=(",", ":")), flush=True)


if __name__ == "__main__":
    main()
