"""How loud, and on which side, a hint sounds from a place: the game's pan law as a
practised player knows it (pan from the bearing against the heading, the level falling
linearly with distance and by a third on one side), and the engine's gains (volume v
gives v/100 on both sides; pan p takes the far side down to (100 - |p|)/100). The ear
player uses it to find the places that explain what it heard; it says nothing of where
the pages are."""

import numpy as np

FIELD = 150


def gains_from(lx, ly, heading, sx, sy, falloff=3):
    """Left and right gains of sources at (sx, sy) (arrays) for a listener at (lx, ly)
    facing `heading` degrees (an array broadcast against them)."""
    dy = sy - ly
    dx = lx - sx
    with np.errstate(divide="ignore", invalid="ignore"):
        arc = np.where(dx != 0, np.arctan(dy / np.where(dx != 0, dx, 1)), np.copysign(np.pi / 2, dy))
    theta = np.where(dx > 0, arc, arc + np.pi)
    rel = np.radians(np.degrees(theta) - heading)
    pan = np.round(-np.cos(rel) * 100)
    back = -np.sin(rel) > 0
    d = np.floor(np.hypot(dx, dy) + 0.5)
    v = 100 - d * falloff / 2
    v = np.where(back, v / 1.5, v)
    v = np.clip(np.round(v), 0, 100) / 100
    left = np.where(pan > 0, v * (1 - pan / 100), v)
    right = np.where(pan < 0, v * (1 + pan / 100), v)
    return left, right


class Grid:
    """Every whole-unit place of the field, as a source that might be sounding."""

    def __init__(self, step=1.0):
        xs = np.arange(0, FIELD + 0.01, step)
        self.x, self.y = [a.ravel() for a in np.meshgrid(xs, xs)]
        self.cache = {}  # each sweep's gains from every place

    def explain_all(self, sweeps, sources=4):
        """The places (x, y, volume) that best explain together the gains heard in
        `sweeps`, each ((lx, ly), headings, left, right), found one at a time: each is
        the place whose sound, added to those already found, leaves the least
        unexplained. A page sounds from one place however the listener moved."""
        gl, gr, rl, rr = [], [], [], []
        cache = {}
        for (lx, ly), headings, left, right in sweeps:
            key = (lx, ly, tuple(headings))
            if key not in self.cache:
                h = np.asarray(headings, dtype=float)[:, None]
                self.cache[key] = gains_from(lx, ly, h, self.x[None, :], self.y[None, :])
            a, b = cache[key] = self.cache[key]
            gl.append(a)
            gr.append(b)
            rl.append(np.asarray(left, dtype=float)[:, None])
            rr.append(np.asarray(right, dtype=float)[:, None])
        self.cache = cache  # what the next call may reuse
        gl, gr = np.concatenate(gl), np.concatenate(gr)
        rl, rr = np.concatenate(rl), np.concatenate(rr)
        # A page within reach of a place where the player stood would have named itself.
        near = np.zeros(len(self.x), dtype=bool)
        for (lx, ly), _, _, _ in sweeps:
            near |= np.hypot(self.x - lx, self.y - ly) < 3.5
        base = float((rl ** 2 + rr ** 2).sum())

        def best(rest_l, rest_r):
            cost = ((rest_l - gl) ** 2 + (rest_r - gr) ** 2).sum(axis=0)
            cost[near] = np.inf
            i = int(np.argmin(cost))
            return i, float(cost[i])

        # One at a time, each the place that leaves the least unexplained beside those
        # found; then each is sought again beside the others, since the first pick of a
        # sum of two is a place between them.
        picked = []
        left_l, left_r = rl, rr
        for _ in range(sources):
            i, cost = best(left_l, left_r)
            previous = float((left_l ** 2 + left_r ** 2).sum())
            if cost > 0.9 * previous or cost > 0.95 * base:
                break
            picked.append(i)
            left_l = left_l - gl[:, i : i + 1]
            left_r = left_r - gr[:, i : i + 1]
        for _ in range(3):
            for n in range(len(picked)):
                others = [j for m, j in enumerate(picked) if m != n]
                sl = rl - gl[:, others].sum(axis=1, keepdims=True)
                sr = rr - gr[:, others].sum(axis=1, keepdims=True)
                picked[n] = best(sl, sr)[0]
        found = []
        for i in dict.fromkeys(picked):
            volume = 100 * float(max(gl[:, i].max(), gr[:, i].max()))
            found.append((float(self.x[i]), float(self.y[i]), volume))
        return found
