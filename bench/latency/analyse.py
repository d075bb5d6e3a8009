"""Onsets in the monitor recording, set against key and exec stamps on the same clock.

    analyse.py RUN_DIR TEMPLATE.wav

RUN_DIR holds what key_to_ear.sh left there: monitor.f32 (32-bit float stereo, 48 kHz)
with monitor.stamps (frames recorded so far and CLOCK_MONOTONIC in ns after each read),
game.keys and peer.keys (one "before_ns after_ns" line per press), launch.game.*.exec and
launch.baseline.*.exec (one ns stamp per launch). Prints one line per measured set and writes every single figure to
RUN_DIR/*.ms.

A sample's time: each read's stamp, less the frames it ends with, gives when recording
started as seen from that read; the earliest such value among the reads around an event
(the read that waited least) is taken, so the recorder's own delay counts for no more
than its smallest hand-over, about one 64-frame fragment (1.3 ms).

A key's sound is found by its waveform: the press's window of the recording (both
channels summed) is correlated with the start of the sound file after 10 ms of silence
(normalised, so a lag inside the nearly periodic chime matches worse than its start), and
the onset is the earliest lag that matches about as well as the best; the game's
background (wind, breathing, distant noises) does not hide it. A launch's first sound is the first sample louder than -60 dBFS after the exec.
"""
import math
import os
import sys
import wave

import numpy as np

RATE = 48000
STAMP_WINDOW_S = 2.0        # reads within this much of an event fix its clock
SEARCH_BEFORE_S = 0.005     # how far before the key an onset is looked for
SEARCH_AFTER_S = 0.400      # and after it
TEMPLATE_S = 0.060          # the part of the sound matched
LEAD_S = 0.010              # silence matched before it
MIN_MATCH = 0.5             # normalised correlation below this: not found
NEAR_BEST = 0.05            # the earliest match this close to the best is the onset
LAUNCH_THRESHOLD = 10 ** (-60 / 20)
LAUNCH_SEARCH_S = 3.0


def read_stamps(path):
    frames, ns, latencies = [], [], []
    with open(path) as f:
        for line in f:
            if line.startswith("# latency_us"):
                latencies.append(int(line.split()[2]))
                continue
            a, b = line.split()
            frames.append(int(a))
            ns.append(int(b))
    return np.array(frames, dtype=np.int64), np.array(ns, dtype=np.int64), latencies


class Clock:
    """Maps a sample index to CLOCK_MONOTONIC seconds and back."""

    def __init__(self, frames, ns):
        self.frames = frames
        self.ns = ns
        self.start_s = (ns - frames * 1e9 / RATE) / 1e9  # recording start as each read says

    def _origin_near(self, t_s):
        times = self.ns / 1e9
        near = np.abs(times - t_s) <= STAMP_WINDOW_S
        if not near.any():
            return None
        return self.start_s[near].min()

    def index_of(self, t_s):
        """None for a time outside the recording."""
        origin = self._origin_near(t_s)
        if origin is None:
            return None
        index = int(round((t_s - origin) * RATE))
        return index if 0 <= index < self.frames[-1] else None

    def time_of(self, index, near_s):
        return self._origin_near(near_s) + index / RATE


def load_template(path):
    with wave.open(path) as w:
        n, ch, rate = w.getnframes(), w.getnchannels(), w.getframerate()
        data = np.frombuffer(w.readframes(n), dtype=np.int16).reshape(-1, ch) / 32768.0
    mono = data.sum(axis=1)
    take = int(TEMPLATE_S * rate)
    src = mono[:take]
    t_out = np.arange(int(TEMPLATE_S * RATE)) / RATE
    lead = np.zeros(int(LEAD_S * RATE))
    return np.concatenate([lead, np.interp(t_out, np.arange(len(src)) / rate, src)])


def find_onset(mix, start, template):
    """Index in `mix` (from `start`) where the sound starts, and how well it matched.

    The template begins with LEAD_S of silence, so that a lag inside the sound (a chime
    is nearly periodic) matches worse than its true start; of the lags that match about
    as well as the best, the earliest is taken."""
    end = start + int((SEARCH_BEFORE_S + SEARCH_AFTER_S) * RATE) + len(template)
    if start < 0 or end > len(mix):
        return None, 0.0
    window = mix[start:end]
    corr = np.correlate(window, template, mode="valid")
    energy = np.convolve(window ** 2, np.ones(len(template)), mode="valid")
    norm = corr / np.sqrt(np.maximum(energy, 1e-20) * np.dot(template, template))
    best = float(norm.max())
    first = int(np.argmax(norm >= best - NEAR_BEST))
    return start + first + int(LEAD_S * RATE), float(norm[first])


def key_latencies(mix, clock, keys_path, template):
    """Per press: seconds since the first press and the latency in ms (nan: not found)."""
    rows = []
    first = None
    for line in open(keys_path):
        t_key = int(line.split()[0]) / 1e9
        first = t_key if first is None else first
        latency = math.nan
        key_index = clock.index_of(t_key)
        if key_index is not None:
            onset, match = find_onset(mix, key_index - int(SEARCH_BEFORE_S * RATE), template)
            if onset is not None and match >= MIN_MATCH:
                latency = (clock.time_of(onset, t_key) - t_key) * 1000.0
        rows.append((t_key - first, latency))
    return rows


def launch_latencies(mix, clock, run_dir, who):
    out, missed = [], 0
    for name in sorted(os.listdir(run_dir)):
        if not (name.startswith(f"launch.{who}.") and name.endswith(".exec")):
            continue
        t_exec = int(open(os.path.join(run_dir, name)).read()) / 1e9
        first = clock.index_of(t_exec)
        if first is None:
            missed += 1
            continue
        span = np.abs(mix[max(first, 0):first + int(LAUNCH_SEARCH_S * RATE)])
        loud = np.nonzero(span > LAUNCH_THRESHOLD)[0]
        if len(loud) == 0:
            missed += 1
            continue
        out.append((clock.time_of(first + int(loud[0]), t_exec) - t_exec) * 1000.0)
    return out, missed


def percentile(values, p):
    """Nearest-rank percentile: the smallest value with at least p % at or below it."""
    s = sorted(values)
    return s[max(0, math.ceil(p / 100 * len(s)) - 1)]


def summary(name, values, missed):
    if not values:
        return f"{name}: nothing measured ({missed} not found)"
    return (f"{name}: n={len(values)} median={percentile(values, 50):.1f} ms "
            f"p90={percentile(values, 90):.1f} ms p99={percentile(values, 99):.1f} ms "
            f"max={max(values):.1f} ms (not found: {missed})")


def main():
    run_dir, template_path = sys.argv[1], sys.argv[2]
    stereo = np.fromfile(os.path.join(run_dir, "monitor.f32"), dtype="<f4").reshape(-1, 2)
    mix = stereo.sum(axis=1)
    frames, ns, latencies = read_stamps(os.path.join(run_dir, "monitor.stamps"))
    clock = Clock(frames, ns)
    template = load_template(template_path)
    if latencies:
        print(f"recorder: server-reported record latency median {np.median(latencies) / 1000:.1f} ms")
    lines = []
    for who in ("game", "baseline"):
        launch, missed = launch_latencies(mix, clock, run_dir, who)
        if launch or missed:
            lines.append(summary(f"launch to first sound ({who})", launch, missed))
            np.savetxt(os.path.join(run_dir, f"launch.{who}.ms"), launch, fmt="%.2f")
    for who in ("game", "peer"):
        path = os.path.join(run_dir, f"{who}.keys")
        if not os.path.exists(path):
            continue
        rows = key_latencies(mix, clock, path, template)
        values = [ms for _, ms in rows if not math.isnan(ms)]
        lines.append(summary(f"key to ear ({who})", values, len(rows) - len(values)))
        slowest = sorted((r for r in rows if not math.isnan(r[1])), key=lambda r: -r[1])[:5]
        lines.append("  slowest: " + ", ".join(f"{ms:.0f} ms at {t:.1f} s" for t, ms in slowest))
        np.savetxt(os.path.join(run_dir, f"{who}.ms"), rows, fmt="%.3f",
                   header="seconds since the first press, key to ear in ms (nan: not found)")
    print("\n".join(lines))


if __name__ == "__main__":
    main()
