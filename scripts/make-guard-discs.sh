#!/usr/bin/env bash
# Makes the discs of the exactness guard in the folder given (default build/guard-discs): small cue sheets over WAV
# tracks of synthesised music-like audio (32 s each, enough blocks for a track verdict), one genuine disc of two
# tracks and one disc per lossy round trip: MP3 at 128, 192 and 320 kbit/s (lame), AAC at 128 kbit/s (ffmpeg) and
# Vorbis at quality 3 (oggenc, oggdec). Fixed seeds and single-threaded encoders: the audio is the same on every run.
#
#   scripts/make-guard-discs.sh [folder]
set -euo pipefail
out=${1:-build/guard-discs}
mkdir -p "$out"
cd "$out"
[ -f vorbis-q3.cue ] && [ -f vorbis-q3.wav ] && exit 0

for tool in sox lame ffmpeg oggenc oggdec; do
  command -v "$tool" > /dev/null || { echo "make-guard-discs: $tool is needed (scripts/install-deps.sh)" >&2; exit 1; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Full-band noise under two tones with a slow pulse, one tone a channel (as the demo disc).
synth() {  # synth FILE SECONDS BASE-HZ
  sox -R -n -r 44100 -c 3 -t sox - synth "$2" pinknoise sine "$3" sine "$(( $3 * 3 / 2 ))" |
    sox -R -t sox - -b 16 -c 2 "$1" remix 1v0.5,2v0.5 1v0.5,3v0.5 tremolo 2 40 gain -3
}

cue() {  # cue NAME WAV...
  local name=$1
  shift
  {
    echo "REM exactness guard disc $name"
    local n=1
    for wav in "$@"; do
      printf 'FILE "%s" WAVE\n  TRACK %02d AUDIO\n    INDEX 01 00:00:00\n' "$wav" "$n"
      n=$((n + 1))
    done
  } > "$name.cue"
}

synth genuine-1.wav 32 220
synth genuine-2.wav 32 330
cue genuine genuine-1.wav genuine-2.wav

synth "$tmp/source.wav" 32 262
for rate in 128 192 320; do
  lame --quiet -b "$rate" "$tmp/source.wav" "$tmp/mp3-$rate.mp3"
  lame --quiet --decode "$tmp/mp3-$rate.mp3" "mp3-$rate.wav"
  cue "mp3-$rate" "mp3-$rate.wav"
done

ffmpeg -nostdin -loglevel error -threads 1 -i "$tmp/source.wav" -c:a aac -b:a 128k -bitexact -map_metadata -1 \
  "$tmp/aac-128.m4a"
ffmpeg -nostdin -loglevel error -threads 1 -i "$tmp/aac-128.m4a" -c:a pcm_s16le -bitexact -map_metadata -1 \
  aac-128.wav
cue aac-128 aac-128.wav

oggenc --quiet --serial 1 -q 3 -o "$tmp/vorbis-q3.ogg" "$tmp/source.wav"
oggdec --quiet -o vorbis-q3.wav "$tmp/vorbis-q3.ogg"
cue vorbis-q3 vorbis-q3.wav
