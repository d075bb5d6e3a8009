"""Where the ear player believes the pages lie: places heard in the hints' sweeps, each
sharpened against the law on whole units (pages lie on whole units), kept across sweeps,
and crossed out where the player walked with the button held and took nothing. Built
only from what the player heard and where it stood."""

import numpy as np

from hearing_law import directions_heard, gains_from, place_of

PHASE_SLACK_MS = 40    # two onsets this close in the hint's period are one rhythm
SAME_PAGE = 12         # units: places heard this close are one page (pages lie 40 apart)
NEARER_SLACK = 2       # units: a place heard from this much farther still replaces its page
LOUD_WITHIN = 45       # units: a page this near sounds loud enough that silence means absence
MISSES_TO_DROP = 2     # sweeps of its rhythm that did not hear a page loud within reach
EXPLAINS_LITTLE = 0.97  # a place that leaves this share of a sweep unexplained is dropped
WALKED_REACH = 1.5     # units: walking with the button held, no page lies this near its line
ROAM_MARGIN = 15       # units from the field's edge of the parts it roams to
ROAM_SPACING = 10      # units between the parts it roams to
ROAM_NEARBY = 0.2      # how much a part's nearness counts against its distance from sweeps


class Sweep:
    """One round of listening: the law it is heard by, where the player stood, the phase
    of the hints it heard in their period, and per tick the heading and the left and
    right gains with the weight each tick's fit deserves."""

    def __init__(self, law, place, phase, headings, left, right, weights):
        self.law = law
        self.place = place
        self.phase = phase
        self.headings = np.asarray(headings, dtype=float)
        self.left = np.asarray(left, dtype=float)
        self.right = np.asarray(right, dtype=float)
        self.weights = np.asarray(weights, dtype=float)

    def predicted(self, places):
        """The gains the law gives for pages at `places` (whole units)."""
        left = np.zeros(len(self.headings))
        right = np.zeros(len(self.headings))
        lx, ly = self.place
        for x, y in places:
            l, r = gains_from(self.law, lx, ly, self.headings, float(x), float(y))
            left += l
            right += r
        return left, right

    def cost(self, left, right):
        w = self.weights ** 2
        return float((w * ((self.left - left) ** 2 + (self.right - right) ** 2)).sum())

    # What page_map asks of any listen (a HeadListen with headphones on answers the same).
    def directions(self):
        return directions_heard(self.law, self.headings, self.left, self.right, self.weights)

    def cost_of(self, places):
        """What the places leave of the sweep unexplained."""
        return self.cost(*self.predicted(places))

    def candidate_costs(self, others, x, y):
        """What each place (x[j], y[j]) beside `others` leaves unexplained, and what the
        others leave alone."""
        rest_l, rest_r = self.predicted(others)
        rest_l = (self.left - rest_l)[:, None]
        rest_r = (self.right - rest_r)[:, None]
        lx, ly = self.place
        gl, gr = gains_from(self.law, lx, ly, self.headings[:, None], x[None, :], y[None, :])
        w = self.weights[:, None] ** 2
        cost = (w * ((rest_l - gl) ** 2 + (rest_r - gr) ** 2)).sum(axis=0)
        return cost, float((w * (rest_l ** 2 + rest_r ** 2)).sum())

    def loudness(self, place):
        """The front volume (0 .. 1) a page at `place` sounds at."""
        return float(np.max(self.predicted([place])))


def sources_in(sweep, field):
    """The places (whole units) that explain one sweep: directions and volumes first,
    then each place sought on whole units near its first guess, beside the others.
    `field`: its width and height, in units."""
    lx, ly = sweep.place
    places = []
    for compass, volume in sweep.directions():
        x, y = place_of(sweep.law, lx, ly, compass, min(volume, 1.0))
        places.append(on_field(x, y, field))
    return fewest(sharpen(places, sweep, field), sweep, field)


def on_field(x, y, field):
    return int(np.clip(round(x), 0, field[0] - 1)), int(np.clip(round(y), 0, field[1] - 1))


def fewest(places, sweep, field, tolerance=1.1, close_deg=12):
    """Two places in nearly the same direction explain as much as one between them at
    their summed volume: the one is kept when it explains nearly as well."""
    lx, ly = sweep.place
    merged = True
    while merged and len(places) > 1:
        merged = False
        now = sweep.cost_of(places)
        compass = [np.degrees(np.arctan2(x - lx, y - ly)) for x, y in places]
        pairs = [(i, j) for i in range(len(places)) for j in range(i + 1, len(places))
                 if abs((compass[i] - compass[j] + 180) % 360 - 180) < close_deg]
        for i, j in pairs:
            volume = sum(sweep.loudness(places[k]) for k in (i, j))
            mean = np.degrees(np.angle(np.exp(1j * np.radians(compass[i])) + np.exp(1j * np.radians(compass[j]))))
            one = on_field(*place_of(sweep.law, lx, ly, mean % 360, min(volume, 1.0)), field)
            rest = [p for k, p in enumerate(places) if k not in (i, j)]
            trial = sharpen(rest + [one], sweep, field)
            if sweep.cost_of(trial) < tolerance * now + 1e-4:
                places = trial
                merged = True
                break
    return places


def sharpen(places, sweep, field, reach=6, rounds=2):
    """Moves each place to the whole unit within `reach` that, beside the others, leaves
    the least unexplained; drops a place that explains nothing."""
    places = list(places)
    offsets = np.arange(-reach, reach + 1)
    ox, oy = [a.ravel() for a in np.meshgrid(offsets, offsets)]
    for _ in range(rounds):
        for i in range(len(places)):
            if places[i] is None:
                continue
            others = [p for p in places[:i] + places[i + 1:] if p is not None]
            x = np.clip(places[i][0] + ox, 0, field[0] - 1).astype(float)
            y = np.clip(places[i][1] + oy, 0, field[1] - 1).astype(float)
            cost, empty = sweep.candidate_costs(others, x, y)
            j = int(np.argmin(cost))
            places[i] = (int(x[j]), int(y[j])) if cost[j] < EXPLAINS_LITTLE * empty else None
        places = [p for p in places if p is not None]
    return places


class Candidate:
    def __init__(self, x, y, heard_from, phase):
        self.x, self.y = float(x), float(y)
        self.heard_from = heard_from  # the distance of the nearest sweep that placed it
        self.phase = phase
        self.misses = 0


def same_phase(a, b, period):
    d = abs(a - b) % period
    return min(d, period - d) < PHASE_SLACK_MS


class PageMap:
    def __init__(self, period_ms):
        self.period = period_ms
        self.candidates = []
        self.listened_at = []  # where each sweep was heard from

    def heard(self, sweep, places):
        """Takes in the places one sweep placed: a place near a candidate replaces it when
        heard from nearer; a candidate of the same rhythm that should have sounded loud
        and was not heard is missed, twice and it is dropped."""
        self.listened_at.append(sweep.place)
        lx, ly = sweep.place
        matched = set()
        for x, y in places:
            d = float(np.hypot(x - lx, y - ly))
            near = [c for c in self.candidates if np.hypot(c.x - x, c.y - y) < SAME_PAGE]
            if near:
                c = min(near, key=lambda c: np.hypot(c.x - x, c.y - y))
                if d <= c.heard_from + NEARER_SLACK:
                    c.x, c.y, c.heard_from = float(x), float(y), d
                c.phase = sweep.phase
                c.misses = 0
                matched.add(id(c))
            else:
                c = Candidate(x, y, d, sweep.phase)
                self.candidates.append(c)
                matched.add(id(c))
        for c in self.candidates:
            if id(c) in matched or not same_phase(c.phase, sweep.phase, self.period):
                continue
            if np.hypot(c.x - lx, c.y - ly) < LOUD_WITHIN:
                c.misses += 1
        self.candidates = [c for c in self.candidates if c.misses < MISSES_TO_DROP]

    def heard_nothing(self, place):
        """A whole period passed at and about `place` with no hint heard: as a sweep that
        heard nothing, it tells that no page lies in hearing there."""
        self.listened_at.append(place)

    def walked(self, a, b, reach=WALKED_REACH):
        """The player went from a to b with the button held and took nothing: no page lies
        within `reach` of that line."""
        a, b = np.asarray(a, dtype=float), np.asarray(b, dtype=float)
        keep = []
        for c in self.candidates:
            p = np.array([c.x, c.y])
            t = np.clip(np.dot(p - a, b - a) / max(np.dot(b - a, b - a), 1e-9), 0, 1)
            if np.hypot(*(a + t * (b - a) - p)) >= reach:
                keep.append(c)
        self.candidates = keep

    def taken(self, place):
        """A page was taken at `place`: the candidate nearest it is gone."""
        if not self.candidates:
            return
        c = min(self.candidates, key=lambda c: np.hypot(c.x - place[0], c.y - place[1]))
        if np.hypot(c.x - place[0], c.y - place[1]) < SAME_PAGE:
            self.candidates.remove(c)

    def farthest_unheard(self, place, field, away=None):
        """The part of the field farthest from every place it listened at (where pages it
        has not heard may lie), a little nearer ones first; with `away` (compass
        degrees), only parts that lie ahead that way: None when none does."""
        gx, gy = [a.ravel() for a in np.meshgrid(roam_grid(field[0]), roam_grid(field[1]))]
        far = np.full(len(gx), np.inf)
        for p in self.listened_at:
            far = np.minimum(far, np.hypot(gx - p[0], gy - p[1]))
        far -= ROAM_NEARBY * np.hypot(gx - place[0], gy - place[1])
        if away is not None:
            h = np.radians(away)
            ahead = (gx - place[0]) * np.sin(h) + (gy - place[1]) * np.cos(h)
            if not np.any(ahead > 0):
                return None
            far[ahead <= 0] = -np.inf
        i = int(np.argmax(far))
        return (float(gx[i]), float(gy[i]))


def roam_grid(size):
    return np.arange(ROAM_MARGIN, size - ROAM_MARGIN + 1, float(ROAM_SPACING))
