#!/usr/bin/env bash
# A generated page in headless Chromium: fill the inputs, press the button,
# read the result. The same page without the inputs' ids must fail the check,
# which shows that the ids are what lets the script reach the inputs.
set -u
page=$1
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
    echo "FAIL: chromium is not installed (tools/setup.sh installs it)"
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

printf 'Area' >name
printf '&Width/m/3\r\n&Height/m/4\r\nArea\r\n?&Area' >vars
printf 'Area#=Width#*Height#;' >func
"$page" -o area.htm name vars func || { echo "FAIL: tallisk-page failed"; exit 1; }

# Pressed once with the defaults, then again after typing new values; the
# result goes into the document as "got-<first>-<second>-<caption>".
probe='<script>
var button = document.querySelector("input[type=button]");
var result = document.getElementsByName("Area")[0];
button.click();
var first = result.value;
document.getElementsByName("Width")[0].value = "6";
document.getElementsByName("Height")[0].value = "7";
button.click();
var out = document.createElement("p");
out.textContent = ["got", first, result.value, button.value + "+" + button.accessKey].join("-");
document.body.appendChild(out);
</script>'

# browse PAGE: prints the "got-..." text the probe wrote.
browse() {
    local profile
    profile=$(mktemp -d "$work/profile.XXXXXX")
    timeout 120 "$browser" --headless --no-sandbox --disable-gpu --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --user-data-dir="$profile" --dump-dom "file://$work/$1" 2>"$1.log" |
        grep -o 'got-[^<]*'
}

{ cat area.htm; printf '%s\n' "$probe"; } >probe.htm
sed 's/ id="[^"]*"//' area.htm >unmended.htm
{ cat unmended.htm; printf '%s\n' "$probe"; } >probe-unmended.htm

failures=0
got=$(browse probe.htm)
if [ "$got" = "got-12-42-Area+A" ]; then
    echo "page computes: $got"
else
    echo "FAIL: expected got-12-42-Area+A, the page gave '$got'"; cat probe.htm.log; failures=1
fi
got=$(browse probe-unmended.htm)
if [ "$got" = "got---Area+A" ]; then
    echo "without ids the page cannot compute, as expected: $got"
else
    echo "FAIL: the page without ids should leave the result empty, gave '$got'"; failures=1
fi
exit "$failures"
