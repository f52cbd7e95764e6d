#!/usr/bin/env bash
# The Windows build under wine: the portable tests and the Windows file
# rules (CTest), the command line on the simulated unit and through the
# stand-in D2XX library, the installer, and a picture of the window.
#   run-under-wine.sh BUILD STAGE SETUP_EXE QT
set -euo pipefail
build=$1
stage=$2
setup=$3
qt=$4
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"

# A wine of its own: the tests never see the user's wine, its journal or settings.
export WINEPREFIX="$build/wine"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko installer prompts
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1
wineserver -w
# One server for the whole run: programs started at once must not race to
# start their own.
wineserver -p
win() { winepath -w "$1" 2>/dev/null; }
appdata="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/zekt-programmer"

failures=0
check() { # WHAT CONDITION...
  local what=$1
  shift
  if "$@"; then
    echo "ok    $what"
  else
    echo "FAIL  $what"
    failures=$((failures + 1))
  fi
}

# The windows of the GUI tests need an X server for wine to draw on, and a
# window manager as on a desktop: without one, wine waits 2 s at every
# hidden window for the manager's answer (5 minutes over the window tests).
. "$root/tests/desktop/x11.sh"
trap 'x11_stop; wineserver -k 2>/dev/null || true' EXIT
x11_server 1366x768
XDG_CONFIG_HOME="$build/openbox" XDG_CACHE_HOME="$build/openbox" x11_manager

echo "== unit tests under wine (CTest)"
# The first programs in a new prefix start wine's desktop; two at once can
# hang there, so one window test goes first, alone.
timeout 120 wine "$build/bin/test_progress_window.exe" -o NUL,txt >/dev/null 2>&1 || true
if ! ctest --test-dir "$build" --output-on-failure -j2 --repeat after-timeout:2; then
  failures=$((failures + 1))
  grep -h -B2 -A6 'FAIL!' "$build"/tests/*.log "$build"/tests/windows/*.log 2>/dev/null || true
fi

echo "== the programs' version resource"
for exe in zekt-cli zekt-programmer; do
  check "$exe.exe carries the version $(wine "$stage/zekt-cli.exe" --version | tr -d '\r' | cut -d' ' -f2)" \
    bash -c 'version=$(wine "$1/zekt-cli.exe" --version | tr -d "\r" | cut -d" " -f2)
             strings -el "$1/$0.exe" | grep -A1 -x FileVersion | grep -qx "$version"' "$exe" "$stage"
done

echo "== Russian in a console"
# Under script the program's streams are wine's console, as in cmd.exe; a
# character written in pieces shows as replacement marks (U+FFFD).
console_says() { # TEXT ARGS...: what zekt-cli writes to a console holds TEXT, no U+FFFD
  local text=$1 out
  shift
  out=$(LC_ALL=C.UTF-8 script -qec "wine '$stage/zekt-cli.exe' $*" /dev/null 2>&1 </dev/null) || true
  grep -q "$text" <<<"$out" && ! grep -q $'\xef\xbf\xbd' <<<"$out"
}
check "zekt-cli --help in a console, whole lines" console_says "Использование: zekt-cli" --help
check "... and its errors" console_says "неизвестная команда" no-such-command

echo "== zekt-cli on the simulated unit"
work=$(mktemp -d)
cp -r "$root/demo/demo.prg" "$root/demo/WORK" "$work/"
cd "$work"
cli() { wine "$stage/zekt-cli.exe" "$@"; }
check "program demo.prg" cli --simulate radio.hex program demo.prg --yes
check "verify demo.prg" cli --simulate radio.hex verify demo.prg --yes
if [ -n "${ZEKT_LINUX_CLI:-}" ]; then
  # The radio keeps the day it was programmed: the Linux build programs on
  # the day the Windows build wrote, read back from its radio.
  cp radio.hex day.hex
  day=$("$ZEKT_LINUX_CLI" --journal '' --simulate day.hex read --yes 2>/dev/null |
    sed -nE 's/.*Дата последнего программирования : ([0-9]+)\.([0-9]+)\.([0-9]+).*/\3-\2-\1 12:00/p')
  (mkdir linux && cp -r demo.prg WORK linux/ && cd linux &&
    faketime "$day" "$ZEKT_LINUX_CLI" --journal '' --simulate radio.hex program demo.prg --yes 2>/dev/null)
  check "the radio file is the Linux build's, byte for byte" cmp radio.hex linux/radio.hex
fi
check "the journal is in %APPDATA%" grep -q ';zekt-cli;verify;ok;' "$appdata/journal.csv"
cp demo.prg "Конфигурация.prg"
check "a Cyrillic file name" cli --journal "журнал.csv" --simulate "радио.hex" \
  program "Конфигурация.prg" --yes
check "... is kept as named" test -s "радио.hex" -a -s "журнал.csv"
check "... and read back" cli --simulate "радио.hex" read --save "прочитано.prg" --yes
check "... to the same configuration" grep -q "Конфигурация.prg" "журнал.csv"
cli --simulate a.hex --simulate b.hex --all-units program demo.prg --yes 2>units.err
check "two units at once, each line with its unit" grep -q '^\[SIM2\] Верификация конфигурации' units.err
check "... and both radios programmed" cmp a.hex b.hex
cli --simulate a.hex --simulate b.hex --all-units read >units.out 2>/dev/null
check "... their tables apart on standard output" test "$(grep -c '^== SIM' units.out)" = 2
# Ctrl+C: wine turns SIGINT into the console's CTRL_C_EVENT. Sent to this
# run's own process only.
wine "$stage/zekt-cli.exe" --journal stop.csv --simulate stop.hex --sim-delay 20 \
  --trace stop-trace.txt program demo.prg --yes >/dev/null 2>stop.err &
run=$!
# Stopped once it is programming: the trace is written frame by frame (what
# the program says on a redirected stream comes at its end under wine).
frames_sent() { [ "$(grep -c "TX 80 bytes" stop-trace.txt 2>/dev/null)" -ge 50 ]; }
x11_wait "the run to begin" frames_sent || true
kill -INT "$run" || true
status=0
wait "$run" || status=$?
check "Ctrl+C ends a run with 130" test "$status" = 130
check "... journaled as cancelled" grep -q ';program;cancelled;' stop.csv

# A record that waited beside a journal held open (a spreadsheet has it)
# goes into it with journal sync, no shared journal needed, and only once.
mkdir -p held
head -2 stop.csv >held/journal.csv
tail -n +2 stop.csv | head -1 | sed 's/;cancelled;/;ok;/' >held/journal-pending.txt
cli --journal held/journal.csv journal sync >held/sync.out 2>&1 || true
cli --journal held/journal.csv journal sync >>held/sync.out 2>&1 || true
check "journal sync moves a held journal's waiting record in, once" \
  test "$(grep -c ';program;ok;' held/journal.csv)/$(grep -c 'дописаны в него: 1' held/sync.out)" = 1/1
check "... and the waiting file goes" test ! -e held/journal-pending.txt

echo "== zekt-cli through ftd2xx.dll (the stand-in over the simulated unit)"
# The driver's installer puts ftd2xx.dll in the system folder; the programs
# take it from there or their own folder, never from the current folder or PATH.
system32="$WINEPREFIX/drive_c/windows/system32"
units_say() { # TEXT: zekt-cli units exits 1 saying it
  local out status=0
  out=$(wine "$stage/zekt-cli.exe" --journal "" units 2>&1) || status=$?
  test "$status" = 1 && grep -q "$1" <<<"$out"
}
check "no ftd2xx.dll: exit 1 and the Russian text" \
  units_say "не найдена библиотека ftd2xx.dll.*установите USB-драйвер программатора"
check "... the window opens all the same (files, panels, journal)" \
  timeout 120 wine "$stage/zekt-programmer.exe" --journal "" --exit-when-shown
cp "$build/test-d2xx/ftd2xx.dll" "$work/"
export WINEPATH="$(win "$build/test-d2xx")"
check "... one in the current folder or on PATH is not loaded" \
  units_say "не найдена библиотека ftd2xx.dll"
unset WINEPATH
rm "$work/ftd2xx.dll"
cp "$stage/libwinpthread-1.dll" "$system32/ftd2xx.dll"
check "a library without the driver's functions is named incompatible" \
  units_say "ftd2xx.dll несовместимой версии (в ней нет функции FT_CreateDeviceInfoList)"
printf 'not a library' >"$system32/ftd2xx.dll"
check "a file that is no library is named with the system's reason" \
  units_say "библиотека ftd2xx.dll не загружается ("
cp "$build/test-d2xx/ftd2xx.dll" "$system32/ftd2xx.dll"
export ZEKT_TEST_D2XX_RADIO="$work/d2xx.hex"
check "units lists the unit" bash -c 'wine "$0/zekt-cli.exe" units | grep -q "^TD1 .*свободен"' "$stage"
check "test" cli test
check "program --unit TD1" cli --unit TD1 program demo.prg --yes
check "... the same radio as on the simulated unit" cmp d2xx.hex radio.hex
check "verify --unit 1 (the serial's end)" cli --unit 1 verify demo.prg --yes
check "a unit the list shifted away from is not used" \
  bash -c 'out=$(ZEKT_TEST_D2XX_SHIFTED=1 wine "$0/zekt-cli.exe" --unit TD1 test 2>&1)
           test $? != 0 && grep -q "Устройство не подключено или не найдено" <<<"$out"' "$stage"
check "a busy unit is refused" bash -c '! ZEKT_TEST_D2XX_BUSY=1 wine "$0/zekt-cli.exe" --unit TD1 test' "$stage"
unset ZEKT_TEST_D2XX_RADIO
rm "$system32/ftd2xx.dll"

echo "== the shared journal"
check "no libpq.dll: said, exit 1" \
  bash -c 'out=$(wine "$0/zekt-cli.exe" --journal-database postgresql://bench@127.0.0.1/zekt \
           journal 2>&1); test $? = 1 && grep -q "не найдена библиотека libpq.dll" <<<"$out"' "$stage"
# With a libpq.dll built for Windows (ZEKT_LIBPQ_DLL; README), against a
# server of the test's own on 127.0.0.1.
if [ -n "${ZEKT_LIBPQ_DLL:-}" ]; then
  pgstage="$work/pgstage"
  cp -r "$stage" "$pgstage"
  cp "$ZEKT_LIBPQ_DLL" "$pgstage/"
  pgdir=$(mktemp -d)
  chmod 755 "$pgdir"
  uri="$(ZEKT_PG_TCP=1 "$root/tests/journal/postgres.sh" start "$pgdir/pg")&user=zekt_admin"
  pq() { wine "$pgstage/zekt-cli.exe" --journal pq.csv --journal-database "$uri" "$@"; }
  check "init-db through libpq.dll" pq journal init-db
  check "a run recorded in the shared journal" pq --simulate pq.hex program demo.prg --yes
  check "... and a read with its copy" pq --simulate pq.hex read --yes
  pq journal --csv >pq-runs.csv 2>/dev/null || true
  check "... both found by the lookup" test "$(grep -c ';zekt-cli;\(program\|read\);ok;' pq-runs.csv)" = 2
  id=$(grep ';read;ok;' pq-runs.csv | cut -d';' -f1)
  check "... the read's copy as kept on the bench" \
    bash -c 'wine "$0" --journal-database "$1" journal show "$2" --save copy.prg >/dev/null &&
             cmp copy.prg radios/*.prg' "$pgstage/zekt-cli.exe" "$uri" "$id"
  "$root/tests/journal/postgres.sh" stop "$pgdir/pg" || true
  rm -rf "$pgdir"
fi

echo "== what ships"
check "no debug sections in the shipped programs and DLLs" \
  bash -c 'for f in $(find "$0" -name "*.exe" -o -name "*.dll"); do
             ! x86_64-w64-mingw32-objdump -h "$f" | grep -q " \.debug_" || { echo "$f"; exit 1; }
           done' "$stage"
check "the notices of the libraries inside the DLLs" \
  bash -c 'for name in zlib PCRE2 libpng HarfBuzz double-conversion winpthreads "GCC RUNTIME LIBRARY EXCEPTION"; do
             grep -q "$name" "$0/licenses/THIRD-PARTY-NOTICES.txt" || exit 1
           done' "$stage"
check "... and the program's source beside them" \
  bash -c 'tar -tzf "$0/licenses/zekt-programmer-source.tar.gz" | grep -q "/engine/CommandFlow.cpp$"' "$stage"
# A throw-away certificate, as an IT person's would be used.
(cd "$work" && openssl req -x509 -newkey rsa:2048 -nodes -keyout sign.key -out sign.pem -days 2 \
  -subj "/CN=ZEKT test signing" 2>/dev/null &&
  openssl pkcs12 -export -inkey sign.key -in sign.pem -out sign.pfx -passout pass:проба 2>/dev/null &&
  cp "$stage/zekt-cli.exe" signed.exe)
ZEKT_SIGN_PFX="$work/sign.pfx" ZEKT_SIGN_PASSWORD=проба "$root/packaging/windows/sign" \
  "$work/signed.exe" >/dev/null || true
verify() { osslsigncode verify -CAfile "$work/sign.pem" -in "$1" >/dev/null 2>&1; }
check "a program signed with a throw-away certificate verifies" verify "$work/signed.exe"
check "... and still runs" bash -c 'WINEPATH="$1" wine "$0" --version | grep -q "^zekt-cli "' \
  "$work/signed.exe" "$(win "$stage")"
cp "$work/signed.exe" "$work/tampered.exe"
printf 'X' | dd of="$work/tampered.exe" bs=1 seek=4096 conv=notrunc 2>/dev/null
check "... and a changed byte is caught" bash -c '! osslsigncode verify -CAfile "$0" -in "$1" >/dev/null 2>&1' \
  "$work/sign.pem" "$work/tampered.exe"

echo "== the installer"
installed="$WINEPREFIX/drive_c/Program Files/zekt-programmer"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/ZEKT Программатор"
data="$WINEPREFIX/drive_c/ProgramData/zekt-programmer"
# An older version first, with a file the new one no longer has.
oldstage="$work/old/zekt-programmer-0.9.0"
mkdir -p "$work/old" && cp -r "$stage" "$oldstage" && printf 'old\n' >"$oldstage/old-only.dll"
ZEKT_NSIS_OPTIONS=-DCOMPRESSOR=zlib "$root/packaging/windows/make-installer" "$oldstage" 0.9.0 \
  "$work/old-setup.exe" >/dev/null
check "an older version installs" wine "$work/old-setup.exe" /S
check "... with its own file" test -e "$installed/old-only.dll"
check "setup.exe /S installs over it" wine "$setup" /S
check "... and none of the older version's files is left" test ! -e "$installed/old-only.dll"
check "... the installed zekt-cli runs the demo" \
  wine "$installed/zekt-cli.exe" --simulate installed.hex program "$installed/demo/demo.prg" --yes
check "... the window's shortcut is in the all-users Start menu" test -s "$menu/ZEKT Программатор.lnk"
check "... and in no account's own" \
  test -z "$(find "$WINEPREFIX/drive_c/users" -name 'ZEKT Программатор.lnk')"
check "... it starts in the data folder" \
  bash -c 'strings -el "$0" | grep -qixF "$1"' "$menu/ZEKT Программатор.lnk" 'C:\ProgramData\zekt-programmer'
check "... which holds WORK for the maker's firmware" test -d "$data/WORK"
# As an operator runs it: it copies itself away and removes the folder.
printf 'kept\n' >"$data/WORK/maker.hex"
wine "$installed/uninstall.exe" /S
for _ in $(seq 30); do
  [ -e "$installed" ] || break
  sleep 1
done
check "the uninstaller leaves nothing" test ! -e "$installed"
check "... nor in the Start menu" test ! -e "$menu"
check "... and keeps the data folder's firmware" test -s "$data/WORK/maker.hex"

echo "== the window under wine, demo.prg on its panels"
mkdir -p "$build/screens"
(cd "$root" && wine "$build/bin/zekt-screenshots.exe" "$(win "$build/screens")" >/dev/null 2>&1) ||
  true
check "a picture of the window" test -s "$build/screens/main-configured.png"

cd "$root"
rm -rf "$work"
echo "windows: $failures failed"
test "$failures" = 0
