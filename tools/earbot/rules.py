"""The game's rules as the simulator states them (`quelmire-sim --rules`, one JSON line
of every rule under its name): the ear player knows the rules as a practised player
does, and takes them from the game itself rather than keeping copies that could drift."""

import json
import subprocess

from hearing_law import Law

RULES_TIMEOUT_S = 30  # the simulator prints one line and exits at once


class Rules:
    """The rules the ear player plays by, each in the game's unit."""

    def __init__(self, table):
        def rule(name, kind):
            if name not in table:
                raise RuntimeError("the rules' line has no %r" % name)
            value = table[name]
            if isinstance(value, bool) or not isinstance(value, (int, float)):
                raise RuntimeError("the rules' line holds %r for %r, not a number" % (value, name))
            if kind is int and value != int(value):
                raise RuntimeError("the rules' line holds %r for %r, not a whole number" %
                                   (value, name))
            return kind(value)

        self.tick_ms = rule("tickMs", int)
        self.field_width = rule("fieldWidth", int)    # units along x
        self.field_height = rule("fieldHeight", int)  # units along y
        self.obstacle_size = rule("obstacleSize", int)  # units, each side of the square
        self.tunnel_length = rule("tunnelLength", int)  # units along x
        self.tunnel_width = rule("tunnelWidth", int)    # units along y
        self.walk_speed = rule("walkSpeed", float)  # units a move
        self.run_speed = rule("runSpeed", float)    # units a move
        self.mouse_counts_per_degree = rule("mouseCountsPerDegree", float)
        self.start_stamina = rule("startStamina", float)
        self.stamina_cap = rule("staminaCap", float)  # it grows only while below
        self.stamina_gain_per_tick = rule("staminaGainPerTick", float)
        self.run_cost_per_tick = rule("runCostPerTick", float)
        self.run_starts_above = rule("runStartsAbove", float)
        self.run_stops_below = rule("runStopsBelow", float)
        self.hint_period_ticks = rule("hintPeriodTicks", int)
        self.cue_falloff = rule("cueFalloff", int)  # volume lost a unit, in half percent
        self.behind_divisor = rule("behindVolumeDivisor", float)  # of a source behind
        self.stalker_falloff = rule("stalkerFalloff", int)  # as cue_falloff, its own sound

    @property
    def cue_law(self):
        """The mix's law for the cues, the pages' hints among them."""
        return Law(self.cue_falloff, self.behind_divisor)

    @property
    def stalker_law(self):
        """The mix's law for the stalker's own sound."""
        return Law(self.stalker_falloff, self.behind_divisor)

    @property
    def hint_period_ms(self):
        return self.hint_period_ticks * self.tick_ms


def read_rules(sim):
    """The rules of the simulator at `sim`; a RuntimeError that says why when it cannot
    tell them."""
    return Rules(simulator_line(sim, ["--rules"], RULES_TIMEOUT_S))


def simulator_line(sim, options, timeout_s):
    """The JSON object the simulator at `sim` prints as one line for `options`; a
    RuntimeError that says why when it does not."""
    said = "%s %s" % (sim, " ".join(options))
    try:
        run = subprocess.run([sim] + options, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             timeout=timeout_s)
    except (OSError, subprocess.TimeoutExpired) as e:
        raise RuntimeError("%s: %s" % (said, e)) from e
    if run.returncode != 0:
        raise RuntimeError("%s exited %d: %s" % (
            said, run.returncode, run.stderr.decode("utf-8", "replace").strip()))
    try:
        table = json.loads(run.stdout)
    except ValueError as e:
        raise RuntimeError("%s: not a JSON line: %s" % (said, e)) from e
    if not isinstance(table, dict):
        raise RuntimeError("%s: not a JSON object" % said)
    return table
