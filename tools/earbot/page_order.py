"""Which page to take first. The stalker grows bolder with every page taken: with four or
fewer it shows up seldom and creeps (under a unit a second), with five to seven it shows
up every few seconds and comes on at 2.3 to 3 units a second. So a way walked while
holding few pages costs little and one walked with many costs much, and the player takes
the pages in the order that makes the whole round cheapest by that measure: the far
stragglers while the stalker is still slow, the last pages close together."""

# What a unit of way costs, by the pages held while walking it (the rules' aggressiveness
# table: how often the stalker shows up and how fast it comes on; from seven pages on the
# last row stays). Measured with the whole-run autopilot on seeds 1..200: the shortest
# round won 100, rounds weighed so won 119.
LEG_WEIGHTS = (0.1, 0.1, 0.1, 0.2, 0.5, 2.0, 4.0, 6.0)
MOST_PLANNED = 8  # places in one plan: the nearest ones, the round is worked out exactly


def first_of_round(start, goals, held, way, allowed=None):
    """The index in `goals` of the one to go for first: the round from `start` through
    all of them (the `MOST_PLANNED` nearest) that costs least, each leg's `way(a, b)`
    weighed by the pages held while it is walked (`held` now, one more after each goal).
    `allowed(goal)` says which may come first (all by default). None when none may."""
    from_start = [way(start, g) for g in goals]
    near = sorted(range(len(goals)), key=lambda i: from_start[i])[:MOST_PLANNED]
    points = [goals[i] for i in near]
    n = len(points)
    weights = [LEG_WEIGHTS[min(held + k, len(LEG_WEIGHTS) - 1)] for k in range(n)]
    legs = [[way(a, b) for b in points] for a in points]
    inf = float("inf")
    # cost[s][j]: the cheapest round through the set s (a bit mask) that ends at j;
    # first[s][j]: where that round began.
    cost = [[inf] * n for _ in range(1 << n)]
    first = [[-1] * n for _ in range(1 << n)]
    for j, p in enumerate(points):
        if allowed is None or allowed(p):
            cost[1 << j][j] = weights[0] * from_start[near[j]]
            first[1 << j][j] = j
    for s in range(1, 1 << n):
        weight = weights[min(bin(s).count("1"), n - 1)]
        for j in range(n):
            c = cost[s][j]
            if c == inf:
                continue
            for t in range(n):
                if s >> t & 1:
                    continue
                grown = s | 1 << t
                through = c + weight * legs[j][t]
                if through < cost[grown][t]:
                    cost[grown][t] = through
                    first[grown][t] = first[s][j]
    full = (1 << n) - 1
    ends = [j for j in range(n) if cost[full][j] < inf]
    if not ends:
        return None
    return near[first[full][min(ends, key=lambda j: cost[full][j])]]
