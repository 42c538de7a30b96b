# bash completion for ossel: its commands, their options, the values of --lang, --skip and --drive, and file names
# where a disc is expected (cue sheets, lossless audio files and folders).

_ossel_disc_files() {
  local IFS=$'\n'
  # Folders are discs too; files only where their name ends like a sheet or lossless audio, in any letter case.
  local pattern='!*.@([cC][uU][eE]|[fF][lL][aA][cC]|[wW][aA][vV]|[wW][aA][vV][eE]|[aA][iI][fF]|[aA][iI][fF][fF]|'
  pattern+='[aA][iI][fF][cC]|[wW]64|[rR][fF]64|[cC][aA][fF]|[aA][uU]|[sS][nN][dD]|[wW][vV])'
  local extglob
  extglob=$(shopt -p extglob)
  shopt -s extglob
  compopt -o filenames 2>/dev/null
  COMPREPLY+=($(compgen -d -- "$1") $(compgen -f -X "$pattern" -- "$1"))
  eval "$extglob"
}

_ossel_drive_letters() {
  # "ossel drives" lists one drive a line, its letter first; nothing when there is no drive.
  ossel drives 2>/dev/null | while read -r letter _; do printf '%s\n' "${letter%:}"; done
}

_ossel() {
  local cur="${COMP_WORDS[COMP_CWORD]}" prev="" value_of=""
  COMPREPLY=()
  ((COMP_CWORD > 0)) && prev="${COMP_WORDS[COMP_CWORD - 1]}"

  # "--option=value": bash splits it at "=" where "=" is a word break, else it comes as one word.
  if [[ $cur == --*=* ]]; then
    value_of="${cur%%=*}"
    cur="${cur#*=}"
  elif [[ $cur == "=" && $prev == --* ]]; then
    value_of="$prev"
    cur=""
  elif [[ $prev == "=" ]] && ((COMP_CWORD > 1)); then
    value_of="${COMP_WORDS[COMP_CWORD - 2]}"
  else
    value_of="$prev"
  fi

  # The command and, for cache, its action: the first words that are not options (or --lang's value).
  local command="" action="" i word
  for ((i = 1; i < COMP_CWORD; i++)); do
    word="${COMP_WORDS[i]}"
    if [[ $word == --lang ]]; then
      ((i++))
      continue
    fi
    [[ $word == -* || $word == "=" ]] && continue
    [[ ${COMP_WORDS[i - 1]} == "=" ]] && continue
    if [[ -z $command ]]; then
      command="$word"
    elif [[ $command == cache && -z $action ]]; then
      action="$word"
    fi
  done

  case "$value_of" in
    --lang)
      COMPREPLY=($(compgen -W "en zh" -- "$cur"))
      return
      ;;
    --skip)
      COMPREPLY=($(compgen -W "1 2 3 4 5 6 7 8" -- "$cur"))
      return
      ;;
    --drive)
      COMPREPLY=($(compgen -W "$(_ossel_drive_letters)" -- "$cur"))
      return
      ;;
    --jobs)
      COMPREPLY=($(compgen -W "$(seq 1 "$(nproc 2>/dev/null || echo 1)")" -- "$cur"))
      return
      ;;
    --csv | --jsonl)
      compopt -o filenames 2>/dev/null
      COMPREPLY=($(compgen -W "-" -- "$cur") $(compgen -f -- "$cur"))
      return
      ;;
    --pictures)
      compopt -o filenames 2>/dev/null
      COMPREPLY=($(compgen -d -- "$cur"))
      return
      ;;
    --picture-size)
      COMPREPLY=($(compgen -W "1200x600" -- "$cur"))
      return
      ;;
    --shard)
      return
      ;;
  esac

  local disc_options="--drive -r --recursive --json --lang --help"
  case "$command" in
    "")
      COMPREPLY=($(compgen -W "drives toc info analyze cache --lang --version --help" -- "$cur"))
      ;;
    drives)
      COMPREPLY=($(compgen -W "--lang --help" -- "$cur"))
      ;;
    toc | info)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$disc_options" -- "$cur"))
      else
        _ossel_disc_files "$cur"
      fi
      ;;
    analyze)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$disc_options --skip --jobs --summary --csv --jsonl --pictures --picture-size
                                 --shard --no-cache --refresh --stage-times" -- "$cur"))
      else
        _ossel_disc_files "$cur"
      fi
      ;;
    cache)
      if [[ -z $action ]]; then
        COMPREPLY=($(compgen -W "info prune --lang --help" -- "$cur"))
      else
        COMPREPLY=($(compgen -W "--lang --help" -- "$cur"))
      fi
      ;;
  esac
}

complete -F _ossel ossel
