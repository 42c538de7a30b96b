#!/usr/bin/env bash
# Makes the demo disc in the folder given (default build/demo): a cue sheet over three FLAC tracks of synthesised
# music-like audio. Tracks 1 and 3 are genuine CD audio; track 2 went through a 128 kbps MP3 and back.
# The audio is the same on every run (fixed random seed), so the demo's verdicts are repeatable.
set -euo pipefail
out=${1:-build/demo}
mkdir -p "$out"
cd "$out"
[ -f demo.cue ] && [ -f track03.flac ] && exit 0

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Full-band noise under two tones with a slow pulse, one tone a channel: wide-band like a real recording.
synth() {  # synth FILE SECONDS BASE-HZ
  sox -R -n -r 44100 -c 3 -t sox - synth "$2" pinknoise sine "$3" sine "$(( $3 * 3 / 2 ))" |
    sox -R -t sox - -b 16 -c 2 "$1" remix 1v0.5,2v0.5 1v0.5,3v0.5 tremolo 2 40 gain -3
}

synth "$tmp/t1.wav" 40 220
synth "$tmp/t2.wav" 40 262
synth "$tmp/t3.wav" 40 330
lame --quiet -b 128 "$tmp/t2.wav" "$tmp/t2.mp3"
lame --quiet --decode "$tmp/t2.mp3" "$tmp/t2-decoded.wav"
for n in 1 3; do flac --silent --force -o "track0$n.flac" "$tmp/t$n.wav"; done
flac --silent --force -o track02.flac "$tmp/t2-decoded.wav"

cat > demo.cue <<'CUE'
REM demo disc of the analyzer
PERFORMER "Ossel"
TITLE "Demo disc"
FILE "track01.flac" WAVE
  TRACK 01 AUDIO
    TITLE "Genuine CD audio"
    INDEX 01 00:00:00
FILE "track02.flac" WAVE
  TRACK 02 AUDIO
    TITLE "Decoded from a 128 kbps MP3"
    INDEX 01 00:00:00
FILE "track03.flac" WAVE
  TRACK 03 AUDIO
    TITLE "Genuine CD audio"
    INDEX 01 00:00:00
CUE
