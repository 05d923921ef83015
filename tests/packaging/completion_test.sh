#!/usr/bin/env bash
# The bash completion of kvd2730-cli as bash-completion runs it: each case sets COMP_WORDS,
# COMP_CWORD, COMP_LINE and COMP_POINT as bash would for a command line with the cursor at
# its end, calls the completion function and compares COMPREPLY with what must be offered.
# Usage: completion_test.sh COMPLETION_FILE
set -uo pipefail
completion=$(realpath "$1")
framework=${BASH_COMPLETION_FRAMEWORK:-/usr/share/bash-completion/bash_completion}
[[ -r $framework ]] || { echo "FAIL: $framework missing (Debian's bash-completion)" >&2; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# shellcheck source=/dev/null
source "$framework"
# shellcheck source=/dev/null
source "$completion"
function=$(complete -p kvd2730-cli 2>/dev/null | sed -n 's/.*-F \([^ ]*\) .*/\1/p')
[[ -n $function ]] || { echo "FAIL: $completion registers no function for kvd2730-cli" >&2; exit 1; }

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Fills COMPREPLY for LINE, the cursor at its end. Words are split at blanks, and '=' stands
# alone as bash splits it (it is in COMP_WORDBREAKS); a trailing blank starts an empty word.
complete_line() {
  local line=$1 word
  local -a split=()
  for word in $line; do
    if [[ $word == --*=* ]]; then
      split+=("${word%%=*}" "=")
      [[ -n ${word#*=} ]] && split+=("${word#*=}")
    else
      split+=("$word")
    fi
  done
  [[ $line == *' ' ]] && split+=("")
  COMP_WORDS=("${split[@]}")
  COMP_CWORD=$((${#split[@]} - 1))
  COMP_LINE=$line
  COMP_POINT=${#line}
  COMPREPLY=()
  "$function" kvd2730-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
}

offered() { printf '%s ' "${COMPREPLY[@]}"; }

# LINE must be completed with exactly the words given, each once (in any order). Compared as
# sets inside bash: the cases run many, and a machine under load makes every process dear.
expect() {
  local line=$1 word
  shift
  complete_line "$line"
  local -A want=() got=()
  for word in "$@"; do [[ -n $word ]] && want[$word]=1; done
  for word in "${COMPREPLY[@]}"; do got[$word]=$((${got[$word]:-0} + 1)); done
  local same=true
  ((${#want[@]} == ${#COMPREPLY[@]})) || same=false
  for word in "${!want[@]}"; do [[ ${got[$word]:-} == 1 ]] || same=false; done
  $same || fail "'$line' offers [$(offered)], expected [$*]"
}

# LINE must offer at least the words given, and none of those after "--not".
expect_some() {
  local line=$1 word not=false
  shift
  complete_line "$line"
  local all
  all=" $(offered)"
  for word in "$@"; do
    if [[ $word == --not ]]; then not=true; continue; fi
    if $not; then
      [[ $all != *" $word "* ]] || fail "'$line' offers $word"
    else
      [[ $all == *" $word "* ]] || fail "'$line' does not offer $word (offers [$all])"
    fi
  done
}

commands=(ports list get delete update-gps update-voice convert)
globals=(--port --timeout --offline --simulate --verbose --help --version)
# shellcheck disable=SC2054  # kml,gpx is one word
formats=(kml kmz gpx kml,kmz kml,gpx)
slots=(0 1 2 3 4 5 6 7 8 9)

# Commands and options.
expect "kvd2730-cli " "${commands[@]}"
expect "kvd2730-cli up" update-gps update-voice
expect "kvd2730-cli -v " "${commands[@]}"
expect "kvd2730-cli --" "${globals[@]}"
expect "kvd2730-cli get --" --all --output --format --name --zone --utc --new --keep-raw \
  --delete-saved "${globals[@]}"
expect "kvd2730-cli list --" --json --output --format "${globals[@]}"
expect "kvd2730-cli convert --" --output --format --name --zone --utc "${globals[@]}"
expect "kvd2730-cli delete --" --yes "${globals[@]}"
expect "kvd2730-cli get --k" --keep-raw
expect "kvd2730-cli get " "${slots[@]}"
expect "kvd2730-cli get 0 3 " "${slots[@]}"
expect "kvd2730-cli delete " "${slots[@]}"
expect "kvd2730-cli ports " ""
expect "kvd2730-cli --timeout " ""
expect "kvd2730-cli --timeout 500 " "${commands[@]}"

# Formats after --format, -f and --format=, wherever the option stands.
expect "kvd2730-cli get --format " "${formats[@]}"
expect "kvd2730-cli get -f " "${formats[@]}"
expect "kvd2730-cli get --format g" gpx
expect "kvd2730-cli get --format kml," kml,kmz kml,gpx
expect "kvd2730-cli --format " "${formats[@]}"
expect "kvd2730-cli convert a.LOG --format=" "${formats[@]}"
expect "kvd2730-cli get --format=k" kml kmz kml,kmz kml,gpx
expect "kvd2730-cli get --all --format=kml," kml,kmz kml,gpx
expect "kvd2730-cli get --name " device date
expect "kvd2730-cli convert a.LOG --name=d" device date
expect "kvd2730-cli get --name date " "${slots[@]}"

# Serial ports after --port, -p and --port=: the ports of KVD2730_PORTS and the serial devices
# in /dev, nothing else while there are any; a path they do not match completes as a file.
mkdir "$scratch/dir"
touch "$scratch/dir/ttyFirst" "$scratch/dir/ttySecond" "$scratch/dir/virtual"
export KVD2730_PORTS="$scratch/dir/ttyFirst::$scratch/dir/ttySecond"
for line in "kvd2730-cli --port " "kvd2730-cli -p " "kvd2730-cli list --port="; do
  complete_line "$line"
  have=" $(offered) "
  for port in "$scratch/dir/ttyFirst" "$scratch/dir/ttySecond"; do
    [[ $have == *" $port "* ]] || fail "'$line' does not offer $port (offers [$have])"
  done
  wrong=()
  for port in "${COMPREPLY[@]}"; do
    case $port in
      "$scratch/dir/ttyFirst" | "$scratch/dir/ttySecond") ;;
      /dev/serial/by-id/* | /dev/ttyACM* | /dev/ttyUSB* | /dev/rfcomm*)
        [[ -e $port ]] || wrong+=("$port") ;;
      *) wrong+=("$port") ;;
    esac
  done
  ((${#wrong[@]} == 0)) || fail "'$line' offers what is no serial port: ${wrong[*]}"
done
expect "kvd2730-cli --port $scratch/dir/ttyS" "$scratch/dir/ttySecond"
expect "kvd2730-cli get --port=$scratch/dir/ttyF" "$scratch/dir/ttyFirst"
expect "kvd2730-cli --port $scratch/dir/vi" "$scratch/dir/virtual"
expect "kvd2730-cli --port $scratch/dir/ttyFirst " "${commands[@]}"
expect "kvd2730-cli -p $scratch/dir/ttyFirst get -" --all --output --format --name --zone --utc \
  --new --keep-raw --delete-saved "${globals[@]}"
unset KVD2730_PORTS

# Folders after --output, files for the commands that take them.
mkdir "$scratch/saves" "$scratch/saves/trips"
touch "$scratch/saves/0601.LOG" "$scratch/saves/points.FPT"
expect "kvd2730-cli get -o $scratch/saves/" "$scratch/saves/trips"
expect "kvd2730-cli convert --output=$scratch/saves/" "$scratch/saves/trips"
expect "kvd2730-cli convert $scratch/saves/0" "$scratch/saves/0601.LOG"
expect "kvd2730-cli update-gps $scratch/saves/p" "$scratch/saves/points.FPT"
expect_some "kvd2730-cli update-voice $scratch/saves/" "$scratch/saves/trips" \
  "$scratch/saves/points.FPT" --not "${commands[@]}"

# Zones after --zone and --zone=: the zone files of TZDIR, not its tables or its copies.
mkdir -p "$scratch/zones/Europe" "$scratch/zones/America/Argentina" "$scratch/zones/right/Europe"
touch "$scratch/zones/Europe/Berlin" "$scratch/zones/Europe/Paris" "$scratch/zones/zone.tab" \
  "$scratch/zones/America/Argentina/Salta" "$scratch/zones/right/Europe/Berlin"
export TZDIR=$scratch/zones
expect "kvd2730-cli convert a.LOG --zone Europe/" Europe/Berlin Europe/Paris
expect "kvd2730-cli get 1 --zone=Am" America/Argentina/Salta
expect "kvd2730-cli get --zone " Europe/Berlin Europe/Paris America/Argentina/Salta
expect "kvd2730-cli convert --zone Europe/Berlin $scratch/saves/0" "$scratch/saves/0601.LOG"
unset TZDIR

if ((failures)); then
  echo "$failures completion case(s) failed" >&2
  exit 1
fi
echo "bash completion of kvd2730-cli: all cases pass"
