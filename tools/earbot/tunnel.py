"""The tunnel as a player knows it from the rules: its length along x and its width
along y (the rules table gives both), its two long sides walls one unit thick, its ends
open. T puts the player inside it, one unit in from its low corner, so the place spoken
after a jump tells where the whole tunnel lies.
"""

# What T does and how the walls are built; the rules table holds neither.
JUMP_INSET = 1       # units in from the tunnel's low corner, along x and y, that T puts a player
WALL_THICKNESS = 1   # units; each wall band runs up from its bound
PASS_END = 3.0       # units beyond an end that a way round the tunnel keeps
WALL_MARGIN = 1.0    # units either side of a wall's middle line that count as the wall


class Tunnel:
    def __init__(self, jump_point, rules):
        x, y = jump_point
        self.jump_point = (x, y)
        self.field = (rules.field_width, rules.field_height)
        self.x_min = x - JUMP_INSET
        self.x_max = x - JUMP_INSET + rules.tunnel_length
        # The middle lines of the two wall bands.
        self.walls = (y - JUMP_INSET + WALL_THICKNESS / 2,
                      y - JUMP_INSET + rules.tunnel_width + WALL_THICKNESS / 2)

    def blocks(self, point, place):
        """Whether going from `place` to `point` comes too near a wall to pass (nearer
        than the margin and nearer than `place` is)."""
        (x, y), (px, py) = point, place
        return self.along(x) and any(
            abs(y - w) < (min(WALL_MARGIN, abs(py - w)) if self.along(px) else WALL_MARGIN)
            for w in self.walls)

    def near(self, point, reach):
        """Whether `point` lies within `reach` of the tunnel's inside."""
        x, y = point
        dx = max(self.x_min - x, 0, x - self.x_max)
        dy = max(min(self.walls) - y, 0, y - max(self.walls))
        return dx * dx + dy * dy < reach * reach

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
            return (end, on_field(w + (PASS_END if side > 0 else -PASS_END), self.field[1]))
        return goal

    def ends(self):
        """The x of the ways round the tunnel's ends; an end against the field's high
        edge has no way round (the player stands on -1 < x < the field's width)."""
        ends = [on_field(self.x_min - PASS_END, self.field[0])]
        if self.x_max + 1 < self.field[0]:
            ends.append(on_field(self.x_max + PASS_END, self.field[0]))
        return ends


def on_field(v, size):
    """v kept within the field's extent `size` along its axis, half a unit in."""
    return min(max(v, -0.5), size - 0.5)
