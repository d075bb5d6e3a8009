"""What the ear player does and how the game answers: one span of keys and mouse held,
the sounds found in its audio, its place asked for (C), the jump to the tunnel (T),
turns, and one turn round through a hint. It keeps what it learns by doing so: the
page map, the ground, the stalker's arrival, its own heading and place."""

import json

import numpy as np

from binaural import HeadListen
from body import LEFT_BUTTON, STRIDE_TURN, Body
from hearing import Hearing
from page_map import PageMap, Sweep, sources_in
from stalker_belief import StalkerBelief, wrap
from terrain import Terrain

SWEEP_DEG = 12         # degrees a tick while listening round
SWEEP_TICKS = 30       # once round in the loud first half of the one-second note
FAINT = 5000           # a place with headphones explains this many samples' noise, at least
QUARTER = 90           # degrees: with headphones, the turn that makes ahead and behind two sides
MAX_TURN = 90          # degrees a tick: the pointer is put back to the middle of the window each
                       # tick, and a longer move would reach its edge


def bearing(a, b):
    """The heading (degrees, 0 toward +y, 90 toward +x) from a toward b."""
    return float(np.degrees(np.arctan2(b[0] - a[0], b[1] - a[1]))) % 360


class Acting:
    """One game's doings and what they taught: it hears (Hearing), believes (PageMap,
    Terrain, StalkerBelief) and knows itself (Body)."""

    def __init__(self, env, ear, rules, log=None, notebook=None, head=None):
        self.env = env
        self.head = head  # with headphones on, how the ring is heard (binaural.HeadHearing)
        self.rules = rules
        self.log = log
        self.notebook = notebook  # an open file, or None
        self.tick = rules.tick_ms
        self.period = rules.hint_period_ms
        self.field = (rules.field_width, rules.field_height)
        self.hearing = Hearing(ear, self.period, None if head is None else head.sides)
        self.body = Body(rules)
        self.map = PageMap(self.period)
        self.terrain = Terrain(rules)
        self.stalker = StalkerBelief(rules.stalker_law, headphones=head is not None)
        self.ms = 0
        self.jumped_ms = 0  # when it last jumped to the tunnel
        self.done = False
        self.cause = None
        self.texts = []
        self.pages_heard = 0
        self.spent = {}  # virtual ms by what it was doing, for the log
        self.listens = {"still": 0, "turned": 0, "turning_ms": 0}
        self.doing = "start"

    def say(self, *parts):
        if self.log:
            print("%7d" % self.ms, *parts, file=self.log)

    def note(self, event, **fields):
        """A line of the player's own notebook (what it heard and believed), for the
        survey's figures; never read back by the player."""
        if self.notebook is not None:
            fields.update({"ms": self.ms, "event": event, "place": self.body.place})
            self.notebook.write(json.dumps(fields) + "\n")

    # One span of the game: keys held, an optional mouse turn in degrees. The left button
    # stays down throughout, so a page is taken the tick the player comes within reach.
    def step(self, ms, keys=(), turn=0, listen=True, button=True):
        if self.done:
            return
        action = {"keys": set(keys), "buttons": {LEFT_BUTTON} if button else set(), "ms": ms}
        if turn:
            action["dx"] = self.body.turn_counts(turn)
        self.body.tire(ms // self.tick, set(keys))
        self.spent[self.doing] = self.spent.get(self.doing, 0) + ms
        audio, done, info = self.env.step(action)
        self.hearing.add(audio)
        self.ms = info["ms"]
        self.texts += info["texts"]
        if done:
            self.done = True
            self.cause = info.get("cause")
        if listen:
            self.listen()

    def listen(self):
        heard = self.hearing.listen()
        if heard.arrived:
            self.stalker.arrived = True
        if heard.taken:
            self.say("page taken")
            self.pages_heard += 1
            self.note("page")
            self.map.taken(self.body.place)

    def locate(self, keys=(), walked=True):
        """Presses C and hears the coordinates spoken; the place, or the last one known.
        Where it walked since the last answer, with the button down, no page lies."""
        self.step(self.tick, keys=set(keys) | {"C"})
        # A button pressed before the game holds the mouse (its first tick of play, which
        # comes later in some worlds than in others) is lost: it is let go and pressed
        # again at every C, which costs one tick of a leg.
        self.step(self.tick, keys=keys, button=False)
        before = self.body.place
        for text in self.texts:
            try:
                x, y = (float(v) for v in text.split(","))
                self.body.place = (x, y)
            except ValueError:
                pass
        self.texts = []
        if walked:
            self.map.walked(before, self.body.place)
        return self.body.place

    def jump(self):
        """T puts the player in the tunnel; the place spoken then tells where the tunnel
        lies, and its walls are kept clear of from then on."""
        self.say("jumps to the tunnel from", tuple(int(v) for v in self.body.place))
        self.step(self.tick, keys={"T"})
        self.jumped_ms = self.ms
        self.step(self.tick)
        self.terrain.learn_tunnel(self.locate(walked=False), self.rules)

    def hear_hint(self, onset_ms):
        """Listens through the hint that starts at `onset_ms`: what it heard, and the
        places of the pages that explain it; None when it heard nothing whole."""
        if self.head is not None:
            return self.head_listen(onset_ms)
        heard = self.sweep(onset_ms)
        return None if heard is None else (heard, sources_in(heard, self.field))

    def sweep(self, onset_ms):
        """Turns once round during the hint that starts at `onset_ms`; the sweep heard."""
        place = self.body.place
        h0 = self.body.heading
        for _ in range(SWEEP_TICKS):
            self.step(self.tick, turn=SWEEP_DEG, listen=False)
            if self.done:
                return None
        self.listen()
        self.listens["turned"] += 1
        self.listens["turning_ms"] += SWEEP_TICKS * self.tick
        gains = self.hearing.hint_gains(onset_ms, SWEEP_TICKS, self.tick)
        if gains is None:
            return None
        headings = [(h0 + SWEEP_DEG * (k + 1)) % 360 for k in range(SWEEP_TICKS)]
        return Sweep(self.rules.cue_law, place, onset_ms % self.period, headings, *gains)

    def head_listen(self, onset_ms):
        """With headphones on: stands still through the loud first half of the hint and
        places what it heard; when a place could as well lie in the other half (ahead or
        behind), it turns a quarter and listens on, which makes the two halves different
        sides, and places the pages from the whole listen."""
        place = self.body.place
        h0 = self.body.heading
        still = SWEEP_TICKS // 2
        for _ in range(still):
            self.step(self.tick, listen=False)
            if self.done:
                return None
        heard = self.fit_head(onset_ms, place, [h0] * still)
        if heard is None:
            return None
        places = self.head_places(heard)
        unsure = [p for p in places if not heard.sure(p, [q for q in places if q != p])]
        if not unsure:
            self.listen()
            self.listens["still"] += 1
            return heard, places
        self.say("unsure of", unsure, "turns a quarter")
        turned = (h0 + QUARTER) % 360
        for k in range(SWEEP_TICKS - still):
            self.step(self.tick, turn=QUARTER if k == 0 else 0, listen=False)
            if self.done:
                return None
        self.listen()
        self.listens["turned"] += 1
        self.listens["turning_ms"] += (SWEEP_TICKS - still) * self.tick
        heard = self.fit_head(onset_ms, place, [h0] * still + [turned] * (SWEEP_TICKS - still))
        return None if heard is None else (heard, self.head_places(heard))

    def head_places(self, heard):
        """The places that explain a listen with headphones on, those that stand above its
        noise: a far phantom fitted into what the ring's responses leave is dropped."""
        places = sources_in(heard, self.field)
        return [p for p, s in zip(places, heard.significances(places)) if s >= FAINT]

    def fit_head(self, onset_ms, place, headings):
        window = self.hearing.hint_window(onset_ms, len(headings), self.tick)
        if window is None:
            return None
        x, bounds, others, noise = window
        listen = HeadListen(self.rules.cue_law, place, onset_ms % self.period, headings)
        return listen.fit(self.head, x, bounds, [0] + others, noise)

    def face(self, x, y):
        """Turns toward the place (x, y) from where the player is."""
        self.go_toward(bearing(self.body.place, (x, y)))

    def go_toward(self, way):
        """Turns so that striding goes the way `way` (degrees, as headings)."""
        self.turn(int(round(wrap(way + STRIDE_TURN - self.body.heading))))

    def turn(self, degrees):
        """Turns by `degrees` with the mouse, a bounded part a tick."""
        while degrees:
            part = max(-MAX_TURN, min(MAX_TURN, degrees))
            self.step(self.tick, turn=part)
            degrees -= part
