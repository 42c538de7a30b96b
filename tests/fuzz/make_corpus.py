#!/usr/bin/env python3
"""Writes the fuzzers' seed corpora under corpus/<fuzzer>/ from the inputs the tests use: their cue sheets (naming
the files of the cue-sheet fuzzer's folder), small sound files like theirs (made with sox), the drive answers of the
device tests, their palette files and stored settings. Run it again after changing an input format; the files it
writes are kept in the repository."""

import os
import shutil
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


def write(fuzzer, name, data):
    folder = os.path.join(CORPUS, fuzzer)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("latin-1")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# ---- Cue sheets ---------------------------------------------------------------------------------------------------
# The fuzzer's folder: a.wav (5 sectors), b.flac (3 sectors and 100 frames, mono), c.aiff (2), d.bin (3 raw),
# e.flac (stand-in for e.wav), sub/f.wav (1).

T1 = 'FILE "a.wav" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n'
CUE_SHEETS = {
    "two-tracks-one-file.cue": 'FILE "a.wav" WAVE\n  TRACK 01 AUDIO\n    ISRC USABC9900001\n'
                               '    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:00:03\n',
    "lower-case.cue": 'file "a.wav" wave\n  track 01 audio\n    isrc USABC9900001\n'
                      '    index 01 00:00:00\n  track 02 audio\n    index 01 00:00:03\n',
    "bom-crlf-latin1.cue": '\xEF\xBB\xBFRem GENRE Rock\r\nPerformer "Caf\xE9 Ensemble"\r\n'
                           'Title Chansons d\'\xE9t\xE9\r\nFile "b.flac" Flac\r\n  Track 01 Audio\r\n'
                           '    Flags dcp Pre\r\n    Isrc USABC9900001\r\n    Index 01 00:00:00\r\n'
                           '  Track 02 Audio\r\n    rem a comment\r\n    Index 01 00:00:02\r\n',
    "stand-in.cue": 'FILE "e.wav" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n'
                    'FILE "a.wav" WAVE\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n',
    "gaps-catalog.cue": 'CATALOG 0012345678905\nFILE "d.bin" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n'
                        '  TRACK 02 AUDIO\n    INDEX 00 00:00:01\n    INDEX 01 00:00:02\n    POSTGAP 00:00:05\n'
                        '  TRACK 03 AUDIO\n    PREGAP 00:00:02\n    INDEX 01 00:00:02\n    POSTGAP 00:01:00\n',
    "files-and-folders.cue": 'FILE "a.wav" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n'
                             '  TRACK 02 AUDIO\n    INDEX 00 00:00:04\n'
                             'FILE "b.flac" WAVE\n    INDEX 01 00:00:00\n'
                             'FILE "sub/f.wav" FLAC\n  TRACK 03 AUDIO\n    INDEX 01 00:00:00\n'
                             'FILE "c.aiff" AIFF\n  TRACK 04 AUDIO\n    INDEX 01 00:00:01\n',
    "data-then-audio.cue": 'FILE "d.bin" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n'
                           '  TRACK 02 AUDIO\n    PREGAP 00:00:10\n    ISRC USS1Z9900001\n    INDEX 01 00:00:01\n',
    "motorola-mode2.cue": 'FILE "d.bin" MOTOROLA\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n'
                          'FILE "d.bin" BINARY\n  TRACK 02 MODE2/2336\n    INDEX 01 00:00:00\n',
    "raw-odd-size.cue": 'FILE "a.wav" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n',
    "missing-file.cue": 'FILE "missing.wav" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n',
    "bad-command.cue": 'FILE "a.wav" WAVE\n  TRACK 01 AUDIO\n    INDX 01 00:00:00\n',
    "bad-times.cue": 'FILE "a.wav" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:61:00\n  TRACK 02 AUDIO\n    INDEX 01 0:2\n',
    "unmatched-quote.cue": 'FILE "a.wav WAVE\n',
    "out-of-order.cue": T1 + '  TRACK 03 AUDIO\n    INDEX 01 00:01:00\n  TRACK 02 AUDIO\n    INDEX 02 00:01:00\n',
    "index-before-previous.cue": 'FILE "a.wav" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:03\n'
                                 '  TRACK 02 AUDIO\n    INDEX 01 00:00:01\n',
    "bad-isrc-pregap.cue": 'FILE "a.wav" WAVE\n  TRACK 01 AUDIO\n    ISRC US-S1Z-99\n    PREGAP 99:59:00\n'
                           '    INDEX 01 00:00:00\n    PREGAP 00:02:00\n',
    "no-track.cue": 'REM nothing but a file\nFILE "a.wav" OGG\n',
    # Found by fuzzing: a sheet without a line end after its last command, and a NUL in a name.
    "no-final-line-end.cue": 'FILE "b.flac" FLAC\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:02',
    "nul-in-name.cue": T1 + 'FILE "e.w\0av" WAVE\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n',
}


# ---- Sound files --------------------------------------------------------------------------------------------------

SECTOR = 588
SOUNDS = [
    # name, sox output options, frames, synth
    ("wav16-stereo-3-sectors.wav", ["-b", "16", "-c", "2", "-e", "signed-integer"], 3 * SECTOR, ["sine", "440"]),
    ("wav16-mono-1-sector-and-10.wav", ["-b", "16", "-c", "1"], SECTOR + 10, ["sine", "1000"]),
    ("wav8-mono.wav", ["-b", "8", "-c", "1", "-e", "unsigned-integer"], 2 * SECTOR, ["square", "300"]),
    ("wav24-stereo.wav", ["-b", "24", "-c", "2"], SECTOR, ["sine", "200"]),
    ("wav-float-stereo.wav", ["-b", "32", "-c", "2", "-e", "floating-point"], SECTOR, ["sine", "700"]),
    ("wav-alaw-mono.wav", ["-c", "1", "-e", "a-law"], 2 * SECTOR, ["sine", "500"]),
    ("wav16-48000.wav", ["-b", "16", "-c", "2", "-r", "48000"], SECTOR, ["sine", "440"]),
    ("wav16-three-channels.wav", ["-b", "16", "-c", "3"], 200, ["sine", "440"]),
    ("aiff16-stereo.aiff", ["-b", "16", "-c", "2"], 2 * SECTOR, ["sine", "330"]),
    ("aifc-mono.aifc", ["-b", "16", "-c", "1"], SECTOR, ["sine", "330"]),
    ("flac16-stereo-silence.flac", ["-b", "16", "-c", "2"], 3 * SECTOR, ["sine", "0", "vol", "0"]),
    ("flac16-mono-tone.flac", ["-b", "16", "-c", "1"], SECTOR, ["sine", "440"]),
    ("flac24-stereo.flac", ["-b", "24", "-c", "2"], SECTOR, ["square", "100"]),
]


def sox_sound(folder, name, options, frames, synth):
    path = os.path.join(folder, name)
    rate = [] if "-r" in options else ["-r", "44100"]
    subprocess.run(["sox", "-R", "-n"] + rate + options + [path, "synth", f"{frames}s"] + synth, check=True)
    with open(path, "rb") as f:
        return f.read()


def write_sounds():
    if not shutil.which("sox"):
        sys.exit("make_corpus.py: sox is needed for the sound files (scripts/install-deps.sh installs it)")
    with tempfile.TemporaryDirectory() as folder:
        for name, options, frames, synth in SOUNDS:
            write("sound_file", name, sox_sound(folder, name, options, frames, synth))
        # Damage as the tests make it: a file cut short of what its header announces, and one scribbled over.
        whole = sox_sound(folder, "cut.wav", ["-b", "16", "-c", "2"], 2 * SECTOR, ["sine", "440"])
        write("sound_file", "wav16-cut-short.wav", whole[: len(whole) - 1000])
        flac = sox_sound(folder, "scribbled.flac", ["-b", "16", "-c", "2"], 2 * SECTOR, ["sine", "440"])
        write("sound_file", "flac-scribbled.flac", flac[:200] + b"\xff" * 64 + flac[264:])


# ---- Drive answers ------------------------------------------------------------------------------------------------

def answer(data=b"", outcome=0, count=None):
    how = outcome | (0x04 if count is not None else 0) | (0x08 if len(data) > 255 else 0)
    out = bytes([how])
    out += struct.pack(">H", len(data)) if len(data) > 255 else bytes([len(data)])
    if count is not None:
        out += struct.pack("<I", count)
    return out + data


def toc(tracks, lead_out, header=True):
    """The table as the drive gives it (READ TOC, MSF): length, first, last, then an entry per track and the
    lead-out. `tracks` is a list of (number, lba, audio)."""
    entries = b""
    for number, lba, audio in list(tracks) + [(0xAA, lead_out, True)]:
        a = lba + 150
        entries += bytes([0, 0x10 if audio else 0x14, number, 0, 0, a // 4500, a // 75 % 60, a % 75])
    first, last = (tracks[0][0], tracks[-1][0]) if tracks else (0, 0)
    return struct.pack(">H", 2 + len(entries)) + bytes([first, last]) + entries


def text(data, at, value):
    data[at:at + len(value)] = value.encode()


def inquiry(vendor, product, revision, specific):
    b = bytearray(96)
    b[0] = 0x05
    text(b, 8, vendor)
    text(b, 16, product)
    text(b, 32, revision)
    text(b, 36, specific)
    return bytes(b)


def mode_sense(read_bits, write_bits, audio_bits, read_kbs, write_kbs, buffer_kb):
    b = bytearray(26)
    b[4], b[5] = 0x2A, 20
    b[6], b[7], b[9] = read_bits, write_bits, audio_bits
    b[12:14] = struct.pack(">H", read_kbs)
    b[16:18] = struct.pack(">H", buffer_kb)
    b[22:24] = struct.pack(">H", write_kbs)
    return bytes(b)


def disc_info(disc_type, status, byte7):
    b = bytearray(34)
    b[0:2] = struct.pack(">H", 32)
    b[2], b[7], b[8] = status, byte7, disc_type
    return bytes(b)


def atip(byte4, byte6, lead_in, lead_out, a1, a2):
    b = bytearray(28)
    b[0:2] = struct.pack(">H", 26)
    b[4], b[6] = byte4, byte6
    b[8:11] = bytes(lead_in)
    b[12:15] = bytes(lead_out)
    b[16], b[20] = a1, a2
    return bytes(b)


def isrc(code, valid=True):
    b = bytearray(24)
    b[1], b[3], b[4] = 0x15, 20, 3
    b[8] = 0x80 if valid else 0
    b[9:9 + len(code[:15])] = code[:15].encode()
    return bytes(b)


def geometry(bytes_per_sector):
    return struct.pack("<qIIII", 333, 11, 64, 32, bytes_per_sector)


def address():
    return struct.pack("<IBBBB", 8, 0, 1, 2, 3)


GOOD = b"\x00"  # the drive's status byte that heads a pass-through answer of the scripted layer
BURNER = [inquiry("OSSELTEK", "CDRW-5232A      ", "1.07", "2003/06/11\0x"),
          mode_sense(0x03, 0x03, 0x01, 9100, 8467, 2048),
          disc_info(0x20, 0x05, 0x20),
          atip(0x04, 0x04, [97, 24, 1], [79, 59, 74], 0x17, 0)]


def scripted_disc(table, info, isrcs, sectors=b"", sector_count=None):
    """One disc through the scripted layer, in the order the drive is asked: tray, medium, table, address,
    identification, capabilities, disc information, geometry, ATIP when asked, each track's ISRC, the sectors."""
    out = answer() + answer() + answer(table)
    out += answer(address())
    out += answer(GOOD + info[0]) + answer(GOOD + info[1]) + answer(GOOD + info[2]) + answer(geometry(2048))
    if info[2][8] != 0:
        out += answer(GOOD + info[3])
    for code in isrcs:
        out += answer(isrc(*code)) if code else answer(outcome=2)
    return out + answer(sectors, count=sector_count)


def mmc_disc(table, info, isrcs, sectors=b""):
    """The same disc as the MMC commands under the physical-drive backend see it."""
    out = answer() + answer() + answer(table)
    out += answer(info[0]) + answer(info[1]) + answer(info[2])
    out += answer(struct.pack(">II", 333000, 2048))  # READ CAPACITY: last block and block size
    if info[2][8] != 0:
        out += answer(info[3])
    for code in isrcs:
        out += answer(isrc(*code)) if code else answer(outcome=1)
    return out + answer(sectors)


def write_drive_answers():
    three = toc([(1, 0, True), (2, 20000, True), (3, 150000, False)], 300000)
    twelve = toc([(n, (n - 1) * 15000, True) for n in range(1, 13)], 180000)
    pressed = [inquiry("A", "B", "C", "D"), mode_sense(0x01, 0, 0, 7056, 1411, 512), disc_info(0, 0x0E, 0), b""]
    codes3 = [("USS1Z9912345",), ("JPA1234567890XY",), ("usabc0512345", False)]
    write("drive_answers", "burner-recordable-disc",
          b"\x00" + scripted_disc(three, BURNER, codes3, sector_count=3 * 2352) + scripted_disc(three, BURNER, codes3))
    write("drive_answers", "pressed-twelve-tracks",
          b"\x00" + scripted_disc(twelve, pressed, [("GBAYE0500001",)] + [None] * 11, bytes(64), 3 * 2352))
    write("drive_answers", "short-table-then-none",
          b"\x00" + answer() + answer() + answer(three, count=4) + answer(address()) + answer(outcome=2) * 4
          + answer() + answer(outcome=2))
    write("drive_answers", "last-before-first",
          b"\x00" + scripted_disc(twelve, pressed, [None] * 12) + answer() + answer()
          + answer(bytes([0, 10, 5, 2]) + bytes(8 * 4)))
    write("drive_answers", "check-conditions",
          b"\x00" + answer() + answer() + answer(twelve) + answer(address()) + answer(b"\x02" + BURNER[0])
          + answer(b"\x02" + BURNER[1]) + answer(outcome=3) + answer(geometry(0), count=24))
    write("drive_answers", "mmc-burner-recordable-disc",
          b"\x01" + mmc_disc(three, BURNER, codes3, bytes(100)) + mmc_disc(three, BURNER, codes3))
    write("drive_answers", "mmc-pressed-disc", b"\x01" + mmc_disc(twelve, pressed, [("GBAYE0500001",)] + [None] * 11))
    write("drive_answers", "mmc-failures",
          b"\x01" + answer(outcome=2) + answer(outcome=1) + answer() + answer() + answer(three[:6])
          + answer(outcome=1) * 3 + answer(outcome=2) * 2)


# ---- Palette files and settings -----------------------------------------------------------------------------------

PALETTES = {
    "two-entries.pal": "255 0 0\n0 255 0",
    "line-break-repeats.pal": "1 2 3\n",
    "low-eight-bits.pal": "300 256 -1",
    "short-triple.pal": "10 20 30 40 50",
    "junk-ends-it.pal": "7 8 9 junk 1 2 3",
    "empty.pal": "",
    "signs-and-tabs.pal": "+5 -0 007\r\n\t4294967296 -2147483649 99999999999\r\n",
    "too-many.pal": "1 1 1\n" * 300,
    "gradient.pal": "".join(f"{i} {255 - i} {i // 2}\n" for i in range(256)),
}

SETTINGS = {
    "all-three.conf": "[General]\ncdDrive=68\nSkipMode=3\nConsoleEnabled=1\n",
    "low-byte-and-large-mode.conf": "[General]\ncdDrive=324\nSkipMode=12\n",
    "negative-mode.conf": "[General]\nSkipMode=-3\n",
    "junk.conf": "[General]\nSkipMode=junk\ncdDrive=\n",
    "console-two.conf": "[General]\nConsoleEnabled=2\n",
    "dword-range.conf": "[General]\ncdDrive=4294967295\nSkipMode=-2147483649\nConsoleEnabled=4294967297\n",
    "variants.conf": "[General]\ncdDrive=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x44)\nSkipMode=@ByteArray(7)\n"
                     "ConsoleEnabled=\"1\"\n",
    "lists-and-spaces.conf": "[General]\r\nSkipMode = 1, 2\r\ncdDrive= 69 \r\n[Other]\r\nSkipMode=5\r\n",
    "double.conf": "[General]\nSkipMode=@Variant(\\0\\0\\0\\x6@\\x1c\\0\\0\\0\\0\\0\\0)\n",
}


def main():
    for fuzzer in ("cue_sheet", "sound_file", "drive_answers", "palette_file", "settings"):
        shutil.rmtree(os.path.join(CORPUS, fuzzer), ignore_errors=True)
    for name, sheet in CUE_SHEETS.items():
        write("cue_sheet", name, sheet)
    write_sounds()
    write_drive_answers()
    for name, palette in PALETTES.items():
        write("palette_file", name, palette)
    for name, settings in SETTINGS.items():
        write("settings", name, settings)


if __name__ == "__main__":
    main()
