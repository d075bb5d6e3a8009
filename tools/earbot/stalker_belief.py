"""Where the ear player believes the stalker is, from its own sound's left and right
gains and its arrival heard: how loud means near, where a sound known to be behind
lies, and the way away from it that the player keeps for a while after hearing it."""

import numpy as np

from hearing_law import distance_for

STALKER_NEAR = 0.45    # its sound this loud: within some 22 units ahead, 13 behind
STALKER_HEARD = 0.1    # this loud: within some 36 units ahead, 34 behind
STALKER_GONE = 0.05    # this faint: beyond some 38 units
KEEP_AWAY_MS = 15_000  # after the stalker was heard, pages that lie toward it wait this long
NEVER_MS = -100_000    # before the game began: long past any memory


def wrap(deg):
    return (deg + 180) % 360 - 180


def bearing_behind(left, right):
    """Where a sound known to be behind the listener lies, in degrees clockwise from
    its heading (90 to 270), from its left and right gains: the near side keeps the
    volume, the far side loses the pan."""
    pan = 1 - min(left, right) / max(left, right, 1e-6)
    behind = 180 - np.degrees(np.arcsin(min(pan, 1.0)))
    return behind if right > left else -behind


def quarter_turn_away(left, right):
    """The quarter turn (degrees, right positive) that puts a sound heard on one side
    behind the listener, whether it was ahead or behind."""
    return -90 if right > left else 90


class StalkerBelief:
    def __init__(self, law, headphones=False):
        # With headphones one hearing tells its direction whole (binaural.HeardThroughHead);
        # with the pan, only its side, and where it lies once it is known to be behind.
        self.law = law  # the mix's law for its sound (Rules.stalker_law)
        self.headphones = headphones
        self.arrived = False          # its arrival close by heard, not yet fled from
        self.away_heading = 0         # the way away from it, as a heading
        self.away_ms = NEVER_MS       # when that way was last learnt

    def place_heard(self, place, heading, heard):
        """Where the stalker heard with headphones (`heard`: binaural.HeardThroughHead) by
        a listener at `place` facing `heading` stands: in the direction heard, as far as
        its loudness (behind, the law's divisor) tells."""
        toward = (heading - heard.direction) % 360
        behind = abs(wrap(toward - heading)) > 90
        volume = min(100.0, 100 * max(heard) * (self.law.behind if behind else 1))
        d = distance_for(volume, self.law.falloff)
        h = np.radians(toward)
        return (place[0] + d * float(np.sin(h)), place[1] + d * float(np.cos(h)))

    def alarmed(self, near):
        """The stalker arrived close by, or its own sound (`near`, its gains just heard)
        grew loud. The arrival alarms once."""
        if self.arrived or (near is not None and max(near) > STALKER_NEAR):
            self.arrived = False
            return True
        return False

    def keeping_away(self, ms):
        """Whether pages toward it still wait at `ms`."""
        return ms - self.away_ms < KEEP_AWAY_MS

    def forgotten(self, ms):
        """Whether it was last heard long enough before `ms` to be looked for anew."""
        return ms - self.away_ms > KEEP_AWAY_MS

    def keep_away(self, heading, ms):
        """From `ms`, for a while, pages are gone for only on the side of `heading`."""
        self.away_heading = heading
        self.away_ms = ms

    def away_from(self, heading, heard):
        """The heading straight away from the stalker heard by a listener facing
        `heading`: with the pan, the sound is known to be behind."""
        if self.headphones:
            return (heading - heard.direction + 180) % 360
        return (heading + bearing_behind(*heard) + 180) % 360

    def follow(self, heading, heard, ms):
        """The stalker heard again by a listener facing `heading` keeps the way away from
        it up to date. With the pan, of the two bearings it allows (ahead or behind), the
        one nearer the bearing known."""
        if self.headphones:
            self.keep_away(self.away_from(heading, heard), ms)
            return
        behind = bearing_behind(*heard)
        ahead = np.sign(behind) * 180 - behind
        known = self.away_heading + 180
        toward = min((heading + behind, heading + ahead), key=lambda b: abs(wrap(b - known)))
        self.keep_away((toward + 180) % 360, ms)
