"""What the ear player knows of the headphones and how it hears a hint with them on: the
ring of filters the game hears through (`quelmire-sim --ring`, read once at the start, as
the rules are: it depends on the set and the rate, never on the world), the hint as each
ear receives it from every direction, and one listen's fit. A listen is heard whole, both
ears, sample by sample: the delay between the ears, the level of each and the shape of the
spectrum (the filters' 4-12 kHz shape is what tells front from back) all at once."""

import numpy as np

from ear import whitening
from hearing_law import (compass_point, directions_of, head_direction,
                         nonnegative_least_squares, volume_at)
from rules import simulator_line

RING_TIMEOUT_S = 120  # the simulator reads the set in a process of its own: a second or so
# Samples the hint may come later or earlier than its onset as found: the onset is found in
# whole ms, in the ear that hears it first, and the ring's block comes later than a stereo
# voice; each listen finds its own lag within this.
LAG_REACH = 48
LAG_STEP = 4      # the lags first tried; then every lag between the best and its neighbours
STEP = 2          # degrees between the directions a listen is fitted with
SURE = 0.8        # a place is sure of its half when its mirror explains at most this share
MIRROR_NEAR = 30  # degrees: a place this near its mirror (aside) needs no telling
# The whole compass degrees, a hair off: straight along an axis the law's bearing jumps by
# half a turn, which no place off a whole unit meets.
WHOLE_DEGREES = np.arange(360) + 1e-6


def read_ring(sim, rate):
    """The ring of the simulator at `sim` for `rate` frames a second; a RuntimeError that
    says why when it cannot tell it."""
    table = simulator_line(sim, ["--ring", "--rate", str(rate)], RING_TIMEOUT_S)
    try:
        return Ring(table)
    except (ValueError, KeyError, TypeError) as e:
        raise RuntimeError("%s --ring: not a ring: %s" % (sim, e)) from e


class Ring:
    """The game's ring: per ear and direction a time-aligned filter and the delay taken
    out of it. A voice between two directions is heard through both, its level shared as
    it lies between them, each ear read at the two delays weighted alike."""

    def __init__(self, table):
        self.rate = int(table["rate"])
        self.spacing = float(table["spacing"])
        self.filters = np.array([table["left"], table["right"]], dtype=float)
        self.delays = np.array([table["delayLeft"], table["delayRight"]], dtype=float)
        ears, directions, _ = self.filters.shape
        if ears != 2 or self.delays.shape != (2, directions) or \
                abs(directions * self.spacing - 360) > 1e-3:
            raise ValueError("the filters and delays do not make a ring")

    def heard(self, sound, degrees, n):
        """The first `n` samples of `sound` as the two ears hear it at volume 100 from
        each of `degrees` (counterclockwise from ahead): (len(degrees), 2, n), float32."""
        count = self.filters.shape[1]
        place = np.mod(np.asarray(degrees, dtype=float), 360) / self.spacing
        first = np.minimum(place.astype(int), count - 1)
        to_next = (place - first)[:, None]
        nxt = (first + 1) % count
        size = 1 << int(np.ceil(np.log2(n + self.filters.shape[2] + self.delays.max() + 2)))
        spectrum = np.fft.rfft(sound[:n], size)
        filters = np.fft.rfft(self.filters, size, axis=2)
        radians = 2 * np.pi * np.fft.rfftfreq(size)
        out = np.empty((len(place), 2, n), dtype=np.float32)
        for ear in range(2):
            h = (1 - to_next) * filters[ear, first] + to_next * filters[ear, nxt]
            delay = (1 - to_next) * self.delays[ear, first][:, None] + \
                to_next * self.delays[ear, nxt][:, None]
            for a in range(0, len(place), 60):
                b = a + 60
                out[a:b, ear] = np.fft.irfft(spectrum * h[a:b] * read_late(radians, delay[a:b]),
                                             size, axis=1)[:, :n]
        return out


def read_late(radians, delay):
    """The response of reading a sound `delay` frames late (a fraction included) as the
    engine reads it: four-point Hermite interpolation between the frames, whose top octave
    falls by up to 2 dB, not an ideal delay."""
    whole = np.floor(delay)
    t = 1 - (delay - whole)  # where between the two frames around it the reading falls
    t = np.where(t >= 1, 0.0, t)
    k = np.where(t > 0, whole + 1, whole)  # frames back of the frame called x0
    weights = [-0.5 * t + t * t - 0.5 * t ** 3,        # x-1
               1 - 2.5 * t * t + 1.5 * t ** 3,         # x0
               0.5 * t + 2 * t * t - 1.5 * t ** 3,     # x1
               -0.5 * t * t + 0.5 * t ** 3]            # x2
    return sum(w * np.exp(-1j * radians * (k - j)) for w, j in zip(weights, (-1, 0, 1, 2)))


class HeadHearing:
    """The ring as the player hears through it: per whole degree (counterclockwise from
    ahead) and ear, the response to a click, the ear's delay in it, so that a sound heard
    from there is that sound through it; the hint's note; and how the ears hear the
    stalker's sound (HeadSides). `ear`: the player's ear.Ear."""

    def __init__(self, ring, ear):
        self.lags = ring.filters.shape[2] + int(np.ceil(ring.delays.max())) + 4
        click = np.zeros(self.lags)
        click[0] = 1.0
        self.clicks = ring.heard(click, np.arange(360), self.lags).astype(np.float64)
        self.note = ear.note
        self.sides = HeadSides(ring, ear.stalker, ear.stalker_sound)


class HeadSides:
    """How loud each ear hears the stalker's sound from each whole degree through the
    ring, read as the player reads it in the mix (ear.LoopHearing, each ear on its own),
    and the shape each ear's filter gives it from each direction: the shape tells where
    it is, ahead or behind, and the gains there how loud it is. The far ear is shadowed
    by the head, not silenced as the pan silences it: the pan law tells neither."""

    SETTLE = 512  # samples the ring's responses take to settle on the loop
    STEP = 5      # degrees between the directions measured
    SHAPE_SIZE = 256            # points of the transform a fitted filter is read on
    SHAPE_BAND = (1500, 14000)  # Hz: where the head's filters tell the directions apart

    def __init__(self, ring, loop_hearing, loop):
        piece = loop[: loop_hearing.m + 1 + self.SETTLE]
        self.measured = np.arange(0, 360, self.STEP)
        heard = [loop_hearing.hear_through_head(h.T[-loop_hearing.m - 1:].astype(float))
                 for h in ring.heard(piece, self.measured, len(piece))]
        if any(h is None for h in heard):
            raise RuntimeError("the stalker's sound is not heard through the ring from %s degrees"
                               % [int(d) for d, h in zip(self.measured, heard) if h is None])
        # The louder ear's gain from each direction measured: a volume of 1 there.
        self.loudest = np.array([max(gains) for gains, _ in heard])
        freqs = np.fft.rfftfreq(self.SHAPE_SIZE, 1 / ring.rate)
        self.band = (freqs >= self.SHAPE_BAND[0]) & (freqs <= self.SHAPE_BAND[1])
        self.shapes = np.array([self.shape(filters) for _, filters in heard])

    def shape(self, filters):
        """The two ears' levels (dB) across the band through their filters, less their
        mean: what is left of the direction once the distance is taken out."""
        levels = 20 * np.log10(np.abs(np.fft.rfft(filters, self.SHAPE_SIZE, axis=1))[:, self.band]
                               + 1e-9)
        return levels - levels.mean()

    def direction(self, gains, filters):
        """The direction (counterclockwise from ahead, whole degrees) on the louder side
        whose shape is nearest that of the ears' filters heard: a few degrees off within
        30 units, ahead told from behind."""
        return int(self.measured[self.nearest(gains, filters)])

    def nearest(self, gains, filters):
        """The index of that direction among those measured."""
        left = gains[0] >= gains[1]
        side = np.flatnonzero((self.measured <= 180) if left else
                              (self.measured >= 180) | (self.measured == 0))
        errors = ((self.shapes[side] - self.shape(filters)) ** 2).mean(axis=(1, 2))
        return int(side[np.argmin(errors)])

    def as_volumes(self, heard):
        """The ears' gains, heard with their filters (ear.LoopHearing.hear_through_head),
        as the volume of the sound that gives them from the direction the filters tell,
        so that its loudness means the same as with the pan, ahead as behind, with that
        direction; None when unheard."""
        if heard is None:
            return None
        gains, filters = heard
        k = self.nearest(gains, filters)
        scale = float(self.loudest[k])
        return HeardThroughHead((gains[0] / scale, gains[1] / scale), int(self.measured[k]))


class HeardThroughHead(tuple):
    """The stalker's (left, right) volumes heard with headphones, and the direction it
    was heard from (counterclockwise from ahead, degrees)."""

    def __new__(cls, volumes, direction):
        heard = super().__new__(cls, volumes)
        heard.direction = direction
        return heard


def whitened(v, flat, size):
    """v heard through the whitening filter `flat` (its transform on a size-point grid),
    as long as v."""
    return np.fft.irfft(np.fft.rfft(v, size, axis=-1) * flat, size, axis=-1)[..., :v.shape[-1]]


class HeadListen:
    """One listen with headphones on, in one or more still spans (a span: ticks at one
    heading): where the player stood, the phase of the hint in its period, and the fit of
    the hint from every whole compass degree to what both ears heard, whitened against
    the noise just before. Each ear's sound is the note through a response a few hundred
    samples long, so the fit lives in the note's lagged products with itself and with the
    ears: kept as its normal equations (every degree against every other and against the
    ears, other rhythms taken out), any set of places is weighed against the listen at
    once."""

    def __init__(self, law, place, phase, headings):
        self.law = law
        self.place = place
        self.phase = phase
        self.headings = np.asarray(headings, dtype=float)
        self.gram = None     # 360 x 360: the columns of every whole compass degree
        self.cross = None    # 360: each column against the ears, other rhythms taken out
        self.energy = 0.0    # the ears' own, other rhythms taken out
        self.volumes = None  # the fit's front volume per direction, every STEP degrees

    def fit(self, head, x, bounds, starts, noise):
        """head: HeadHearing; x: both ears over the listen; bounds: the ticks' first
        samples from 0, and the end; starts: where each rhythm's note starts against the
        listen (samples, the one listened to first at 0); noise: mono audio just before.
        The onsets are known to a few dozen samples only: the lag within LAG_REACH that
        the non-negative fit explains the most with is taken."""
        n = bounds[-1]
        size = 1 << int(np.ceil(np.log2(n + len(head.note) + 4 * (head.lags + LAG_REACH))))
        flat = whitening(noise, size)
        ears = whitened(np.asarray(x, dtype=float).T, flat, size)
        note = whitened(head.note, flat, size)
        grid = np.arange(STEP // 2, 360, STEP)
        # The rhythm listened to at every whole degree, the others every STEP.
        keep = [np.arange(360)] + [grid] * (len(starts) - 1)
        gram, crosses = self.normal_equations(head, ears, note, starts, bounds, keep)
        total = len(gram)
        chosen = np.concatenate([grid, np.arange(360, total)])
        solver = NonNegativeFit(gram[np.ix_(chosen, chosen)])
        self.lag = best_lag(solver, crosses[:, chosen])
        self.samples = 2 * n
        cross = crosses[self.lag + LAG_REACH]
        solved, _ = solver.solve(cross[chosen])
        rest = solved[len(grid):]
        other = np.arange(360, total)
        self.volumes = solved[:len(grid)]
        self.gram = gram[:360, :360]
        self.cross = cross[:360] - gram[:360, other] @ rest
        self.energy = float((ears ** 2).sum() - 2 * rest @ cross[other] +
                            rest @ gram[np.ix_(other, other)] @ rest)
        return self

    def normal_equations(self, head, ears, note, starts, bounds, keep):
        """The columns' products with each other, and with the ears at every lag from
        -LAG_REACH: each rhythm's note, starting at its start, through the response of
        each degree it keeps, span by span (each at its own heading)."""
        lags = head.lags
        offsets = np.concatenate(([0], np.cumsum([len(k) for k in keep])))
        gram = np.zeros((offsets[-1], offsets[-1]))
        crosses = np.zeros((2 * LAG_REACH + 1, offsets[-1]))
        reach = lags + 2 * LAG_REACH
        d = np.arange(lags)
        for a, b, heading in self.spans(bounds):
            sx, sy = compass_point(WHOLE_DEGREES)
            heads, behind = head_direction(0.0, 0.0, heading, sx, sy)
            heads = np.mod(np.round(heads), 360).astype(int)
            factor = np.where(behind, 1 / self.law.behind, 1.0)
            g = [head.clicks[heads[k]] * factor[k][:, None, None] for k in keep]
            # note_r(t - j) for t in the span and j from -LAG_REACH to lags - 1 + LAG_REACH
            near = [over(note, np.arange(a - reach + 1 + LAG_REACH, b + LAG_REACH) - start)
                    for start in starts]
            for r in range(len(keep)):
                rows_r = slice(offsets[r], offsets[r + 1])
                for e in range(2):
                    m = np.correlate(near[r], ears[e, a:b], mode="valid")[::-1]
                    windows = np.lib.stride_tricks.sliding_window_view(m, lags)
                    crosses[:, rows_r] += windows @ g[r][:, e].T
                for q in range(r, len(keep)):
                    # sum over the span of note_r(t - tau) note_q(t - tau'), taken as a
                    # function of tau - tau' alone: the span is long against the lags
                    rho = np.correlate(over(note, np.arange(a - lags + 1, b + lags - 1) - starts[q]),
                                       over(note, np.arange(a, b) - starts[r]), mode="valid")
                    toeplitz = rho[(lags - 1) + d[:, None] - d[None, :]]
                    block = sum(g[r][:, e] @ toeplitz @ g[q][:, e].T for e in range(2))
                    rows_q = slice(offsets[q], offsets[q + 1])
                    gram[rows_r, rows_q] += block
                    if q != r:
                        gram[rows_q, rows_r] += block.T
        return gram, crosses

    def spans(self, bounds):
        """(first sample, end, heading) of each run of ticks at one heading."""
        out = []
        for k, h in enumerate(self.headings):
            if out and out[-1][2] == h:
                out[-1][1] = bounds[k + 1]
            else:
                out.append([bounds[k], bounds[k + 1], h])
        return [tuple(s) for s in out]

    def directions(self):
        return directions_of(np.arange(STEP // 2, 360, STEP).astype(float), self.volumes)

    def terms(self, places):
        """Each place's whole compass degree and front volume (0 .. 1) by the law."""
        places = np.asarray(places, dtype=float).reshape(-1, 2)
        lx, ly = self.place
        dx, dy = places[:, 0] - lx, places[:, 1] - ly
        degree = np.mod(np.round(np.degrees(np.arctan2(dx, dy))), 360).astype(int)
        volume = np.clip(volume_at(np.hypot(dx, dy), self.law.falloff), 0, 100) / 100
        return degree, volume

    def cost_of(self, places):
        """What the places leave of the listen unexplained."""
        if len(places) == 0:
            return self.energy
        d, v = self.terms(places)
        return float(self.energy - 2 * v @ self.cross[d] + v @ self.gram[np.ix_(d, d)] @ v)

    def candidate_costs(self, others, x, y):
        """What each place (x[j], y[j]) beside `others` leaves unexplained, and what the
        others leave alone."""
        empty = self.cost_of(others)
        d, v = self.terms(np.stack([x, y], axis=1))
        cost = empty - 2 * v * self.cross[d] + v * v * self.gram[d, d]
        if len(others):
            od, ov = self.terms(others)
            cost += 2 * v * (self.gram[np.ix_(d, od)] @ ov)
        return cost, empty

    def significances(self, places):
        """How much each place explains beside the others, against what one sample of the
        ears leaves unexplained by all of them: a page heard stands far above the noise,
        a phantom fitted into it does not."""
        rest = self.cost_of(places)
        return [(self.cost_of([q for q in places if q != p]) - rest) / max(rest / self.samples, 1e-30)
                for p in places]

    def loudness(self, place):
        return float(self.terms([place])[1][0])

    def mirror(self, place):
        """The place that the last heading's front and back would swap it with: the same
        distance, the direction reflected across the line through both ears."""
        lx, ly = self.place
        sx, sy = compass_point(WHOLE_DEGREES)
        heads, _ = head_direction(0.0, 0.0, self.headings[-1], sx, sy)
        d, _ = self.terms([place])
        want = np.mod(180 - heads[d[0]], 360)
        other = int(np.argmin(np.abs(np.mod(heads - want + 180, 360) - 180)))
        px, py = compass_point(other, float(np.hypot(place[0] - lx, place[1] - ly)))
        return (lx + float(px), ly + float(py))

    def sure(self, place, others):
        """Whether the listen tells the place's half (ahead or behind) from its mirror's:
        the mirror explains clearly less, or the two lie nearly together (aside)."""
        mirrored = self.mirror(place)
        lx, ly = self.place
        a = np.degrees(np.arctan2(place[0] - lx, place[1] - ly))
        b = np.degrees(np.arctan2(mirrored[0] - lx, mirrored[1] - ly))
        if abs((a - b + 180) % 360 - 180) < MIRROR_NEAR:
            return True
        empty = self.cost_of(others)
        gain = empty - self.cost_of(others + [place])
        gain_mirror = empty - self.cost_of(others + [mirrored])
        return gain > 0 and gain_mirror < SURE * gain


def best_lag(solver, crosses):
    """The lag (from -LAG_REACH) whose products with the ears the non-negative fit
    explains the most of: every LAG_STEP first, then those around the best."""
    explained = lambda lag: solver.solve(crosses[lag + LAG_REACH])[1]
    best = max(range(-LAG_REACH, LAG_REACH + 1, LAG_STEP), key=explained)
    around = [lag for lag in range(best - LAG_STEP + 1, best + LAG_STEP)
              if -LAG_REACH <= lag <= LAG_REACH]
    return max(around, key=explained)


def over(note, t):
    """The note at the samples t of its own (silence before and after it)."""
    inside = (t >= 0) & (t < len(note))
    return np.where(inside, note[np.clip(t, 0, len(note) - 1)], 0.0)


class NonNegativeFit:
    """Non-negative least squares of fits given by their normal equations, for one set
    of columns and many right-hand sides: through a square root of the columns'
    products, so that each fit is a small one."""

    def __init__(self, gram):
        self.scale = np.sqrt(np.maximum(np.diag(gram), 1e-30))
        g = gram / np.outer(self.scale, self.scale)
        # The products are summed over lags, not samples, so they may fall a hair short of
        # a true square: what is not is left out.
        values, self.vectors = np.linalg.eigh((g + g.T) / 2)
        self.values = np.maximum(values, 1e-9 * values.max())
        self.root = np.sqrt(self.values)[:, None] * self.vectors.T

    def solve(self, cross):
        """The solution, and how much of the ears it explains."""
        c = cross / self.scale
        b = (self.vectors.T @ c) / np.sqrt(self.values)
        x = nonnegative_least_squares(self.root, b)
        fitted = self.root @ x
        return x / self.scale, float(2 * x @ c - fitted @ fitted)
