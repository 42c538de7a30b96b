#!/usr/bin/env python3
"""Makes pieces of music for the band-limit measurements: 44.1 kHz 16-bit stereo WAV files, each a different kind of
music (piano, plucked and bowed strings, drums with cymbals and hi-hats, voice-like formants, pads, a rock band, a
quiet orchestra, jazz, dance, an ambient choir), at different loudness. Cymbals, hi-hats and noise reach 22 kHz as
real ones do; the piano, the quiet orchestra and the choir fall off gently long before, as natural recordings do.

    make-music.py FOLDER [SET] [SECONDS] [KIND,KIND...]

SET (a number) seeds the notes and the noise: one set makes the table, another the held-out pieces. The kinds (all
by default) are named as in KINDS. Needs numpy.
"""
import os
import sys
import wave

import numpy as np

RATE = 44100


class Piece:
    def __init__(self, seconds, rng):
        self.n = int(seconds * RATE)
        self.t = np.arange(self.n) / RATE
        self.rng = rng
        self.left = np.zeros(self.n)
        self.right = np.zeros(self.n)

    def add(self, signal, start=0, pan=0.5, gain=1.0):
        end = min(self.n, start + len(signal))
        if end <= start:
            return
        s = signal[: end - start] * gain
        self.left[start:end] += s * np.sqrt(1 - pan)
        self.right[start:end] += s * np.sqrt(pan)


def shaped_noise(n, rng, shape):
    """White noise shaped in frequency by shape(f) (amplitude)."""
    spectrum = np.fft.rfft(rng.standard_normal(n))
    f = np.fft.rfftfreq(n, 1 / RATE)
    return np.fft.irfft(spectrum * shape(f), n)


def envelope(n, attack, decay):
    t = np.arange(n) / RATE
    return np.minimum(t / max(attack, 1e-4), 1.0) * np.exp(-t / decay)


def harmonic_note(freq, seconds, decay, rolloff, rng, inharmonic=0.0, vibrato=0.0, top=20000.0):
    """Partials of `freq` up to 22 kHz, falling by `rolloff` (k ** -rolloff) and gently above `top`."""
    n = int(seconds * RATE)
    t = np.arange(n) / RATE
    out = np.zeros(n)
    phase_mod = vibrato * np.sin(2 * np.pi * 5.5 * t) if vibrato else 0.0
    k = 1
    while True:
        fk = freq * k * np.sqrt(1 + inharmonic * k * k)
        if fk >= 22000 or k > 400:
            break
        # Above `top` the partials fade at 12 dB an octave, as an instrument's do: no wall anywhere.
        amp = k ** (-rolloff) / (1 + (fk / top) ** 2)
        out += amp * np.sin(2 * np.pi * fk * t + fk / freq * phase_mod + rng.uniform(0, 2 * np.pi)) * \
            np.exp(-t * (1 + 0.15 * k) / decay)
        k += 1
    return out


def midi(note):
    return 440.0 * 2 ** ((note - 69) / 12)


def piano(p):  # gentle natural roll-off: little above 8 kHz
    beat = RATE // 2
    for i in range(0, p.n // beat):
        for note in p.rng.choice([48, 52, 55, 60, 64, 67, 71, 72, 76], size=2, replace=False):
            s = harmonic_note(midi(note), 2.5, 1.2, 1.6, p.rng, inharmonic=0.0004, top=12000)
            s += 0.05 * shaped_noise(len(s), p.rng, lambda f: 1 / (1 + (f / 3000) ** 2)) * envelope(len(s), 0.001, 0.02)
            p.add(s, i * beat, pan=p.rng.uniform(0.3, 0.7), gain=0.08)


def plucked(p):  # bright: harmonics to 20 kHz
    step = RATE // 4
    for i in range(p.n // step):
        s = harmonic_note(midi(p.rng.choice([45, 50, 57, 62, 64, 69, 74])), 1.5, 0.5, 1.0, p.rng, top=21000)
        s += 0.3 * shaped_noise(len(s), p.rng, lambda f: np.ones_like(f)) * envelope(len(s), 0.0005, 0.005)
        p.add(s, i * step, pan=p.rng.uniform(0.2, 0.8), gain=0.06)


def bowed(p):  # strings with vibrato, bow noise
    for i in range(p.n // (2 * RATE)):
        for note in (55, 62, 67):
            f = midi(note + p.rng.integers(-2, 3))
            n = int(2.2 * RATE)
            s = harmonic_note(f, 2.2, 50.0, 1.0, p.rng, vibrato=0.004, top=18000) * envelope(n, 0.2, 3.0)
            s += 0.02 * shaped_noise(n, p.rng, lambda f: 1 / (1 + (f / 6000) ** 2))
            p.add(s, i * 2 * RATE, pan=p.rng.uniform(0.2, 0.8), gain=0.05)


def drums(p, level=1.0):  # kick, snare, hi-hats and cymbals reaching 22 kHz
    beat = int(RATE * 60 / p.rng.uniform(90, 140) / 2)
    for i in range(p.n // beat):
        if i % 4 == 0:
            n = int(0.3 * RATE)
            t = np.arange(n) / RATE
            p.add(np.sin(2 * np.pi * (50 + 100 * np.exp(-t * 30)) * t) * np.exp(-t * 12), i * beat, gain=0.5 * level)
        if i % 4 == 2:
            n = int(0.2 * RATE)
            s = shaped_noise(n, p.rng, lambda f: 1 / (1 + (f / 5000) ** 2)) * envelope(n, 0.001, 0.05)
            p.add(s, i * beat, gain=0.4 * level)
        n = int(0.08 * RATE)  # closed hi-hat: high-passed white noise
        s = shaped_noise(n, p.rng, lambda f: (f > 6000).astype(float)) * envelope(n, 0.0005, 0.02)
        p.add(s, i * beat, pan=0.65, gain=0.25 * level)
        if i % 16 == 0:  # crash cymbal
            n = int(2.0 * RATE)
            s = shaped_noise(n, p.rng, lambda f: (f > 3000).astype(float)) * envelope(n, 0.002, 0.7)
            p.add(s, i * beat, pan=0.35, gain=0.2 * level)


def voice(p):  # formants on a pulse train, with breath
    formants = [(730, 1090, 2440), (270, 2290, 3010), (300, 870, 2240), (530, 1840, 2480)]
    seg = RATE // 2
    for i in range(p.n // seg):
        f0 = midi(p.rng.choice([57, 59, 60, 62, 64]))
        s = harmonic_note(f0, 0.55, 5.0, 0.0, p.rng, vibrato=0.003, top=16000)
        spectrum = np.fft.rfft(s)
        f = np.fft.rfftfreq(len(s), 1 / RATE)
        shape = sum(1 / (1 + ((f - fc) / (60 + fc * 0.08)) ** 2) for fc in formants[i % 4]) + 0.02
        s = np.fft.irfft(spectrum * shape / (1 + (f / 5000) ** 2), len(s))
        s += 0.01 * shaped_noise(len(s), p.rng, lambda f: (f > 4000) / (1 + (f / 12000) ** 2))
        p.add(s * envelope(len(s), 0.05, 0.6), i * seg, gain=0.2)


def pad(p):  # detuned saws under a slowly opening filter, a noise sweep
    for note in (48, 55, 60, 64):
        s = np.zeros(p.n)
        for d in (-0.07, 0.0, 0.07):
            f = midi(note + d)
            s += 2 * ((p.t * f) % 1.0) - 1
        spectrum = np.fft.rfft(s)
        fr = np.fft.rfftfreq(p.n, 1 / RATE)
        s = np.fft.irfft(spectrum / (1 + (fr / 7000) ** 2), p.n)
        p.add(s * (0.5 + 0.5 * np.sin(2 * np.pi * 0.05 * p.t)), pan=p.rng.uniform(0.2, 0.8), gain=0.05)
    p.add(shaped_noise(p.n, p.rng, lambda f: np.ones_like(f)) * (p.t / p.t[-1]) ** 2, gain=0.05)


def rock(p):
    drums(p, 1.0)
    for i in range(p.n // RATE):
        f = midi(p.rng.choice([40, 43, 45, 47]))
        s = np.tanh(4 * harmonic_note(f, 1.0, 2.0, 1.0, p.rng, top=8000))
        p.add(s, i * RATE, pan=0.3, gain=0.15)
        p.add(harmonic_note(f / 2, 1.0, 0.6, 2.0, p.rng, top=2000), i * RATE, gain=0.3)


def orchestra_quiet(p):  # soft strings and winds, gentle roll-off, 30 dB down
    for i in range(p.n // (3 * RATE)):
        for note in (48, 52, 55, 59, 64):
            n = int(3.2 * RATE)
            s = harmonic_note(midi(note), 3.2, 50.0, 1.8, p.rng, vibrato=0.003, top=10000) * envelope(n, 0.5, 4.0)
            p.add(s, i * 3 * RATE, pan=p.rng.uniform(0.1, 0.9), gain=0.004)


def jazz(p):
    beat = int(RATE * 60 / 120)
    for i in range(p.n // beat):
        n = int(1.2 * RATE)  # ride cymbal with its bell
        s = shaped_noise(n, p.rng, lambda f: (f > 2000) * (1 + 0 * f)) * envelope(n, 0.001, 0.4)
        s += 0.3 * harmonic_note(3100, 1.2, 0.6, 1.0, p.rng, inharmonic=0.02, top=21000)
        p.add(s, i * beat, pan=0.7, gain=0.08)
        p.add(harmonic_note(midi(p.rng.choice([36, 38, 40, 41, 43])), 0.5, 0.3, 2.0, p.rng, top=3000), i * beat,
              pan=0.5, gain=0.3)
        if i % 2 == 0:
            s = harmonic_note(midi(p.rng.choice([60, 63, 65, 67, 70])), 1.0, 0.6, 1.4, p.rng, inharmonic=0.0003,
                              top=14000)
            p.add(s, i * beat, pan=0.4, gain=0.06)


def dance(p):
    drums(p, 1.2)
    step = RATE // 8
    for i in range(p.n // step):
        f = midi(p.rng.choice([60, 63, 67, 70, 72]))
        n = step
        s = (2 * ((np.arange(n) / RATE * f) % 1.0) - 1) * envelope(n, 0.002, 0.08)
        p.add(s, i * step, pan=0.5, gain=0.12)


def choir(p):  # many voices, long reverberant tail that darkens
    for i in range(p.n // (4 * RATE)):
        for note in (53, 57, 60, 65):
            n = int(4.5 * RATE)
            s = harmonic_note(midi(note), 4.5, 50.0, 1.2, p.rng, vibrato=0.005, top=14000) * envelope(n, 0.8, 5.0)
            p.add(s, i * 4 * RATE, pan=p.rng.uniform(0.1, 0.9), gain=0.02)
    p.add(shaped_noise(p.n, p.rng, lambda f: 1 / (1 + (f / 4000) ** 3)), gain=0.01)


KINDS = [("piano", piano), ("plucked", plucked), ("bowed", bowed), ("drums", drums), ("voice", voice),
         ("pad", pad), ("rock", rock), ("orchestra", orchestra_quiet), ("jazz", jazz), ("dance", dance),
         ("choir", choir)]


def write(path, left, right, rng):
    stereo = np.stack([left, right], axis=1) * 32767
    stereo += rng.uniform(-0.5, 0.5, stereo.shape) + rng.uniform(-0.5, 0.5, stereo.shape)  # TPDF dither
    samples = np.clip(np.round(stereo), -32768, 32767).astype("<i2")
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(samples.tobytes())


def main():
    folder = sys.argv[1]
    seed = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 40.0
    wanted = sys.argv[4].split(",") if len(sys.argv) > 4 else [name for name, _ in KINDS]
    os.makedirs(folder, exist_ok=True)
    for i, (name, make) in enumerate(KINDS):
        if name not in wanted:
            continue
        rng = np.random.default_rng(seed * 1000 + i)
        p = Piece(seconds, rng)
        make(p)
        peak = max(np.max(np.abs(p.left)), np.max(np.abs(p.right)), 1e-9)
        # Loudness from near full scale down to -20 dB; the quiet orchestra keeps its own low level.
        target = 0.3 if name == "orchestra" else rng.uniform(0.1, 0.95)
        write(os.path.join(folder, f"{i + 1:02d}-{name}.wav"), p.left * target / peak, p.right * target / peak, rng)


if __name__ == "__main__":
    main()
