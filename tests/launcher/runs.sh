#!/usr/bin/env bash
# The launcher in the folder layouts a user can meet: the base library in
# "lib", next to the launcher (on the library search path), both, neither, one
# without the export, a launcher started from another folder and one at the
# longest path it reads; the arguments it was given reach Tallisk.exe as they
# were written, up to the longest command line. The stand-in library and the
# Tallisk.exe stand-in log every call to one file; Wine's relay trace shows
# when the launcher unloads the libraries and frees the start data.
set -u
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s '-screen 0 1024x768x24' bash "$0" "$@"; fi
. "$TALLISK_SOURCE/tests/wine/env.sh"
B=$TALLISK_BUILD
W=$TALLISK_WINE_DIR/launcher-cases
rm -rf "$W"; mkdir -p "$W/elsewhere/lib"
tallisk_new_prefix launcher-runs
trap 'wineserver -k >/dev/null 2>&1' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A decoy "lib" in the current folder: a launcher that looked there would log it.
cp "$B/velmora.dll" "$B/tests/launcher/launcher_fakeprogram.exe" "$W/elsewhere/lib/"

# lay_out DIR SEARCHCOPY LIBCOPY: the launcher in DIR, Tallisk.exe's stand-in in
# DIR/lib; each copy of velmora.dll is "real", "noexport", "refusing" or "none".
lay_out() {
  mkdir -p "$1/lib"
  cp "$B/StartTallisk.exe" "$1/"
  cp "$B/tests/launcher/launcher_fakeprogram.exe" "$1/lib/Tallisk.exe"
  place "$2" "$1/velmora.dll"; place "$3" "$1/lib/velmora.dll"
}
place() {
  case $1 in
    real) cp "$B/velmora.dll" "$2" ;;
    noexport) cp "$B/tests/launcher/launcher_noexport.dll" "$2" ;;
    refusing) cp "$B/tests/launcher/launcher_refusing.dll" "$2" ;;
  esac
}

# launch DIR [ARGS...]: runs DIR's launcher with ARGS from the decoy folder;
# the log is DIR.log, the relay trace DIR.relay; fails unless the exit code is 0.
launch() {
  local d=$1 rc
  shift
  ( cd "$W/elsewhere" && VELMORA_TEST_LOG="$d.log" WINEDEBUG=+relay \
      wine "$d/StartTallisk.exe" "$@" 2>"$d.relay" >/dev/null ); rc=$?
  [ "$rc" -eq 0 ] || fail "$(basename "$d"): exit code $rc"
}

# startdata DIR: the pointer the stand-in's TakeStartData returned, if any.
startdata() { tr -d '\r' <"$1.log" 2>/dev/null | sed -n 's/^take \([0-9A-Fa-f]*\)$/\1/p' | head -1; }

# calls DIR: the log without the program's own line, start-data pointer as P.
calls() {
  local p; p=$(startdata "$1")
  tr -d '\r' <"$1.log" | grep -v '^program ' | sed "${p:+s/$p/P/g}"
}

# The launcher's own calls in the relay trace return into its image, which
# the linker puts at 0x400000 on 32-bit and at 0x140000000 on 64-bit. %p
# prints a pointer's full width, the trace pads it to 8 digits only.
case ${TALLISK_ARCH:-32} in
  64) image=14000 null=0000000000000000 ;;
  *) image=004 null=00000000 ;;
esac
hexdigits() { sed -E 's/^0*([0-9A-Fa-f])/\1/' <<<"$1" | tr 'A-F' 'a-f'; }

# releases DIR: the launcher's own FreeLibrary and free calls, in order.
releases() {
  local p t
  p=$(startdata "$1"); [ -n "$p" ] && p=$(hexdigits "$p")
  t=$(grep -m1 -o "^[0-9a-f]*:Call KERNEL32.FreeLibrary([0-9a-f]*) ret=$image" "$1.relay" | cut -d: -f1)
  grep -E "^${t:-[0-9a-f]*}:(Ret  KERNEL32.FreeLibrary|Call msvcrt.free\().* ret=$image" "$1.relay" |
    sed -E 's/.*Ret  KERNEL32.FreeLibrary.*/FreeLibrary/; s/.*Call msvcrt.free\(0*([0-9a-f]+)\).*/free(\1)/' |
    sed "${p:+s/($p)/(P)/}" | tr '\n' ' '
}

expect() {  # expect WHAT ACTUAL EXPECTED
  [ "$2" == "$3" ] || fail "$1"$'\n'"--- got:"$'\n'"$2"$'\n'"--- expected:"$'\n'"$3"
}

# check_program DIR [ARGS]: the stand-in started DIR/lib/Tallisk.exe once, in
# the current folder, on a command line of the quoted path and, given ARGS,
# a blank and ARGS: nothing else.
check_program() {
  local want got
  want="program \"$(dos "$1")\\lib\\Tallisk.exe\"${2:+ $2}|in $(dos "$W/elsewhere")"
  # The line's end: a long line is written in several pieces.
  wait_log "$1.log" "|in $(dos "$W/elsewhere")" 10
  got=$(tr -d '\r' <"$1.log" | grep '^program ')
  [ "$got" == "$want" ] || fail "$(basename "$1"): Tallisk.exe was not started from lib as expected"$'\n'"--- got:"$'\n'"${got:0:400}"$'\n'"--- expected:"$'\n'"${want:0:400}"
}

launched() {  # launched DIR STARTDATA TEXT: the log lines of the launch from DIR's lib
  local l; l=$(dos "$1")
  printf '%s\n' "load $l\\lib\\velmora.dll|instance given|library self" \
    "launch Tallisk|lib|Tallisk.exe|0|1|0|0|0|$2|$3|default icon" \
    "started $l\\lib\\Tallisk.exe" "unload"
}
taken() {  # taken DIR: the log lines of the start data taken from the copy next to DIR's launcher
  printf '%s\n' "load $(dos "$1")\\velmora.dll|instance given|library self" "take P" "unload"
}

# No library anywhere: nothing happens, exit code 0. It also starts the
# prefix's services, so they stay out of the later traces.
d=$W/none; lay_out "$d" none none
( cd "$W/elsewhere" && VELMORA_TEST_LOG="$d.log" wine "$d/StartTallisk.exe" >/dev/null 2>&1 ) ||
  fail "none: exit code $?"
[ -e "$d.log" ] && fail "none: something was called: $(cat "$d.log")"

wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d 'msvcrt.free;KERNEL32.FreeLibrary' /f >/dev/null 2>&1

# Only in "lib": the launch happens with null start data.
d=$W/libonly; lay_out "$d" none real; launch "$d"; check_program "$d"
expect "libonly: calls" "$(calls "$d")" "$(launched "$d" $null '(none)')"
expect "libonly: releases" "$(releases "$d")" "FreeLibrary "

# On the search path and in "lib": the start data is taken, the first copy is
# unloaded before the second loads, the launch receives the block (still
# readable after its library is gone) and it is freed after the last unload.
d=$W/both; lay_out "$d" real real; launch "$d"; check_program "$d"
expect "both: calls" "$(calls "$d")" "$(taken "$d"; launched "$d" P 'velmora start data')"
expect "both: releases" "$(releases "$d")" "FreeLibrary FreeLibrary free(P) "

# Only on the search path: start data taken and freed, nothing launched.
d=$W/searchonly; lay_out "$d" real none; launch "$d"
expect "searchonly: calls" "$(calls "$d")" "$(taken "$d")"
expect "searchonly: releases" "$(releases "$d")" "FreeLibrary free(P) "

# Without the export in "lib": it is released, nothing is launched.
d=$W/noexportlib; lay_out "$d" real noexport; launch "$d"
expect "noexportlib: calls" "$(calls "$d")" "$(taken "$d"; echo "unload without export")"
expect "noexportlib: releases" "$(releases "$d")" "FreeLibrary FreeLibrary free(P) "

# One that gives no BaseObject in "lib": released, nothing is launched.
d=$W/refusinglib; lay_out "$d" real refusing; launch "$d"
expect "refusinglib: calls" "$(calls "$d")" "$(taken "$d"; printf '%s\n' "load refusing" "unload refusing")"
expect "refusinglib: releases" "$(releases "$d")" "FreeLibrary FreeLibrary free(P) "

# Without the export on the search path: released, the launch gets no start data.
d=$W/noexportsearch; lay_out "$d" noexport real; launch "$d"; check_program "$d"
expect "noexportsearch: calls" "$(calls "$d")" \
  "$(echo "unload without export"; launched "$d" $null '(none)')"

# The longest launcher path read, 259 characters: "lib\velmora.dll" still fits.
d=$W/long; n=$(( 259 - ${#d} - 2 - 1 - 16 ))   # "Z:" + "\" + "StartTallisk.exe"
while [ "$n" -gt 0 ]; do
  s=$(( n > 61 ? 60 : n - 1 ))
  # A segment takes its characters and a "\": none can take one alone.
  [ $(( n - s - 1 )) -eq 1 ] && s=$(( s - 1 ))
  d=$d/$(printf '%*s' "$s" '' | tr ' ' d); n=$(( n - s - 1 ))
done
l=$(dos "$d")\\StartTallisk.exe
expect "long: launcher path length" "${#l}" 259
lay_out "$d" none real; launch "$d"; check_program "$d"
expect "long: calls" "$(calls "$d")" "$(launched "$d" $null '(none)')"

# A launcher path longer than the 260 characters read: cut short, it would
# name a folder above the launcher, whose "lib" must not be loaded from.
d=$W/toolong/$(printf '%*s' 120 '' | tr ' ' e)/$(printf '%*s' 120 '' | tr ' ' f)
lay_out "$d" none real; mkdir -p "$(dirname "$d")/lib"; place real "$(dirname "$d")/lib/velmora.dll"
launch "$d"
[ -e "$d.log" ] && fail "toolong: a library was loaded: $(cat "$d.log")"

# The arguments, quotes and all, follow the quoted path of Tallisk.exe, and
# without arguments the command line is that path alone. Wine quotes the
# launcher's name; started by a Windows program, it can also be unquoted.
page='Z:\my pages\sum of two.htm'
d=$W/args; lay_out "$d" none real; launch "$d" "$page" -x; check_program "$d" "\"$page\" -x"
d=$W/'no args'; lay_out "$d" none real; launch "$d"; check_program "$d"

# start_line DIR N ARGS...: the stand-in program starts DIR's launcher from the
# decoy folder on the command line "DIR\StartTallisk.exe ARGS", unquoted,
# followed by a blank and N letters a when N is not 0.
start_line() {
  local d=$1 n=$2 rc
  shift 2
  ( cd "$W/elsewhere" && VELMORA_TEST_LOG="$d.log" \
      wine "$B/tests/launcher/launcher_fakeprogram.exe" start "$n" "$(dos "$d")\\StartTallisk.exe" "$@" >/dev/null 2>&1 ); rc=$?
  [ "$rc" -eq 0 ] || fail "$(basename "$d"): the start ended with $rc"
}
d=$W/unquoted; lay_out "$d" none real; start_line "$d" 0 "$page"; check_program "$d" "\"$page\""
d=$W/unquotedbare; lay_out "$d" none real; start_line "$d" 0; check_program "$d"

# The longest command line CreateProcess takes, 32,766 characters, reaches
# Tallisk.exe whole; one character more is refused, and nothing is started.
# around_args DOSDIR: the characters of Tallisk.exe's command line besides
# the arguments: "DIR\lib\Tallisk.exe" and a blank.
around_args() { echo $(( 1 + ${#1} + 16 + 1 + 1 )); }
d=$W/longargs; lay_out "$d" none real
n=$(( 32766 - $(around_args "$(dos "$d")") ))
start_line "$d" "$n"; check_program "$d" "$(printf '%*s' "$n" '' | tr ' ' a)"
d=$W/toolongargs; lay_out "$d" none real
start_line "$d" $(( 32767 - $(around_args "$(dos "$d")") ))
l=$(dos "$d")
expect "toolongargs: calls" "$(calls "$d")" "$(printf '%s\n' "load $l\\lib\\velmora.dll|instance given|library self" \
  "launch Tallisk|lib|Tallisk.exe|0|1|0|0|0|$null|(none)|default icon" \
  "start refused $l\\lib\\Tallisk.exe: a command line of 32767 characters" "unload")"

# Every started program has ended before the prefix goes.
wineserver -w
[ "$failures" -eq 0 ] && echo "launcher runs: all passed"
exit "$failures"
