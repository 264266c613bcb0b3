#!/usr/bin/env bash
# Page benchmark: tallisk-page on 400,000 variable lines must take at most
# 1.5 times as long as its floor, writing the same page from memory in writes
# of the writer's size, and peak at no more memory than its input plus 16 MiB.
# cat copying the page is shown beside them: where the kernel copies a file
# without the bytes passing through cat, it says more about the machine than
# about the writer. The page is then read back with tallisk-page --read: at
# most twice the writer's time for the same page, peaking at no more than
# twice the page's size plus 16 MiB. Prints the figures and PASS or FAIL.
set -euo pipefail
build=${1:-build}
page=$(cd "$build/native" && pwd)/tallisk-page
floor=$(cd "$build/native" && pwd)/writefloor
for p in "$page" "$floor"; do
  [ -x "$p" ] || { echo "bench/page.sh: $p is missing; run make build first"; exit 1; }
done
work=$(mktemp -d "$(cd "$build" && pwd)/bench-page.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

printf 'Bench' >name
awk 'BEGIN { for (i = 1; i <= 400000; i++) printf "v%d&k/unit %d/%d%s", i, i, i, (i < 400000 ? "\r\n" : "") }' >vars
printf 'v1#=v2#*v3#;' >func

python3 - "$page" "$floor" <<'PY'
import filecmp, os, statistics, subprocess, sys, time

page, floor = sys.argv[1], sys.argv[2]

def run(argv, out):
    """Wall time of one run and the child's own peak RSS (KiB)."""
    with open(out, "wb") as sink:
        start = time.perf_counter()
        child = subprocess.Popen(argv, stdout=sink)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{argv[0]} failed")
    return wall, usage.ru_maxrss

generate = [page, "-o", "page.htm", "name", "vars", "func"]
read_back = [page, "--read", "page.htm", "name.back", "vars.back", "func.back"]
run(generate, os.devnull)            # warm the inputs and the binary
run(read_back, os.devnull)
# Compared a block at a time: a child's peak RSS counts this process's pages.
for text in ("name", "vars", "func"):
    if not filecmp.cmp(text, text + ".back", shallow=False):
        sys.exit(f"tallisk-page --read: {text} did not come back as written")
gen_times, floor_times, cat_times, read_times, peak, read_peak = [], [], [], [], 0, 0
for _ in range(9):                   # medians of nine, interleaved, on a shared machine
    os.path.exists("page.htm") and os.remove("page.htm")
    wall, rss = run(generate, os.devnull)
    gen_times.append(wall)
    peak = max(peak, rss)
    os.path.exists("floor.htm") and os.remove("floor.htm")
    floor_times.append(run([floor, "page.htm", "floor.htm"], os.devnull)[0])
    os.path.exists("copy.htm") and os.remove("copy.htm")
    cat_times.append(run(["cat", "page.htm"], "copy.htm")[0])
    # Into absent files, as the runs above write: on ext4, truncating the
    # last run's files frees their blocks, and closing a file truncated so
    # starts writing it out, costs that the writer's runs never pay.
    for text in ("name", "vars", "func"):
        os.path.exists(text + ".back") and os.remove(text + ".back")
    wall, rss = run(read_back, os.devnull)
    read_times.append(wall)
    read_peak = max(read_peak, rss)

inputs = sum(os.path.getsize(f) for f in ("name", "vars", "func"))
output = os.path.getsize("page.htm")
gen, flo, cat, rd = (statistics.median(t) for t in (gen_times, floor_times, cat_times, read_times))
peak_bytes = peak * 1024
limit = inputs + 16 * 1024 * 1024
print(f"input {inputs} bytes ({inputs / 2**20:.1f} MiB), output {output} bytes ({output / 2**20:.1f} MiB)")
print(f"tallisk-page {gen:.3f} s against its floor (the page written from memory in 1 MiB writes) "
      f"{flo:.3f} s: ratio {gen / flo:.2f} (goal at most 1.5)")
print(f"tallisk-page {gen:.3f} s against cat copying the page {cat:.3f} s: ratio {gen / cat:.2f} (shown, no goal)")
print(f"peak RSS {peak_bytes / 2**20:.1f} MiB (goal at most {limit / 2**20:.1f} MiB)")
read_peak_bytes = read_peak * 1024
read_limit = 2 * output + 16 * 1024 * 1024
print(f"tallisk-page --read {rd:.3f} s against writing the same page {gen:.3f} s: ratio {rd / gen:.2f} "
      f"(goal at most 2)")
print(f"reader peak RSS {read_peak_bytes / 2**20:.1f} MiB (goal at most {read_limit / 2**20:.1f} MiB)")
ok = gen / flo <= 1.5 and peak_bytes <= limit and rd / gen <= 2 and read_peak_bytes <= read_limit
print("page benchmark:", "PASS" if ok else "FAIL")
sys.exit(0 if ok else 1)
PY
