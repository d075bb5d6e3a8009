"""Where a page's hint sinks under the other sounds, from the sound files and the rules
alone: the hint's RMS at the volume the pan law gives at each distance (in front; behind
it is a third lower), against the RMS of the ambience bed (played at volume 50), the
atmosphere layers (volume 100, one more after the 1st, 3rd, 5th and 7th page, summed as
unrelated noises) and the breath at its loudest (volume 90, stamina under 10).

    levels.py build/release/run/assets build/release/run/quelmire-sim
"""

import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ear import load_sound  # noqa: E402
from rules import read_rules  # noqa: E402

RATE = 48000


def rms(name, assets):
    x = load_sound(os.path.join(assets, name + ".wav"), RATE)
    return float(np.sqrt(np.mean(x * x)))


def distance_where(law, level, note, behind=False):
    """The distance beyond which the hint's RMS is under `level`."""
    volume = 100 * level / note
    if behind:
        volume *= law.behind
    return (100 - volume) / (law.falloff / 2)


def main():
    assets = sys.argv[1]
    law = read_rules(os.path.abspath(sys.argv[2])).cue_law
    note = rms("physics/note", assets)
    bed = 0.5 * rms("ambience/amb", assets)
    layers = [rms("atmosphere/n%d" % n, assets) for n in (1, 3, 5, 7)]
    breath = 0.9 * rms("player/breath", assets)
    print("hint (note) RMS at volume 100: %.3f; silent (volume 0) from %.0f units on" %
          (note, 100 / (law.falloff / 2)))
    print("under the bed (RMS %.3f) beyond %.0f units in front, %.0f behind" %
          (bed, distance_where(law, bed, note), distance_where(law, bed, note, True)))
    for k in range(1, 5):
        level = float(np.sqrt(bed ** 2 + sum(r ** 2 for r in layers[:k])))
        print("with %d atmosphere layer(s) (from page %d; RMS %.3f): beyond %.0f units in "
              "front, %.0f behind" % (k, 2 * k - 1, level, distance_where(law, level, note),
                                       distance_where(law, level, note, True)))
    print("under the breath at its loudest (RMS %.3f): beyond %.0f units in front" %
          (breath, distance_where(law, breath, note)))


if __name__ == "__main__":
    main()
