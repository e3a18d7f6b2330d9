#!/usr/bin/env python3
"""Writes notify.wav, the notification chime: two bell-like tones a fifth apart, 1.4 s, stereo,
44,100 Hz, 16-bit PCM. Run it again to regenerate the committed clip (the output is deterministic)."""
import math
import os
import struct
import wave

RATE = 44100
SECONDS = 1.4


def bell(t, start, freq):
    """A struck tone: fundamental with two quieter partials, a 5 ms attack and an exponential decay."""
    if t < start:
        return 0.0
    u = t - start
    attack = min(1.0, u / 0.005)
    decay = math.exp(-3.2 * u)
    tone = (math.sin(2 * math.pi * freq * u)
            + 0.35 * math.sin(2 * math.pi * 2.01 * freq * u)
            + 0.12 * math.sin(2 * math.pi * 3.02 * freq * u))
    return attack * decay * tone


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "notify.wav")
    frames = bytearray()
    count = int(RATE * SECONDS)
    for n in range(count):
        t = n / RATE
        fade = min(1.0, (SECONDS - t) / 0.05)  # no click at the end
        left = 0.36 * (bell(t, 0.0, 880.0) + 0.8 * bell(t, 0.16, 1318.5)) * fade
        right = 0.36 * (0.8 * bell(t, 0.0, 880.0) + bell(t, 0.16, 1318.5)) * fade
        frames += struct.pack("<hh", int(max(-1, min(1, left)) * 32767), int(max(-1, min(1, right)) * 32767))
    with wave.open(out, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(bytes(frames))


if __name__ == "__main__":
    main()
