#!/usr/bin/env python3
"""Writes ErrorSound.wav, the alert played when a target that asks for it fails.

A two-note rising chime (B5 then E6) with soft bell-like decays, as 8-bit mono PCM at
22,050 samples per second: 9,952 samples (about 0.45 s) in a RIFF WAVE file of exactly
10,008 bytes. The output is the same on every run, so the committed file can be checked
against it: python3 make_error_sound.py [output path]
"""

import math
import struct
import sys

RATE = 22050
SAMPLES = 9952
PEAK = 0.62  # headroom so the two notes never clip where they overlap

# (start s, frequency Hz, decay time constant s, loudness)
NOTES = [
    (0.000, 987.77, 0.070, 0.85),
    (0.150, 1318.51, 0.095, 1.00),
]
ATTACK = 0.004  # a short rise avoids a click at each note's start
FADE_OUT = 0.012  # the clip ends in silence


def sample_at(t):
    value = 0.0
    for start, frequency, decay, loudness in NOTES:
        age = t - start
        if age < 0:
            continue
        envelope = loudness * math.exp(-age / decay) * min(1.0, age / ATTACK)
        phase = 2 * math.pi * frequency * age
        # A quiet octave partial gives the tone a bell's brightness.
        value += envelope * (math.sin(phase) + 0.25 * math.sin(2 * phase))
    remaining = SAMPLES / RATE - t
    return value * min(1.0, remaining / FADE_OUT)


def samples():
    raw = [sample_at(i / RATE) for i in range(SAMPLES)]
    scale = PEAK / max(abs(v) for v in raw)
    return bytes(max(0, min(255, 128 + round(127 * v * scale))) for v in raw)


def wave_file(data):
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE, 1, 8)
    fact = struct.pack("<I", len(data))
    body = (
        b"WAVE"
        + b"fmt " + struct.pack("<I", len(fmt)) + fmt
        + b"fact" + struct.pack("<I", len(fact)) + fact
        + b"data" + struct.pack("<I", len(data)) + data
    )
    return b"RIFF" + struct.pack("<I", len(body)) + body


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else "ErrorSound.wav"
    content = wave_file(samples())
    assert len(content) == 10008, len(content)
    with open(path, "wb") as out:
        out.write(content)


if __name__ == "__main__":
    main()
