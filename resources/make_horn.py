#!/usr/bin/env python3
"""Generates horn.wav, the shot clock's horn that ships beside the program.

It must never be mistaken for the end-of-period buzzer (buzzer.wav: one low, harsh 235 Hz tone for
1.5 s), so it is brighter, higher and shorter: two tones a major third apart, 587 Hz and 740 Hz,
sounding together as a band-limited sawtooth and pulsed four times a second, for 1.0 s. Short fades
at both ends and around each pulse keep the speaker from clicking. No randomness: every run writes
the same bytes.

Usage: make_horn.py [output path]   (default: horn.wav beside this script)
"""

import math
import os
import sys

# The buzzer's script lies beside this one; its rate and peak level are the horn's too.
from make_buzzer import RATE, harmonics_below_nyquist, write_peak_normalised

DURATION = 1.0
LOW = 587.33
HIGH = 739.99
PULSES_PER_SECOND = 4
# The part of each pulse that sounds; the rest is a quieter gap that keeps the horn one sound.
PULSE_ON = 0.8
GAP_LEVEL = 0.25
PULSE_EDGE = 0.012
ATTACK = 0.010
RELEASE = 0.040


def sawtooth(phase, harmonics):
    """Every harmonic at 1/k, kept below the Nyquist frequency so the tone does not alias."""
    return sum(math.sin(k * phase) / k for k in range(1, harmonics + 1)) * 2.0 / math.pi


def raised_cosine(x):
    return 0.5 - 0.5 * math.cos(math.pi * min(1.0, max(0.0, x)))


def envelope(t):
    if t < ATTACK:
        edge = raised_cosine(t / ATTACK)
    elif t > DURATION - RELEASE:
        edge = raised_cosine((DURATION - t) / RELEASE)
    else:
        edge = 1.0
    # Within a pulse: full level while on, GAP_LEVEL in the gap, with smooth steps between.
    period = 1.0 / PULSES_PER_SECOND
    into = t % period
    on = PULSE_ON * period
    if into < on:
        level = min(raised_cosine(into / PULSE_EDGE), raised_cosine((on - into) / PULSE_EDGE))
    else:
        level = 0.0
    return edge * (GAP_LEVEL + (1.0 - GAP_LEVEL) * level)


def render():
    count = int(RATE * DURATION)
    low_harmonics = harmonics_below_nyquist(LOW)
    high_harmonics = harmonics_below_nyquist(HIGH)
    samples = []
    for n in range(count):
        t = n / RATE
        tone = 0.55 * sawtooth(2 * math.pi * LOW * t, low_harmonics) + 0.45 * sawtooth(
            2 * math.pi * HIGH * t, high_harmonics)
        samples.append(tone * envelope(t))
    return samples


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "horn.wav")
    write_peak_normalised(path, render())


if __name__ == "__main__":
    main()
