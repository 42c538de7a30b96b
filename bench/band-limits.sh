#!/usr/bin/env bash
# Measures the band limits lossy encodings leave, and how well `ossel analyze` finds them: makes sets of pieces of
# music (bench/make-music.py; sets 1, 2 and 3 for the finder's thresholds and the table of likely sources, set 6
# held out, sets 4, 5, 7 and 8 genuine pieces only), encodes every piece with every encoding below
# at the encoder's default low-pass, decodes it back to 44.1 kHz 16-bit stereo WAV, analyses each encoding's folder
# as one disc (a track per piece) and has bench/band-limits.py compare each track's band limit with the limit
# measured from the decoded audio against its source. Prints the table of bench/band-limits.md and the confusion
# table of the held-out set.
#
#   bench/band-limits.sh [path/to/ossel] [work folder]
#
# Needs python3 with numpy, lame, ffmpeg, vorbis-tools (oggenc, oggdec) and opus-tools (opusenc, opusdec); set 9
# also fluidsynth and fluid-soundfont-gm.
# Takes some seven minutes on two quiet cores; the pieces and their encodings stay in the work folder.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
ossel=$(realpath "${1:-build/ossel}")
work=${2:-${TMPDIR:-/tmp}/ossel-band-limits}
mkdir -p "$work"
export XDG_CACHE_HOME=$work/cache  # every result made now

python=python3
for candidate in python3 /usr/bin/python3; do
  if "$candidate" -c 'import numpy' 2> /dev/null; then python=$candidate; break; fi
done

# name|encoder|decoder. lame is kept at 44.1 kHz (below 128 kbit/s it would resample to 32 kHz), at its own low-pass.
encodings=(
  "mp3-96|lame --quiet --resample 44.1 -b 96|lame --quiet --decode"
  "mp3-128|lame --quiet --resample 44.1 -b 128|lame --quiet --decode"
  "mp3-160|lame --quiet --resample 44.1 -b 160|lame --quiet --decode"
  "mp3-192|lame --quiet --resample 44.1 -b 192|lame --quiet --decode"
  "mp3-256|lame --quiet --resample 44.1 -b 256|lame --quiet --decode"
  "mp3-320|lame --quiet --resample 44.1 -b 320|lame --quiet --decode"
  "mp3-v0|lame --quiet --resample 44.1 -V 0|lame --quiet --decode"
  "mp3-v2|lame --quiet --resample 44.1 -V 2|lame --quiet --decode"
  "mp3-v5|lame --quiet --resample 44.1 -V 5|lame --quiet --decode"
  "aac-128|ffmpeg -v error -y -i IN -c:a aac -b:a 128k OUT.m4a|ffmpeg -v error -y -i OUT.m4a -ar 44100 -ac 2 -sample_fmt s16 WAV"
  "aac-192|ffmpeg -v error -y -i IN -c:a aac -b:a 192k OUT.m4a|ffmpeg -v error -y -i OUT.m4a -ar 44100 -ac 2 -sample_fmt s16 WAV"
  "aac-256|ffmpeg -v error -y -i IN -c:a aac -b:a 256k OUT.m4a|ffmpeg -v error -y -i OUT.m4a -ar 44100 -ac 2 -sample_fmt s16 WAV"
  "vorbis-q3|oggenc --quiet -q 3|oggdec --quiet"
  "vorbis-q4|oggenc --quiet -q 4|oggdec --quiet"
  "vorbis-q5|oggenc --quiet -q 5|oggdec --quiet"
  "vorbis-q6|oggenc --quiet -q 6|oggdec --quiet"
  "opus-96|opusenc --quiet --bitrate 96|opusdec --quiet --rate 44100"
  "opus-128|opusenc --quiet --bitrate 128|opusdec --quiet --rate 44100"
  "opus-160|opusenc --quiet --bitrate 160|opusdec --quiet --rate 44100"
)

# transcode ENCODING-LINE IN WAV: one piece through one encoding and back. ffmpeg's lines name their files (IN, OUT,
# WAV); the other encoders take the input and output as their last two arguments, and their decoders too.
transcode() {
  local line=$1 in=$2 wav=$3 encoder decoder
  IFS='|' read -r _ encoder decoder <<< "$line"
  local coded=$wav.coded
  if [[ $encoder == ffmpeg* ]]; then
    encoder=${encoder//IN/$in}
    decoder=${decoder//WAV/$wav}
    ${encoder//OUT/$coded} < /dev/null
    ${decoder//OUT/$coded} < /dev/null
    rm -f "$coded.m4a"
  else
    if [[ $encoder == oggenc* ]]; then
      $encoder -o "$coded" "$in" < /dev/null
    else
      $encoder "$in" "$coded" < /dev/null > /dev/null 2>&1
    fi
    if [[ $decoder == oggdec* ]]; then
      $decoder -o "$wav" "$coded" < /dev/null
    else
      $decoder "$coded" "$wav" < /dev/null > /dev/null 2>&1
    fi
    rm -f "$coded"
  fi
  [ -s "$wav" ] || { echo "band-limits.sh: $line made nothing of $in" >&2; return 1; }
}

# Sets 1, 2 and 3 tune the finder and make the table, set 6 is held out; sets 4, 5, 7 and 8 are more
# genuine pieces only, against which no lossy-like limit may be found. Set 9 is played on the recorded instruments of
# a sound font (bench/make-sampled.py), where fluidsynth and fluid-soundfont-gm are installed.
kinds=(plucked,drums,voice,rock,jazz,dance all all all all all all all sampled)
sets=(1 2 3 4 5 6 7 8)
if command -v fluidsynth > /dev/null && [ -f /usr/share/sounds/sf2/FluidR3_GM.sf2 ]; then
  sets+=(9)
else
  echo "band-limits.sh: no fluidsynth with fluid-soundfont-gm: set 9 (recorded instruments) left out" >&2
fi
for set in "${sets[@]}"; do
  music=$work/set$set/genuine
  kind=${kinds[$((set - 1))]}
  if [ ! -f "$music/made" ]; then
    if [ "$kind" = sampled ]; then
      nice -n 10 "$python" "$here/make-sampled.py" "$music" "$set" 40
    elif [ "$kind" = all ]; then
      nice -n 10 "$python" "$here/make-music.py" "$music" "$set" 40
    else
      nice -n 10 "$python" "$here/make-music.py" "$music" "$set" 40 "$kind"
    fi
    touch "$music/made"
  fi
  # Every transcode still missing, two at a time.
  case $set in 4 | 5 | 7 | 8) lines=() ;; *) lines=("${encodings[@]}") ;; esac
  for line in "${lines[@]}"; do
    folder=$work/set$set/${line%%|*}
    mkdir -p "$folder"
    for in in "$music"/*.wav; do
      [ -s "$folder/$(basename "$in")" ] || printf '%s\0%s\0%s\0' "$line" "$in" "$folder/$(basename "$in")"
    done
  done | nice -n 10 xargs -0 -r -n 3 -P 2 bash -c "$(declare -f transcode); transcode \"\$@\"" _
  for folder in "$work/set$set"/*/; do
    folder=${folder%/}
    [ -s "$folder.json" ] || nice -n 10 "$ossel" analyze "$folder" --json --jobs 2 --no-cache > "$folder.json"
  done
done

nice -n 10 "$python" "$here/band-limits.py" "$work"
