#!/usr/bin/env bash
# tallisk-page from the command line: usage, output targets, empty and bad inputs.
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

[ "$failures" -eq 0 ] && echo "tallisk-page CLI: all checks passed"
[ "$failures" -eq 0 ]
