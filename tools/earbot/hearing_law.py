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


def relative_bearing(lx, ly, heading, sx, sy):
    """The law's bearing of the source against the heading, in radians: a quarter turn is
    straight ahead, three quarters straight behind."""
    dy = sy - ly
    dx = lx - sx
    with np.errstate(divide="ignore", invalid="ignore"):
        arc = np.where(dx != 0, np.arctan(dy / np.where(dx != 0, dx, 1)), np.copysign(np.pi / 2, dy))
    theta = np.where(dx > 0, arc, arc + np.pi)
    return np.radians(np.degrees(theta) - heading)


def pan_and_behind(lx, ly, heading, sx, sy):
    """The law's pan (-100 .. 100) and whether the source counts as behind."""
    rel = relative_bearing(lx, ly, heading, sx, sy)
    return np.round(-np.cos(rel) * 100), -np.sin(rel) > 0


def head_direction(lx, ly, heading, sx, sy):
    """Where the source is heard with headphones on, in degrees counterclockwise from
    straight ahead (90 the left, 270 the right), and whether the law counts it behind: the
    game gives the voice the direction a quarter turn less the law's bearing."""
    rel = relative_bearing(lx, ly, heading, sx, sy)
    return np.mod(90 - np.degrees(rel), 360), -np.sin(rel) > 0


def compass_point(compass, reach=10.0):
    """A point `reach` units from the origin in the direction `compass` (degrees)."""
    phi = np.radians(np.asarray(compass, dtype=float))
    return reach * np.sin(phi), reach * np.cos(phi)


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
    sx, sy = compass_point(np.asarray(compass, dtype=float)[None, :])
    pan, back = pan_and_behind(0.0, 0.0, h, sx, sy)
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
    return directions_of(compass, nonnegative_least_squares(a, b))


def directions_of(compass, volume):
    """The directions of a fit's volumes per direction (`compass`, evenly spaced): runs of
    neighbouring directions that sound, each one source at its volume-weighted mean
    direction with the run's summed volume; faint ones left out."""
    found = []
    on = volume > 0.005
    if on.all():
        return found
    # Runs of neighbouring directions, the circle cut where nothing sounds.
    first = int(np.argmin(on))
    run = []
    for i in list(range(first, len(compass))) + list(range(first + 1)):
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
