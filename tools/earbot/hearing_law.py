"""How loud, and on which side, a hint sounds from a place: the game's pan law as a
practised player knows it (pan from the bearing against the heading, the level falling
linearly with distance and by a third on one side), and the engine's gains (volume v
gives v/100 on both sides; pan p takes the far side down to (100 - |p|)/100). The ear
player uses it to find the places that explain what it heard; it says nothing of where
the pages are."""

from collections import namedtuple

import numpy as np

# The law's numbers for the hints, from the rules table (Rules.cue_law): the volume lost
# per unit, in half percent, and the divisor of the volume of a source behind.
Law = namedtuple("Law", "falloff behind")


def pan_and_behind(lx, ly, heading, sx, sy):
    """The law's pan (-100 .. 100) and whether the source counts as behind."""
    dy = sy - ly
    dx = lx - sx
    with np.errstate(divide="ignore", invalid="ignore"):
        arc = np.where(dx != 0, np.arctan(dy / np.where(dx != 0, dx, 1)), np.copysign(np.pi / 2, dy))
    theta = np.where(dx > 0, arc, arc + np.pi)
    rel = np.radians(np.degrees(theta) - heading)
    return np.round(-np.cos(rel) * 100), -np.sin(rel) > 0


def sides(volume, pan):
    """Left and right gains of a volume (0 .. 1) at a pan."""
    left = np.where(pan > 0, volume * (1 - pan / 100), volume)
    right = np.where(pan < 0, volume * (1 + pan / 100), volume)
    return left, right


def volume_at(distance, falloff):
    """The front volume, 0 .. 100, of a cue `distance` units away (whole units, truncated)."""
    return 100 - np.floor(distance) * falloff / 2


def distance_for(volume, falloff):
    """The distance at which a cue sounds at `volume` (0 .. 100) in front: the middle of
    the whole unit the law truncates to."""
    return (100 - volume) * 2 / falloff + 0.5


def gains_from(law, lx, ly, heading, sx, sy):
    """Left and right gains of sources at (sx, sy) (arrays) for a listener at (lx, ly)
    facing `heading` degrees (an array broadcast against them)."""
    pan, back = pan_and_behind(lx, ly, heading, sx, sy)
    v = volume_at(np.hypot(lx - sx, ly - sy), law.falloff)
    v = np.where(back, v / law.behind, v)
    return sides(np.clip(np.round(v), 0, 100) / 100, pan)


def direction_gains(law, headings, compass):
    """Left and right gains, per heading (rows) and per direction (columns, compass
    degrees: 0 toward +y, 90 toward +x), of a source of front volume 1 in that direction."""
    h = np.asarray(headings, dtype=float)[:, None]
    phi = np.radians(np.asarray(compass, dtype=float))[None, :]
    pan, back = pan_and_behind(0.0, 0.0, h, 10 * np.sin(phi), 10 * np.cos(phi))
    return sides(np.where(back, 1 / law.behind, 1.0), pan)


def nonnegative_least_squares(a, b, tolerance=1e-10):
    """x >= 0 that minimises |a x - b| (Lawson and Hanson's active set method)."""
    n = a.shape[1]
    x = np.zeros(n)
    free = np.zeros(n, dtype=bool)
    for _ in range(3 * n):
        gradient = a.T @ (b - a @ x)
        gradient[free] = -np.inf
        j = int(np.argmax(gradient))
        if gradient[j] <= tolerance:
            break
        free[j] = True
        while True:
            z = np.zeros(n)
            z[free] = np.linalg.lstsq(a[:, free], b, rcond=None)[0]
            if (z[free] > 0).all():
                x = z
                break
            # Step back to the first free value that would turn negative, and drop it.
            shrinking = free & (z <= 0)
            step = np.min(x[shrinking] / (x[shrinking] - z[shrinking]))
            x = x + step * (z - x)
            free &= x > tolerance
            x[~free] = 0
    return x


def directions_heard(law, headings, left, right, weights, step=2):
    """The directions (compass degrees) from which one sweep's gains came, with the
    front volume (0 .. 1) from each: a non-negative sum of sources, one per direction
    every `step` degrees; neighbouring directions that share a source are merged into
    one, at their volume-weighted mean direction."""
    compass = np.arange(step / 2, 360, step)  # off the axes, where the law jumps
    gl, gr = direction_gains(law, headings, compass)
    w = np.asarray(weights, dtype=float)[:, None]
    a = np.concatenate([gl * w, gr * w])
    b = np.concatenate([np.asarray(left) * w[:, 0], np.asarray(right) * w[:, 0]])
    volume = nonnegative_least_squares(a, b)
    found = []
    on = volume > 0.005
    if on.all():
        return found
    # Runs of neighbouring directions, the circle cut where nothing sounds.
    first = int(np.argmin(on))
    run = []
    for i in list(range(first, len(compass))) + list(range(first)):
        if on[i]:
            run.append(i)
            continue
        if run:
            found.append(merged(compass, volume, run))
            run = []
    return [f for f in found if f[1] > 0.02]


def merged(compass, volume, run):
    v = volume[run]
    unit = np.exp(1j * np.radians(compass[run]))
    mean = np.degrees(np.angle((v * unit).sum())) % 360
    return float(mean), float(v.sum())


def place_of(law, lx, ly, compass, volume):
    """Where a source heard from (lx, ly) in direction `compass` at front volume `volume`
    (0 .. 1) lies, by the law."""
    d = distance_for(100 * volume, law.falloff)
    phi = np.radians(compass)
    return lx + d * np.sin(phi), ly + d * np.cos(phi)
