"""What the ear player hears: the tape of the mix, the sounds found in it as it comes
(a hint's onset, the stalker's arrival, a page taken), the rhythms of the hints heard
and their next onsets, the gains of one hint heard tick by tick, and the stalker's own
sound. Only the mix: nothing of the game's state."""

import numpy as np

from ear import Spectrum, Tape, tick_gains

TAPE_S = 6.0           # seconds of the mix kept: a sweep and the noise before it
ONSET_SLACK_MS = 50    # onsets found this close are one
ONSETS_KEPT = 40
RHYTHM_KEPT_PERIODS = 3  # a rhythm not heard for this many periods is forgotten...
RHYTHM_SLACK_MS = 500    # ... and this much more
NOISE_MS = 1500        # the mix just before a hint, whose noise its fit is whitened against
ENGINE_RAMP_MS = 5     # the sound engine slides to a tick's new gains over this long


class Heard:
    """What one listen found in the audio just come."""

    def __init__(self, arrived, taken):
        self.arrived = arrived  # the stalker's arrival close by
        self.taken = taken      # a page taken


class Hearing:
    def __init__(self, ear, hint_period_ms, sides=None):
        self.ear = ear
        # With headphones (`sides`: binaural.HeadSides) the two ears hear a sound at
        # different times and through different filters: summed, they comb (a lateral
        # hint's partials can cancel), so each ear is searched on its own.
        self.sides = sides
        self.rate = ear.rate
        self.period = hint_period_ms
        self.tape = Tape(self.rate, TAPE_S)
        self.scanned = 0   # the tape's sample up to which sounds were sought
        self.onsets = []   # ms of the hints' onsets heard lately

    def add(self, audio):
        self.tape.add(audio)

    def listen(self):
        """Finds the sounds heard in the audio just come: a sound counts once, when the
        most telling part of it (its detector's head) ends in the new audio."""
        longest = max(len(d.head) for d in self.ear.detectors)
        start, x = self.tape.since(max(self.scanned - longest, 0))
        if len(x) == 0:
            return Heard(False, False)
        mono = x.sum(axis=1)
        spectrum = Spectrum(mono, longest) if len(mono) >= longest else None

        def heard(detector, signal=mono, spectrum=spectrum):
            if spectrum is None:
                return []
            return [start + i - detector.offset for i, _ in detector.find(signal, spectrum)
                    if start + i + len(detector.head) > self.scanned]

        if self.sides is None:
            hints = heard(self.ear.note_hint)
        else:
            # The earlier ear's finding stands for both.
            hints = sorted(h for ear in (x[:, 0], x[:, 1]) if spectrum is not None
                           for h in heard(self.ear.note_hint, ear, Spectrum(ear, longest)))
        for s in hints:
            onset = int(round(s * 1000 / self.rate))
            if all(abs(onset - o) > ONSET_SLACK_MS for o in self.onsets):
                self.onsets.append(onset)
        self.onsets = self.onsets[-ONSETS_KEPT:]
        arrived = bool(heard(self.ear.appear))
        taken = bool(heard(self.ear.take))
        self.scanned = self.tape.end
        return Heard(arrived, taken)

    def next_onset(self, now, after):
        """The first hint onset foreseen after `after` (ms), of any rhythm heard within the
        last periods before `now`; None when none was heard lately."""
        best = None
        for o in self.onsets:
            if now - o > RHYTHM_KEPT_PERIODS * self.period + RHYTHM_SLACK_MS:
                continue
            t = o + (max(after - o, 0) // self.period + 1) * self.period
            while t - self.period > after:
                t -= self.period
            best = t if best is None else min(best, t)
        return best

    def silent(self, now):
        """Whether no hint was heard over the last period before `now` (ms): every page in
        hearing sounds once a period, so none is in hearing of where the player went."""
        return all(now - o > self.period + RHYTHM_SLACK_MS for o in self.onsets)

    def hint_window(self, onset_ms, ticks, tick_ms):
        """The mix over the `ticks` ticks since the hint that started at `onset_ms`: the
        stereo frames, the ticks' first samples from 0 and the end, where the notes of the
        other rhythms heard start against it (samples; negative: before it), and the mono
        noise heard just before; None when the tape does not hold it whole."""
        sample = lambda ms: ms * self.rate // 1000
        base = sample(onset_ms)
        bounds = [sample(onset_ms + k * tick_ms) - base for k in range(ticks + 1)]
        start, x = self.tape.since(base, bounds[-1])
        noise = sample(NOISE_MS)
        _, before = self.tape.since(base - noise, noise)
        if start != base or len(x) != bounds[-1]:
            return None
        # Other hints (pages with rhythms of their own) overlap this one: the fit hears
        # all of them at once.
        others = [sample(o) - base for o in self.onsets if o != onset_ms
                  if -len(x) < base - sample(o) < len(self.ear.note)]
        return x, bounds, others, before.sum(axis=1)

    def hint_gains(self, onset_ms, ticks, tick_ms):
        """The left and right gains, and the weight each deserves, of the hint that
        started at `onset_ms`, one pair for each of the `ticks` ticks since; None when the
        tape does not hold them whole."""
        window = self.hint_window(onset_ms, ticks, tick_ms)
        if window is None:
            return None
        x, bounds, others, noise = window
        notes = []
        for start in [0] + others:
            t = np.zeros(len(x))
            piece = self.ear.note[max(-start, 0) : max(len(x) - start, 0)]
            t[max(start, 0) : max(start, 0) + len(piece)] = piece[: len(x) - max(start, 0)]
            notes.append(t)
        return tick_gains(x, notes, bounds, ENGINE_RAMP_MS * self.rate // 1000, noise)

    def stalker_gains(self):
        """The stalker's own sound in the last 100 ms: its (left, right) gains, or None."""
        _, x = self.tape.since(self.tape.end - self.ear.stalker.m - 1)
        if self.sides is None:
            return self.ear.stalker.hear(x)
        return self.sides.as_volumes(self.ear.stalker.hear_through_head(x))
