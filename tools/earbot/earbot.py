"""The ear player: plays quelmire-sim's live mode hearing only the stereo mix and the
spoken text. It knows the sound files as a practised player does (tools/earbot/ear.py),
the keys, the game's rules as the simulator states them (`--rules`, tools/earbot/rules.py),
the law of the mix (tools/earbot/hearing_law.py) and its own clock; nothing of the world.
Its parts: what it hears (hearing.py), what it believes of the pages (page_map.py), of
the ground (terrain.py, tunnel.py) and of the stalker (stalker_belief.py), what it knows
of itself (body.py), what it does (acting.py); what it decides is here.

    earbot.py --sim build/release/run/quelmire-sim --run-dir build/release/run SEED...

prints one JSON line per game and a summary line. How it plays:
 - All pages in hearing start their hints together, one each 251 ticks (4267 ms); a page
   that came into hearing later keeps a rhythm of its own. It finds the onsets in the
   mix and foresees the next ones.
 - At an onset it stands still and turns once round during the hint, reading the hint's
   left and right gains tick by tick; the directions and volumes that explain them give
   the places of the pages (tools/earbot/page_map.py), which it keeps.
 - It strides (forward and a strafe at once, which the rules move twice a tick; running
   while the stamina lets it) to the place it believes in that begins the cheapest round
   (tools/earbot/page_order.py: far walks while few pages are held), holding the left
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
from acting import Acting, bearing  # noqa: E402
from binaural import HeadHearing, read_ring  # noqa: E402
from body import AHEAD, BACK, LEFT, RIGHT, RUN_KEY  # noqa: E402
from ear import Ear  # noqa: E402
from page_order import first_of_round  # noqa: E402
from quelmire_live import LiveSim  # noqa: E402
from rules import read_rules  # noqa: E402
from stalker_belief import (STALKER_GONE, STALKER_HEARD, STALKER_NEAR,  # noqa: E402
                            quarter_turn_away, wrap)
from terrain import distance  # noqa: E402

RATE = 44100           # the sound files' own rate: the mix holds their samples unchanged
DEFAULT_MAX_MS = 300_000  # virtual ms a game may last; then the cause is "time"
PAGE_COUNT = 8         # pages a game holds (the rules table does not say)
# Listening.
ONSET_LEAD_TICKS = 2   # an onset this near is too near to stand still for
LISTEN_LEAD_TICKS = 4  # ticks beyond a leg within which an onset is waited for
LEG_STOP_TICKS = 3     # a leg ends this long before an onset it waits for
WAIT_TICKS = 8         # standing still for an onset, the stalker is listened for this often
RELISTEN_PERIODS = 3   # hint periods after which it listens again in any case
RELISTEN_FROM = 8      # units: a page placed from farther than this ...
RELISTEN_SHARE = 0.6   # ... is listened for again from within this share of that distance
# Walking.
LEG_TICKS = 30         # a walk between two spoken places
HEAR_TICKS = 8         # walking, the stalker is listened for this often
LOOK_TICKS = 6         # ticks after a quarter turn before its pan tells its bearing
STILL_SHARE = 0.3      # a leg that went less than this share of a walk's way met an obstacle
JUMP_GAIN = 20         # units of way saved for which it jumps to the tunnel to go for a page
AWAY_REACH = 20        # units ahead a goal away from the stalker lies, with no part that way
AWAY_MARGIN = 5        # units from the field's edge such a goal keeps
GOAL_MOVED = 3         # units a goal moves before the log tells it
# Stuck.
BACK_OFF_TICKS = 4     # backing off an obstacle just met
STUCK_AGAIN_MS = 3000  # stuck again this soon, it steps aside
ASIDE_AGAIN_MS = 6000  # stepping aside again this soon, it steps wider
ASIDE_TICKS = 15       # ticks of stepping aside, and how much wider each time
WIDEST_ASIDE = 60      # ticks of stepping aside; hemmed in beyond that, it jumps to the tunnel
ASIDE_BACK_TICKS = 8   # backing off before stepping aside
ASIDE_MOVED = 0.02     # units a tick of stepping aside that mean the side is free
ASIDE_ON_TICKS = 10    # walking on after stepping aside
# Fleeing.
FLEE_MS = 10_000       # a flight lasts this long at most
FLEE_TICKS = 14        # a flight's run between two spoken places
FLEE_REACH = 12        # units clear ahead a flight's way wants
FLEE_STUCK = 0.3       # units: a flight's run that went less met an obstacle
JUMP_AWAY = 50         # fleeing this far from the tunnel, it jumps there instead
FLEE_UNHEARD = 3       # a flight's runs in a row without its sound that mean it vanished
FLEE_TURN_DOUBTED = 90  # degrees: a flight's way turned more than this by one hearing


class EarBot(Acting):
    """One game of the ear player: what it decides, on what it does (Acting)."""

    def __init__(self, env, ear, rules, seed, log=None, notebook=None,
                 max_ms=DEFAULT_MAX_MS, head=None):
        super().__init__(env, ear, rules, log=log, notebook=notebook, head=head)
        self.seed = seed
        self.max_ms = max_ms
        self.last_goal = None
        self.side = 1      # the side (1 right, -1 left) that freed it when last stuck
        self.wide = ASIDE_TICKS
        self.last_stuck = -100_000
        self.last_sweep = -100_000
        self.last_silence = -100_000

    def wants_to_listen(self, onset):
        """Listening costs half a second and more standing still: worth it with no page
        believed in, when the page it goes for was placed from much farther than it is
        now, or when it has not listened for a while (other pages, other rhythms)."""
        target = self.goal_page()
        if target is None or onset - self.last_sweep > RELISTEN_PERIODS * self.period:
            return True
        now = distance(self.body.place, (target.x, target.y))
        return target.heard_from > RELISTEN_FROM and now < RELISTEN_SHARE * target.heard_from

    def goal_page(self, away=None):
        """The page believed in that begins the cheapest round (page_order.py); with
        `away` (compass degrees), among those within a right angle of that way."""
        pages = self.map.candidates
        place = self.body.place
        i = first_of_round(place, [(c.x, c.y) for c in pages], self.pages_heard, self.way,
                           None if away is None else
                           lambda p: abs(wrap(bearing(place, p) - away)) < 90)
        return None if i is None else pages[i]

    def way(self, a, b):
        """Units of way from `a` to `b`, by the tunnel when the jump saves enough (the
        tunnel is known from the first jump on, and while the stalker's spot lies clear of
        it)."""
        if not self.terrain.tunnel_safe():
            return distance(a, b)
        return min(distance(a, b), distance(self.terrain.tunnel.jump_point, b) + JUMP_GAIN)

    def destination(self):
        """The page that begins the cheapest round; with none, the part of the field
        farthest from every place it listened at, where pages it has not heard may lie.
        For a while after the stalker was heard, only pages and parts away from it
        count, and with none of those it goes on away from it."""
        place = self.body.place
        keep_away = self.stalker.keeping_away(self.ms)
        away = self.stalker.away_heading if keep_away else None
        target = self.goal_page(away)
        if target is not None:
            return (target.x, target.y)
        goal = self.map.farthest_unheard(place, self.field, away)
        if goal is not None:
            return goal
        h = np.radians(away)
        return (float(np.clip(place[0] + AWAY_REACH * np.sin(h), AWAY_MARGIN,
                              self.field[0] - AWAY_MARGIN)),
                float(np.clip(place[1] + AWAY_REACH * np.cos(h), AWAY_MARGIN,
                              self.field[1] - AWAY_MARGIN)))

    def leg(self, until_ms):
        """Walks toward its destination until `until_ms` at most, and checks it moved."""
        self.doing = "go" if self.map.candidates else "roam"
        goal = self.destination()
        if self.way(self.body.place, goal) < distance(self.body.place, goal):
            self.jump()
        goal = self.terrain.around(self.body.place, goal)
        if self.log and (self.last_goal is None or distance(goal, self.last_goal) > GOAL_MOVED):
            self.say("goes for", tuple(int(v) for v in goal),
                     "from", tuple(int(v) for v in self.body.place))
        self.last_goal = goal
        d = distance(self.body.place, goal)
        self.face(*goal)
        ticks = max(1, min(LEG_TICKS, int(d / self.body.run_stride) + 1,
                           (until_ms - self.ms) // self.tick))
        before = self.body.place
        why = self.walk(ticks, keys=self.body.gait())
        self.locate(keys=set(self.body.gait()))
        if why == "stalker":
            self.flee()
        elif why == "heard":
            pass  # the next leg goes away from it
        elif distance(before, self.body.place) < STILL_SHARE * self.body.walk_stride * ticks:
            self.met_obstacle()

    def remember_obstacle(self):
        return self.terrain.remember_obstacle(self.body.place, self.body.way())

    def met_obstacle(self):
        """It did not move: the obstacle ahead is remembered, and walked round from now
        on; stuck again soon near the same place, it steps aside."""
        if self.remember_obstacle() or self.ms - self.last_stuck < STUCK_AGAIN_MS:
            self.unstick()
        else:
            self.last_stuck = self.ms
            self.walk(BACK_OFF_TICKS, keys=BACK)

    def walk(self, ticks, keys=AHEAD + (RUN_KEY,), wary=True):
        """Walks `ticks` with `keys` held; "stalker" when the stalker arrived close by or
        its own sound grew loud (and `wary`), "heard" when it was heard afar and looked
        for, else "time"."""
        while not self.done and ticks > 0:
            n = min(ticks, HEAR_TICKS)
            self.step(n * self.tick, keys=set(keys))
            ticks -= n
            if not wary:
                continue
            heard = self.hearing.stalker_gains()
            if self.stalker.alarmed(heard):
                return "stalker"
            if heard is not None and max(heard) > STALKER_HEARD:
                if self.stalker.forgotten(self.ms):
                    self.look(heard)
                    return "heard"
                self.stalker.follow(self.body.heading, heard, self.ms)
                self.heard_stalker(heard)
        return "time"

    def heard_stalker(self, heard):
        """The stalker just heard: with headphones, where it stands is kept clear of from
        now on, for where it vanishes it stays. With the pan its bearing is a guess between
        ahead and behind, and a place guessed from it cost more games than it saved (23
        wins of 40 in stereo, against 30)."""
        if self.stalker.headphones:
            self.terrain.stalker_spot = self.stalker.place_heard(
                self.body.place, self.body.heading, heard)

    def look(self, heard):
        """The stalker heard afar, not lately: the way away from it is kept. With
        headphones the hearing tells it; with the pan, a quarter turn away from its side
        puts it behind, whether it was ahead or behind, and its pan then tells its
        bearing."""
        if self.stalker.headphones:
            self.stalker.follow(self.body.heading, heard, self.ms)
            self.heard_stalker(heard)
            self.say("the stalker heard: away", int(self.stalker.away_heading))
            return
        turn = quarter_turn_away(*heard)
        self.turn(turn)
        self.step(LOOK_TICKS * self.tick, keys=self.body.gait())
        behind = self.hearing.stalker_gains()
        if behind is not None:
            self.stalker.keep_away(self.stalker.away_from(self.body.heading, behind), self.ms)
            self.say("the stalker heard: away", int(self.stalker.away_heading))
        self.turn(-turn)

    def unstick(self):
        """Stuck on an obstacle or a wall: backs off and steps aside, first to the side
        that freed it last time; a side that does not move it is blocked too, so it
        tries the other. Stuck again soon after, it steps wider."""
        self.wide = self.wide + ASIDE_TICKS if self.ms - self.last_stuck < ASIDE_AGAIN_MS \
            else ASIDE_TICKS
        self.doing = "stuck"
        self.last_stuck = self.ms
        if self.terrain.shut_in(self.body.place) or self.wide > WIDEST_ASIDE:
            self.jump()
            self.wide = ASIDE_TICKS
            return
        self.say("stuck: aside", self.side, self.wide)
        self.walk(ASIDE_BACK_TICKS, keys=BACK + (RUN_KEY,))
        for side in (self.side, -self.side):
            before = self.locate()
            self.walk(self.wide, keys=(RIGHT if side > 0 else LEFT) + (RUN_KEY,))
            if distance(before, self.locate()) > ASIDE_MOVED * self.wide:
                self.side = side
                break
        self.walk(ASIDE_ON_TICKS)
        self.locate()

    def flee(self):
        """The stalker is close: runs away from it until its sound has faded (its sound is
        silent beyond 40 units, and farther than that it soon vanishes), for FLEE_MS at
        most. With the pan, heard from one side, a quarter turn away puts it behind
        whether it was ahead or behind; from then on its pan gives its bearing (behind,
        on the side heard). With headphones each hearing gives its bearing. The player
        runs straight away from it, bent along the field's edge and round the obstacles
        it knows, so that it is not cornered. Heard only arriving, it turns about. Heard
        loud with the tunnel far off, before or during the flight, it jumps there instead.
        Its sound unheard for a run or two does not end the flight: near by, other sounds
        hide it at times."""
        self.doing = "flee"
        heard = self.hearing.stalker_gains()
        self.say("the stalker: flee", heard)
        if self.jumped_away(heard):
            return
        if heard is None:
            self.turn(180)
            away = self.body.heading
        elif self.stalker.headphones:
            away = self.stalker.away_from(self.body.heading, heard)
            self.heard_stalker(heard)
        else:
            self.turn(quarter_turn_away(*heard))
            away = self.body.heading
        end = self.ms + FLEE_MS
        unheard = 0
        doubted = False
        while not self.done and self.ms < end:
            self.go_toward(self.terrain.open_heading(self.body.place, away, FLEE_REACH))
            before = self.body.place
            self.walk(FLEE_TICKS, wary=False)
            if distance(before, self.locate(keys=set(AHEAD) | {RUN_KEY})) < FLEE_STUCK:
                if self.terrain.shut_in(self.body.place):
                    self.jump()
                else:
                    # Off the obstacle by a step or two first: a player held against
                    # its side moves no way at all.
                    self.remember_obstacle()
                    self.walk(BACK_OFF_TICKS, keys=BACK + (RUN_KEY,), wary=False)
                    self.locate()
            heard = self.hearing.stalker_gains()
            if self.jumped_away(heard):
                return
            if heard is None:
                # Near by, its sound is lost at times under its arrival's cry and the
                # static at its loudest: the way away holds until it stays unheard.
                unheard += 1
                if unheard >= FLEE_UNHEARD:
                    break
                continue
            if max(heard) < STALKER_GONE:
                break
            unheard = 0
            turned = self.stalker.away_from(self.body.heading, heard)
            # With headphones one to three hearings in 100 are put in the wrong half, which
            # would turn the flight toward it: a way turned round is taken when heard
            # twice. (With the pan the flight hears it behind, on a side, each time.)
            if self.stalker.headphones and abs(wrap(turned - away)) > FLEE_TURN_DOUBTED \
                    and not doubted:
                doubted = True
                continue
            doubted = False
            away = turned
            self.heard_stalker(heard)
        self.stalker.keep_away(away, self.ms)
        if self.terrain.stalker_spot is not None:
            self.say("the stalker last heard at", tuple(int(v) for v in self.terrain.stalker_spot))
        self.locate()

    def jumped_away(self, heard):
        """Jumps to the tunnel when the stalker is heard loud (so close by, not merely
        arrived somewhere within 40 units, maybe by the tunnel) and the tunnel lies far
        off; from there, for a while, it keeps on the way it jumped."""
        if heard is None or max(heard) < STALKER_NEAR or \
                distance(self.body.place, self.terrain.tunnel.jump_point) < JUMP_AWAY:
            return False
        start = self.body.place
        self.jump()
        self.stalker.keep_away(bearing(start, self.body.place), self.ms)
        return True

    def play(self):
        audio, info = self.env.reset(self.seed)
        self.hearing.add(audio)
        self.ms = info["ms"]
        self.listen()
        self.locate()
        self.jump()
        while not self.done and self.ms < self.max_ms:
            self.note_silence()
            onset = self.hearing.next_onset(self.ms, self.ms + ONSET_LEAD_TICKS * self.tick)
            if onset is not None and onset - self.ms < (LEG_TICKS + LISTEN_LEAD_TICKS) * self.tick \
                    and self.wants_to_listen(onset):
                self.listen_at(onset)
            else:
                leg_end = self.ms + LEG_TICKS * self.tick
                self.leg(leg_end if onset is None else
                         min(leg_end, onset - LEG_STOP_TICKS * self.tick))

    def note_silence(self):
        """A period with no hint heard tells as much as a listen that heard nothing: the
        parts of the field about here drop out of those it roams to, even where it never
        stands still (no onset, no listen), as at a goal it cannot reach. A period begun
        before a jump to the tunnel (the first one too) was heard elsewhere."""
        since = max(self.last_silence, self.jumped_ms)
        if self.hearing.silent(self.ms) and self.ms - since > self.period:
            self.map.heard_nothing(self.body.place)
            self.last_silence = self.ms
            self.note("silent")

    def listen_at(self, onset):
        """Stands still until the onset, then sweeps and places the pages heard."""
        self.doing = "listen"
        self.locate()
        while self.ms < onset and not self.done:
            self.step(min(onset - self.ms, WAIT_TICKS * self.tick))
            if self.stalker.alarmed(self.hearing.stalker_gains()):
                self.flee()
                return
        if self.ms != onset or self.done:
            return
        hint = self.hear_hint(onset)
        self.last_sweep = onset
        if hint is None:
            return
        heard, places = hint
        self.map.heard(heard, places)
        target = self.goal_page()
        found = places
        if self.head is not None:
            found = [(x, y, round(s)) for (x, y), s in zip(places, heard.significances(places))]
        self.note("heard", found=found, goal=None if target is None else (target.x, target.y),
                  headings=[float(heard.headings[0]), float(heard.headings[-1])],
                  still=bool((heard.headings == heard.headings[0]).all()),
                  lag=getattr(heard, "lag", None))
        self.say("at", tuple(int(v) for v in heard.place), "phase", heard.phase, "heard", places,
                 "believes", [(int(c.x), int(c.y), int(c.heard_from)) for c in self.map.candidates])

    def result(self):
        if not self.done:
            self.env.stop()
            self.cause = "time"
        self.say("time spent", {k: v // 1000 for k, v in sorted(self.spent.items())})
        # The outro plays only once the last page is taken, whatever the ear counted.
        pages = PAGE_COUNT if self.cause == "outro" else self.pages_heard
        return {"seed": self.seed, "pages": pages, "cause": self.cause, "ms": self.ms,
                "listens": self.listens}


def play_game(env, ear, rules, seed, log=None, notes_dir=None, max_ms=DEFAULT_MAX_MS,
              head=None):
    """Plays one game on `seed` to its end or `max_ms`; its result. With `notes_dir`, the
    player's notebook of the game is written there."""
    notebook = None
    if notes_dir:
        os.makedirs(notes_dir, exist_ok=True)
        notebook = open(os.path.join(notes_dir, "seed-%d.jsonl" % seed), "w")
    try:
        bot = EarBot(env, ear, rules, seed, log=log, notebook=notebook, max_ms=max_ms,
                     head=head)
        bot.play()
        return bot.result()
    finally:
        if notebook is not None:
            notebook.close()
        env.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--sim", required=True)
    parser.add_argument("--run-dir", required=True)
    parser.add_argument("--log", action="store_true", help="what it hears and does, on stderr")
    parser.add_argument("--notes", help="a folder for the player's notebook, one file a game")
    parser.add_argument("--binaural", action="store_true",
                        help="plays with headphones on: listens through the game's ring")
    parser.add_argument("seeds", nargs="+", type=int)
    args = parser.parse_args()
    max_ms = int(os.environ.get("EARBOT_MAX_MS", DEFAULT_MAX_MS))
    try:
        rules = read_rules(os.path.abspath(args.sim))
    except RuntimeError as e:
        print("earbot: %s" % e, file=sys.stderr)
        return 1
    env = LiveSim(args.sim, run_dir=args.run_dir, rate=RATE,
                  extra_args=["--binaural"] if args.binaural else [])
    ear = Ear(os.path.join(args.run_dir, "assets"), env.rate)
    head = None
    if args.binaural:
        try:
            head = HeadHearing(read_ring(os.path.abspath(args.sim), RATE), ear)
        except RuntimeError as e:
            print("earbot: %s" % e, file=sys.stderr)
            return 1
    results = []
    for seed in args.seeds:
        result = play_game(env, ear, rules, seed, log=sys.stderr if args.log else None,
                           notes_dir=args.notes, max_ms=max_ms, head=head)
        results.append(result)
        print(json.dumps(result, separators=(",", ":")), flush=True)
    wins = sum(r["cause"] == "outro" for r in results)
    pages = sum(r["pages"] for r in results)
    print(json.dumps({"games": len(results), "wins": wins, "deaths":
                      sum(r["cause"] == "death" for r in results),
                      "pages_mean": round(pages / len(results), 2)}, separators=(",", ":")))
    return 0


if __name__ == "__main__":
    sys.exit(main())
