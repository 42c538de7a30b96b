#!/usr/bin/env bash
# The bash completion of ossel, word by word as bash hands them over (with "=" a word of its own where it breaks
# words, as it does by default): completion_test.sh COMPLETION_FILE
set -uo pipefail
source "$1" || exit 1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir sub 'two words'
touch a.cue b.FLAC c.mp3 d.txt e.wav f.Wv

# The stand-in for bash's compopt outside a completion.
compopt() { :; }

failures=0
# expect "WANTED WORDS" word...: the completions of the line made of the words, the last being completed.
expect() {
  local wanted="$1"
  shift
  COMP_WORDS=(ossel "$@")
  COMP_CWORD=$(($# ))
  COMPREPLY=()
  _ossel
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | tr '\n' ' ')
  got="${got% }"
  if [[ $got != "$wanted" ]]; then
    printf 'ossel %s\n  wanted: %s\n  got:    %s\n' "$*" "$wanted" "$got"
    failures=$((failures + 1))
  fi
}

expect "--help --lang --version analyze cache drives info toc" ""
expect "analyze" an
expect "cache" --lang en c
expect "analyze" --lang = en an
expect "en zh" --lang ""
expect "en zh" --lang = ""
expect "en" analyze --lang=e
expect "1 2 3 4 5 6 7 8" analyze --skip ""
expect "--skip" analyze a.cue --sk
expect "--summary" analyze --lang = en --sum
expect "--recursive --refresh" analyze --r
expect "--recursive" info --r
expect "a.cue b.FLAC e.wav f.Wv sub two words" analyze ""
expect "a.cue b.FLAC e.wav f.Wv sub two words" info --json ""
expect "b.FLAC" analyze --skip 2 b
expect "- a.cue b.FLAC c.mp3 d.txt e.wav f.Wv sub two words" analyze --csv ""
expect "sub two words" analyze --pictures ""
expect "sub two words" analyze --pictures = ""
expect "" analyze --shard ""
expect "--help --lang info prune" cache ""
expect "--help --lang" cache prune ""
expect "--help --lang" drives ""

if ((failures > 0)); then
  echo "$failures completion(s) wrong"
  exit 1
fi
