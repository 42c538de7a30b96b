#!/usr/bin/env python3
"""Pieces of music played on recorded instruments: writes a MIDI file for each of eleven kinds (piano, strings,
guitar, brass, choir, drums with bass and electric piano, organ, flute and harp, rock, jazz, a quiet orchestra),
with notes drawn from a seed, and has fluidsynth render each with the General MIDI sound font at 44.1 kHz, 16 bits,
stereo. Unlike bench/make-music.py's synthesis, every instrument's top end is what its recording has.

    make-sampled.py FOLDER SEED SECONDS [SOUNDFONT]
"""
import os
import random
import struct
import subprocess
import sys

TICKS = 480  # per beat; 120 beats a minute
SCALE = [0, 2, 4, 5, 7, 9, 11]
DRUMS = 9  # the General MIDI percussion channel


def var_len(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


class Track:
    def __init__(self):
        self.events = []  # (tick, order, bytes)

    def program(self, channel, program):
        self.events.append((0, 0, bytes([0xC0 | channel, program])))

    def note(self, channel, tick, length, key, velocity):
        key = max(0, min(127, key))
        self.events.append((tick, 2, bytes([0x90 | channel, key, max(1, min(127, velocity))])))
        self.events.append((tick + length, 1, bytes([0x80 | channel, key, 0])))

    def chunk(self):
        data, last = b"", 0
        for tick, _, event in sorted(self.events, key=lambda e: (e[0], e[1])):
            data += var_len(tick - last) + event
            last = tick
        data += var_len(0) + b"\xff\x2f\x00"
        return b"MTrk" + struct.pack(">I", len(data)) + data


def key_of(root, degree):
    return root + 12 * (degree // 7) + SCALE[degree % 7]


def chords(track, rng, channel, program, beats, root, velocity, per_chord=4, spread=3):
    track.program(channel, program)
    for start in range(0, beats, per_chord):
        degree = rng.choice([0, 3, 4, 5])
        for voice in range(spread):
            track.note(channel, start * TICKS, per_chord * TICKS - 20, key_of(root, degree + 2 * voice),
                       velocity + rng.randint(-8, 8))


def melody(track, rng, channel, program, beats, root, velocity, steps=(1, 2)):
    track.program(channel, program)
    degree, tick = 7, 0
    while tick < beats * TICKS:
        length = rng.choice(steps) * TICKS // 2
        degree = max(0, min(16, degree + rng.choice([-2, -1, -1, 1, 1, 2, 3])))
        track.note(channel, tick, length - 10, key_of(root, degree), velocity + rng.randint(-15, 15))
        tick += length


def arpeggios(track, rng, channel, program, beats, root, velocity):
    track.program(channel, program)
    for beat in range(beats):
        degree = [0, 3, 4, 5][(beat // 4) % 4]
        for i in range(4):
            track.note(channel, beat * TICKS + i * TICKS // 4, TICKS // 2, key_of(root, degree + 2 * i),
                       velocity + rng.randint(-10, 10))


def drums(track, rng, beats, velocity, ride=False):
    for beat in range(beats):
        tick = beat * TICKS
        if beat % 2 == 0:
            track.note(DRUMS, tick, TICKS // 4, 36, velocity)  # kick
        else:
            track.note(DRUMS, tick, TICKS // 4, 38, velocity - 5)  # snare
        for half in range(2):
            track.note(DRUMS, tick + half * TICKS // 2, TICKS // 4, 51 if ride else 42,
                       velocity - 20 + rng.randint(-10, 10))
        if beat % 16 == 0:
            track.note(DRUMS, tick, TICKS, 49, velocity)  # crash


def bass(track, rng, channel, program, beats, root, velocity):
    track.program(channel, program)
    for beat in range(beats):
        degree = [0, 3, 4, 5][(beat // 4) % 4] + rng.choice([0, 0, 2, 4])
        track.note(channel, beat * TICKS, TICKS - 30, key_of(root - 24, degree), velocity + rng.randint(-8, 8))


def piece(kind, rng, beats):
    t = Track()
    loud = rng.randint(70, 115)
    if kind == "piano":
        chords(t, rng, 0, 0, beats, 48, loud - 20)
        melody(t, rng, 1, 0, beats, 60, loud)
    elif kind == "strings":
        chords(t, rng, 0, 48, beats, 48, loud, per_chord=8, spread=4)
        melody(t, rng, 1, 40, beats, 67, loud - 10, steps=(2, 4))
    elif kind == "guitar":
        arpeggios(t, rng, 0, 24, beats, 52, loud)
    elif kind == "brass":
        chords(t, rng, 0, 61, beats, 48, loud, per_chord=2)
        melody(t, rng, 1, 56, beats, 60, loud)
    elif kind == "choir":
        chords(t, rng, 0, 52, beats, 48, loud - 10, per_chord=8, spread=4)
    elif kind == "drums":
        drums(t, rng, beats, loud)
        bass(t, rng, 1, 33, beats, 48, loud - 10)
        chords(t, rng, 2, 4, beats, 60, loud - 25, per_chord=2)
    elif kind == "organ":
        chords(t, rng, 0, 19, beats, 48, loud, per_chord=4, spread=4)
    elif kind == "flute":
        melody(t, rng, 0, 73, beats, 72, loud)
        arpeggios(t, rng, 1, 46, beats, 48, loud - 20)
    elif kind == "rock":
        drums(t, rng, beats, loud)
        bass(t, rng, 1, 34, beats, 48, loud)
        chords(t, rng, 2, 30, beats, 52, loud - 10, per_chord=2, spread=2)
    elif kind == "jazz":
        drums(t, rng, beats, loud - 20, ride=True)
        bass(t, rng, 1, 32, beats, 48, loud)
        chords(t, rng, 2, 0, beats, 55, loud - 20, per_chord=2)
    elif kind == "orchestra":  # quiet
        chords(t, rng, 0, 48, beats, 48, 35, per_chord=8, spread=4)
        melody(t, rng, 1, 73, beats, 72, 40, steps=(2, 4))
    return t


KINDS = ["piano", "strings", "guitar", "brass", "choir", "drums", "organ", "flute", "rock", "jazz", "orchestra"]


def main():
    folder, seed, seconds = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
    soundfont = sys.argv[4] if len(sys.argv) > 4 else "/usr/share/sounds/sf2/FluidR3_GM.sf2"
    os.makedirs(folder, exist_ok=True)
    beats = int(seconds * 2)
    for number, kind in enumerate(KINDS, 1):
        rng = random.Random(seed * 100 + number)
        midi = os.path.join(folder, f"{number:02d}-{kind}.mid")
        with open(midi, "wb") as f:
            f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, TICKS) + piece(kind, rng, beats).chunk())
        wav = midi[:-4] + ".wav"
        subprocess.run(["fluidsynth", "-ni", "-q", "-g", str(rng.uniform(0.3, 0.9)), "-r", "44100", "-O", "s16",
                        "-T", "wav", "-F", wav, soundfont, midi], check=True, stdout=subprocess.DEVNULL)
        os.remove(midi)


if __name__ == "__main__":
    main()
