"""The tunnel as a player knows it from the rules: 20 units along x by 5 along y, its two
long sides walls one unit thick, its ends open. T puts the player inside it, one unit in
from its low corner, so the place spoken after a jump tells where the whole tunnel lies.
"""

from hearing_law import FIELD

LENGTH = 20
WIDTH = 5
PASS_END = 3.0   # units beyond an end that a way round the tunnel keeps
WALL_MARGIN = 1.0  # units either side of a wall's middle line that count as the wall


class Tunnel:
    def __init__(self, jump_point):
        x, y = jump_point
        self.jump_point = (x, y)
        self.x_min, self.x_max = x - 1, x - 1 + LENGTH
        # The middle lines of the two wall bands (each band runs from its bound one unit up).
        self.walls = (y - 1 + 0.5, y - 1 + WIDTH + 0.5)

    def blocks(self, point, place):
        """Whether going from `place` to `point` comes too near a wall to pass (nearer
        than the margin and nearer than `place` is)."""
        (x, y), (px, py) = point, place
        return self.along(x) and any(
            abs(y - w) < (min(WALL_MARGIN, abs(py - w)) if self.along(px) else WALL_MARGIN)
            for w in self.walls)

    def along(self, x):
        """Whether x lies along the walls, their margin included."""
        return self.x_min - WALL_MARGIN < x < self.x_max + WALL_MARGIN

    def way_round(self, place, goal):
        """Where to go first on the way from `place` to `goal`: `goal` itself when the
        straight way crosses no wall, else a point beyond the wall's nearer end (by way
        of that end), on this side of the wall until the player is past the end, then on
        the goal's."""
        (px, py), (gx, gy) = place, goal
        for w in self.walls:
            if (py - w) * (gy - w) >= 0:
                continue  # both on one side of this wall
            cross_x = px + (gx - px) * (w - py) / (gy - py)
            if not self.along(cross_x):
                continue
            end = min(self.ends(), key=lambda e: abs(px - e) + abs(gx - e))
            past = abs(px - end) < PASS_END - 1 or not self.x_min < px < self.x_max
            side = gy - w if past else py - w
            return (end, on_field(w + (PASS_END if side > 0 else -PASS_END)))
        return goal

    def ends(self):
        """The x of the ways round the tunnel's ends; an end against the field's high
        edge has no way round (the player stands on -1 < x < 150)."""
        ends = [on_field(self.x_min - PASS_END)]
        if self.x_max + 1 < FIELD:
            ends.append(on_field(self.x_max + PASS_END))
        return ends


def on_field(v):
    return min(max(v, -0.5), FIELD - 0.5)
