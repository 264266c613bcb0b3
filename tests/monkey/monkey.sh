#!/usr/bin/env bash
# Random actions in Tallisk's real window, each checked against a model of
# what the person should see: one main window, the right caption and
# dialogs, texts kept, every page equal to tallisk-page's for the texts on
# screen, every opened file the right one, and after each close and start
# the same file, place and size as the close stored and the same texts.
# Tallisk is also ended now and then as a crash would end it: then the next
# start shows the file and texts it had at the end. Pages are opened again
# (Open, Ctrl+O, Select Launch, a drop, the command line, a second start):
# its own, other programs' and damaged ones, which the model tells apart by
# reading them back with tallisk-page; every question is answered each way,
# and every page must hold the bytes the model says.
# monkey.sh [SEED [ACTIONS [RUN_NAME]]]; needs TALLISK_BUILD, TALLISK_WINE_DIR
# and TALLISK_ARCH as ctest gives them (`make soak` sets them).
set -u
# Always a screen of its own: random keys and clicks must never reach a
# person's desktop. -noreset keeps the keyboard map below: by default the
# server starts afresh whenever its last client leaves.
if [ -z "${TALLISK_MONKEY_SCREEN:-}" ]; then
  TALLISK_MONKEY_SCREEN=1 exec xvfb-run -a -s '-screen 0 1024x768x24 -noreset' bash "$0" "$@"
fi
# Characters above 127 get keys of their own before Wine reads the map.
# Otherwise xdotool maps a spare key for each for a moment and maps it back;
# Wine looks the key up only when the program translates the message, and
# then and again finds nothing there.
xmodmap -e 'keycode 93 = eacute' -e 'keycode 97 = sterling' -e 'keycode 103 = udiaeresis' \
  -e 'keycode 120 = ssharp' -e 'keycode 132 = ntilde' -e 'keycode 149 = section' || exit 1
export LC_ALL=C
seed=${1:-1} actions=${2:-120} run=${3:-monkey}
. "$(dirname "$0")/../wine/env.sh"
if [ "$TALLISK_ARCH" = 32 ] && ! tallisk_can_run_32bit; then
  echo "no 32-bit run: $tallisk_no_32bit_reason"; exit 1
fi
B=$TALLISK_BUILD
W=$TALLISK_WINE_DIR/$run-files
rm -rf "$W"; mkdir -p "$W/app" "$W/pages" "$W/snap" "$W/prev" "$W/last" "$W/texts" "$W/model" "$W/want" "$W/load"
cp "$B/Tallisk.exe" "$B/manual.htm" "$W/app/"
export TALLISK_OPEN_LOG=$W/opened.log
: >"$TALLISK_OPEN_LOG"
tallisk_new_prefix "$run"
touch "$W/.start"
APP=$(dos "$W/app") PAGES=$(dos "$W/pages")
SAVE='Specify a calculator file name to save as and to lauch'
OPEN='Select a calculator to lauch'
EDIT='Select a calculator to edit'
ASK='The calculator in the editors is in no page yet. Write it to its page before the editors are replaced?'
REPLACE='The current file is not a calculator page that Tallisk wrote, or it was changed since. Replace it with this calculator?'
NATIVE=$B/../native

# The helper serves snapshots for the whole run through a pipe.
mkfifo "$W/ask"
wine "$B/tallisk-peek.exe" <"$W/ask" >/dev/null 2>&1 &
exec 7>"$W/ask"
trap 'exec 7>&-; wineserver -k >/dev/null 2>&1' EXIT

log=() step=0 restarts=0 endings=0 pages_checked=0 loads=0 questions=0 refusals=0 drops=0 seconds=0
# Each line with the time of day, to set against the files' times.
say() { local t; printf -v t '%(%T)T.%.3s' "${EPOCHREALTIME%.*}" "${EPOCHREALTIME#*.}"; log+=("$step: $t $*"); }
fail() {
  echo "FAIL at action $step (seed $seed, $TALLISK_ARCH-bit): $*"
  printf '  %s\n' "${log[@]}"
  [ -f "$W/snap/state" ] && { echo "the window as last read:"; tr -d '\r' <"$W/snap/state" | sed 's/^/  /'; }
  import -window root "$W/failure.png" 2>/dev/null && echo "screen: $W/failure.png"
  echo "replay: make soak SEED=$seed ACTIONS=$step ARCH=$TALLISK_ARCH"
  exit 1
}

# snap: the helper's look at the window into S_* and snap/{name,variables,function}.
snap() {
  rm -f "$W/snap/state"
  echo "$(dos "$W/snap")" >&7
  wait_file "$W/snap/state" 30 || fail "the helper did not answer"
  S_mains=0 S_caption= S_rect= S_func= S_state= S_focus=0 S_close= S_max= S_min= S_cap= S_aclose= S_windows= S_texts= S_enter=
  S_msg= S_def= S_buttons=
  local key rest
  while IFS= read -r line; do
    key=${line%% *} rest=${line#* }
    case $key in
      mains) S_mains=$rest ;; caption) S_caption=$rest ;; rect) S_rect=$rest ;; func) S_func=$rest ;;
      state) S_state=$rest ;; focus) S_focus=$rest ;; close) S_close=$rest ;; max) S_max=$rest ;;
      min) S_min=$rest ;; bar) S_cap=$rest ;; aboutclose) S_aclose=$rest ;; window) S_windows+="$rest;" ;;
      texts) S_texts=$rest ;; enter) S_enter=$rest ;;
      message) S_msg=$rest ;; default) S_def=$rest ;; button) S_buttons+="$rest;" ;;
    esac
  done < <(tr -d '\r' <"$W/snap/state")
  # A window may reach past the screen's edge: a part off the screen cannot
  # be clicked, so it counts as absent.
  on_screen S_close; on_screen S_max; on_screen S_min; on_screen S_cap; on_screen S_aclose
}
on_screen() {
  local x y
  read -r x y <<<"${!1}"
  [ -n "$y" ] && [ "$x" -ge 0 ] && [ "$x" -lt 1024 ] && [ "$y" -ge 0 ] && [ "$y" -lt 768 ] || printf -v "$1" ''
}
text() { local t; t=$(cat "$W/snap/$1"; echo x); printf '%s' "${t%x}"; }

# The model.
untitled=1 folder= fname= expect_dialog= dirty=0 about_focus=ok
# unwritten: the editors hold texts no page holds, so replacing them asks
# first. then: what a question or the save dialog goes on with once it is
# answered so (launch, new or load:NAME:LAUNCH). want_texts: the editors must
# hold want/*. kept_now: the kept file holds the editors' texts already.
unwritten=1 then= want_texts=0 kept_now=0 err_text=
known_pages=() listed= wrote=0
caption_expected() { if [ "$untitled" = 1 ]; then echo "Tallisk 1.0 - New"; else echo "Tallisk 1.0 - $folder$fname"; fi; }
rect_l=0 rect_t=0 rect_w=0 rect_h=0 min_w=0 min_h=0 mode=normal before_min=normal

start() {  # start [PAGE]: PAGE on the command line
  rm -f "$W/rc"
  # The subshell's own stderr too: it reports a process ended by act_end.
  ( cd "$W/app" && wine Tallisk.exe "$@" >>"$W/wine.log" 2>&1; echo $? >"$W/rc" ) 2>>"$W/wine.log" &
  w=$(wait_win '^Tallisk 1\.0 - ' 30) || fail "no main window after start"
  xdotool windowfocus --sync "$w" 2>/dev/null
  sleep 0.3
  snap
  dirty=0 mode=normal expect_dialog= about_focus=ok
  save_rect
}
save_rect() { local l t r b; read -r l t r b <<<"$S_rect"; rect_l=$l rect_t=$t rect_w=$((r - l)) rect_h=$((b - t)); }
keep_texts() { cp "$W/snap/name" "$W/snap/variables" "$W/snap/function" "$W/prev/"; }
same_text() { cmp -s "$W/snap/$1" "$W/prev/$1"; }

# check: the invariants after every action, against the model. Tallisk
# answers most actions after the keys or clicks have gone (a dialog's window
# is gone before the call that showed it has returned and set the caption),
# so the window is read again until it agrees or `settle` seconds have passed
# since the check began; a real fault still fails, with what was read last.
opened_before=0 settle=5
check() {
  local t0 why elapsed
  t0=$(date +%s%N)
  while :; do
    snap
    [ -f "$W/rc" ] && fail "Tallisk ended (exit code $(cat "$W/rc"))"
    why=$(agrees) && break
    elapsed=$((($(date +%s%N) - t0) / 1000000))
    [ "$elapsed" -lt $((settle * 1000)) ] || fail "$why (still so ${elapsed} ms after the action)"
    sleep 0.1
  done
  note_text_change
}
# Tallisk keeps the texts keep_delay ms after their last change; the change
# happened before the read that first shows it, so that read's time is late
# enough to count from.
keep_delay=2000 changed_at=0
note_text_change() {
  cmp -s "$W/snap/name" "$W/last/name" && cmp -s "$W/snap/variables" "$W/last/variables" &&
    cmp -s "$W/snap/function" "$W/last/function" && return
  cp "$W/snap/name" "$W/snap/variables" "$W/snap/function" "$W/last/"
  changed_at=$(date +%s%N) unwritten=1 kept_now=0
}
# agrees: says what differs from the model and fails, or succeeds silently.
agrees() {
  [ "$S_mains" = 1 ] || { echo "$S_mains main windows"; return 1; }
  [ "$S_texts" = ok ] || { echo "the editors could not be read"; return 1; }
  [ "$S_caption" = "$(caption_expected)" ] || { echo "caption '$S_caption', expected '$(caption_expected)'"; return 1; }
  local want=
  case $expect_dialog in
    save) want="#32770|$SAVE;" ;; open) want="#32770|$OPEN;" ;; about) want="IconDialog|About;" ;;
    edit) want="#32770|$EDIT;" ;; ask | replace) want="#32770|Tallisk;" ;; error) want="#32770|Error;" ;;
  esac
  [ "$S_windows" = "$want" ] || { echo "windows '$S_windows', expected '$want'"; return 1; }
  case $expect_dialog in
    ask) [ "$S_msg $S_def" = "$ASK 6" ] || { echo "question '$S_msg' (default $S_def), expected '$ASK' (default Yes)"; return 1; } ;;
    replace) [ "$S_msg $S_def" = "$REPLACE 7" ] || { echo "question '$S_msg' (default $S_def), expected '$REPLACE' (default No)"; return 1; } ;;
    error) [ "$S_msg" = "$err_text" ] || { echo "error '$S_msg', expected '$err_text'"; return 1; } ;;
  esac
  if [ "$want_texts" = 1 ]; then
    local f
    for f in name variables function; do
      cmp -s "$W/snap/$f" "$W/want/$f" || { echo "$f holds $(printf '%q' "$(text "$f")"), expected $(printf '%q' "$(cat "$W/want/$f")")"; return 1; }
    done
  fi
  [ "$S_state" = "$mode" ] || { echo "window state $S_state, expected $mode"; return 1; }
  if [ "$mode" = normal ]; then
    local l t r b
    read -r l t r b <<<"$S_rect"
    [ "$l $t $((r - l)) $((b - t))" = "$rect_l $rect_t $rect_w $rect_h" ] \
      || { echo "window at $l $t $((r - l))x$((b - t)), expected $rect_l $rect_t ${rect_w}x$rect_h"; return 1; }
  fi
}

# Files the shell was asked to open since the last action, one a line.
expect_opened() {  # expect_opened [PATH...]
  local want n=$# i
  for i in $(seq 30); do [ "$(wc -l <"$TALLISK_OPEN_LOG")" -ge $((opened_before + n)) ] && break; sleep 0.1; done
  [ "$n" -gt 0 ] || sleep 0.2
  want=$(for p in "$@"; do printf '%s\n' "$p"; done)
  local got; got=$(tail -n +$((opened_before + 1)) "$TALLISK_OPEN_LOG")
  [ "$got" = "$want" ] || fail "opened '$got', expected '$want'"
  opened_before=$(wc -l <"$TALLISK_OPEN_LOG")
}
# The pages folder holds just the files the model knows, each with the bytes
# the model has for it in model/, and the program folder just the program,
# its manual, its settings and the About link. Checked after each action,
# once what it waits for has happened: a page being written has a file of its
# own beside it for a moment.
# model/ holds a copy of each, so one diff compares names and bytes alike.
pages_listed() {
  local got
  got=$(diff -rq "$W/model" "$W/pages") || fail "the pages differ from the model's: $got"
  # Nothing is written, not even the same bytes again, by an action that
  # writes no page.
  got=$(pages_state)
  [ "$wrote" = 1 ] || [ "$got" = "$listed" ] || fail "the pages folder was written: before $listed, now $got"
  listed=$got wrote=0
  got=$(ls "$W/app" | grep -vxE 'Tallisk\.exe|manual\.htm|conf|about\.url|kept|tlk[0-9A-F]+\.tmp')
  [ -z "$got" ] || fail "unexpected files in the program folder: $got"
}
# Nothing written outside the run's folders: no page, link or settings file
# since the run began in the prefix, the home folder, the tree the program
# came from or next to the run's folders.
nothing_outside() {
  local found
  found=$({ find "$WINEPREFIX/drive_c" "$HOME" -newer "$W/.start"; find "$B" "$W" -maxdepth 1 -newer "$W/.start"; } \
    2>/dev/null | grep -E '\.(htm|url)$|/conf$')
  [ -z "$found" ] || fail "written outside the run's folders: $found"
}

# The page just written must be tallisk-page's for the texts on screen when
# the action began.
check_page() {
  local page=$1
  wait_file "$page" 5 || fail "no page at $page"
  "$NATIVE/tallisk-page" -o "$W/texts/expected.htm" "$W/prev/name" "$W/prev/variables" "$W/prev/function" \
    || fail "tallisk-page failed"
  for i in $(seq 20); do cmp -s "$page" "$W/texts/expected.htm" && break; sleep 0.1; done
  cmp -s "$page" "$W/texts/expected.htm" || { cp "$page" "$W/texts/got.htm"; fail "page $page differs from tallisk-page's (texts/got.htm)"; }
  pages_checked=$((pages_checked + 1))
}
# Each page's name, size and time; not ls -l, whose block total a large file
# still being allocated changes with nothing written.
pages_state() { local f=("$W/pages"/*); [ ! -e "${f[0]}" ] || stat -c '%n %s %y' "${f[@]}"; }
unix_of() { local p=${1#Z:}; printf '%s' "${p//\\//}"; }

# read_back FILE [DIR]: RB is ok when FILE is a page tallisk-page reads back,
# its texts then in DIR; else the reason it does not. The texts must give
# back FILE's very bytes. The model's copy is what is read: the page itself
# may be being replaced by the answer just given.
read_back() {
  local d=${2:-$W/texts/rb}
  mkdir -p "$d"
  rm -f "$d"/*
  RB=$("$NATIVE/tallisk-page" --read "$1" "$d/name" "$d/variables" "$d/function" 2>&1 >/dev/null)
  case $? in
    0) RB=ok
       "$NATIVE/tallisk-page" -o "$W/texts/again.htm" "$d/name" "$d/variables" "$d/function" &&
         cmp -s "$W/texts/again.htm" "$1" || fail "the texts read back from $1 do not give its bytes" ;;
    *) [ -n "$RB" ] || fail "tallisk-page --read $1 failed without a reason"
       RB=${RB#"tallisk-page: $1 "} ;;
  esac
}
# What the Error box says for a file that does not read back.
reason_text() {
  case $1 in
    'is not a calculator page') echo "This file is not a calculator page that Tallisk wrote, so there is nothing to edit. It can still be launched with File, Select Launch." ;;
    'has been changed since'*) echo "This calculator page was changed after Tallisk wrote it, so its texts cannot be read back. It can still be launched with File, Select Launch." ;;
    'holds a zero byte'*) echo "This file holds a zero byte, which no calculator page does, so there is nothing to edit. It can still be launched with File, Select Launch." ;;
    *'longer than 16 MiB') echo "A text of this page is longer than the 16 MiB that Tallisk keeps, so it is not opened for editing. It can still be launched with File, Select Launch." ;;
    *) echo "The file could not be read, so there is nothing to edit. The editors are as they were." ;;
  esac
}
add_page() { local f; for f in "${known_pages[@]}"; do [ "$f" = "$1" ] && return; done; known_pages+=("$1"); }
editors_empty() { ! [ -s "$W/prev/name" ] && ! [ -s "$W/prev/variables" ] && ! [ -s "$W/prev/function" ]; }

# Commands, as the model sees them. Pages live in the pages folder only.
cmd_create() {  # cmd_create FORCE
  if [ "$1" = 1 ]; then then=launch expect_dialog=save; check; return; fi
  write_editors launch
}
# write_editors THEN: Create Launch's writing, and the question's Yes: the
# save dialog when untitled; a current file that is there but does not read
# back is replaced only after a question. THEN follows the write.
write_editors() {
  then=$1
  if [ "$untitled" = 1 ]; then expect_dialog=save; check; texts_kept; expect_opened; return; fi
  if [ -s "$W/model/$fname" ] && { read_back "$W/model/$fname"; [ "$RB" != ok ]; }; then
    expect_dialog=replace; check; texts_kept; expect_opened; return
  fi
  page_written; resume
}
# The current file now holds the editors' calculator.
page_written() {
  check_page "$W/pages/$fname"
  cp "$W/texts/expected.htm" "$W/model/$fname"
  add_page "$fname"; unwritten=0 wrote=1
}
resume() {
  local t=$then r
  then= expect_dialog=
  case $t in
    launch) check; texts_kept; expect_opened "$folder$fname" ;;
    new) do_new ;;
    load:*) r=${t#load:}; do_load "${r%:*}" "${r##*:}" ;;
  esac
}
# Opening NAME for editing (Open, a drop, the command line).
open_file() {
  read_back "$W/model/$1"
  if [ "$RB" = ok ]; then go_load "$1" 0; return; fi
  err_text=$(reason_text "$RB") expect_dialog=error
  check; texts_kept; expect_opened
}
# Select Launch of NAME: a page that reads back is loaded first.
select_launch() {
  read_back "$W/model/$1"
  if [ "$RB" = ok ]; then go_load "$1" 1; return; fi
  untitled=0 folder="$PAGES\\" fname=$1
  check; texts_kept; expect_opened "$folder$fname"
}
go_load() {  # go_load NAME LAUNCH
  if [ "$unwritten" = 1 ] && ! editors_empty; then
    then="load:$1:$2" expect_dialog=ask; check; texts_kept; expect_opened; return
  fi
  do_load "$1" "$2"
}
# The editors get the page's texts as it is now, after any write the
# question's Yes made.
do_load() {  # do_load NAME LAUNCH
  read_back "$W/model/$1" "$W/load"
  [ "$RB" = ok ] || fail "model: $1 no longer reads back ($RB)"
  cp "$W/load/"* "$W/want/"
  untitled=0 folder="$PAGES\\" fname=$1 expect_dialog= want_texts=1
  check
  unwritten=0 kept_now=1 loads=$((loads + 1))
  if [ "$2" = 1 ]; then expect_opened "$folder$fname"; else expect_opened; fi
}
cmd_launch() {  # cmd_launch FORCE
  if [ "$untitled" = 1 ] || [ "$1" = 1 ]; then expect_dialog=open; check; return; fi
  local before; before=$(pages_state)
  check
  expect_opened "$folder$fname"
  local after; after=$(pages_state)
  [ "$after" = "$before" ] || fail "Launch wrote to the pages folder: before $before, after $after"
}
cmd_new() {
  if [ "$unwritten" = 1 ] && ! editors_empty; then then=new expect_dialog=ask; check; texts_kept; expect_opened; return; fi
  do_new
}
do_new() {
  local f; for f in name variables function; do : >"$W/want/$f"; done
  untitled=1 expect_dialog= want_texts=1
  check; unwritten=0; expect_opened
}

# press KEY...: keys to the main window. Under Wine a key pressed just after
# a modal dialog closed is now and then lost; callers that can see whether
# a key took effect try once more (wait_effect).
press() { xdotool key --delay 40 "$@"; }
wait_effect() {  # wait_effect TEST KEY...: presses, and again once if TEST stays false
  local test=$1; shift
  press "$@"
  for i in $(seq 20); do eval "$test" && return 0; sleep 0.1; done
  say "note: no effect from '$*', pressed again"
  press Escape; sleep 0.2; press "$@"
  for i in $(seq 20); do eval "$test" && return 0; sleep 0.1; done
  return 1
}
dialog_up() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }

# pick sets P: bash reseeds RANDOM in every subshell, so
# they must not run in one for a seed to replay.
pick() { local a=("$@"); P=${a[RANDOM % ${#a[@]}]}; }
# Random text of what people type into a calculator, with a few bytes above
# 127 as keysyms (é £ ü ß ñ §) and line breaks.
random_text() {
  local n=$((1 + RANDOM % 12)) s=
  local chars='abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789     /&?#"<>'"'"'=+-*();.'
  for ((i = 0; i < n; i++)); do
    case $((RANDOM % 20)) in
      0) s+=$'\n' ;;
      1) pick é £ ü ß ñ §; s+=$P ;;
      *) s+=${chars:RANDOM % ${#chars}:1} ;;
    esac
  done
  TXT=$s
}
# What typing TEXT leaves in an editor: cp1252 bytes, CR LF line breaks in
# the multi-line ones; the one-line name editor takes no line break.
landed() {  # landed TEXT EDITOR_ID
  local t; t=$(printf '%s' "$1" | iconv -f UTF-8 -t CP1252)
  if [ "$2" = 2000 ]; then printf '%s' "${t//$'\n'/}"; else printf '%s' "${t//$'\n'/$'\r\n'}"; fi
}
editor_file() { case $1 in 2000) echo name ;; 2001) echo variables ;; 2002) echo function ;; esac; }

act_type() {
  local f; f=$(editor_file "$S_focus")
  if [ -z "$f" ]; then
    # A focused button: a blank presses it; a mnemonic presses its button
    # from any control that takes no characters. Arrow keys also bring the
    # focus to the status bar, where a blank does nothing.
    local k; pick space Return c l q; k=$P
    [ "${S_func%% *}" = 0 ] && [ "$k" != Return ] && k=q
    say "key $k on control $S_focus"
    case $k in
      space) press space
             case $S_focus in 2603) cmd_create 0 ;; 2601) cmd_launch 0 ;; *) check; texts_kept; expect_opened ;; esac ;;
      Return) press Return; return_pressed ;;
      c) press c; cmd_create 0 ;;
      l) press l; cmd_launch 0 ;;
      q) press q; check; texts_kept ;;
    esac
    return
  fi
  local t; random_text; t=$TXT
  say "type $(printf '%q' "$t") into $f"
  # Each line through xdotool type; a line break as Return.
  local first=1 line
  while IFS= read -r -d $'\n' line || [ -n "$line" ]; do
    [ $first = 1 ] || press Return
    first=0
    [ -n "$line" ] && LC_ALL=C.UTF-8 xdotool type --delay 20 -- "$line"
  done < <(printf '%s' "$t")
  [ "${t: -1}" = $'\n' ] && press Return
  check
  local now want
  now=$(text "$f"); want=$(landed "$t" "$S_focus")
  [[ $now == *"$want"* ]] || fail "$f holds $(printf '%q' "$now"), without the typed $(printf '%q' "$want")"
  texts_kept "$f" "typing into $f"
}
# texts_kept [EDITOR [WHAT]]: every editor's text but EDITOR's as before the action.
texts_kept() {
  local o
  for o in name variables function; do
    [ "$o" = "${1:-}" ] || same_text "$o" || fail "${2:+$2 }changed $o"
  done
}

# Return outside a multi-line editor presses the button the dialog manager
# names (S_enter, read before the key): the focused button if it is the
# default one, else the dialog's default. Which one that is after a mix of
# Tab, arrows, mnemonics and clicks is the dialog manager's business, so
# the model asks rather than guesses.
return_pressed() {
  case $S_enter in
    2603) cmd_create 0 ;; 2601) cmd_launch 0 ;; *) check; texts_kept; expect_opened ;;
  esac
}

act_key() {
  local k; pick Tab shift+Tab Up Down Left Right Home End BackSpace Escape Return; k=$P
  local f; f=$(editor_file "$S_focus")
  say "key $k (focus $S_focus)"
  press "$k"
  if [ "$k" = Return ] && [ "$f" != variables ] && [ "$f" != function ]; then return_pressed; return; fi
  check
  case $k in
    BackSpace | Return) texts_kept "$f" "$k" ;;
    *) texts_kept ;;
  esac
}

# Dialog answers.
save_answer() {
  local c=$((RANDOM % 5)) name
  if [ "$c" = 4 ]; then
    say "save dialog: Escape"
    press Escape; then= expect_dialog=; wait_gone "^$SAVE\$" 5; check; texts_kept; expect_opened; return
  fi
  # One time in four an existing file, once there is one; else a new name,
  # with or without its extension. A file chosen here is written without a
  # question, whatever it held.
  if [ "$c" = 3 ] && [ ${#known_pages[@]} -gt 0 ]; then
    pick "${known_pages[@]}"; name=$P
  else
    name=p$step; [ $((RANDOM % 2)) = 0 ] && name+=.htm
  fi
  say "save dialog: $name"
  xdotool type --delay 10 "$PAGES\\$name"; press Return
  wait_gone "^$SAVE\$" 5 || fail "save dialog stays open"
  name=${name%.htm}.htm
  untitled=0 folder="$PAGES\\" fname=$name expect_dialog=
  page_written
  resume
}
# file_answer TITLE WHAT: a file of the pages folder typed into the open
# dialog TITLE, or Escape; PICKED is the file, empty when cancelled.
file_answer() {
  PICKED= expect_dialog=
  if [ ${#known_pages[@]} -eq 0 ] || [ $((RANDOM % 5)) = 0 ]; then
    say "$2 dialog: Escape"
    press Escape; wait_gone "^$1\$" 5 || fail "$2 dialog stays open"; return
  fi
  pick "${known_pages[@]}"; PICKED=$P
  say "$2 dialog: $PICKED"
  xdotool type --delay 10 "$PAGES\\$PICKED"; press Return
  wait_gone "^$1\$" 5 || fail "$2 dialog stays open"
}
open_answer() {
  file_answer "$OPEN" open
  if [ -n "$PICKED" ]; then select_launch "$PICKED"; else check; texts_kept; expect_opened; fi
}
edit_answer() {
  file_answer "$EDIT" edit
  if [ -n "$PICKED" ]; then open_file "$PICKED"; else check; texts_kept; expect_opened; fi
}
# button_at ID: x and y of the message box's button ID, in bash alone: two
# soaks hung in bash's wait for a child that was already gone, cause not yet
# known, and every process substitution fewer is one place fewer for it.
button_at() {
  local b i
  x= y=
  IFS=';' read -ra b <<<"$S_buttons"
  for i in "${b[@]}"; do [ "${i%% *}" = "$1" ] && read -r _ x y <<<"$i"; done
}
# box_answer DEFAULT: answers the question on screen by a key or a
# click on its button; A is what was answered (yes, no or cancel).
box_answer() {
  local how id x y
  pick y n Escape Return click; how=$P
  case $how in
    y) A=yes ;; n) A=no ;; Escape) A=cancel ;; Return) A=$1 ;;
    click) pick yes no cancel; A=$P ;;
  esac
  say "question: $how ($A)"
  questions=$((questions + 1))
  case $how in
    click) case $A in yes) id=6 ;; no) id=7 ;; cancel) id=2 ;; esac
           button_at "$id"
           [ -n "$y" ] || fail "no button $id in the question ($S_buttons)"
           xdotool mousemove "$x" "$y" click 1 ;;
    *) press "$how" ;;
  esac
}
ask_answer() {
  box_answer yes
  case $A in
    yes) expect_dialog=; write_editors "$then" ;;
    no) resume ;;
    cancel) then= expect_dialog=; check; texts_kept; expect_opened ;;
  esac
}
replace_answer() {
  box_answer no
  case $A in
    yes) expect_dialog=; page_written; resume ;;
    *) then= expect_dialog=; check; texts_kept; expect_opened ;;
  esac
}
error_answer() {
  local how x y; pick Return Escape space click; how=$P
  say "error box: $how"
  refusals=$((refusals + 1))
  if [ "$how" = click ]; then
    button_at "${S_buttons%% *}"
    xdotool mousemove "$x" "$y" click 1
  else
    press "$how"
  fi
  expect_dialog=; check; texts_kept; expect_opened
}
about_answer() {
  case $((RANDOM % 4)) in
    0) say "About: link"
       if [ "$about_focus" = ok ]; then press Tab space; else press space; fi
       about_focus=link; check; expect_opened "$APP\\about.url"; return ;;
    1) say "About: OK"; press alt+o ;;
    2) say "About: Escape"; press Escape ;;
    3) if [ -n "$S_aclose" ]; then
         say "About: close box"; read -r x y <<<"$S_aclose"; xdotool mousemove "$x" "$y" click 1
       else
         say "About: Escape, its close box being off the screen"; press Escape
       fi ;;
  esac
  wait_gone '^About$' 5 || fail "the About box stays open"
  expect_dialog= about_focus=ok
  check; texts_kept; expect_opened
}

# Mouse: drags as a hand does them.
drag() {
  xdotool mousemove "$1" "$2" mousedown 1; sleep 0.1
  xdotool mousemove $((($1 + $3) / 2)) $((($2 + $4) / 2)); sleep 0.1
  xdotool mousemove "$3" "$4"; sleep 0.1
  xdotool mouseup 1; sleep 0.2
}
# clamp V LOW HIGH: LOW wins over HIGH, so a window taller than the screen
# keeps its caption on it.
# It sets CL rather than printing: a random draw inside $(...) would come
# from the subshell's own seed.
clamp() { CL=$1; [ "$CL" -gt "$3" ] && CL=$3; [ "$CL" -lt "$2" ] && CL=$2; }
act_move() {
  # At its smallest width the caption buttons leave no caption to take.
  if [ -z "$S_cap" ]; then act_resize; return; fi
  local x y; read -r x y <<<"$S_cap"
  # The window stays on the screen, its corner within reach.
  local dx=$((RANDOM % 300 - 150)) dy=$((RANDOM % 200 - 100)) tx ty
  clamp $dx $((-rect_l)) $((1010 - rect_l - rect_w)); dx=$CL
  clamp $dy $((-rect_t)) $((760 - rect_t - rect_h)); dy=$CL
  tx=$((x + dx)) ty=$((y + dy))
  say "drag the caption from $x,$y to $tx,$ty"
  drag "$x" "$y" "$tx" "$ty"
  rect_l=$((rect_l + tx - x)) rect_t=$((rect_t + ty - y)) dirty=1
  check; texts_kept
}
act_resize() {
  local x=$((rect_l + rect_w - 2)) y=$((rect_t + rect_h - 2))
  if [ "$x" -gt 1020 ] || [ "$y" -gt 765 ] || [ "$x" -lt 0 ] || [ "$y" -lt 0 ]; then
    if [ -n "$S_cap" ]; then act_move; else act_size_state; fi
    return
  fi
  local tx ty
  # Below the smallest size: lower than the window's minimum height, but
  # never narrower than 60 pixels: near its smallest width Wine moves the
  # left edge of a window sized by its right edge, and places a restored
  # window elsewhere than it was asked to.
  if [ $((RANDOM % 3)) = 0 ]; then
    clamp $((rect_l + 60)) 0 1020; tx=$CL; clamp $((rect_t + 30)) 0 765; ty=$CL
  else
    clamp $((x + RANDOM % 300 - 150)) $((rect_l + 60)) 1020; tx=$CL
    clamp $((y + RANDOM % 300 - 150)) $((rect_t + 30)) 765; ty=$CL
  fi
  say "drag the lower right corner from $x,$y to $tx,$ty"
  drag "$x" "$y" "$tx" "$ty"
  local nw=$((rect_w + tx - x)) nh=$((rect_h + ty - y))
  [ "$nw" -lt "$min_w" ] && nw=$min_w
  [ "$nh" -lt "$min_h" ] && nh=$min_h
  rect_w=$nw rect_h=$nh dirty=1
  check; texts_kept
  local fw fh; read -r fw fh <<<"$S_func"
  [ "$fw $fh" = "$((rect_w - min_w)) $((rect_h - min_h))" ] || fail "function editor ${fw}x$fh in a ${rect_w}x$rect_h window"
}
act_size_state() {
  local how
  case $mode in
    normal) pick sysmax sysmin maxbox minbox dblcaption; how=$P ;;
    max) pick sysrestore sysmin maxbox dblcaption; how=$P ;;
    min) pick sysrestore maxbox; how=$P ;;
  esac
  # A narrow window shows no caption or boxes to click: its system menu then.
  case $how in
    maxbox) [ -n "$S_max" ] || { [ $mode = normal ] && how=sysmax || how=sysrestore; } ;;
    minbox) [ -n "$S_min" ] || how=sysmin ;;
    dblcaption) [ -n "$S_cap" ] || { [ $mode = normal ] && how=sysmax || how=sysrestore; } ;;
  esac
  say "window: $how (was $mode)"
  case $how in
    sysmax) press alt+space; sleep 0.3; press x; before_min=max; mode=max ;;
    sysmin) press alt+space; sleep 0.3; press n; before_min=$mode; mode=min ;;
    sysrestore) press alt+space; sleep 0.3; press r; if [ $mode = min ]; then mode=$before_min; else mode=normal; fi ;;
    maxbox) read -r x y <<<"$S_max"; xdotool mousemove "$x" "$y" click 1
            if [ $mode = max ]; then mode=normal; else mode=max; fi ;;
    minbox) read -r x y <<<"$S_min"; xdotool mousemove "$x" "$y" click 1; before_min=$mode; mode=min ;;
    dblcaption) read -r x y <<<"$S_cap"; xdotool mousemove "$x" "$y" click --repeat 2 --delay 80 1
                if [ $mode = max ]; then mode=normal; else mode=max; fi ;;
  esac
  [ $mode = min ] || before_min=normal
  dirty=1
  sleep 0.4
  check; texts_kept
  xdotool windowfocus --sync "$w" 2>/dev/null
}

# Closing: what the close stores, then a fresh start that must show it.
le32() { local n=$(($1 & 0xffffffff)); printf '\\x%02x\\x%02x\\x%02x\\x%02x' \
  $((n & 255)) $((n >> 8 & 255)) $((n >> 16 & 255)) $((n >> 24 & 255)); }
act_close() {
  local how; pick exit altf4 closebox; how=$P
  [ "$mode" = min ] && how=closebox_min
  # Wine answers a click on a close box it could draw only in part (the
  # narrowest window, with no caption left) with nothing.
  [ "$how" = closebox ] && { [ -z "$S_cap" ] || [ -z "$S_close" ]; } && how=altf4
  say "close: $how"
  local old=; [ -f "$W/app/conf" ] && old=$(od -An -tx1 -v "$W/app/conf" | tr -d ' \n')
  local l t r b fw fh x y
  read -r l t r b <<<"$S_rect"; read -r fw fh <<<"$S_func"
  local want; want=$({ printf '%s\0%s\0' "$fname" "$folder"; printf "$(le32 $untitled)$(le32 $l)$(le32 $t)$(le32 $fw)$(le32 $fh)"; } | od -An -tx1 -v | tr -d ' \n')
  case $how in
    exit) press alt+f x ;;
    altf4) press alt+F4 ;;
    closebox | closebox_min) read -r x y <<<"$S_close"; xdotool mousemove "$x" "$y" click 1 ;;
  esac
  wait_file "$W/rc" 10 || fail "Tallisk did not end on $how"
  [ "$(cat "$W/rc")" = 0 ] || fail "exit code $(cat "$W/rc")"
  local now=; [ -f "$W/app/conf" ] && now=$(od -An -tx1 -v "$W/app/conf" | tr -d ' \n')
  if [ "$dirty" = 1 ]; then
    [ "$now" = "$want" ] || fail "conf $now, expected $want"
  else
    [ "$now" = "$old" ] || [ "$now" = "$want" ] || fail "conf $now, neither $old nor $want"
  fi
  conf_fields
  conf_has_file
  nothing_outside
  restarts=$((restarts + 1))
  start_args
  start "${SA[@]}"
  if [ -n "$now" ]; then
    # A stored window comes back at the stored place in the stored size.
    rect_l=$l rect_t=$t rect_w=$((min_w + fw)) rect_h=$((min_h + fh))
    keep_on_screen
  fi
  started "closing and starting again"
  read -r nfw nfh <<<"$S_func"
  [ -z "$now" ] || [ "$nfw $nfh" = "$((rect_w - min_w)) $((rect_h - min_h))" ] ||
    fail "function editor ${nfw}x$nfh after start, stored ${fw}x$fh in a ${rect_w}x$rect_h window"
}

# keep_on_screen: the start's rule for a stored place, for the places this
# tester makes (it keeps the caption on the screen): one larger than the
# screen (stored maximised), or wholly off it, is fitted inside, never below
# the minimum size; every other stays as stored.
keep_on_screen() {
  [ "$rect_w" -gt 1024 ] || [ "$rect_h" -gt 768 ] || [ "$rect_l" -ge 1024 ] || [ "$rect_t" -ge 768 ] ||
    [ $((rect_l + rect_w)) -le 0 ] || [ $((rect_t + rect_h)) -le 0 ] || return 0
  fit_span rect_l rect_w "$min_w" 1024
  fit_span rect_t rect_h "$min_h" 768
}
fit_span() {  # fit_span START EXTENT MINIMUM LIMIT: as variables' names
  local s=${!1} e=${!2}
  if [ "$e" -gt "$4" ]; then e=$4; [ "$e" -lt "$3" ] && e=$3; fi
  [ $((s + e)) -gt "$4" ] && s=$(($4 - e))
  [ "$s" -lt 0 ] && s=0
  printf -v "$1" %s "$s"; printf -v "$2" %s "$e"
}
# conf_fields: what conf holds, as C_* (C_has=0 without one).
conf_fields() {
  C_has=0
  [ -s "$W/app/conf" ] || return 0
  { read -r C_untitled C_l C_t C_fw C_fh; read -r C_fname; read -r C_folder; } < <(python3 -c '
import struct, sys
b = open(sys.argv[1], "rb").read()
n = b.index(b"\0"); f = b.index(b"\0", n + 1)
print(*struct.unpack("<5i", b[f + 1:f + 21]))
print(b[:n].decode("latin-1")); print(b[n + 1:f].decode("latin-1"))' "$W/app/conf") || fail "conf cannot be read"
  C_has=1
}
# conf names the model's current file: it is written whenever that changes.
conf_has_file() {
  if [ "$untitled" = 1 ]; then
    [ "$C_has" = 0 ] || [ "$C_untitled" != 0 ] || fail "conf names $C_folder$C_fname, expected no file"
  else
    [ "$C_has" = 1 ] && [ "$C_untitled" = 0 ] && [ "$C_folder$C_fname" = "$folder$fname" ] ||
      fail "conf names '$C_folder$C_fname' (untitled ${C_untitled:-}, conf there $C_has), expected $folder$fname"
  fi
}
# start_args: now and then a page on the next start's command line, as SA:
# one of the folder's files or a missing one, by its full or relative path.
start_args() {
  SA=() SA_name=
  [ $((RANDOM % 4)) = 0 ] || return 0
  if [ ${#known_pages[@]} -gt 0 ] && [ $((RANDOM % 5)) != 0 ]; then pick "${known_pages[@]}"; SA_name=$P; else SA_name=gone$step.htm; fi
  if [ $((RANDOM % 2)) = 0 ]; then SA=("$PAGES\\$SA_name"); else SA=("..\\pages\\$SA_name"); fi
  say "start with ${SA[0]}"
}
# After a start: the kept texts count as written exactly when the current
# file reads back to them; then the command line's page opens as Open does.
started() {
  unwritten=1
  if [ "$untitled" = 0 ]; then
    read_back "$W/model/$fname"
    [ "$RB" = ok ] && cmp -s "$W/texts/rb/name" "$W/prev/name" && cmp -s "$W/texts/rb/variables" "$W/prev/variables" &&
      cmp -s "$W/texts/rb/function" "$W/prev/function" && unwritten=0
  fi
  kept_now=0
  if [ -n "$SA_name" ]; then open_file "$SA_name"; else check; texts_kept "" "$1"; fi
}
# Ending the process without closing its window. The texts are certainly
# kept once the delay after their last change has passed, so it waits that
# long first, unless a page's texts were loaded since, which are kept at
# once; conf names the current file at any time.
act_end() {
  local left=$((keep_delay + 600 - ($(date +%s%N) - changed_at) / 1000000))
  [ "$kept_now" = 1 ] && left=0
  [ "$left" -gt 0 ] && sleep "$(awk "BEGIN{print $left / 1000}")"
  local pid; pid=$(xdotool getwindowpid "$w" 2>/dev/null) || fail "no pid for the main window"
  say "end Tallisk's process $pid"
  kill -KILL "$pid"
  wait_file "$W/rc" 10 || fail "Tallisk did not end when its process was killed"
  wait_gone '^Tallisk 1\.0 - ' 10 || fail "the main window stays after its process ended"
  nothing_outside
  restarts=$((restarts + 1)) endings=$((endings + 1))
  conf_fields
  conf_has_file
  start_args
  start "${SA[@]}"
  if [ "$C_has" = 1 ]; then
    rect_l=$C_l rect_t=$C_t rect_w=$((min_w + C_fw)) rect_h=$((min_h + C_fh))
    keep_on_screen
  fi
  started "ending the process and starting again"
}

# Files dropped on the window, as a file manager drops them through X: Wine
# turns that into WM_DROPFILES. The first opens as Open does.
act_drop() {
  [ ${#known_pages[@]} -gt 0 ] || { act_make_file; return; }
  local n=$((1 + RANDOM % 3)) files=() names= i l t r b x y
  for ((i = 0; i < n; i++)); do pick "${known_pages[@]}"; files+=("$W/pages/$P"); names+=" $P"; done
  read -r l t r b <<<"$S_rect"
  clamp $((l + 10 + RANDOM % (r - l > 20 ? r - l - 20 : 1))) 0 1023; x=$CL
  clamp $((t + 30 + RANDOM % (b - t > 40 ? b - t - 40 : 1))) 0 767; y=$CL
  say "drop$names at $x,$y"
  drops=$((drops + 1))
  python3 "$(dirname "$0")/drop.py" "$w" "$x" "$y" "${files[@]}" || fail "the window did not take the drop"
  open_file "${files[0]##*/}"
}
# Tallisk started again while it is open, from the pages folder as the shell
# starts "Edit with Tallisk": the new process hands its page, if any, to this
# window and ends with 0, and the page opens here as Open opens it.
act_second() {
  SA=() SA_name=
  if [ $((RANDOM % 3)) != 0 ]; then
    if [ ${#known_pages[@]} -gt 0 ] && [ $((RANDOM % 5)) != 0 ]; then pick "${known_pages[@]}"; SA_name=$P; else SA_name=gone$step.htm; fi
    if [ $((RANDOM % 2)) = 0 ]; then SA=("$PAGES\\$SA_name"); else SA=("$SA_name"); fi
  fi
  say "a second start${SA_name:+ with ${SA[0]}}"
  seconds=$((seconds + 1))
  ( cd "$W/pages" && timeout 30 wine ../app/Tallisk.exe "${SA[@]}" >>"$W/wine.log" 2>&1; echo $? >"$W/rc2" ) 2>>"$W/wine.log"
  [ "$(cat "$W/rc2")" = 0 ] || fail "the second start ended with $(cat "$W/rc2")"
  xdotool windowfocus --sync "$w" 2>/dev/null
  if [ -n "$SA_name" ]; then open_file "$SA_name"; else check; texts_kept; expect_opened; fi
}
# Files another program puts in the pages folder, as new files or in place
# of one there: pages of other programs, Tallisk's pages with a byte changed,
# cut short or with a zero byte, an empty file and, once a run, a page whose
# function is longer than the 16 MiB Tallisk keeps. The window sees nothing.
huge_made=0
act_make_file() {  # act_make_file [in-place]
  local kind name src f size pos c old
  pick html other changed changed cut zero empty huge; kind=$P
  [ "$kind" = huge ] && [ "$huge_made" = 1 ] && kind=other
  case $kind in changed | cut | zero)
    src=
    for f in "${known_pages[@]}"; do [ "$(stat -c %s "$W/pages/$f")" -gt 1 ] && src+="$f "; done
    [ -n "$src" ] || kind=html ;;
  esac
  name=f$step.htm
  if [ "${1:-}" = in-place ] && [ ${#known_pages[@]} -gt 0 ] && [ "$kind" != huge ]; then
    pick "${known_pages[@]}"; name=$P
  fi
  f=$W/texts/made
  case $kind in
    html) printf '<!DOCTYPE html>\n<html><head><title>Notes %s</title></head><body><p>Prices</p></body></html>\n' "$step" >"$f" ;;
    other) printf '<html><head><title>Area</title><script>function go(f){f.r.value=f.a.value*f.b.value}</script></head>\n<body><form><input name="a"> <input name="b"> <input type="button" value="Calculate" onclick="go(this.form)"> <input name="r"></form></body></html>\n' >"$f" ;;
    empty) : >"$f" ;;
    huge) head -c $((16 * 1024 * 1024 + 1)) /dev/zero | tr '\0' x >"$W/texts/huge"
          : >"$W/texts/empty"
          "$NATIVE/tallisk-page" -o "$f" "$W/texts/empty" "$W/texts/empty" "$W/texts/huge" || fail "tallisk-page failed"
          rm -f "$W/texts/huge"; huge_made=1 ;;
    *) pick $src; cp "$W/pages/$P" "$f"
       size=$(stat -c %s "$f") pos=$(((RANDOM * 32768 + RANDOM) % size))
       case $kind in
         cut) truncate -s $((1 + pos % (size - 1))) "$f" ;;
         zero) printf '\0' | dd of="$f" bs=1 seek=$pos conv=notrunc status=none ;;
         changed) old=$(od -An -tu1 -j $pos -N1 "$f" | tr -d ' ') c=$((33 + RANDOM % 93))
                  [ "$c" -ge "$old" ] && c=$((c + 1))
                  printf "\\x$(printf %02x $c)" | dd of="$f" bs=1 seek=$pos conv=notrunc status=none ;;
       esac
       kind+=" from $P at $pos" ;;
  esac
  say "another program writes $name: $kind"
  cp "$f" "$W/pages/$name"; cp "$f" "$W/model/$name"; add_page "$name"; wrote=1
  check; texts_kept; expect_opened
}

act_menu_then_drag() {
  local m; pick alt+f alt+h; m=$P
  say "menu $m left open, then a drag of the caption"
  press "$m"; sleep 0.3
  local x y; read -r x y <<<"$S_cap"
  [ -n "$S_cap" ] || { x=$((rect_l + 5)) y=$((rect_t + 10)); }
  # The first click only closes the menu or also starts the drag; both are fine.
  drag "$x" "$y" $((x + 30)) $((y + 20))
  # A drag that starts on the menu bar leaves a menu open: Escape closes it.
  snap
  case $S_windows in *'#32768|'*) say "a menu is still open: Escape"; press Escape Escape; sleep 0.2; snap ;; esac
  save_rect
  [ "$S_state" = normal ] || fail "state $S_state after a menu and a drag"
  dirty=1
  check; texts_kept; expect_opened
}

main_action() {
  keep_texts
  want_texts=0
  opened_before=$(wc -l <"$TALLISK_OPEN_LOG")
  case $expect_dialog in
    save) save_answer; return ;; open) open_answer; return ;; about) about_answer; return ;;
    edit) edit_answer; return ;; ask) ask_answer; return ;; replace) replace_answer; return ;;
    error) error_answer; return ;;
  esac
  if [ "$mode" = min ]; then
    case $((RANDOM % 5)) in 0) act_close ;; 1) act_end ;; *) act_size_state ;; esac; return
  fi
  local r=$((RANDOM % 116))
  # At the smallest width the buttons have no width, and Wine presses a
  # button for its mnemonic by a click inside it: nothing happens.
  if [ "${S_func%% *}" = 0 ] && [ $r -ge 40 ] && [ $r -lt 53 ]; then
    say "$([ $r -lt 48 ] && echo Alt+C || echo Alt+L) with no room for the buttons"
    if [ $r -lt 48 ]; then press alt+c; else press alt+l; fi
    check; texts_kept; expect_opened; return
  fi
  if [ $r -lt 24 ]; then act_type
  elif [ $r -lt 40 ]; then act_key
  elif [ $r -lt 48 ]; then say "Alt+C"; wait_effect 'dialog_up "$SAVE" || dialog_up Tallisk || [ "$(wc -l <"$TALLISK_OPEN_LOG")" -gt "$opened_before" ]' alt+c || true; cmd_create 0
  elif [ $r -lt 53 ]; then say "Alt+L"; wait_effect 'dialog_up "$OPEN" || [ "$(wc -l <"$TALLISK_OPEN_LOG")" -gt "$opened_before" ]' alt+l || true; cmd_launch 0
  elif [ $r -lt 56 ]; then say "File, New"; press alt+f n; cmd_new
  elif [ $r -lt 59 ]; then say "File, Launch"; press alt+f l; cmd_launch 0
  elif [ $r -lt 62 ]; then say "File, Select Launch"; press alt+f s; cmd_launch 1
  elif [ $r -lt 64 ]; then file_c
  elif [ $r -lt 66 ]; then say "File, Create Launch As"; press alt+f Down Down Down Down Down Return; cmd_create 1
  elif [ $r -lt 68 ]; then say "Help, Manual"; press alt+h m; check; texts_kept; expect_opened "$APP\\manual.htm"
  elif [ $r -lt 72 ]; then say "Help, About"; press alt+h a; wait_win '^About$' 5 >/dev/null; expect_dialog=about; check; texts_kept
  elif [ $r -lt 80 ]; then [ "$mode" = normal ] && act_move || act_size_state
  elif [ $r -lt 88 ]; then [ "$mode" = normal ] && act_resize || act_size_state
  elif [ $r -lt 93 ]; then act_size_state
  elif [ $r -lt 95 ]; then [ "$mode" = normal ] && act_menu_then_drag || act_size_state
  elif [ $r -lt 98 ]; then act_close
  elif [ $r -lt 100 ]; then act_end
  elif [ $r -lt 103 ]; then say "File, Open"; press alt+f o; expect_dialog=edit; check; texts_kept
  elif [ $r -lt 106 ]; then say "Ctrl+O"; wait_effect 'dialog_up "$EDIT"' ctrl+o || true; expect_dialog=edit; check; texts_kept
  elif [ $r -lt 109 ]; then act_drop
  elif [ $r -lt 113 ]; then act_make_file
  elif [ $r -lt 114 ]; then act_make_file in-place
  else act_second
  fi
}
# Two items of the File menu share the mnemonic C; Wine runs the first,
# Create Launch, where Windows would only move between them.
file_c() { say "File, C"; press alt+f c; cmd_create 0; }

RANDOM=$seed
t0=$(date +%s)
start
read -r fw fh <<<"$S_func"
min_w=$((rect_w - fw)) min_h=$((rect_h - fh))
check
listed=$(pages_state)
for ((step = 1; step <= actions; step++)); do
  main_action
  pages_listed
done
nothing_outside
t=$(($(date +%s) - t0))
echo "monkey passed: seed $seed, $TALLISK_ARCH-bit, $actions actions, $restarts restarts ($endings by ending the process)," \
  "$pages_checked pages checked, $loads loaded, $questions questions, $refusals refused, $drops drops," \
  "$seconds second starts, $t s ($(awk "BEGIN{printf \"%.2f\", $t / $actions}") s an action)"
