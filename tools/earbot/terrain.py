"""The ground as the ear player knows it: the field's edge (from the rules), the tunnel
once a jump has told where it lies, and the obstacles it met, each remembered by where
it stopped. Ways are chosen round what it knows."""

import numpy as np

from tunnel import Tunnel

EDGE = 2               # units from the field's edge that a flight keeps clear
OBSTACLE_HIT = 2.2     # units from an obstacle's centre that a straight way must pass
OBSTACLE_CLEAR = 2.8   # units from an obstacle's centre that a path keeps clear (a side is 3)
PASS_WIDER = 0.8       # units beyond that clearance at which a path passes an obstacle
PASS_LOOKS = 10        # units ahead within which an obstacle in the way is walked round
PASS_BEYOND = 2        # units beyond the goal that still count as in the way
SAME_OBSTACLE = 2.5    # units: centres this close are one obstacle
# The stalker kills within 2 units of where it stands, and where it vanished it stands
# still: a path keeps clear of where it was last heard by this much (the place heard is a
# few units out), and a flight's way by this much.
STALKER_CLEAR = 6
STALKER_HIT = 4
FACE_NEAR = 0.15       # units from a whole unit within which a stopped player stands at a side
FACE_AXIS = 0.3        # share of the way along an axis for a side across it to be met
SPOT_AHEAD = 1.6       # units ahead of a stop with no side found where its centre is taken to be
OPEN_STEP = 10         # degrees between the ways tried round the one wanted...
OPEN_WIDEST = 90       # ... up to this far from it


def distance(a, b):
    return float(np.hypot(a[0] - b[0], a[1] - b[1]))


class Terrain:
    def __init__(self, rules):
        self.field = (rules.field_width, rules.field_height)
        self.half_side = rules.obstacle_size / 2
        # Centres of the obstacles met, as far as it can tell. The stalker stands at the
        # origin until it first shows up, and kills there as anywhere: kept clear of too.
        self.obstacles = [(0.0, 0.0)]
        # Where the stalker was last heard (StalkerBelief.place_heard), once it was.
        self.stalker_spot = None
        self.tunnel = None

    def learn_tunnel(self, jump_point, rules):
        self.tunnel = Tunnel(jump_point, rules)

    def shut_in(self, place):
        """Outside the field, where no move is allowed: an obstacle that reaches past the
        edge pushes a player there, and only the tunnel jump leads back."""
        x, y = place
        return not (-1 < x < self.field[0] and -1 < y < self.field[1])

    def around(self, place, goal):
        """The goal, or a place on the way round the tunnel, or beside the stalker's spot
        or an obstacle met before that lies in the way, on the side of the goal. A goal
        within the stalker's clearance is gone for all the same: a page there is worth
        the risk, and a way round would circle it."""
        goal = self.tunnel.way_round(place, goal)
        p = np.asarray(place)
        way = np.asarray(goal) - p
        length = float(np.hypot(*way))
        if length < 1e-6:
            return goal
        ahead = way / length
        mind_spot = self.stalker_spot is not None and \
            distance(goal, self.stalker_spot) > STALKER_CLEAR
        for c, clear in self.kept_clear(OBSTACLE_CLEAR, STALKER_CLEAR if mind_spot else None):
            rel = np.asarray(c) - p
            along = float(np.dot(rel, ahead))
            off = float(ahead[0] * rel[1] - ahead[1] * rel[0])
            if 0 < along < min(length + PASS_BEYOND, PASS_LOOKS) and abs(off) < clear:
                # Pass on the side away from its centre.
                side = np.array([ahead[1], -ahead[0]]) * (1 if off > 0 else -1)
                return tuple(np.asarray(c) + side * (clear + PASS_WIDER))
        return goal

    def kept_clear(self, obstacle, stalker):
        """What a way keeps clear of, each with its clearance: where the stalker was last
        heard (`stalker`; None: not that), then the obstacles met (`obstacle`)."""
        spot = [(self.stalker_spot, stalker)] if None not in (self.stalker_spot, stalker) else []
        return spot + [(c, obstacle) for c in self.obstacles]

    def tunnel_safe(self):
        """Whether the tunnel is known and the stalker's spot lies clear of it: a player
        walking out of it has no way round what stands inside."""
        return self.tunnel is not None and (
            self.stalker_spot is None or not self.tunnel.near(self.stalker_spot, STALKER_CLEAR))

    def remember_obstacle(self, place, way):
        """It did not move going the way `way` (degrees, as headings): an obstacle (or a
        wall) lies just ahead, its centre where `spot_ahead` takes it to be. True when
        one was remembered there already."""
        centre = self.spot_ahead(place, way)
        again = any(distance(centre, c) < SAME_OBSTACLE for c in self.obstacles)
        if not again:
            self.obstacles.append(centre)
        return again

    def spot_ahead(self, place, way):
        """Where the centre of the obstacle that stops the player is taken to lie. Its
        sides lie on whole units, and a player stopped by one stands within a step of
        it: where a coordinate it was going along lies that near a whole unit, that side
        is the one met and the centre is half a side beyond it. Elsewhere, a little
        ahead."""
        h = np.radians(way)
        ahead = (float(np.sin(h)), float(np.cos(h)))
        faces = [abs(a) > FACE_AXIS and abs(v - round(v)) < FACE_NEAR for v, a in zip(place, ahead)]
        if not any(faces):
            return tuple(v + SPOT_AHEAD * a for v, a in zip(place, ahead))
        return tuple(round(v) + np.sign(a) * self.half_side if face else v
                     for v, a, face in zip(place, ahead, faces))

    def open_heading(self, place, want, reach):
        """The heading nearest `want`, within a right angle of it, on which the next
        `reach` units are clear of the field's edge and of the obstacles it knows;
        failing that, the one with the longest clear way."""
        best, longest = want, -1
        for off in range(0, OPEN_WIDEST + 1, OPEN_STEP):
            for h in (want + off, want - off)[: 1 if off == 0 else 2]:
                way = self.clear_way(place, h, reach)
                if way >= reach:
                    return h % 360
                if way > longest:
                    best, longest = h, way
        return best % 360

    def clear_way(self, place, heading, reach):
        """Whole units it can go on `heading` before the field's edge, the tunnel's walls
        or an obstacle it knows, up to `reach`. An obstacle or a wall it stands too near
        to already only blocks a way that goes nearer."""
        h = np.radians(heading)
        px, py = place
        near = [(c, min(hit, distance(place, c)))
                for c, hit in self.kept_clear(OBSTACLE_HIT, STALKER_HIT)]
        # Within the edge's margin already, only going deeper into it is blocked.
        low = (min(EDGE, px - 0.01), min(EDGE, py - 0.01))
        high = (max(self.field[0] - EDGE, px + 0.01), max(self.field[1] - EDGE, py + 0.01))
        for step in range(1, reach + 1):
            x = px + step * np.sin(h)
            y = py + step * np.cos(h)
            if not (low[0] <= x <= high[0] and low[1] <= y <= high[1]) \
                    or self.tunnel.blocks((x, y), place) \
                    or any(distance((x, y), c) < hit for c, hit in near):
                return step - 1
        return reach
