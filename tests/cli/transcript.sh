#!/usr/bin/env bash
# The command line's recorded runs: every command on the simulated unit, with
# its faults, its questions and its mistakes, and what each printed, its exit
# status, the trace, the files it wrote and the journal; times, the scratch
# folder, this computer's name and the user masked, and so is the day the
# radio stores in its ID words (the trace's ID frames, the backup's hash), so
# that the runs read the same on any date, across midnight too. Compared with
# tests/data/cli-transcript.txt, so that a change to any byte an operator or
# a script sees shows; --update writes the file anew after an intended change.
#   transcript.sh PATH_TO_zekt-cli DEMO_FOLDER [--update]
set -euo pipefail
trap 'echo "transcript: failed at line $LINENO: $BASH_COMMAND"' ERR
cli=$(realpath "$1")
demo=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
recorded="$here/../data/cli-transcript.txt"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" HOME="$work"
cp "$demo/demo.prg" taxi.prg
bench=$(hostname)
user=$(id -un)

mask() {
  sed -E -e "s#$work#WORK#g; s#$demo#DEMO#g" \
    -e 's/20[0-9]{2}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}[+-][0-9]{2}:[0-9]{2}/TIME/g' \
    -e 's/20[0-9]{2}-[0-9]{2}-[0-9]{2}_[0-9]{6}(_[0-9]+)?/STAMP/g; s/STAMP\.prg +/STAMP.prg  /g' \
    -e 's/20[0-9]{2}-[0-9]{2}-[0-9]{2}( [0-9]{2}:[0-9]{2})?/DAY/g' \
    -e 's/\b[0-9]{1,2}\.[0-9]{1,2}\.20[0-9]{2}\b/DATE/g' \
    -e 's/ +[0-9]+\.[0-9]{3} ms/ MS ms/g' \
    -e 's/;[0-9]+\.[0-9];(SIM|FT)/;SECONDS;\1/g' \
    -e 's/(SIM[0-9] +[^ ]+ +)[0-9]+,[0-9]/\1SECONDS/g' \
    -e 's/((RX 80 bytes: 16 00 40 57|TX 80 bytes: 16 00 40 56) [0-9A-F]{2} [0-9A-F]{2}) [0-9A-F]{2} [0-9A-F]{2} [0-9A-F]{2} [0-9A-F]{2}/\1 DD DD DD DD/g' \
    -e 's#/[0-9A-F]{32}\b#/RANDOM#g' \
    -e "s/\\b$bench\\b/BENCH/g; s/;$user;/;USER;/g" \
    -e "${whole_sha:+s/$whole_sha/WHOLE_SHA256/g}"
}
# The backup without the ID words that carry the programming date.
without_date() { srec_cat "$1" -Intel -exclude 0x4002 0x4006 -Output - -Intel; }

# A run: its command line, what it printed on each stream, its status.
# Several units run at once: their lines are compared unit by unit.
by_unit() { case $1 in several | busy-of-two) sort -s -k1,1 ;; *) cat ;; esac; }
run() { # NAME [STDIN] -- ARGS...
  local name=$1 input="" status=0
  shift
  if [ "$1" != -- ]; then
    input=$1
    shift
  fi
  shift
  printf '$ zekt-cli %s\n' "$*"
  printf '%b' "$input" | "$cli" "$@" >out.txt 2>err.txt || status=$?
  sed 's/^/  out| /' out.txt
  by_unit "$name" <err.txt | sed 's/^/  err| /'
  echo "  exit $status"
}
show() { # FILE: its lines
  echo "== $1"
  sed 's/^/  | /' "$1"
}
sim=(--simulate radio.hex --workdir "$demo")

{
  run no-arguments --
  run version -- --version
  run help -- --help
  run unknown -- frobnicate
  run nofile -- program
  run empty-unit -- --unit '' test
  run bad-radio-number -- --radio-number 'a*b' read
  run test -- "${sim[@]}" test
  run units -- "${sim[@]}" --simulate s.hex units
  run no-unit -- "${sim[@]}" --unit NOPE test
  run option-twice -- "${sim[@]}" --trace t1.txt --trace t2.txt test
  run bad-delay -- "${sim[@]}" --sim-delay 99999 test
  run latency -- "${sim[@]}" --usb-latency 1 test
  run latency-refused -- "${sim[@]}" --usb-latency 2 --sim-fault latency test
  run missing-file -- "${sim[@]}" program missing.prg --yes
  run program -- "${sim[@]}" program taxi.prg --yes
  run read-traced -- "${sim[@]}" --trace trace.txt read --yes
  show trace.txt
  run read-save -- "${sim[@]}" read --save read.prg --yes
  show read.prg
  run verify-same -- "${sim[@]}" verify taxi.prg --yes
  run export-stdout -- export-csv taxi.prg
  run export -- export-csv taxi.prg channels.csv
  show channels.csv
  sed -i '2s/;[0-9]*,[0-9]*;/;150,125;/' channels.csv
  cp taxi.prg other.prg
  run import -- import-csv channels.csv other.prg
  run verify-other -- "${sim[@]}" verify other.prg --yes
  run verify-blank -- --simulate blank.hex --workdir "$demo" verify taxi.prg --yes
  run write-frequencies -- "${sim[@]}" --radio-number R-7 write-frequencies other.prg --yes
  run backup -- "${sim[@]}" backup whole.hex
  echo "== whole.hex: $(wc -l <whole.hex) lines, without the date sha256 $(without_date whole.hex | sha256sum | cut -c1-16)"
  run backup-reads-differ -- "${sim[@]}" --sim-fault garbage@300 backup whole2.hex
  run series '\n\nn\n' -- "${sim[@]}" program taxi.prg --repeat
  run numbered 'N-1\n\n\tN-2\r\n\nбад*\nN-1\nn\n' -- "${sim[@]}" --radio-number ask program taxi.prg --repeat --yes
  run timeout -- "${sim[@]}" --sim-fault timeout@5 read --yes
  run garbage -- "${sim[@]}" --sim-fault garbage@10 read --yes
  run unplug -- "${sim[@]}" --sim-fault unplug@100 program taxi.prg --yes
  run stuck-bit -- --simulate f3.hex --workdir "$demo" --sim-fault stuck-bit@0x10:3 program taxi.prg --yes
  run busy -- "${sim[@]}" --sim-fault busy test
  run busy-chosen -- --simulate f5.hex --workdir "$demo" --sim-fault busy --unit SIM1 program taxi.prg --yes
  run busy-of-two -- --simulate a.hex --simulate f6.hex --sim-fault SIM2:busy --all-units test
  run several -- --simulate a.hex --simulate b.hex --workdir "$demo" --all-units \
    --journal several.csv program taxi.prg --yes
  echo "== several.csv, by unit"
  sort -t';' -k13,13 several.csv | sed 's/^/  | /'
  mkdir -p config/zekt-programmer
  printf 'usb-latency = 300\nradio-number = sometimes\n' >config/zekt-programmer/settings.conf
  run bad-settings -- "${sim[@]}" test
  rm config/zekt-programmer/settings.conf
  run journal -- journal
  run journal-csv -- journal --csv --limit 0
  run journal-failed -- journal --result ошибка --limit 3
  run journal-ok-csv -- journal --result успешно --csv --limit 1
  run journal-bad-result -- journal --result отказано
  run journal-show -- journal show 2
  run journal-radio -- journal radio N-1
  run journal-report -- journal report --html report.html
  # Its length follows the days the runs took (a run across midnight adds one).
  echo "== report.html: $(grep -o '<svg' report.html | wc -l) charts, $(grep -c '</html>' report.html) end"
  show data/zekt-programmer/journal.csv
} >raw.txt 2>&1
whole_sha=$(sha256sum whole.hex | cut -d' ' -f1)
mask <raw.txt >transcript.txt

if [ "${3:-}" = --update ]; then
  cp transcript.txt "$recorded"
  echo "transcript: $(wc -l <"$recorded") lines written to $recorded"
  exit 0
fi
if ! diff -u "$recorded" transcript.txt; then
  echo "transcript: the command line's runs differ from tests/data/cli-transcript.txt" >&2
  echo "(an intended change: tests/cli/transcript.sh ZEKT-CLI DEMO --update)" >&2
  exit 1
fi
echo "transcript: $(wc -l <transcript.txt) lines as recorded"
