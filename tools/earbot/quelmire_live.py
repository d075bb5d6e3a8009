"""A client for quelmire-sim's live mode (tools/sim/LIVE.md), in the shape of the common
environment interface: reset(seed) gives the first audio, step(action) the audio of the
next span, whether the game has ended, and how. Standard library and NumPy only.

    env = LiveSim("build/release/run/quelmire-sim", run_dir="build/release/run")
    audio, info = env.reset(seed=2)                # audio: (frames, 2) float32, -1 .. 1
    audio, done, info = env.step({"keys": {"W"}, "ms": 100})
    env.close()

An action holds the keys to be down during the span (names as in input scripts, or scan
codes), the mouse "buttons" down (1 left, 2 right, 3 middle), optionally a mouse move
"dx", and the span "ms". Keys and buttons held before and not named are released. info:
"ms" (virtual time at the span's end), "texts" (what speech said), "cause" and "status"
once done, "errors" (refused commands, one line each).
"""

import os
import struct
import subprocess

import numpy as np

MAGIC = b"QL"
HEADER = struct.Struct("<2sBBI")

# Scan codes of the keys a player uses (the input script's names).
KEYS = {
    "ESCAPE": 1, "SPACE": 57, "LSHIFT": 42, "LCTRL": 29, "UP": 200, "DOWN": 208,
    "LEFT": 203, "RIGHT": 205, "W": 17, "A": 30, "S": 31, "D": 32, "C": 46, "T": 20,
}


def key_code(key):
    return key if isinstance(key, int) else KEYS[key.upper()]


def frame(kind, payload=b""):
    return HEADER.pack(MAGIC, ord(kind), 0, len(payload)) + payload


def key_frame(code, down):
    return frame("k", struct.pack("<BB", code, 1 if down else 0))


def step_frame(ms):
    return frame("s", struct.pack("<I", ms))


def button_frame(button, down):
    return frame("b", struct.pack("<BB", button, 1 if down else 0))


def move_frame(dx, dy=0):
    return frame("m", struct.pack("<ii", dx, dy))


STOP = frame("q")


def changes(before, after, make):
    """The frames that take held keys or buttons from `before` to `after`: releases
    first, then presses, each in order."""
    return b"".join([make(c, False) for c in sorted(before - after)] +
                    [make(c, True) for c in sorted(after - before)])


class LiveSim:
    def __init__(self, sim, run_dir=None, quick_start=True, rate=48000, extra_args=(),
                 first_ms=200):
        self.sim = os.path.abspath(sim)
        self.run_dir = run_dir
        self.quick_start = quick_start
        self.rate = rate
        self.extra_args = list(extra_args)
        self.first_ms = first_ms
        self.proc = None
        self.held = set()
        self.buttons = set()
        self.ms = 0
        self.done = True

    # The first span plays the title and the skipped intro under --quick-start.
    def reset(self, seed, record=None):
        self.close()
        args = [self.sim, "--live", "--seed", str(seed), "--rate", str(self.rate)]
        if self.quick_start:
            args.append("--quick-start")
        if record:
            args += ["--record", os.path.abspath(record)]
        self.proc = subprocess.Popen(args + self.extra_args, cwd=self.run_dir,
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, bufsize=0)
        self.held = set()
        self.buttons = set()
        self.ms = 0
        self.done = False
        kind, payload = self._read()
        if kind != "H":
            raise RuntimeError("quelmire-sim did not greet: %r" % kind)
        version, rate, channels = struct.unpack("<III", payload[:12])
        if version != 1 or channels != 2:
            raise RuntimeError("unknown live protocol %d with %d channels" % (version, channels))
        self.rate = rate
        audio, _, info = self._send(step_frame(self.first_ms), self.first_ms)
        return audio, info

    def step(self, action):
        if self.done:
            raise RuntimeError("the run has ended: reset first")
        keys = {key_code(k) for k in action.get("keys", ())}
        buttons = set(action.get("buttons", ()))
        out = changes(self.held, keys, key_frame) + changes(self.buttons, buttons, button_frame)
        self.held, self.buttons = keys, buttons
        if action.get("dx"):
            out += move_frame(int(action["dx"]), int(action.get("dy", 0)))
        ms = int(action.get("ms", 50))
        return self._send(out + step_frame(ms), self.ms + ms)

    def stop(self):
        """Ends the run at the present time; returns what was left of it."""
        if self.done:
            return None
        return self._send(STOP, None)

    def close(self):
        if self.proc is not None:
            try:
                if not self.done:
                    self.proc.stdin.write(STOP)
                self.proc.stdin.close()
            except OSError:
                pass
            self.proc.stdout.close()
            self.proc.wait()
            self.proc = None
        self.done = True

    # Reads until the audio that reaches `target` (ms), or the end frame: a run that
    # ends inside the span answers its last audio, then the end (`target` None: a stop).
    def _send(self, data, target):
        try:
            self.proc.stdin.write(data)
            self.proc.stdin.flush()
        except OSError:
            pass  # the run ended; its end frame is still to be read
        info = {"texts": [], "errors": []}
        chunks = []
        while True:
            kind, payload = self._read()
            if kind == "T":
                info["texts"].append(payload[4:].decode("utf-8", "replace"))
            elif kind == "X":
                info["errors"].append(payload.decode("utf-8", "replace"))
            elif kind == "A":
                self.ms = struct.unpack("<I", payload[:4])[0]
                chunks.append(np.frombuffer(payload[4:], dtype="<i2"))
                if target is not None and self.ms >= target:
                    break
            elif kind == "E":
                self.ms, status = struct.unpack("<Ii", payload[:8])
                info["cause"] = payload[8:].decode("ascii", "replace")
                info["status"] = status
                self.done = True
                break
        samples = np.concatenate(chunks) if chunks else np.zeros(0, dtype="<i2")
        info["ms"] = self.ms
        audio = samples.reshape(-1, 2).astype(np.float32) / 32767.0
        return audio, self.done, info

    def _read(self):
        header = self._read_exactly(HEADER.size)
        if header is None:
            self.done = True
            return "E", struct.pack("<Ii", self.ms, -1) + b"lost"
        magic, kind, _, size = HEADER.unpack(header)
        if magic != MAGIC:
            raise RuntimeError("bad frame from quelmire-sim")
        payload = self._read_exactly(size) if size else b""
        return chr(kind), payload or b""

    def _read_exactly(self, size):
        data = b""
        while len(data) < size:
            got = self.proc.stdout.read(size - len(data))
            if not got:
                return None
            data += got
        return data
