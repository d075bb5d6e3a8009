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

    def explain_all(self, sweeps, sources=4):
        """The places (x, y, volume) that best explain together the gains heard in
        `sweeps`, each ((lx, ly), headings, left, right), found one at a time: each is
        the place whose sound, added to those already found, leaves the least
        unexplained. A page sounds from one place however the listener moved."""
        gl, gr, rl, rr = [], [], [], []
        for (lx, ly), headings, left, right in sweeps:
            h = np.asarray(headings, dtype=float)[:, None]
            a, b = gains_from(lx, ly, h, self.x[None, :], self.y[None, :])
            gl.append(a)
            gr.append(b)
            rl.append(np.asarray(left, dtype=float)[:, None])
            rr.append(np.asarray(right, dtype=float)[:, None])
        gl, gr = np.concatenate(gl), np.concatenate(gr)
        rl, rr = np.concatenate(rl), np.concatenate(rr)
        found = []
        for _ in range(sources):
            cost = ((rl - gl) ** 2 + (rr - gr) ** 2).sum(axis=0)
            base = float((rl ** 2 + rr ** 2).sum())
            i = int(np.argmin(cost))
            if cost[i] > 0.8 * base:  # explains too little: noise
                break
            volume = 100 * float(max(gl[:, i].max(), gr[:, i].max()))
            found.append((float(self.x[i]), float(self.y[i]), volume))
            rl = rl - gl[:, i : i + 1]
            rr = rr - gr[:, i : i + 1]
        return found
