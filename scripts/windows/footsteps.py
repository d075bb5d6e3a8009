"""The footsteps in a capture of the game: prints the second of each, one a line.

    footsteps.py CAPTURE ASSETS

CAPTURE holds the mix as 32-bit float stereo at 48 kHz, without a header; ASSETS is the
game's sound folder. A footstep plays at the player's own place, centred and at full
volume, so its samples stand in the mix whatever else sounds: each step file (grass,
tunnel, fence) is matched against the mix by normalised correlation. Counting rises of
the sound instead misses steps under the random ambient noises and the pages' hints,
which come every few seconds and are as loud.
"""

import glob
import os
import sys

import numpy as np

# The sound files as the ear player reads them: mono, at the mix's rate.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tools", "earbot"))
from ear import load_sound  # noqa: E402

RATE = 48_000
MATCH = 0.6      # normalised correlation that counts as a step (a step heard alone: 0.8 to 1)
APART_S = 0.15   # two steps are at least this far apart (one comes every half second)


def best_match(mix, sounds):
    """For each sample, the best normalised correlation of any sound starting there."""
    size = 1 << int(np.ceil(np.log2(len(mix) + max(len(s) for s in sounds))))
    spectrum = np.fft.rfft(mix, size)
    energy = np.concatenate([[0.0], np.cumsum(mix * mix)])
    best = np.zeros(len(mix))
    for s in sounds:
        span = len(mix) - len(s)
        if span <= 0:
            continue
        corr = np.fft.irfft(spectrum * np.conj(np.fft.rfft(s, size)), size)[:span]
        local = np.sqrt(np.maximum(energy[len(s):len(s) + span] - energy[:span], 1e-12))
        best[:span] = np.maximum(best[:span], corr / (local * np.linalg.norm(s)))
    return best


def steps(mix, sounds):
    """The starts (seconds) of the steps: best matches first, none within APART_S of a
    better one."""
    best = best_match(mix, sounds)
    found = []
    for i in np.argsort(-best):
        if best[i] < MATCH:
            break
        if all(abs(i - j) > APART_S * RATE for j in found):
            found.append(i)
    return sorted(i / RATE for i in found)


def main():
    capture, assets = sys.argv[1:3]
    mix = np.fromfile(capture, dtype=np.float32).reshape(-1, 2).astype(float).mean(axis=1)
    files = sorted(glob.glob(os.path.join(assets, "terrain", "*.wav")))
    files.append(os.path.join(assets, "steps", "fence.wav"))
    for t in steps(mix, [load_sound(f, RATE) for f in files]):
        print("%.2f" % t)


if __name__ == "__main__":
    main()
