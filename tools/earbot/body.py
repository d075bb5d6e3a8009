"""What the ear player knows of itself: where it faces (it turns only with the mouse,
from the heading 0 every game starts with), its stamina as the rules spend it, how it
strides, and where it was last told it stands."""

LEFT_BUTTON = 1
MOVE_KEYS = {"W", "A", "S", "D"}
RUN_KEY = "LSHIFT"
RUN_RESERVE = 40       # stamina kept for fleeing: below it, it walks
# The rules move the player once for every movement key held, so forward and a strafe
# held together make two moves a tick: the player goes half a right angle to the left of
# its heading (forward with left), √2 times as fast. It always strides so; each way it
# goes has its pair of keys.
STRIDE_TURN = 45       # degrees from the way it goes to its heading
STRIDE_FACTOR = 2 ** 0.5
AHEAD, BACK, LEFT, RIGHT = ("W", "A"), ("S", "D"), ("A", "S"), ("W", "D")


class Body:
    def __init__(self, rules):
        self.rules = rules
        self.heading = 0   # whole degrees 0 .. 359; 0 faces +y, 90 faces +x
        self.stamina = rules.start_stamina
        self.running = False
        # Where it was last told it stands; the field's middle until it first asks.
        self.place = (rules.field_width / 2, rules.field_height / 2)
        self.run_stride = rules.run_speed * STRIDE_FACTOR    # units a tick, striding at a run
        self.walk_stride = rules.walk_speed * STRIDE_FACTOR  # units a tick, striding at a walk

    def turn_counts(self, degrees):
        """The mouse counts that turn it by `degrees`; it turns with them."""
        self.heading = (self.heading + degrees) % 360
        return int(round(self.rules.mouse_counts_per_degree * degrees))

    def tire(self, ticks, keys):
        """Keeps count of the stamina as the rules spend it over `ticks` with `keys` held:
        a little back every tick while under the cap, more spent every tick running
        while moving; running stops when it runs low, and starts again only with enough
        while the run key is held."""
        r = self.rules
        moving = bool(keys & MOVE_KEYS)
        for _ in range(ticks):
            self.running = RUN_KEY in keys and (self.running or self.stamina > r.run_starts_above)
            if self.stamina < r.stamina_cap:
                self.stamina += r.stamina_gain_per_tick
            if self.running and moving:
                self.stamina -= r.run_cost_per_tick
            if self.stamina < r.run_stops_below:
                self.running = False

    def gait(self):
        """Runs while the stamina holds a reserve for fleeing, else walks."""
        return AHEAD + (RUN_KEY,) if self.stamina > RUN_RESERVE else AHEAD

    def way(self):
        """The way striding goes, from the heading."""
        return (self.heading - STRIDE_TURN) % 360
