#!/usr/bin/env bash
# The Windows Installer package as a user meets it, silent, under wine64's
# msiexec in fresh win64 prefixes (so on every machine), signed with a test
# certificate: every signed file verifies, install, start from the
# Start menu where 32-bit programs run, "Edit with Tallisk" on .htm files,
# upgrade to a newer package keeping the settings, refuse the older one,
# uninstall without leftovers; a damaged package installs nothing, and
# another program's folder survives.
set -u
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s '-screen 0 1024x768x24' bash "$0" "$@"; fi
export TALLISK_ARCH=64 TALLISK_WINE_DIR="$TALLISK_BUILD/wine-installer"
mkdir -p "$TALLISK_WINE_DIR"
. "$TALLISK_SOURCE/tests/wine/env.sh"
W=$TALLISK_WINE_DIR/packages
rm -rf "$W"; mkdir -p "$W"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
trap 'wineserver -k >/dev/null 2>&1' EXIT

# A throwaway code-signing certificate, valid from a day before the last
# commit, whose time make dist signs with.
epoch=$(bash "$TALLISK_SOURCE/tools/source-date-epoch.sh")
faketime -f "@$(date -u -d "@$((epoch - 86400))" '+%Y-%m-%d %H:%M:%S')" openssl req -x509 -newkey rsa:2048 -nodes \
  -keyout "$W/sign.key" -out "$W/sign.pem" -days 3650 -subj "/CN=Tallisk test signing" \
  -addext "extendedKeyUsage=codeSigning" 2>/dev/null &&
  openssl pkcs12 -export -inkey "$W/sign.key" -in "$W/sign.pem" -out "$W/sign.pfx" -passout pass:throwaway ||
  { echo "FAIL: no test certificate"; exit 1; }

# The package make dist writes, signed, and a newer unsigned one from the
# same source whose manual grew and whose Tallisk.exe differs in its link
# time only (same size, same file version), as a rebuilt program would.
TALLISK_SIGN_PFX=$W/sign.pfx TALLISK_SIGN_PASSWORD=throwaway bash "$TALLISK_SOURCE/tools/dist.sh" "$TALLISK_BUILD" "$W" \
  >"$W/dist.log" || { echo "FAIL: dist.sh failed"; cat "$W/dist.log"; exit 1; }
old=$(ls "$W"/Tallisk-*.msi) || { echo "FAIL: make dist wrote no package"; exit 1; }
# Every signed file verifies against the certificate; one changed byte does not.
for f in Tallisk/StartTallisk.exe Tallisk/lib/Tallisk.exe Tallisk/lib/velmora.dll "${old#$W/}"; do
  osslsigncode verify -CAfile "$W/sign.pem" -in "$W/$f" >"$W/verify.log" 2>&1 || fail "$f does not verify:$(tail -3 "$W/verify.log")"
  cp "$W/$f" "$W/changed"
  printf '\x5a' | dd of="$W/changed" bs=1 seek=$(($(stat -c %s "$W/$f") / 3)) conv=notrunc 2>/dev/null
  cmp -s "$W/$f" "$W/changed" && printf '\x5b' | dd of="$W/changed" bs=1 seek=$(($(stat -c %s "$W/$f") / 3)) conv=notrunc 2>/dev/null
  osslsigncode verify -CAfile "$W/sign.pem" -in "$W/changed" >/dev/null 2>&1 && fail "$f changed in one byte still verifies"
done
(cd "$W" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS of the signed release does not check"
version=${old##*/Tallisk-}; version=${version%.msi}
newer_version=${version%.*}.$(( ${version##*.} + 1 ))
mkdir -p "$W/newer"; cp -a "$W/Tallisk" "$W/newer/"
echo '<!-- newer -->' >>"$W/newer/Tallisk/lib/manual.htm"
pe=$(od -An -tu4 -j60 -N4 "$W/newer/Tallisk/lib/Tallisk.exe")
printf '\x5a\x5a\x5a\x5a' | dd of="$W/newer/Tallisk/lib/Tallisk.exe" bs=1 seek=$((pe + 8)) conv=notrunc 2>/dev/null
new=$W/Tallisk-$newer_version.msi
bash "$TALLISK_SOURCE/tools/msi.sh" "$newer_version" "$W/newer/Tallisk" "$new" || { echo "FAIL: msi.sh failed"; exit 1; }
echo "package: $(basename "$old"), $(stat -c %s "$old") bytes"

# msiexec ARGS...: a silent msiexec run; its log is $W/msiexec.log.
msiexec() { wine msiexec "$@" /qn /l*v "$(dos "$W/msiexec.log")" >/dev/null 2>&1; }
# timed WHAT ARGS...: msiexec, printing how long it took; its exit code.
timed() {
  local what=$1 t0 rc; shift
  t0=$(date +%s.%N); msiexec "$@"; rc=$?
  echo "time: $what $(awk "BEGIN { printf \"%.2f\", $(date +%s.%N) - $t0 }") s"
  return $rc
}

# The user's folders in the current prefix, from Windows' own names for them.
winvar() { wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
unix_of() { local p=${1#[Cc]:\\}; printf '%s/drive_c/%s' "$WINEPREFIX" "${p//\\//}"; }
user_folders() {
  local_win=$(winvar LOCALAPPDATA)
  programs=$(unix_of "$local_win")/Programs
  install=$programs/Tallisk
  link=$(unix_of "$(winvar APPDATA)")/Microsoft/Windows/Start\ Menu/Programs/Tallisk.lnk
  documents=$(unix_of "$(winvar USERPROFILE)")/Documents
}

# entries: the installed-apps list, one "code|||name" line each.
entries() { wine uninstaller --list 2>/dev/null | tr -d '\r'; }
# entry_value CODE NAME: a value of the entry's uninstall key (the package is 32-bit).
entry_value() {
  wine reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" /v "$2" /reg:32 2>/dev/null |
    tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
shortcut() { python3 "$TALLISK_SOURCE/tests/installer/lnk.py" "$link" | sed -n "s/^$1=//p"; }

# The verb on .htm files; reg_default KEY: the key's default value, if it has one.
verb='HKCU\Software\Classes\SystemFileAssociations\.htm\shell\Tallisk.Edit'
reg_default() { wine reg query "$1" /ve 2>/dev/null | tr -d '\r' | sed -n 's/^ *(Default) *REG_SZ *//p'; }
# check_verb: "Edit with Tallisk" starts the installed launcher on the file, and
# the program that opens .htm files is still the one before.
check_verb() {
  [ "$(reg_default "$verb")" == "Edit with Tallisk" ] || fail "the .htm verb's text is '$(reg_default "$verb")'"
  [ "$(reg_default "$verb\\command")" == "\"$local_win\\Programs\\Tallisk\\StartTallisk.exe\" \"%1\"" ] ||
    fail "the .htm verb's command is '$(reg_default "$verb\\command")'"
  [ "$(reg_default 'HKCR\.htm')" == tallisktest.htm ] || fail ".htm files now belong to '$(reg_default 'HKCR\.htm')'"
}

# same_files DIR: the installed folder holds DIR's files, byte for byte, and
# nothing else but the two files Tallisk writes.
same_files() {
  local f list want
  list=$(cd "$install" && find . -type f ! -name conf ! -name about.url ! -name 'kept*' | sort)
  want=$(cd "$1" && find . -type f | sort)
  [ "$list" == "$want" ] || { fail "installed files: $(echo $list), expected $(echo $want)"; return; }
  for f in $want; do cmp -s "$1/$f" "$install/$f" || fail "installed $f differs from $1/$f"; done
}

# state: everything an install touches, to show that a refusal changed nothing.
state() {
  ( cd "$programs" 2>/dev/null && find . -type f -exec sha256sum {} + | sort )
  sha256sum <"$link" 2>/dev/null
  reg_default "$verb\\command"
  entries
}

# check_entry VERSION: exactly one Tallisk entry, of that version.
check_entry() {
  local list code
  list=$(entries | grep '|||Tallisk$')
  [ "$(grep -c . <<<"$list")" -eq 1 ] || { fail "installed-apps entries: $(echo $list)"; return; }
  code=${list%%|*}
  [ "$(entry_value "$code" DisplayVersion)" == "$1" ] || fail "the entry's version is not $1"
  [ "$(entry_value "$code" Publisher)" == "Tallisk" ] || fail "the entry's publisher is not Tallisk"
}

check_shortcut() {
  [ -f "$link" ] || { fail "no Start-menu shortcut Tallisk"; return; }
  [ "$(shortcut target)" == "$local_win\\Programs\\Tallisk\\StartTallisk.exe" ] ||
    fail "the shortcut points at $(shortcut target)"
  [ "$(unix_of "$(shortcut workdir)")" == "$documents/" ] || fail "the shortcut starts in $(shortcut workdir)"
  cmp -s "$(unix_of "$(shortcut icon)")" "$TALLISK_SOURCE/ui/tallisk.ico" || fail "the shortcut's icon is not Tallisk's"
}

# start_from_menu: the shortcut starts the installed Tallisk, whose main
# window appears; File, Exit makes it write conf in the installed folder.
start_from_menu() {
  local w try
  ( cd "$W" && wine start "$(sed 's#^.*/drive_c/#C:\\#; s#/#\\#g' <<<"$link")" >/dev/null 2>&1 ) ||
    { fail "start of the shortcut failed"; return 1; }
  w=$(wait_program '^Tallisk\.exe$' 20) || { fail "no window of Tallisk.exe appeared"; return 1; }
  [[ $(xdotool getwindowname "$w") == *" - New" ]] || fail "the window is not the main window in its New state"
  for try in 1 2 3; do
    xdotool windowfocus --sync "$w" 2>/dev/null; xdotool key alt+f; sleep 0.3; xdotool key x
    wait_file "$install/lib/conf" 5 && return 0
  done
  fail "File, Exit wrote no conf in the installed folder"
}

echo "== install, upgrade, refusal of the older package, uninstall"
tallisk_new_prefix installer
user_folders
mkdir -p "$documents"; echo 'a page of mine' >"$documents/mine.htm"
# A verb of the user's own beside Tallisk's, which uninstall must leave.
own_verb='HKCU\Software\Classes\SystemFileAssociations\.htm\shell\Mine.Print\command'
wine reg add "$own_verb" /ve /d 'mine.exe "%1"' /f >/dev/null 2>&1
timed install /i "$(dos "$old")" || fail "install: exit code $?"
same_files "$W/Tallisk"
check_shortcut
check_verb
check_entry "$version"
if tallisk_can_run_32bit; then
  start_from_menu
else
  echo "skipped: starting Tallisk from the Start menu ($tallisk_no_32bit_reason)"
  printf 'conf\0of a previous run\r\n' >"$install/lib/conf"
fi
printf '[InternetShortcut]\r\nURL=http://example.com/\r\n' >"$install/lib/about.url"
printf 'TLSKKEPT texts of a previous run' >"$install/lib/kept"
printf 'a damaged copy moved aside' >"$install/lib/kept.damaged2"
cp "$install/lib/conf" "$W/conf.before"

timed upgrade /i "$(dos "$new")" || fail "upgrade: exit code $?"
same_files "$W/newer/Tallisk"
cmp -s "$W/conf.before" "$install/lib/conf" || fail "the upgrade did not keep conf byte for byte"
[ "$(cat "$install/lib/kept")" = 'TLSKKEPT texts of a previous run' ] || fail "the upgrade did not keep the kept texts"
check_shortcut
check_verb
check_entry "$newer_version"

before=$(state)
msiexec /i "$(dos "$old")" && fail "the older package installed over the newer one"
[ "$(state)" == "$before" ] || fail "the refused older package changed the installation"

# A value added to the verb since, as a tool may add an icon: left behind, it
# would show "Tallisk.Edit" in the menu with no command.
wine reg add "$verb" /v Icon /d 'shell32.dll,1' /f >/dev/null 2>&1
timed uninstall /x "$(dos "$new")" || fail "uninstall: exit code $?"
[ -e "$programs" ] && fail "left after uninstall: $(cd "$programs/.." && find Programs | tr '\n' ' ')"
[ -e "$link" ] && fail "the shortcut is left after uninstall"
[ -n "$(entries)" ] && fail "installed-apps entries left: $(entries)"
wine reg query 'HKCU\Software\Tallisk' >/dev/null 2>&1 && fail "HKCU\\Software\\Tallisk is left"
wine reg query "$verb" >/dev/null 2>&1 && fail "the .htm verb is left after uninstall"
[ "$(reg_default "$own_verb")" == 'mine.exe "%1"' ] || fail "uninstall removed the user's own .htm verb"
[ "$(cat "$documents/mine.htm" 2>/dev/null)" == 'a page of mine' ] || fail "uninstall touched the user's page"
wineserver -k

echo "== a truncated package, and another program next to Tallisk"
tallisk_new_prefix installer-others
user_folders
head -c $(( $(stat -c %s "$old") / 2 )) "$old" >"$W/truncated.msi"
msiexec /i "$(dos "$W/truncated.msi")" && fail "the truncated package installed"
[ -e "$install" ] || [ -e "$link" ] || [ -n "$(entries)" ] && fail "the truncated package left something"
mkdir -p "$programs/Other"; echo other >"$programs/Other/other.exe"
msiexec /i "$(dos "$old")" || fail "install next to another program: exit code $?"
msiexec /x "$(dos "$old")" || fail "uninstall next to another program: exit code $?"
[ -e "$install" ] && fail "Tallisk's folder is left"
[ "$(cat "$programs/Other/other.exe" 2>/dev/null)" == other ] || fail "uninstall touched another program's folder"

[ "$failures" -eq 0 ] && echo "installer: all checks passed"
exit "$failures"
