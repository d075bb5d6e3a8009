"""What the ear player knows of the game's sounds and how it listens: the sound files
(as a practised player knows them), resampled to the mix's rate, and detectors that find
them in the stereo mix. Nothing here reads the game's state."""

import io
import os
import subprocess
import wave

import numpy as np


def load_sound(path, rate):
    """A sound file as mono float samples at `rate`. The long files are Ogg Vorbis under
    their .wav names: those are decoded by oggdec (vorbis-tools, which
    scripts/ensure-packages.sh installs)."""
    with open(path, "rb") as f:
        ogg = f.read(4) == b"OggS"
    if ogg:
        path = io.BytesIO(subprocess.run(["oggdec", "-Q", "-o", "-", path], check=True,
                                         stdout=subprocess.PIPE).stdout)
    frames, src = read_wav(path)
    data = frames.mean(axis=1)
    n = int(len(data) * rate / src)
    t = np.arange(n) * (src / rate)
    return np.interp(t, np.arange(len(data)), data)


class Detector:
    """Finds where a sound starts in a mono signal: normalised correlation of the signal
    with the loudest `head_ms` of the sound (its most telling part), peaks over
    `threshold`. Reports where the sound began."""

    def __init__(self, sound, rate, head_ms, threshold):
        m = int(rate * head_ms / 1000)
        energy = np.cumsum(np.concatenate(([0.0], sound * sound)))
        windows = energy[m:] - energy[:-m]
        # The first window within 1 % of the loudest, so that the head comes early.
        self.offset = int(np.argmax(windows >= 0.99 * windows.max()))
        # Heard through a first difference, which takes the bed's rumble away.
        self.head = np.diff(sound[self.offset : self.offset + m + 1])
        self.norm = float(np.sqrt(np.dot(self.head, self.head)))
        self.threshold = threshold
        self.transforms = {}  # the head's transform by length

    def find(self, x, spectrum=None):
        """[(index in x where the head was heard, score)], strongest first, at most one per
        head length; the sound began `offset` samples before. `spectrum`: x's Spectrum,
        shared by the detectors that listen to the same audio."""
        m = len(self.head)
        if len(x) < m:
            return []
        spectrum = spectrum or Spectrum(x, m)
        if spectrum.n not in self.transforms:
            self.transforms[spectrum.n] = np.conj(np.fft.rfft(self.head, spectrum.n))
        corr = np.fft.irfft(spectrum.fx * self.transforms[spectrum.n], spectrum.n)
        corr = corr[: len(spectrum.dx) - m + 1]
        local = np.sqrt(np.maximum(spectrum.energy[m:] - spectrum.energy[:-m], 1e-12))
        score = corr / (local * self.norm)
        found = []
        candidates = np.flatnonzero(score >= self.threshold)
        for i in candidates[np.argsort(-score[candidates])][:50]:
            if all(abs(i - j) > m for j, _ in found):
                found.append((int(i), float(score[i])))
        return found


class Spectrum:
    """A mono signal heard through a first difference, its transform and its running
    energy, for every detector at once (heads of at most `longest` samples)."""

    def __init__(self, x, longest):
        self.dx = np.diff(x, prepend=x[:1])
        self.n = 1 << int(np.ceil(np.log2(len(x) + longest)))
        self.fx = np.fft.rfft(self.dx, self.n)
        self.energy = np.cumsum(np.concatenate(([0.0], self.dx * self.dx)))


def whitening(noise, n, segment=1024):
    """A zero-phase filter, as its transform on an n-point grid, that makes the noise
    heard in `noise` (mono) flat: the bed, the breath and the static are broadband and
    loud, the hint narrow, so a fit heard through it weighs the hint's own bands."""
    if len(noise) < 2 * segment:
        return np.ones(n // 2 + 1)
    window = np.hanning(segment)
    pieces = [noise[i : i + segment] * window
              for i in range(0, len(noise) - segment + 1, segment // 2)]
    psd = np.mean([np.abs(np.fft.rfft(p)) ** 2 for p in pieces], axis=0)
    psd = np.maximum(psd, 1e-3 * np.median(psd) + 1e-12)
    grid = np.fft.rfftfreq(n)
    return 1 / np.sqrt(np.interp(grid, np.fft.rfftfreq(segment), psd))


def tick_gains(x, notes, bounds, ramp, noise):
    """Least-squares left and right gains of the hint, one pair per tick, and how sure
    each is (one over its standard error, up to a common factor).
    x: stereo frames from bounds[0]; notes: the hint as each rhythm heard here plays it
    over x (the first is the rhythm listened to); bounds: the ticks' first samples, from
    0, and the end; ramp: samples over which the engine slides to a tick's new gains;
    noise: mono audio heard just before, which the fit is whitened against. The gains
    are a sum of the ticks' own, each sliding in over the ramp: the fit follows the
    engine exactly."""
    n = bounds[-1]
    shapes = []
    for k in range(len(bounds) - 1):
        shape = np.zeros(n)
        a, b = bounds[k], bounds[k + 1]
        shape[a:b] = 1.0
        if k > 0:
            r = min(ramp, b - a)
            shape[a : a + r] = np.arange(1, r + 1) / ramp
        if k + 2 < len(bounds):
            r = min(ramp, n - b)
            shape[b : b + r] = 1 - np.arange(1, r + 1) / ramp
        shapes.append(shape)
    columns = [note * shape for note in notes for shape in shapes]
    size = 1 << int(np.ceil(np.log2(n + 2048)))
    flat = whitening(noise, size)
    heard = lambda v: np.fft.irfft(np.fft.rfft(v, size, axis=0) * flat.reshape(
        (-1,) + (1,) * (v.ndim - 1)), size, axis=0)[:n]
    design = heard(np.stack(columns, axis=1))
    fit, *_ = np.linalg.lstsq(design, heard(x[:n]), rcond=None)
    k = len(shapes)
    spread = np.linalg.pinv(design.T @ design).diagonal()[:k]
    return fit[:k, 0], fit[:k, 1], 1 / np.sqrt(np.maximum(spread, 1e-12))


def read_wav(path):
    """A 16-bit WAV (a path or a file object): its frames as (frames, channels) floats in
    -1 .. 1, and its rate."""
    with wave.open(path) as w:
        raw = w.readframes(w.getnframes())
        frames = np.frombuffer(raw, dtype="<i2").astype(np.float64) / 32768.0
        return frames.reshape(-1, w.getnchannels()), w.getframerate()


def fast_size(n):
    """The least size at least n whose only prime factors are 2, 3 and 5: the transforms
    of the loop's correlation are quick at it, and nearly half a power of two's."""
    best = 1 << int(np.ceil(np.log2(n)))
    threes = 1
    while threes < best:
        fives = threes
        while fives < best:
            size = fives << max(int(np.ceil(np.log2(n / fives))), 0)
            best = min(best, size)
            fives *= 5
        threes *= 3
    return best


# With headphones, a place in the loop whose correlation reaches this is heard: over the
# whole loop, noise and the other static reach some 0.1.
HEAD_SCORE = 0.2
# The filter a head puts on the loop in one ear, as fitted: taps before the loop's place
# found, and in all (a head's response and the ears' delay against each other fit in it).
FILTER_LEAD = 8
FILTER_TAPS = 48


class LoopHearing:
    """Hears a looped noise (the stalker's own sound) in the stereo mix: finds where in
    its loop the last `window_ms` are (normalised correlation of first differences with
    the whole loop, wrapped), and, when found, its left and right gains there."""

    def __init__(self, loop, rate, window_ms=100, threshold=0.35):
        self.m = int(rate * window_ms / 1000)
        loop = np.diff(loop, append=loop[:1])
        wrapped = np.concatenate((loop, loop[: self.m]))
        self.n = fast_size(len(wrapped) + self.m)
        self.fl = np.fft.rfft(wrapped, self.n)
        energy = np.cumsum(np.concatenate(([0.0], wrapped * wrapped)))
        self.local = np.sqrt(np.maximum(energy[self.m :] - energy[: -self.m], 1e-12))[: len(loop)]
        self.wrapped = wrapped
        self.threshold = threshold

    def hear(self, x):
        """(left gain, right gain) of the loop in the stereo frames x (the last `m` are
        used), or None when it is not heard. With headphones: `hear_through_head`."""
        if len(x) < self.m:
            return None
        d = np.diff(x[-self.m - 1 :], axis=0)
        found = self.where(d.sum(axis=1))
        if found is None:
            return None
        return self.gain(d[:, 0], found[0]), self.gain(d[:, 1], found[0])

    def hear_through_head(self, x):
        """With headphones: ((left gain, right gain), the two ears' filters) of the loop in
        the stereo frames x, or None when it is not heard (`hear_apart`)."""
        return self.hear_apart(np.diff(x[-self.m - 1 :], axis=0)) if len(x) >= self.m else None

    def hear_apart(self, d):
        """Each ear hears the loop through a head's filter of its own, which spreads it
        over a few dozen samples: a single lag's correlation then understates it (within
        25 units, 16 windows in 100 fell below the threshold). So each ear's best place
        in the loop is taken whatever its score (an ear in which it scores less than half
        the other's takes the other's), and the loop counts as heard when a place scores
        HEAD_SCORE or it explains, through the short filter, the threshold's share of an
        ear. The gains, and the filter found in each ear (2 x FILTER_TAPS), or None."""
        found = [f for f in (self.where(d[:, ear], 0.0) for ear in (0, 1)) if f is not None]
        if len(found) < 2:
            return None
        top, best = max(found, key=lambda f: f[1])
        places = [k if score >= best / 2 else top for k, score in found]
        fits = [self.filtered(d[:, ear], places[ear]) for ear in (0, 1)]
        if best < HEAD_SCORE and max(share for share, _, _ in fits) < self.threshold:
            return None
        return tuple(gain for _, gain, _ in fits), np.array([f for _, _, f in fits])

    def where(self, signal, threshold=None):
        """(place in the loop, score) of a first-differenced signal, or None; a score
        below `threshold` (the hearing's own when None) is not a place."""
        norm = float(np.sqrt(np.dot(signal, signal)))
        if norm < 1e-9:
            return None
        corr = np.fft.irfft(self.fl * np.conj(np.fft.rfft(signal, self.n)), self.n)[: len(self.local)]
        score = corr / (self.local * norm)
        k = int(np.argmax(score))
        least = self.threshold if threshold is None else threshold
        return (k, float(score[k])) if score[k] >= least else None

    def gain(self, signal, k):
        t = self.wrapped[k : k + self.m]
        return float(np.dot(signal, t) / float(np.dot(t, t)))

    def filtered(self, signal, k):
        """How much of one ear the loop at `k` explains through the short filter that
        best explains that ear (a head's), how loud it is there, and the filter: (share
        of the ear's amplitude, gain against the loop itself, taps). A projection onto
        the loop alone would miss what the filter moved in time."""
        loop = len(self.wrapped) - self.m
        shifts = np.arange(-FILTER_LEAD, FILTER_TAPS - FILTER_LEAD)
        design = self.wrapped[(k - shifts[None, :] + np.arange(self.m)[:, None]) % loop]
        # The loop is noise: its shifts are far from one another, and the normal
        # equations solve at a third of the cost of a least-squares solver.
        fit = np.linalg.solve(design.T @ design, design.T @ signal)
        explained = design @ fit
        heard = float(np.dot(explained, explained))
        t = self.wrapped[k : k + self.m]
        share = np.sqrt(heard / max(float(np.dot(signal, signal)), 1e-18))
        return float(share), float(np.sqrt(heard / float(np.dot(t, t)))), fit


class Ear:
    """The player's knowledge of the sound set, at the mix's rate."""

    def __init__(self, assets, rate):
        self.rate = rate
        s = lambda name: load_sound(os.path.join(assets, name + ".wav"), rate)
        self.note = s("physics/note")
        self.note_hint = Detector(self.note, rate, 80, 0.3)
        self.appear = Detector(s("vorlent/appearClose"), rate, 80, 0.5)
        self.take = Detector(s("physics/note_take"), rate, 80, 0.5)
        self.stalker_sound = s("static/static2")
        self.stalker = LoopHearing(self.stalker_sound, rate)
        self.detectors = [self.note_hint, self.appear, self.take]


class Tape:
    """The mix heard so far, at least the last `keep_s` seconds of it, indexed by sample
    since the start of the run. Kept as the pieces that came, joined only on reading."""

    def __init__(self, rate, keep_s=3.0):
        self.rate = rate
        self.keep = int(rate * keep_s)
        self.pieces = []  # (first sample index, frames)
        self.end = 0

    @property
    def start(self):
        return self.pieces[0][0] if self.pieces else self.end

    def add(self, audio):
        if len(audio):
            self.pieces.append((self.end, audio.astype(np.float64)))
            self.end += len(audio)
        while len(self.pieces) > 1 and self.pieces[1][0] <= self.end - self.keep:
            self.pieces.pop(0)

    def since(self, sample, count=None):
        """(first sample index, stereo frames) from `sample` on (or from the oldest kept),
        at most `count` frames."""
        first = max(sample, self.start)
        last = self.end if count is None else min(self.end, first + count)
        parts = [a[max(first - s, 0) : max(last - s, 0)] for s, a in self.pieces
                 if s + len(a) > first and s < last]
        frames = np.concatenate(parts) if parts else np.zeros((0, 2))
        return first, frames
