#!/usr/bin/env python3
"""Generates buzzer.wav, the end-of-period horn that ships beside the program.

A harsh arena horn: band-limited square and sawtooth waves at 235 Hz with a dissonant partial at
1.31 times that pitch, a little vibrato and a faint grit of noise. Short fades at both ends keep
the speaker from clicking. The random generator is seeded, so every run writes the same bytes.

Usage: make_buzzer.py [output path]   (default: buzzer.wav beside this script)
"""

import math
import os
import random
import struct
import sys
import wave

RATE = 44100
DURATION = 1.5
BASE = 235.0
DISSONANT = 1.31
VIBRATO_RATE = 5.5
VIBRATO_DEPTH = 0.004
ATTACK = 0.015
RELEASE = 0.060
PEAK_DBFS = -1.0
NOISE = 0.03


def square(phase, harmonics):
    """Odd harmonics only, kept below the Nyquist frequency so the tone does not alias."""
    return sum(math.sin(k * phase) / k for k in range(1, harmonics + 1, 2)) * 4.0 / math.pi


def sawtooth(phase, harmonics):
    return sum(math.sin(k * phase) / k * (1 if k % 2 else -1) for k in range(1, harmonics + 1)) * 2.0 / math.pi


def harmonics_below_nyquist(frequency):
    return max(1, int((RATE / 2 * 0.9) // frequency))


def envelope(t):
    if t < ATTACK:
        return 0.5 - 0.5 * math.cos(math.pi * t / ATTACK)
    if t > DURATION - RELEASE:
        left = max(0.0, DURATION - t)
        return 0.5 - 0.5 * math.cos(math.pi * left / RELEASE)
    return 1.0


def render():
    rng = random.Random(1977)
    count = int(RATE * DURATION)
    # The harmonic counts use the highest pitch the vibrato reaches.
    low_harmonics = harmonics_below_nyquist(BASE * (1 + VIBRATO_DEPTH))
    high_harmonics = harmonics_below_nyquist(BASE * DISSONANT * (1 + VIBRATO_DEPTH))
    phase_low = phase_high = 0.0
    samples = []
    for n in range(count):
        t = n / RATE
        bend = 1.0 + VIBRATO_DEPTH * math.sin(2 * math.pi * VIBRATO_RATE * t)
        phase_low += 2 * math.pi * BASE * bend / RATE
        phase_high += 2 * math.pi * BASE * DISSONANT * bend / RATE
        tone = (0.45 * square(phase_low, low_harmonics) + 0.30 * sawtooth(phase_low, low_harmonics)
                + 0.35 * square(phase_high, high_harmonics))
        samples.append((tone + NOISE * rng.uniform(-1.0, 1.0)) * envelope(t))
    return samples


def write_peak_normalised(path, samples):
    """Scales the sound so that its peak stands at PEAK_DBFS and writes it as 16-bit mono PCM."""
    peak = max(abs(s) for s in samples)
    scale = 10 ** (PEAK_DBFS / 20) * 32767 / peak
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(struct.pack("<%dh" % len(samples), *(int(round(s * scale)) for s in samples)))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "buzzer.wav")
    write_peak_normalised(path, render())


if __name__ == "__main__":
    main()
