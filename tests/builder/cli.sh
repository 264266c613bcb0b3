#!/usr/bin/env bash
# tallisk-page from the command line: usage, output targets, empty and bad
# inputs, and reading a page back.
set -u
page=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect_error WHAT WORD ARGS...: non-zero exit, one stderr line naming WORD, no stdout.
expect_error() {
    local what=$1 word=$2; shift 2
    if "$page" "$@" >out.txt 2>err.txt; then fail "$what: exit 0"; fi
    grep -qF -- "$word" err.txt || fail "$what: message does not name $word: $(cat err.txt)"
    [ "$(wc -l <err.txt)" -eq 1 ] || fail "$what: expected one message line, got: $(cat err.txt)"
}

# expect_refusal WHAT WORD REASON ARGS...: as expect_error, with status 1 and REASON in the message.
expect_refusal() {
    local what=$1 word=$2 reason=$3; shift 3
    expect_error "$what" "$word" "$@"
    "$page" "$@" >/dev/null 2>&1
    [ $? -eq 1 ] || fail "$what: exit status not 1"
    grep -qF -- "$reason" err.txt || fail "$what: message does not say $reason: $(cat err.txt)"
}

printf 'Area' >name; printf 'w\r\nh' >vars; printf 'w*h' >func
printf '<title>Area</title>\r\n\r\n<table bgcolor=#005588 cellpadding=3>\r\n<tr><td colspan=2 align=center> <font size=5 color=#ffffff><b>Area</b></font> </td></tr>\r\n\r\n<tr><td  align=left><font color=#ffffff><b>w</b></font></td><td align=left> <input type="text" size=50  name="w" id="w"> </td> </tr>\r\n<tr><td  align=left><font color=#ffffff><b>h</b></font></td><td align=left> <input type="text" size=50  name="h" id="h"> </td> </tr>\r\n<tr><td colspan=2 align=left><input value="Calculate" type="button" onclick="ftn();"></td></tr>\r\n\r\n<script> function ftn () {\r\nw*h\r\n} </script>\r\n\r\n<tr><td colspan=2><textarea readonly cols=64 rows=9>\r\nw*h\r\n</textarea></td></tr>\r\n\r\n<tr><td colspan=2><xmp>\r\nw\r\nh\r\n</xmp></td></tr></table>\r\n\r\n' >expected

"$page" --help >help.txt 2>&1 || fail "--help: non-zero exit"
grep -q '^Usage: tallisk-page \[-o OUTPUT\] NAME_FILE VARIABLES_FILE FUNCTION_FILE' help.txt || fail "--help: no usage line"
if "$page" name vars >/dev/null 2>err.txt; then fail "two files: exit 0"; fi
grep -q '^Usage:' err.txt || fail "two files: no usage"
if "$page" -x name vars func >/dev/null 2>err.txt; then fail "unknown option: exit 0"; fi

"$page" name vars func >stdout.htm || fail "stdout: non-zero exit"
cmp -s stdout.htm expected || fail "stdout: page differs"
"$page" -o file.htm name vars func >out.txt || fail "-o: non-zero exit"
cmp -s file.htm expected || fail "-o: page differs"
[ -s out.txt ] && fail "-o: wrote to standard output"
"$page" name vars func -o after.htm && cmp -s after.htm expected || fail "-o after the files"

: >empty
"$page" empty empty empty >empty.htm || fail "empty inputs: non-zero exit"
printf '<title></title>\r\n\r\n<table bgcolor=#005588 cellpadding=3>\r\n<tr><td colspan=2 align=center> <font size=5 color=#ffffff><b></b></font> </td></tr>\r\n\r\n<tr><td colspan=2 align=left><input value="Calculate" type="button" onclick="ftn();"></td></tr>\r\n\r\n<script> function ftn () {\r\n\r\n} </script>\r\n\r\n<tr><td colspan=2><textarea readonly cols=64 rows=9>\r\n\r\n</textarea></td></tr>\r\n\r\n<tr><td colspan=2><xmp>\r\n\r\n</xmp></td></tr></table>\r\n\r\n' >empty-expected
cmp -s empty.htm empty-expected || fail "empty inputs: page differs"

expect_error "missing file" "no-such-file" name no-such-file func
mkdir dir
expect_error "directory" "dir" name vars dir
printf 'a\0b' >nul.txt
expect_error "zero byte" "nul.txt" nul.txt vars func
expect_error "zero byte in the function" "nul.txt" name vars nul.txt
expect_error "full device" "/dev/full" -o /dev/full name vars func
if "$page" name vars func >/dev/full 2>err.txt; then fail "stdout to /dev/full: exit 0"; fi
grep -q 'standard output' err.txt || fail "stdout to /dev/full: $(cat err.txt)"
expect_error "output in a missing folder" "missing/page.htm" -o missing/page.htm name vars func

# Reading back: the texts come back byte for byte, even holding the page's own markup.
"$page" --read expected n.txt v.txt f.txt || fail "--read: non-zero exit"
cmp -s n.txt name && cmp -s v.txt vars && cmp -s f.txt func || fail "--read: texts differ"
printf '</title>\r\n<b>&x' >mname; printf '\r\n</textarea></td></tr>\r\n\r\n<tr><td colspan=2><xmp>\r\n?a#' >mvars
printf 'x#\r\n\r\n</xmp>' >mfunc
"$page" -o marked.htm mname mvars mfunc && "$page" --read marked.htm n.txt v.txt f.txt \
    && "$page" -o again.htm n.txt v.txt f.txt && cmp -s marked.htm again.htm || fail "--read: markup round trip"
"$page" --read empty-expected n.txt v.txt f.txt && [ ! -s n.txt ] && [ ! -s v.txt ] && [ ! -s f.txt ] \
    || fail "--read: empty texts"
grep -q '^   or: tallisk-page --read PAGE NAME_FILE VARIABLES_FILE FUNCTION_FILE' help.txt || fail "--help: no --read line"
for args in "--read expected n.txt v.txt" "--read -o x.htm expected n.txt v.txt f.txt"; do
    # shellcheck disable=SC2086
    "$page" $args >/dev/null 2>err.txt
    [ $? -eq 2 ] && grep -q '^Usage:' err.txt || fail "$args: not a usage error"
done

expect_refusal "not a page" "vars" "not a calculator page" --read vars n.txt v.txt f.txt
sed 's/name="w"/name="x"/' expected >changed.htm
expect_refusal "changed page" "changed.htm" "has been changed" --read changed.htm n.txt v.txt f.txt
head -c 200 expected >cut.htm
expect_refusal "cut page" "cut.htm" "has been changed" --read cut.htm n.txt v.txt f.txt
sed 's/w\*h/w\x00h/' expected >zero.htm
expect_refusal "zero byte" "zero.htm" "zero byte" --read zero.htm n.txt v.txt f.txt
head -c 16777217 /dev/zero | tr '\0' n >long
"$page" -o long.htm long empty empty || fail "long name: not written"
# The page holds a text that large whole.
tail -c +8 long.htm | head -c 16777217 | cmp -s - long || fail "long name: not written whole"
expect_refusal "text over the limit" "long.htm" "longer than 16 MiB" --read long.htm n.txt v.txt f.txt
expect_refusal "missing page" "no-such-page" "No such file" --read no-such-page n.txt v.txt f.txt
expect_refusal "page is a folder" "dir" "cannot read" --read dir n.txt v.txt f.txt
# A file too large to be a page is refused before it is read; one through a
# pipe is read only up to that size.
{ printf '<title>'; head -c 300 expected; } >huge.htm && truncate -s 257M huge.htm
expect_refusal "page over 256 MiB" "huge.htm" "larger than 256 MiB" --read huge.htm n.txt v.txt f.txt
expect_refusal "page over 256 MiB through a pipe" "/dev/stdin" "larger than 256 MiB" \
    --read /dev/stdin n.txt v.txt f.txt < <(cat huge.htm)
"$page" --read /dev/stdin n.txt v.txt f.txt < <(cat expected) && cmp -s v.txt vars || fail "--read from a pipe"
expect_refusal "text to a full device" "/dev/full" "cannot write" --read expected n.txt /dev/full f.txt

# A page of many of the stream's buffers: to a file and through a pipe, it
# reads back to its texts.
awk 'BEGIN { for (i = 1; i <= 50000; i++) printf "v%d&k/unit %d/%d\r\n", i, i, i }' >manyvars
"$page" -o many.htm name manyvars func && "$page" --read many.htm n.txt v.txt f.txt && cmp -s v.txt manyvars \
    || fail "many buffers: the page does not read back"
"$page" name manyvars func | cat >piped.htm && cmp -s piped.htm many.htm || fail "many buffers through a pipe: page differs"

[ "$failures" -eq 0 ] && echo "tallisk-page CLI: all checks passed"
[ "$failures" -eq 0 ]
