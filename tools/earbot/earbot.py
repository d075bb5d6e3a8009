"""The ear player: plays quelmire-sim's live mode hearing only the stereo mix and the
spoken text. It knows the sound files as a practised player does (tools/earbot/ear.py),
the keys, and its own clock; nothing of the world.

    earbot.py --sim build/release/run/quelmire-sim --run-dir build/release/run SEED...

prints one JSON line per game and a summary line. How it plays:
 - All pages in hearing start their hints together, one each 251 ticks (4267 ms), so the
   hint's onsets are heard, and the next one foreseen.
 - During each hint it turns once round, 6 degrees a tick with the mouse (a mouse move of
   4 pixels turns the player one degree in the next tick), and reads the hint's left and
   right gains tick by tick against the note's own samples. The mix is loudest, both
   sides alike, where the source lies at 180 degrees minus the heading (the game's pan
   law: pan = -cos(bearing - heading)); loudness there gives the distance.
 - Then it faces that way and walks (running while the stamina lets it) to the next
   hint; within reach the page names itself, and it presses Space.
 - A knock (stuck on an obstacle or wall) or the fence's steps turn it aside; the
   stalker's arrival or its static make it run away from where the static is loudest.
"""

import argparse
import json
import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ear import Ear, Spectrum, Tape, gains, TICK_MS  # noqa: E402
from hearing_law import Grid  # noqa: E402
from quelmire_live import LiveSim  # noqa: E402

HINT_PERIOD_MS = 251 * TICK_MS
SWEEP_DEG = 6          # degrees a tick while listening round
SWEEP_TICKS = 58       # a whole note is 1 s
RAMP = 240             # samples of the engine's 5 ms gain ramp after a tick's change
TAKE_TRIES = 10        # two ticks each: backing up a unit or two to take a page
MAX_GAME_MS = int(os.environ.get("EARBOT_MAX_MS", 300_000))  # then the cause is "time"


def wrap(deg):
    return (deg + 180) % 360 - 180


class EarBot:
    def __init__(self, env, ear, log=None, notes_dir=None):
        self.env = env
        self.ear = ear
        self.rate = ear.rate
        self.log = log
        self.notes_dir = notes_dir
        self.notebook = None
        self.grid = Grid()

    def say(self, *parts):
        if self.log:
            print("%7d" % self.ms, *parts, file=self.log)

    def note(self, event, **fields):
        """A line of the player's own notebook (what it heard and believed), for the
        survey's figures; never read back by the player."""
        if self.notebook is not None:
            fields.update({"ms": self.ms, "event": event, "place": self.place})
            self.notebook.write(json.dumps(fields) + "\n")

    # One span of the game: keys held, an optional mouse turn in degrees.
    def step(self, ms, keys=(), turn=0, listen=True):
        if self.done:
            return
        action = {"keys": set(keys), "ms": ms}
        if turn:
            action["dx"] = 4 * turn
            self.heading = (self.heading + turn) % 360
        audio, done, info = self.env.step(action)
        self.tape.add(audio)
        self.ms = info["ms"]
        self.texts += info["texts"]
        if done:
            self.done = True
            self.cause = info.get("cause")
        if listen:
            self.listen()

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
            if all(abs(s - o) > 2000 for o in self.notes):
                self.notes.append(s)
        self.notes = self.notes[-40:]
        # A name heard again just after a taking is the same voice, not another page.
        if any(heard(d) for d in self.ear.pages) and not (
                self.taken is not None and self.ms - self.taken < 1500):
            self.announced = self.ms
        if any(heard(d) for d in self.ear.knocks):
            self.knocked = self.ms
        if heard(self.ear.fence):
            self.fenced = self.ms
        if heard(self.ear.appear):
            self.stalker = self.ms
        if heard(self.ear.take):
            self.taken = self.ms
        self.scanned = self.tape.end

    def next_hint_ms(self):
        """The next foreseen hint onset after now, in ms; None when none was heard lately."""
        recent = [o * 1000 // self.rate for o in self.notes
                  if self.ms - o * 1000 // self.rate < HINT_PERIOD_MS + 500]
        if not recent:
            return None
        t = max(recent)
        while t <= self.ms:
            t += HINT_PERIOD_MS
        return t

    def take_page(self):
        """Space for a page that named itself; a page counts when its taking is heard.
        The name is heard some ticks after it began, and a running player may be out of
        reach by then: without the taking it backs up, pressing Space every other tick."""
        self.say("page announced: Space")
        self.announced = None
        self.taken = None
        self.step(TICK_MS, keys={"SPACE"})
        for k in range(TAKE_TRIES):
            self.step(TICK_MS, keys={"S"} if k else ())
            self.step(TICK_MS, keys={"S", "SPACE"} if k < TAKE_TRIES - 1 else ())
            if self.taken is not None or self.done:
                break
        self.step(4 * TICK_MS)
        if self.taken is None:
            self.say("no page taken")
            return
        self.note("page")
        self.pages_heard += 1
        self.heard = []
        self.target = None

    def walk(self, until_ms, run=True):
        keys = {"W", "LSHIFT"} if run else {"W"}
        while not self.done and self.ms < until_ms:
            self.step(min(until_ms - self.ms, 8 * TICK_MS), keys=keys)
            if self.announced is not None:
                self.take_page()
                return "page"
            if self.knocked is not None and self.ms - self.knocked < 400:
                self.knocked = None
                return "knock"
            if self.fenced is not None:
                self.fenced = None
                return "fence"
            if self.stalker is not None:
                self.stalker = None
                return "stalker"
        return "time"

    def dodge(self, why):
        """Backs off, and makes for a place to one side before going on: round the
        obstacle, or back from the fence. Stuck again soon after, it keeps to the same
        side and goes wider; otherwise it takes the other side."""
        if self.ms - self.last_dodge > 10_000:
            self.side = -self.side
            self.wide = 6
        else:
            self.wide = min(self.wide + 4, 20)
        self.last_dodge = self.ms
        self.say("dodge", why, self.side, self.wide)
        self.step(20 * TICK_MS, keys={"S"})
        h = np.radians(self.heading + (180 if why == "fence" else 90 * self.side))
        x, y = self.place
        self.detour = (float(np.clip(x + self.wide * np.sin(h), 2, 148)),
                       float(np.clip(y + self.wide * np.cos(h), 2, 148)))

    def locate(self, keys=()):
        """Presses C and hears the coordinates spoken; the place, or the last one known."""
        self.step(TICK_MS, keys=set(keys) | {"C"})
        self.step(TICK_MS, keys=keys)
        for text in self.texts:
            try:
                x, y = (float(v) for v in text.split(","))
                self.place = (x, y)
            except ValueError:
                pass
        self.texts = []
        return self.place

    def sweep(self, onset_ms):
        """Turns once round during the hint that starts at `onset_ms`; returns the headings
        and the hint's left and right gains heard at each tick."""
        h0 = self.heading
        for _ in range(SWEEP_TICKS):
            self.step(TICK_MS, turn=SWEEP_DEG, listen=False)
            if self.done:
                return None
        self.listen()
        base = onset_ms * self.rate // 1000
        tick = TICK_MS * self.rate // 1000
        # Other hints (pages that came into hearing later start their own round) overlap
        # this one: each tick's gains are fitted to all of them at once.
        others = [o for o in self.notes if o != base and abs(o - base) < len(self.ear.note)]
        headings, left, right = [], [], []
        for k in range(SWEEP_TICKS):
            a = base + k * tick + RAMP
            start, x = self.tape.since(a, tick - RAMP)
            if start != a:
                return None
            columns = [self.ear.note[k * tick + RAMP : (k + 1) * tick]]
            for o in others:
                t = np.zeros(len(x))
                lo = a - o
                piece = self.ear.note[max(lo, 0) : max(lo + len(x), 0)]
                if lo < 0:
                    t[-lo : -lo + len(piece)] = piece[: len(x) + lo]
                else:
                    t[: len(piece)] = piece
                columns.append(t)
            design = np.stack(columns, axis=1)
            if len(columns[0]) != len(x):
                continue
            fit = np.linalg.lstsq(design, x, rcond=None)[0]
            headings.append((h0 + SWEEP_DEG * (k + 1)) % 360)
            left.append(float(fit[0, 0]))
            right.append(float(fit[0, 1]))
        return headings, left, right

    def face(self, x, y):
        """Turns toward the place (x, y) from where the player is."""
        px, py = self.place
        want = np.degrees(np.arctan2(x - px, y - py)) % 360
        self.turn(int(round(wrap(want - self.heading))))

    def turn(self, degrees):
        """Turns by `degrees` with the mouse, at most 90 a tick (the pointer is put back to
        the middle of the window each tick, and a longer move would reach its edge)."""
        while degrees:
            part = max(-90, min(90, degrees))
            self.step(TICK_MS, turn=part)
            degrees -= part

    def leg(self, until_ms):
        """Walks toward the target (or on, without one) until `until_ms`."""
        before = self.locate(keys={"W", "LSHIFT"})
        if self.walked_from is not None and np.hypot(before[0] - self.walked_from[0],
                                                     before[1] - self.walked_from[1]) < 0.3:
            self.walked_from = None
            self.dodge("stuck")
            return
        if self.detour is not None:
            if np.hypot(self.detour[0] - before[0], self.detour[1] - before[1]) < 1.5:
                self.detour = None
            else:
                self.face(*self.detour)
                until_ms = min(until_ms, self.ms + 800)
        if self.detour is not None:
            pass
        elif self.target is not None:
            d = np.hypot(self.target[0] - before[0], self.target[1] - before[1])
            if d < 1.5:  # there, and no page spoke: the target was wrong
                self.say("no page at", self.target)
                self.target = None
            else:
                self.face(*self.target)
                until_ms = min(until_ms, self.ms + int(d / 0.06 * TICK_MS) + 2 * TICK_MS)
        elif self.roam is None or np.hypot(self.roam[0] - before[0], self.roam[1] - before[1]) < 5:
            self.roam = tuple(self.rng.uniform(20, 130, 2))
            self.face(*self.roam)
        else:
            self.face(*self.roam)
        self.walked_from = before
        why = self.walk(max(until_ms, self.ms + TICK_MS))
        if why in ("knock", "fence"):
            self.walked_from = None
            self.dodge(why)
        if why == "stalker":
            self.flee()

    def flee(self):
        """The stalker arrived close by: turn about and run for three seconds."""
        self.say("the stalker: flee")
        self.turn(180)
        self.walked_from = None
        self.walk(self.ms + 3000)

    def play(self, seed):
        self.ms = 0
        self.done = False
        self.cause = None
        self.heading = 0
        self.tape = Tape(self.rate, 6.0)
        self.scanned = 0
        self.notes = []
        self.texts = []
        self.announced = None
        self.knocked = None
        self.fenced = None
        self.stalker = None
        self.taken = None
        self.side = 1
        self.pages_heard = 0
        self.place = (75.0, 75.0)
        self.target = None
        self.roam = None
        self.walked_from = None
        self.detour = None
        self.last_dodge = -100_000
        self.wide = 6
        self.heard = []  # sweeps since the last page: (place, headings, left, right)
        self.rng = np.random.default_rng(seed)
        if self.notes_dir:
            os.makedirs(self.notes_dir, exist_ok=True)
            self.notebook = open(os.path.join(self.notes_dir, "seed-%d.jsonl" % seed), "w")
        audio, info = self.env.reset(seed)
        self.tape.add(audio)
        self.ms = info["ms"]
        self.listen()
        while not self.done and self.ms < MAX_GAME_MS:
            onset = self.next_hint_ms()
            if onset is None or onset - self.ms > 700:
                self.leg(self.ms + 1200 if onset is None else onset - 450)
                continue
            # Stand still for the hint, knowing where.
            place = self.locate()
            self.walked_from = None
            if onset - self.ms > TICK_MS:
                self.step(onset - self.ms)
            if self.ms != onset:
                continue
            heard = self.sweep(onset)
            if heard is None or not heard[0]:
                continue
            self.heard = (self.heard + [(place,) + heard])[-3:]
            self.choose_target()

    def choose_target(self):
        """The sources that best explain the last sweeps together; the nearest is next."""
        found = self.grid.explain_all(self.heard)
        if not found:
            self.target = None
            return
        px, py = self.place
        found.sort(key=lambda f: np.hypot(f[0] - px, f[1] - py))
        self.target = found[0][:2]
        self.note("heard", found=found, sweeps=len(self.heard))
        self.say("at", [(int(p[0][0]), int(p[0][1])) for p in self.heard], "heard", [(int(x), int(y), int(v)) for x, y, v in found], "-> go", self.target)

    def result(self, seed):
        if not self.done:
            self.env.stop()
            self.cause = "time"
        if self.notebook is not None:
            self.notebook.close()
            self.notebook = None
        return {"seed": seed, "pages": self.pages_heard, "cause": self.cause, "ms": self.ms}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--sim", required=True)
    parser.add_argument("--run-dir", required=True)
    parser.add_argument("--log", action="store_true", help="what it hears and does, on stderr")
    parser.add_argument("--notes", help="a folder for the player's notebook, one file a game")
    parser.add_argument("seeds", nargs="+", type=int)
    args = parser.parse_args()
    env = LiveSim(args.sim, run_dir=args.run_dir)
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
