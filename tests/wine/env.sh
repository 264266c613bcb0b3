# Shared by the tests that run Windows programs under Wine. Source it; it needs
# TALLISK_WINE_DIR (where prefixes live, inside the build tree) and takes
# TALLISK_ARCH, the tree's architecture (32, the default, or 64).
: "${TALLISK_WINE_DIR:?set TALLISK_WINE_DIR}"
TALLISK_TESTS_WINE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$TALLISK_TESTS_WINE/../../tools/wine-arch.sh"
tallisk_use_wine "${TALLISK_ARCH:-32}" || exit 1
export WINEDEBUG=-all HOME="$TALLISK_WINE_DIR/home" \
       WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$HOME"

# tallisk_template: the prepared prefix every test copies (made once per build).
tallisk_template() {
  local t="$TALLISK_WINE_DIR/tmpl"
  [ -f "$t/.ready" ] && return 0
  (
    flock 9
    [ -f "$t/.ready" ] && exit 0
    rm -rf "$t"
    sed "s#@RECORD@#$TALLISK_TESTS_WINE/record-open.sh#g" "$TALLISK_TESTS_WINE/prefix.reg" > "$TALLISK_WINE_DIR/prefix.reg"
    WINEPREFIX="$t" wineboot -i >/dev/null 2>&1
    WINEPREFIX="$t" wine regedit /S "$(dos "$TALLISK_WINE_DIR/prefix.reg")" >/dev/null 2>&1
    WINEPREFIX="$t" wineserver -w
    touch "$t/.ready"
  ) 9>"$TALLISK_WINE_DIR/.tmpl.lock"
}

# tallisk_new_prefix NAME: a fresh copy of the template; exports WINEPREFIX.
# The system folders' programs and libraries, 1.2 GB of a 64-bit prefix, are
# only ever read: they are linked to the template's. Every other file is a copy
# of its own, so a program rewriting it in place cannot reach the template.
tallisk_new_prefix() {
  tallisk_template
  export WINEPREFIX="$TALLISK_WINE_DIR/$1"
  WINEPREFIX="$WINEPREFIX" wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  cp -al "$TALLISK_WINE_DIR/tmpl" "$WINEPREFIX" &&
    find "$WINEPREFIX" -type f -links +1 ! -path '*/drive_c/windows/system32/*' \
         ! -path '*/drive_c/windows/syswow64/*' ! -path '*/drive_c/windows/winsxs/*' \
         -exec sh -c 'for f; do cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f" || exit 1; done' _ {} + ||
    { echo "tallisk_new_prefix: cannot make $WINEPREFIX (is the disk full?)" >&2; return 1; }
}

# Every file or URL the shell opens in a test prefix is appended, one line
# each, to $TALLISK_OPEN_LOG by record-open.sh (nothing real is started).

# dos PATH: the DOS path of an absolute Unix path. Z: is the root, so no Wine
# is needed (winepath without a prefix set would make a whole one under $HOME).
dos() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }

# wait_program FILE [timeout_s]: id of the first mapped window of the program
# FILE (a regex). Wine names a program's X windows after its file.
wait_program() { local re="$1" to="${2:-10}" t0=$(date +%s) w
  while :; do w=$(xdotool search --onlyvisible --class "$re" 2>/dev/null | head -1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    [ $(( $(date +%s) - t0 )) -ge "$to" ] && return 1; sleep 0.1; done; }
# wait_win REGEX [timeout_s]: id of the first mapped window whose title matches.
wait_win() { local re="$1" to="${2:-10}" t0=$(date +%s) w
  while :; do w=$(xdotool search --onlyvisible --name "$re" 2>/dev/null | head -1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    [ $(( $(date +%s) - t0 )) -ge "$to" ] && return 1; sleep 0.1; done; }
# wait_gone REGEX [timeout_s]
wait_gone() { local re="$1" to="${2:-10}" t0=$(date +%s)
  while xdotool search --onlyvisible --name "$re" >/dev/null 2>&1; do
    [ $(( $(date +%s) - t0 )) -ge "$to" ] && return 1; sleep 0.1; done; return 0; }
# wait_log FILE PATTERN [timeout_s]
wait_log() { local f="$1" p="$2" to="${3:-10}" t0=$(date +%s)
  until grep -qF -- "$p" "$f" 2>/dev/null; do
    [ $(( $(date +%s) - t0 )) -ge "$to" ] && return 1; sleep 0.1; done; return 0; }
# wait_file FILE [timeout_s]: until FILE exists and is not empty.
wait_file() { local f="$1" to="${2:-10}" t0=$(date +%s)
  until [ -s "$f" ]; do
    [ $(( $(date +%s) - t0 )) -ge "$to" ] && return 1; sleep 0.05; done; return 0; }
