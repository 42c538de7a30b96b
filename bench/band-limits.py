#!/usr/bin/env python3
"""The tables of bench/band-limits.sh, from its work folder: for every encoding, the limit measured from each decoded
piece against its source and the band limit `ossel analyze --json` found (set 1: which encodings leave which limit;
sets 2 and 3 tune the finder; sets 1, 2 and 3 make the table of likely sources); on the held-out set 6, the confusion
table: band limits within 500 Hz of the measured ones, sharp limits on the genuine pieces, the likely source right or
wrong where a limit is measured, and how many transcodes the verdict and the lossy-like band-limit flag find.

    band-limits.py WORK
"""
import glob
import json
import os
import sys
import wave

import numpy as np

RATE = 44100
FFT = 8192
BAND_BINS = 8  # 43 Hz bands, as the analyzer's
BAND_HZ = RATE / FFT * BAND_BINS
LOSSY_TOP = 20500.0
TOLERANCE = 500.0
SETS = (1, 2, 3, 4, 5, 6, 7, 8, 9)  # 9: recorded instruments, where bench/band-limits.sh could make it
HELD_OUT = 6
NO_LIMIT = {"mp3-v0", "aac-256", "vorbis-q6"}  # leave no band limit below the top of the band on most music
TABLE_SETS = (1, 2, 3)  # the table of likely sources is made from these
TABLE_TOLERANCE = 250.0
TABLE_GAP = 1000.0

LABELS = {  # the names the analyzer's likely source gives each encoding
    "mp3-96": "MP3 96 kbit/s", "mp3-128": "MP3 128 kbit/s", "mp3-160": "MP3 160 kbit/s",
    "mp3-192": "MP3 192 kbit/s", "mp3-256": "MP3 256 kbit/s", "mp3-320": "MP3 320 kbit/s",
    "mp3-v0": "MP3 VBR V0", "mp3-v2": "MP3 VBR V2", "mp3-v5": "MP3 VBR V5",
    "aac-128": "AAC 128 kbit/s", "aac-192": "AAC 192 kbit/s", "aac-256": "AAC 256 kbit/s",
    "vorbis-q3": "Vorbis q3", "vorbis-q4": "Vorbis q4", "vorbis-q5": "Vorbis q5", "vorbis-q6": "Vorbis q6",
    "opus-96": "Opus 96-160 kbit/s", "opus-128": "Opus 96-160 kbit/s", "opus-160": "Opus 96-160 kbit/s",
}


def read_wav(path):
    with wave.open(path, "rb") as w:
        frames = w.readframes(w.getnframes())
        channels = w.getnchannels()
    return np.frombuffer(frames, dtype="<i2").reshape(-1, channels).astype(float)


def band_power(samples):
    """Long-term power of each 43 Hz band, both channels together (Hann-windowed frames, half overlapping)."""
    window = np.hanning(FFT)
    total = np.zeros(FFT // 2)
    frames = 0
    for start in range(0, len(samples) - FFT, FFT // 2):
        block = samples[start:start + FFT] * window[:, None]
        total += (np.abs(np.fft.rfft(block, axis=0)[: FFT // 2]) ** 2).sum(axis=1)
        frames += 1
    return total.reshape(-1, BAND_BINS).sum(axis=1) / max(frames, 1)


FLOOR = None


def floor_power():
    """The bands' power of the 16-bit TPDF-dithered floor the pieces are made on."""
    global FLOOR
    if FLOOR is None:
        rng = np.random.default_rng(0)
        noise = rng.uniform(-0.5, 0.5, (RATE * 10, 2)) + rng.uniform(-0.5, 0.5, (RATE * 10, 2))
        FLOOR = np.median(band_power(noise + rng.uniform(-0.5, 0.5, noise.shape)))
    return FLOOR


def measured_limit(source, decoded):
    """The highest frequency below which the decoded audio keeps its source's bands (within 10 dB), where the source
    has bands 30 dB over the floor above it that the encoding lost; None when the source has nothing to lose there
    (its music ends below the encoder's low-pass)."""
    significant = source > floor_power() * 1000
    kept = significant & (decoded > source / 10)
    lost = significant & ~kept
    top_kept = np.nonzero(kept[: int(21900 / BAND_HZ)])[0]
    if len(top_kept) == 0:
        return None
    edge = top_kept[-1] + 1
    if lost[edge:].sum() < 5:  # fewer than 5 lost bands above it: no limit to see
        return None
    return edge * BAND_HZ


def tracks_of(record):
    out = {}
    for track in record.get("tracks", []):
        if "file" in track:
            out[os.path.basename(track["file"])] = track
    return out


def main():
    work = sys.argv[1]
    names = list(LABELS)
    results = {}  # (set, encoding or "genuine", piece) -> dict
    for s in SETS:
        sources = {os.path.basename(p): band_power(read_wav(p))
                   for p in sorted(glob.glob(f"{work}/set{s}/genuine/*.wav"))}
        for enc in ["genuine"] + names:
            path = f"{work}/set{s}/{enc}.json"
            if not os.path.exists(path):
                continue
            with open(path, encoding="utf-8") as f:
                tracks = tracks_of(json.load(f))
            for piece, power in sources.items():
                track = tracks.get(piece)
                if track is None:
                    continue
                ref = None
                if enc != "genuine":
                    ref = measured_limit(power, band_power(read_wav(f"{work}/set{s}/{enc}/{piece}")))
                results[(s, enc, piece)] = {"ref": ref, "verdict": track["verdict"], "band": track.get("bandLimit")}

    def rows(s, enc):
        return [(p, r) for (ss, e, p), r in sorted(results.items()) if ss == s and e == enc]

    def hz(band):
        return f"{band['hz'] / 1000:.2f}" if band else "-"

    def lossy_like(band):
        return bool(band) and band["sharp"] and band["hz"] < LOSSY_TOP

    print("## Set 1: the band limits each encoding leaves (kHz)\n")
    print("| encoding | measured against the source: min-max (pieces) | found, sharp: min-max (pieces) | "
          "found, gradual | none |")
    print("|---|---|---|---|---|")
    for enc in ["genuine"] + names:
        rs = rows(1, enc)
        if not rs:
            continue
        refs = [r["ref"] for _, r in rs if r["ref"] is not None]
        sharp = [r["band"]["hz"] for _, r in rs if r["band"] and r["band"]["sharp"]]
        gradual = [r["band"]["hz"] for _, r in rs if r["band"] and not r["band"]["sharp"]]
        none = sum(1 for _, r in rs if not r["band"])
        ref_text = f"{min(refs) / 1000:.2f}-{max(refs) / 1000:.2f} ({len(refs)})" if refs else "-"
        sharp_text = f"{min(sharp) / 1000:.2f}-{max(sharp) / 1000:.2f} ({len(sharp)})" if sharp else "-"
        gradual_text = ", ".join(f"{g / 1000:.1f}" for g in sorted(gradual)) or "-"
        print(f"| {enc} | {ref_text} | {sharp_text} | {gradual_text} | {none} |")

    print("\nThe table of display/band_limit.cpp (sharp limits found on sets 1, 2 and 3 within 250 Hz of the "
          "measured ones, in Hz; one range for each run of limits with no gap over 1 kHz):\n")
    for label in dict.fromkeys(LABELS.values()):
        found = sorted({r["band"]["hz"] for (s, e, _), r in results.items()
                        if s in TABLE_SETS and LABELS.get(e) == label and r["band"] and r["band"]["sharp"]
                        and r["ref"] is not None and abs(r["band"]["hz"] - r["ref"]) <= TABLE_TOLERANCE})
        runs = []
        for f in found:
            if runs and f - runs[-1][1] <= TABLE_GAP:
                runs[-1][1] = f
            else:
                runs.append([f, f])
        for low, high in runs:
            print(f'    {{"{label}", {low}, {high}}},')

    for s in (2, 3):
        tuned = [r for (ss, e, _), r in results.items() if ss == s and e != "genuine" and r["ref"] is not None
                 and r["ref"] < LOSSY_TOP]
        if tuned:
            within = sum(1 for r in tuned if r["band"] and abs(r["band"]["hz"] - r["ref"]) <= TOLERANCE)
            print(f"\n## Set {s} (tunes the finder)\n\nLimit within 500 Hz: {within} of {len(tuned)}.")

    def confusion(s, title):
        print(f"\n## Set {s} ({title}): confusion table\n")
        print("| encoding | limit within 500 Hz (of measured below 20.5 kHz) | lossy-like flag | likely source right "
              "alone / right among others / wrong / none fits, where a limit is measured | flag, no limit measured | "
              "verdict MPEG | verdict or flag |")
        print("|---|---|---|---|---|---|---|")
        totals = {"found": 0, "mpeg": 0, "either": 0, "all": 0}
        leaving = {"found": 0, "mpeg": 0, "either": 0, "all": 0}  # the encodings that leave a limit
        misses = []
        for enc in ["genuine"] + names:
            rs = rows(s, enc)
            if not rs:
                continue
            close = [r for _, r in rs if r["ref"] is not None and r["ref"] < LOSSY_TOP]
            within = sum(1 for r in close if r["band"] and abs(r["band"]["hz"] - r["ref"]) <= TOLERANCE)
            for p, r in rs:
                if r["ref"] is not None and r["ref"] < LOSSY_TOP and not (r["band"] and abs(r["band"]["hz"] - r["ref"]) <= TOLERANCE):
                    misses.append(f"{enc}/{p}: measured {r['ref'] / 1000:.2f} kHz, found {hz(r['band'])}"
                                  f"{' sharp' if r['band'] and r['band']['sharp'] else ''}")
            flags = sum(1 for _, r in rs if lossy_like(r["band"]))
            mpeg = sum(1 for _, r in rs if r["verdict"] == "MPEG")
            either = sum(1 for _, r in rs if r["verdict"] == "MPEG" or lossy_like(r["band"]))
            alone = among = wrong = nofit = unmeasured = 0
            if enc != "genuine":
                for _, r in rs:
                    if not lossy_like(r["band"]):
                        continue
                    if r["ref"] is None:  # the source had nothing over the limit to lose: no encoder's limit to name
                        unmeasured += 1
                        continue
                    source = r["band"].get("likelySource") or ""
                    named = [n for n in source.replace("lossy: ", "").split(" or ") if n and n != "lossy"]
                    if not named:
                        nofit += 1
                    elif LABELS[enc] in named:
                        alone += len(named) == 1
                        among += len(named) > 1
                    else:
                        wrong += 1
                for counts in (totals, leaving) if enc not in NO_LIMIT else (totals,):
                    counts["found"] += flags
                    counts["mpeg"] += mpeg
                    counts["either"] += either
                    counts["all"] += len(rs)
            source_text = "- | -" if enc == "genuine" else f"{alone} / {among} / {wrong} / {nofit} | {unmeasured}"
            within_text = "-" if enc == "genuine" else f"{within} of {len(close)}"
            print(f"| {enc} | {within_text} | {flags} of {len(rs)} | {source_text} | {mpeg} | {either} of {len(rs)} |")
        print(f"\nLossy transcodes: flag {totals['found']}, verdict {totals['mpeg']}, verdict or flag {totals['either']} "
              f"of {totals['all']}. Without {', '.join(sorted(NO_LIMIT))}: flag {leaving['found']}, verdict "
              f"{leaving['mpeg']}, verdict or flag {leaving['either']} of {leaving['all']}.")
        if misses:
            print("\nOutside 500 Hz:\n" + "\n".join(misses))

    confusion(HELD_OUT, "held out")
    if rows(9, "genuine"):
        confusion(9, "recorded instruments")
    for group, sets in (("synthesised", [s for s in SETS if s != 9]), ("recorded instruments", [9])):
        genuine = [(f"set{s}/{p}", r) for s in sets for p, r in rows(s, "genuine")]
        if not genuine:
            continue
        sharp_low = [(p, r["band"]["hz"]) for p, r in genuine
                     if r["band"] and r["band"]["sharp"] and r["band"]["hz"] < 21000]
        print(f"\nGenuine pieces, {group} (all {len(genuine)}, {len(sets)} sets) with a sharp limit below 21 kHz: "
              f"{len(sharp_low)} {sharp_low}; verdict MPEG: {sum(1 for _, r in genuine if r['verdict'] == 'MPEG')}; "
              "limits found: "
              + (", ".join(f"{p} {hz(r['band'])}{' sharp' if r['band'] and r['band']['sharp'] else ''}"
                           for p, r in genuine if r["band"]) or "none"))

if __name__ == "__main__":
    main()
