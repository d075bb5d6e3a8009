"""The ear player: plays quelmire-sim's live mode hearing only the stereo mix and the
spoken text. It knows the sound files as a practised player does (tools/earbot/ear.py),
the keys, the rules of the mix (tools/earbot/hearing_law.py) and its own clock; nothing
of the world.

    earbot.py --sim build/release/run/quelmire-sim --run-dir build/release/run SEED...

prints one JSON line per game and a summary line. How it plays:
 - All pages in hearing start their hints together, one each 251 ticks (4267 ms); a page
   that came into hearing later keeps a rhythm of its own. It finds the onsets in the
   mix and foresees the next ones.
 - At an onset it stands still and turns once round during the hint, reading the hint's
   left and right gains tick by tick; the directions and volumes that explain them give
   the places of the pages (tools/earbot/page_map.py), which it keeps.
 - It strides (forward and a strafe at once, which the rules move twice a tick; running
   while the stamina lets it) to the nearest place it believes in, holding the left
   button, which takes a page the tick it comes within reach; the taking is heard.
   Where it walked and took nothing, no page lies.
 - The tunnel jump (T) and the spoken place after it tell where the tunnel lies; it
   walks round the tunnel's walls, and jumps there to save a long way or to get out.
 - Stuck (its spoken place no longer moves), it remembers the obstacle and walks round
   it, or backs off and steps aside.
 - The stalker's own sound heard afar is located by a quarter turn and kept away from;
   its arrival close by, or its sound grown loud, makes it jump to the tunnel when that
   lies far off, else run straight away from it, along the field's edge and round what
   it met, until the sound has all but faded.
"""

import argparse
import json
import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ear import Ear, Spectrum, Tape, TICK_MS, tick_gains  # noqa: E402
from hearing_law import FIELD  # noqa: E402
from page_map import PageMap, Sweep, sources_in  # noqa: E402
from quelmire_live import LiveSim  # noqa: E402
from tunnel import Tunnel  # noqa: E402

RATE = 44100           # the sound files' own rate: the mix holds their samples unchanged
HINT_PERIOD_MS = 251 * TICK_MS
SWEEP_DEG = 12         # degrees a tick while listening round
SWEEP_TICKS = 30       # once round in the loud first half of the one-second note
LEG_TICKS = 30         # a walk between two spoken places
RUN_SPEED = 0.1 * 2 ** 0.5    # units a tick, striding at a run
WALK_SPEED = 0.04 * 2 ** 0.5  # units a tick, striding at a walk
LEFT_BUTTON = 1
STALKER_NEAR = 0.45    # its sound this loud: within some 13 units ahead, 22 behind
STALKER_HEARD = 0.1    # this loud: within some 34 units ahead, 36 behind
STALKER_GONE = 0.05    # this faint: beyond some 38 units
EDGE = 2               # units from the field's edge that a flight keeps clear
OBSTACLE_HIT = 2.2     # units from an obstacle's centre that a straight way must pass
OBSTACLE_CLEAR = 2.8   # units from an obstacle's centre that a path keeps clear (half a side is 1.5)
WIDEST_ASIDE = 60      # ticks of stepping aside; hemmed in beyond that, it jumps to the tunnel
FACE_NEAR = 0.15       # units from a whole unit within which a stopped player stands at a side
FLEE_MS = 10_000       # a flight lasts this long at most
KEEP_AWAY_MS = 15_000  # after the stalker was heard, pages that lie toward it wait this long
RUN_RESERVE = 40       # stamina kept for fleeing: below it, it walks
JUMP_AWAY = 50         # fleeing this far from the tunnel, it jumps there instead
JUMP_GAIN = 20         # units of way saved for which it jumps to the tunnel to go for a page
MAX_GAME_MS = int(os.environ.get("EARBOT_MAX_MS", 300_000))  # then the cause is "time"
# The rules move the player once for every movement key held, so forward and a strafe
# held together make two moves a tick: the player goes half a right angle to the left of
# its heading (forward with left), √2 times as fast. It always strides so; each way it
# goes has its pair of keys.
STRIDE_TURN = 45       # degrees from the way it goes to its heading
AHEAD, BACK, LEFT, RIGHT = ("W", "A"), ("S", "D"), ("A", "S"), ("W", "D")


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


def distance(a, b):
    return float(np.hypot(a[0] - b[0], a[1] - b[1]))


def bearing(a, b):
    """The heading (degrees, 0 toward +y, 90 toward +x) from a toward b."""
    return float(np.degrees(np.arctan2(b[0] - a[0], b[1] - a[1]))) % 360


class EarBot:
    def __init__(self, env, ear, log=None, notes_dir=None):
        self.env = env
        self.ear = ear
        self.rate = ear.rate
        self.log = log
        self.notes_dir = notes_dir
        self.notebook = None

    def say(self, *parts):
        if self.log:
            print("%7d" % self.ms, *parts, file=self.log)

    def note(self, event, **fields):
        """A line of the player's own notebook (what it heard and believed), for the
        survey's figures; never read back by the player."""
        if self.notebook is not None:
            fields.update({"ms": self.ms, "event": event, "place": self.place})
            self.notebook.write(json.dumps(fields) + "\n")

    # One span of the game: keys held, an optional mouse turn in degrees. The left button
    # stays down throughout, so a page is taken the tick the player comes within reach.
    def step(self, ms, keys=(), turn=0, listen=True, button=True):
        if self.done:
            return
        action = {"keys": set(keys), "buttons": {LEFT_BUTTON} if button else set(), "ms": ms}
        if turn:
            action["dx"] = 4 * turn
            self.heading = (self.heading + turn) % 360
        self.tire(ms // TICK_MS, set(keys))
        self.spent[self.doing] = self.spent.get(self.doing, 0) + ms
        audio, done, info = self.env.step(action)
        self.tape.add(audio)
        self.ms = info["ms"]
        self.texts += info["texts"]
        if done:
            self.done = True
            self.cause = info.get("cause")
        if listen:
            self.listen()

    def tire(self, ticks, keys):
        """Keeps count of the stamina as the rules spend it: 0.2 back a tick, 0.5 a tick
        running while moving; running stops below 2 and starts again above 5 while Left
        Shift is held."""
        moving = bool(keys & {"W", "A", "S", "D"})
        for _ in range(ticks):
            self.running = "LSHIFT" in keys and (self.running or self.stamina > 5)
            if self.stamina < 101:
                self.stamina += 0.2
            if self.running and moving:
                self.stamina -= 0.5
            if self.stamina < 2:
                self.running = False

    def gait(self):
        """Runs while the stamina holds a reserve for fleeing, else walks."""
        return AHEAD + ("LSHIFT",) if self.stamina > RUN_RESERVE else AHEAD

    # Finds the sounds heard in the audio just come: a sound counts once, when the most
    # telling part of it (its detector's head) ends in the new audio.
    def listen(self):
        longest = max(len(d.head) for d in self.ear.detectors)
        start, x = self.tape.since(max(self.scanned - longest, 0))
        if len(x) == 0:
            return
        mono = x.sum(axis=1)
        spectrum = Spectrum(mono, longest) if len(mono) >= longest else None

        def heard(detector):
            if spectrum is None:
                return []
            return [start + i - detector.offset for i, _ in detector.find(mono, spectrum)
                    if start + i + len(detector.head) > self.scanned]

        for s in heard(self.ear.note_hint):
            onset = int(round(s * 1000 / self.rate))
            if all(abs(onset - o) > 50 for o in self.onsets):
                self.onsets.append(onset)
        self.onsets = self.onsets[-40:]
        if heard(self.ear.appear):
            self.stalker = self.ms
        if heard(self.ear.take):
            self.say("page taken")
            self.pages_heard += 1
            self.note("page")
            self.map.taken(self.place)
        self.scanned = self.tape.end

    def next_onset(self, after):
        """The first hint onset foreseen after `after` (ms), of any rhythm heard within the
        last three periods; None when none was heard lately."""
        best = None
        for o in self.onsets:
            if self.ms - o > 3 * HINT_PERIOD_MS + 500:
                continue
            t = o + (max(after - o, 0) // HINT_PERIOD_MS + 1) * HINT_PERIOD_MS
            while t - HINT_PERIOD_MS > after:
                t -= HINT_PERIOD_MS
            best = t if best is None else min(best, t)
        return best

    def locate(self, keys=(), walked=True):
        """Presses C and hears the coordinates spoken; the place, or the last one known.
        Where it walked since the last answer, with the button down, no page lies."""
        self.step(TICK_MS, keys=set(keys) | {"C"})
        # A button pressed before the game holds the mouse (its first tick of play, which
        # comes later in some worlds than in others) is lost: it is let go and pressed
        # again at every C, which costs one tick of a leg.
        self.step(TICK_MS, keys=keys, button=False)
        before = self.place
        for text in self.texts:
            try:
                x, y = (float(v) for v in text.split(","))
                self.place = (x, y)
            except ValueError:
                pass
        self.texts = []
        if walked:
            self.map.walked(before, self.place)
        return self.place

    def jump(self):
        """T puts the player in the tunnel; the place spoken then tells where the tunnel
        lies, and its walls are kept clear of from then on."""
        self.say("jumps to the tunnel from", tuple(int(v) for v in self.place))
        self.step(TICK_MS, keys={"T"})
        self.step(TICK_MS)
        self.tunnel = Tunnel(self.locate(walked=False))

    def sweep(self, onset_ms):
        """Turns once round during the hint that starts at `onset_ms`; the sweep heard."""
        place = self.place
        h0 = self.heading
        for _ in range(SWEEP_TICKS):
            self.step(TICK_MS, turn=SWEEP_DEG, listen=False)
            if self.done:
                return None
        self.listen()
        sample = lambda ms: ms * self.rate // 1000
        base = sample(onset_ms)
        bounds = [sample(onset_ms + k * TICK_MS) - base for k in range(SWEEP_TICKS + 1)]
        start, x = self.tape.since(base, bounds[-1])
        _, before = self.tape.since(base - self.rate * 3 // 2, self.rate * 3 // 2)
        if start != base or len(x) != bounds[-1]:
            return None
        # Other hints (pages with rhythms of their own) overlap this one: the fit hears
        # all of them at once.
        notes = []
        for o in [onset_ms] + [o for o in self.onsets if o != onset_ms]:
            lo = base - sample(o)
            if not -len(x) < lo < len(self.ear.note):
                continue
            t = np.zeros(len(x))
            piece = self.ear.note[max(lo, 0) : max(lo + len(x), 0)]
            t[max(-lo, 0) : max(-lo, 0) + len(piece)] = piece[: len(x) - max(-lo, 0)]
            notes.append(t)
        left, right, weights = tick_gains(x, notes, bounds, self.rate * 5 // 1000,
                                          before.sum(axis=1))
        headings = [(h0 + SWEEP_DEG * (k + 1)) % 360 for k in range(SWEEP_TICKS)]
        return Sweep(place, onset_ms % HINT_PERIOD_MS, headings, left, right, weights)

    def face(self, x, y):
        """Turns toward the place (x, y) from where the player is."""
        self.go_toward(bearing(self.place, (x, y)))

    def go_toward(self, way):
        """Turns so that striding goes the way `way` (degrees, as headings)."""
        self.turn(int(round(wrap(way + STRIDE_TURN - self.heading))))

    def way(self):
        """The way striding goes, from the heading."""
        return (self.heading - STRIDE_TURN) % 360

    def turn(self, degrees):
        """Turns by `degrees` with the mouse, at most 90 a tick (the pointer is put back to
        the middle of the window each tick, and a longer move would reach its edge)."""
        while degrees:
            part = max(-90, min(90, degrees))
            self.step(TICK_MS, turn=part)
            degrees -= part

    def wants_to_listen(self, onset):
        """Listening costs half a second and more standing still: worth it with no page
        believed in, when the page it goes for was placed from much farther than it is
        now, or when it has not listened for a while (other pages, other rhythms)."""
        target = self.map.nearest(self.place)
        if target is None or onset - self.last_sweep > 3 * HINT_PERIOD_MS:
            return True
        now = distance(self.place, (target.x, target.y))
        return target.heard_from > 8 and now < 0.6 * target.heard_from

    def destination(self):
        """The page believed nearest; with none, the part of the field farthest from
        every place it listened at, where pages it has not heard may lie. For a while
        after the stalker was heard, only pages and parts away from it count, and with
        none of those it goes on away from it."""
        keep_away = self.ms - self.away_ms < KEEP_AWAY_MS
        target = self.map.nearest(self.place, self.away_heading if keep_away else None)
        if target is not None:
            return (target.x, target.y)
        grid = np.arange(15, 136, 10.0)
        gx, gy = [a.ravel() for a in np.meshgrid(grid, grid)]
        far = np.full(len(gx), np.inf)
        for p in self.listened_at:
            far = np.minimum(far, np.hypot(gx - p[0], gy - p[1]))
        far -= 0.2 * np.hypot(gx - self.place[0], gy - self.place[1])
        if keep_away:  # only where the way leads away from the stalker
            h = np.radians(self.away_heading)
            ahead = (gx - self.place[0]) * np.sin(h) + (gy - self.place[1]) * np.cos(h)
            if not np.any(ahead > 0):
                return (float(np.clip(self.place[0] + 20 * np.sin(h), 5, 145)),
                        float(np.clip(self.place[1] + 20 * np.cos(h), 5, 145)))
            far[ahead <= 0] = -np.inf
        i = int(np.argmax(far))
        return (float(gx[i]), float(gy[i]))

    def leg(self, until_ms):
        """Walks toward its destination until `until_ms` at most, and checks it moved."""
        self.doing = "go" if self.map.candidates else "roam"
        goal = self.destination()
        if distance(self.tunnel.jump_point, goal) < distance(self.place, goal) - JUMP_GAIN:
            self.jump()
        goal = self.around(goal)
        if self.log and (self.last_goal is None or distance(goal, self.last_goal) > 3):
            self.say("goes for", tuple(int(v) for v in goal), "from", tuple(int(v) for v in self.place))
        self.last_goal = goal
        d = distance(self.place, goal)
        self.face(*goal)
        ticks = max(1, min(LEG_TICKS, int(d / RUN_SPEED) + 1, (until_ms - self.ms) // TICK_MS))
        before = self.place
        why = self.walk(ticks, keys=self.gait())
        self.locate(keys=set(self.gait()))
        if why == "stalker":
            self.flee()
        elif why == "heard":
            pass  # the next leg goes away from it
        elif distance(before, self.place) < 0.3 * WALK_SPEED * ticks:
            self.met_obstacle()

    def around(self, goal):
        """The goal, or a place on the way round the tunnel, or beside an obstacle met
        before that lies in the way, on the side of the goal."""
        goal = self.tunnel.way_round(self.place, goal)
        p = np.asarray(self.place)
        way = np.asarray(goal) - p
        length = float(np.hypot(*way))
        if length < 1e-6:
            return goal
        ahead = way / length
        for c in self.obstacles:
            rel = np.asarray(c) - p
            along = float(np.dot(rel, ahead))
            off = float(ahead[0] * rel[1] - ahead[1] * rel[0])
            if 0 < along < min(length + 2, 10) and abs(off) < OBSTACLE_CLEAR:
                # Pass on the side away from the obstacle's centre.
                side = np.array([ahead[1], -ahead[0]]) * (1 if off > 0 else -1)
                return tuple(np.asarray(c) + side * (OBSTACLE_CLEAR + 0.8))
        return goal

    def remember_obstacle(self):
        """It did not move: an obstacle (or a wall) lies just ahead, its centre where
        `spot_ahead` takes it to be. True when one was remembered there already."""
        centre = self.spot_ahead()
        again = any(distance(centre, c) < 2.5 for c in self.obstacles)
        if not again:
            self.obstacles.append(centre)
        return again

    def spot_ahead(self):
        """Where the centre of the obstacle that stops the player is taken to lie. Its
        sides lie on whole units, 3 apart, and a player stopped by one stands within a
        step of it: where a coordinate it was going along lies that near a whole unit,
        that side is the one met and the centre is half a side beyond it. Elsewhere, 1.6
        units ahead."""
        h = np.radians(self.way())
        ahead = (float(np.sin(h)), float(np.cos(h)))
        faces = [abs(a) > 0.3 and abs(v - round(v)) < FACE_NEAR for v, a in zip(self.place, ahead)]
        if not any(faces):
            return tuple(v + 1.6 * a for v, a in zip(self.place, ahead))
        return tuple(round(v) + np.sign(a) * 1.5 if face else v
                     for v, a, face in zip(self.place, ahead, faces))

    def met_obstacle(self):
        """It did not move: the obstacle ahead is remembered, and walked round from now
        on; stuck again soon near the same place, it steps aside."""
        if self.remember_obstacle() or self.ms - self.last_stuck < 3000:
            self.unstick()
        else:
            self.last_stuck = self.ms
            self.walk(4, keys=BACK)

    def walk(self, ticks, keys=AHEAD + ("LSHIFT",), wary=True):
        """Walks `ticks` with `keys` held; "stalker" when the stalker arrived close by or
        its own sound grew loud (and `wary`), else "time"."""
        while not self.done and ticks > 0:
            n = min(ticks, 8)
            self.step(n * TICK_MS, keys=set(keys))
            ticks -= n
            if not wary:
                continue
            heard = self.stalker_gains()
            if self.alarmed(heard):
                return "stalker"
            if heard is not None and max(heard) > STALKER_HEARD:
                if self.ms - self.away_ms > KEEP_AWAY_MS:
                    self.look(heard)
                    return "heard"
                self.follow(heard)
        return "time"

    def alarmed(self, near):
        """The stalker arrived close by, or its own sound (`near`, its gains just heard)
        grew loud."""
        if self.stalker is not None or (near is not None and max(near) > STALKER_NEAR):
            self.stalker = None
            return True
        return False

    def look(self, heard):
        """The stalker heard afar, not lately: a quarter turn away from its side puts it
        behind, whether it was ahead or behind, and its pan then tells its bearing; the
        way away from it is kept."""
        turn = quarter_turn_away(*heard)
        self.turn(turn)
        self.step(6 * TICK_MS, keys=self.gait())
        behind = self.stalker_gains()
        if behind is not None:
            self.keep_away(self.away_from(behind))
            self.say("the stalker heard: away", int(self.away_heading))
        self.turn(-turn)

    def follow(self, heard):
        """The stalker heard again: of the two bearings its pan allows (ahead or behind),
        the one nearer the bearing known keeps the way away from it up to date."""
        behind = bearing_behind(*heard)
        ahead = np.sign(behind) * 180 - behind
        known = self.away_heading + 180
        toward = min((self.heading + behind, self.heading + ahead),
                     key=lambda b: abs(wrap(b - known)))
        self.keep_away((toward + 180) % 360)

    def away_from(self, behind):
        """The heading straight away from a sound known to be behind, from its gains."""
        return (self.heading + bearing_behind(*behind) + 180) % 360

    def keep_away(self, heading):
        """From now, for a while, pages are gone for only on the side of `heading`."""
        self.away_heading = heading
        self.away_ms = self.ms

    def stalker_gains(self):
        """The stalker's own sound in the last 100 ms: its (left, right) gains, or None."""
        _, x = self.tape.since(self.tape.end - self.ear.stalker.m - 1)
        return self.ear.stalker.hear(x)

    def unstick(self):
        """Stuck on an obstacle or a wall: backs off and steps aside, first to the side
        that freed it last time; a side that does not move it is blocked too, so it
        tries the other. Stuck again soon after, it steps wider."""
        self.wide = self.wide + 15 if self.ms - self.last_stuck < 6000 else 15
        self.doing = "stuck"
        self.last_stuck = self.ms
        if self.shut_in() or self.wide > WIDEST_ASIDE:
            self.jump()
            self.wide = 15
            return
        self.say("stuck: aside", self.side, self.wide)
        self.walk(8, keys=BACK + ("LSHIFT",))
        for side in (self.side, -self.side):
            before = self.locate()
            self.walk(self.wide, keys=(RIGHT if side > 0 else LEFT) + ("LSHIFT",))
            if distance(before, self.locate()) > 0.02 * self.wide:
                self.side = side
                break
        self.walk(10)
        self.locate()

    def shut_in(self):
        """Outside the field, where no move is allowed: an obstacle that reaches past the
        edge pushes a player there, and only the tunnel jump leads back."""
        x, y = self.place
        return not (-1 < x < FIELD and -1 < y < FIELD)

    def flee(self):
        """The stalker is close: runs away from it until its sound has faded (its sound is
        silent beyond 40 units, and farther than that it soon vanishes), for FLEE_MS at
        most. Heard from one side, a quarter turn away puts it behind whether it was
        ahead or behind; from then on its pan gives its bearing (behind, on the side
        heard), and the player runs straight away from it, bent along the field's edge
        and round the obstacles it knows, so that it is not cornered. Heard only
        arriving, it turns about. Heard loud with the tunnel far off, before or during
        the flight, it jumps there instead."""
        self.doing = "flee"
        heard = self.stalker_gains()
        self.say("the stalker: flee", heard)
        if self.jumped_away(heard):
            return
        if heard is None:
            self.turn(180)
        else:
            self.turn(quarter_turn_away(*heard))
        away = self.heading
        end = self.ms + FLEE_MS
        while not self.done and self.ms < end:
            self.go_toward(self.open_heading(away))
            before = self.place
            self.walk(14, wary=False)
            if distance(before, self.locate(keys=set(AHEAD) | {"LSHIFT"})) < 0.3:
                if self.shut_in():
                    self.jump()
                else:
                    # Off the obstacle by a step or two first: a player held against
                    # its side moves no way at all.
                    self.remember_obstacle()
                    self.walk(4, keys=BACK + ("LSHIFT",), wary=False)
                    self.locate()
            heard = self.stalker_gains()
            if self.jumped_away(heard):
                return
            if heard is None or max(heard) < STALKER_GONE:
                break
            away = self.away_from(heard)
        self.keep_away(away)
        self.locate()

    def jumped_away(self, heard):
        """Jumps to the tunnel when the stalker is heard loud (so close by, not merely
        arrived somewhere within 40 units, maybe by the tunnel) and the tunnel lies far
        off; from there, for a while, it keeps on the way it jumped."""
        if heard is None or max(heard) < STALKER_NEAR or \
                distance(self.place, self.tunnel.jump_point) < JUMP_AWAY:
            return False
        start = self.place
        self.jump()
        self.keep_away(bearing(start, self.place))
        return True

    def open_heading(self, want, reach=12):
        """The heading nearest `want`, within a right angle of it, on which the next
        `reach` units are clear of the field's edge and of the obstacles it knows;
        failing that, the one with the longest clear way."""
        best, longest = want, -1
        for off in range(0, 91, 10):
            for h in (want + off, want - off)[: 1 if off == 0 else 2]:
                way = self.clear_way(h, reach)
                if way >= reach:
                    return h % 360
                if way > longest:
                    best, longest = h, way
        return best % 360

    def clear_way(self, heading, reach):
        """Whole units it can go on `heading` before the field's edge, the tunnel's walls
        or an obstacle it knows, up to `reach`. An obstacle or a wall it stands too near
        to already only blocks a way that goes nearer."""
        h = np.radians(heading)
        px, py = self.place
        near = [(c, min(OBSTACLE_HIT, distance(self.place, c))) for c in self.obstacles]
        # Within the edge's margin already, only going deeper into it is blocked.
        low = (min(EDGE, px - 0.01), min(EDGE, py - 0.01))
        high = (max(FIELD - EDGE, px + 0.01), max(FIELD - EDGE, py + 0.01))
        for step in range(1, reach + 1):
            x = px + step * np.sin(h)
            y = py + step * np.cos(h)
            if not (low[0] <= x <= high[0] and low[1] <= y <= high[1]) \
                    or self.tunnel.blocks((x, y), self.place) \
                    or any(distance((x, y), c) < hit for c, hit in near):
                return step - 1
        return reach

    def play(self, seed):
        self.ms = 0
        self.done = False
        self.cause = None
        self.heading = 0
        self.tape = Tape(self.rate, 6.0)
        self.scanned = 0
        self.onsets = []
        self.texts = []
        self.stalker = None
        self.side = 1
        self.wide = 15
        self.stamina = 100.0
        self.spent = {}  # virtual ms by what it was doing, for the log
        self.doing = "start"
        self.last_goal = None
        self.away_ms = -100_000
        self.away_heading = 0
        self.running = False
        self.last_stuck = -100_000
        self.last_sweep = -100_000
        self.pages_heard = 0
        self.place = (75.0, 75.0)
        self.map = PageMap(HINT_PERIOD_MS)
        # Centres of the obstacles met, as far as it can tell. The stalker stands at the
        # origin until it first shows up, and kills there as anywhere: kept clear of too.
        self.obstacles = [(0.0, 0.0)]
        self.tunnel = None
        self.listened_at = []
        if self.notes_dir:
            os.makedirs(self.notes_dir, exist_ok=True)
            self.notebook = open(os.path.join(self.notes_dir, "seed-%d.jsonl" % seed), "w")
        audio, info = self.env.reset(seed)
        self.tape.add(audio)
        self.ms = info["ms"]
        self.listen()
        self.locate()
        self.jump()
        while not self.done and self.ms < MAX_GAME_MS:
            onset = self.next_onset(self.ms + 2 * TICK_MS)
            if onset is not None and onset - self.ms < (LEG_TICKS + 4) * TICK_MS \
                    and self.wants_to_listen(onset):
                self.listen_at(onset)
            else:
                self.leg(self.ms + LEG_TICKS * TICK_MS if onset is None else
                         min(self.ms + LEG_TICKS * TICK_MS, onset - 3 * TICK_MS))

    def listen_at(self, onset):
        """Stands still until the onset, then sweeps and places the pages heard."""
        self.doing = "listen"
        self.locate()
        while self.ms < onset and not self.done:
            self.step(min(onset - self.ms, 8 * TICK_MS))
            if self.alarmed(self.stalker_gains()):
                self.flee()
                return
        if self.ms != onset or self.done:
            return
        heard = self.sweep(onset)
        self.last_sweep = onset
        if heard is None:
            return
        self.listened_at.append(heard.place)
        places = sources_in(heard)
        self.map.heard(heard, places)
        target = self.map.nearest(self.place)
        self.note("heard", found=places, goal=None if target is None else (target.x, target.y))
        self.say("at", tuple(int(v) for v in heard.place), "phase", heard.phase, "heard", places,
                 "believes", [(int(c.x), int(c.y), int(c.heard_from)) for c in self.map.candidates])

    def result(self, seed):
        if not self.done:
            self.env.stop()
            self.cause = "time"
        self.say("time spent", {k: v // 1000 for k, v in sorted(self.spent.items())})
        if self.notebook is not None:
            self.notebook.close()
            self.notebook = None
        # The outro plays only once the eighth page is taken, whatever the ear counted.
        pages = 8 if self.cause == "outro" else self.pages_heard
        return {"seed": seed, "pages": pages, "cause": self.cause, "ms": self.ms}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--sim", required=True)
    parser.add_argument("--run-dir", required=True)
    parser.add_argument("--log", action="store_true", help="what it hears and does, on stderr")
    parser.add_argument("--notes", help="a folder for the player's notebook, one file a game")
    parser.add_argument("seeds", nargs="+", type=int)
    args = parser.parse_args()
    env = LiveSim(args.sim, run_dir=args.run_dir, rate=RATE)
    ear = Ear(os.path.join(args.run_dir, "assets"), env.rate)
    bot = EarBot(env, ear, log=sys.stderr if args.log else None, notes_dir=args.notes)
    results = []
    for seed in args.seeds:
        bot.play(seed)
        result = bot.result(seed)
        env.close()
        results.append(result)
        print(json.dumps(result, separators=(",", ":")), flush=True)
    wins = sum(r["cause"] == "outro" for r in results)
    pages = sum(r["pages"] for r in results)
    print(json.dumps({"games": len(results), "wins": wins, "deaths":
                      sum(r["cause"] == "death" for r in results),
                      "pages_mean": round(pages / len(results), 2)}, separators=(",", ":")))


if __name__ == "__main__":
    main()
