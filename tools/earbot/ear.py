"""What the ear player knows of the game's sounds and how it listens: the sound files
(as a practised player knows them), resampled to the mix's rate, and detectors that find
them in the stereo mix. Nothing here reads the game's state."""

import os
import wave

import numpy as np

TICK_MS = 17        # the game's tick
FIRST_TICK_MS = 196  # the first tick of play after the quick start (title and intro skipped)


def load_sound(path, rate):
    """A sound file as mono float samples at `rate`."""
    with wave.open(path) as w:
        frames = w.readframes(w.getnframes())
        data = np.frombuffer(frames, dtype="<i2").astype(np.float64) / 32768.0
        data = data.reshape(-1, w.getnchannels()).mean(axis=1)
        src = w.getframerate()
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

    def find(self, x):
        """[(index in x where the head was heard, score)], strongest first, at most one per
        head length; the sound began `offset` samples before."""
        x = np.diff(x, prepend=x[:1])
        m = len(self.head)
        if len(x) < m:
            return []
        n = 1 << int(np.ceil(np.log2(len(x) + m)))
        corr = np.fft.irfft(np.fft.rfft(x, n) * np.conj(np.fft.rfft(self.head, n)), n)[: len(x) - m + 1]
        energy = np.cumsum(np.concatenate(([0.0], x * x)))
        local = np.sqrt(np.maximum(energy[m:] - energy[:-m], 1e-12))
        score = corr / (local * self.norm)
        found = []
        order = np.argsort(-score)
        for i in order[:50]:
            if score[i] < self.threshold:
                break
            if all(abs(i - j) > m for j, _ in found):
                found.append((int(i), float(score[i])))
        return found


def gains(x, sound, offset):
    """Least-squares gains of `sound` started `offset` samples before x[0], one per channel
    of x (frames, 2); None when the sound does not cover x."""
    if offset < 0 or offset + len(x) > len(sound):
        return None
    t = sound[offset : offset + len(x)]
    tt = float(np.dot(t, t))
    if tt < 1e-9:
        return None
    return float(np.dot(x[:, 0], t) / tt), float(np.dot(x[:, 1], t) / tt)


class Ear:
    """The player's knowledge of the sound set, at the mix's rate."""

    def __init__(self, assets, rate):
        self.rate = rate
        s = lambda name: load_sound(os.path.join(assets, name + ".wav"), rate)
        self.note = s("physics/note")
        self.note_hint = Detector(self.note, rate, 80, 0.3)
        self.pages = [Detector(s("pages/page%d" % i), rate, 80, 0.5) for i in range(1, 9)]
        self.knocks = [Detector(s("physics/hit_wood"), rate, 80, 0.5),
                       Detector(s("physics/hit_wall"), rate, 80, 0.5)]
        self.appear = Detector(s("vorlent/appearClose"), rate, 80, 0.5)
        self.fence = Detector(s("steps/fence"), rate, 80, 0.5)
        self.static = s("static/static2")
        self.detectors = [self.note_hint, self.appear, self.fence] + self.pages + self.knocks


class Tape:
    """The mix heard so far, the last `keep_s` seconds of it, indexed by sample since the
    start of the run."""

    def __init__(self, rate, keep_s=3.0):
        self.rate = rate
        self.keep = int(rate * keep_s)
        self.data = np.zeros((0, 2))
        self.start = 0  # sample index of data[0]

    @property
    def end(self):
        return self.start + len(self.data)

    def add(self, audio):
        # Kept up to twice as long, so that the copying happens now and then only.
        self.data = np.concatenate((self.data, audio.astype(np.float64)))
        cut = len(self.data) - self.keep
        if cut > self.keep:
            self.data = self.data[cut:]
            self.start += cut

    def since(self, sample):
        """(first sample index, stereo frames) from `sample` on (or from the oldest kept)."""
        i = max(0, sample - self.start)
        return self.start + i, self.data[i:]
