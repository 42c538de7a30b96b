# Sourced by the benchmark scripts: make_noise_disc FOLDER MINUTES TRACKS writes FOLDER/disc.bin (full-band noise,
# kept when it already has the right size) and FOLDER/disc.cue with TRACKS tracks of equal length.
make_noise_disc() {
  local folder=$1 minutes=$2 tracks=$3
  local sectors=$((minutes * 60 * 75))
  mkdir -p "$folder"
  if [ ! -f "$folder/disc.bin" ] || [ "$(stat -c %s "$folder/disc.bin")" -ne $((sectors * 2352)) ]; then
    head -c $((sectors * 2352)) /dev/urandom > "$folder/disc.bin"
  fi
  {
    echo 'FILE "disc.bin" BINARY'
    for ((t = 0; t < tracks; t++)); do
      local start=$((t * sectors / tracks))
      printf '  TRACK %02d AUDIO\n    INDEX 01 %02d:%02d:%02d\n' $((t + 1)) $((start / 4500)) $((start / 75 % 60)) $((start % 75))
    done
  } > "$folder/disc.cue"
}
