#!/usr/bin/env bash
# Page benchmark: tallisk-page on 400,000 variable lines must take at most
# twice as long as its floor, reading the same texts into memory and writing
# the same page from memory in 1 MiB writes, and peak at no more memory than its input plus 16 MiB.
# cat copying the page is shown beside them: where the kernel copies a file
# without the bytes passing through cat, it says more about the machine than
# about the writer. The page is then read back with tallisk-page --read: at
# most three times its floor, reading the page into memory and writing its
# texts' bytes, peaking at no more than twice the page's size plus 16 MiB.
# Last, a page of 16 MiB whose texts are made to hold the page's own pieces
# where the reader looks for them reads back in at most twice the time of an
# ordinary page of the same size. The page of an ordinary calculator, ten
# variables, written and read back a thousand times, is shown per page.
# Prints the figures and PASS or FAIL.
set -euo pipefail
build=${1:-build}
page=$(cd "$build/native" && pwd)/tallisk-page
floor=$(cd "$build/native" && pwd)/writefloor
readfloor=$(cd "$build/native" && pwd)/readfloor
craftedtexts=$(cd "$build/native" && pwd)/craftedtexts
ordinarypage=$(cd "$build/native" && pwd)/ordinarypage
for p in "$page" "$floor" "$readfloor" "$craftedtexts" "$ordinarypage"; do
  [ -x "$p" ] || { echo "bench/page.sh: $p is missing; run make build first"; exit 1; }
done
work=$(mktemp -d "$(cd "$build" && pwd)/bench-page.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

printf 'Bench' >name
awk 'BEGIN { for (i = 1; i <= 400000; i++) printf "v%d&k/unit %d/%d%s", i, i, i, (i < 400000 ? "\r\n" : "") }' >vars
printf 'v1#=v2#*v3#;' >func

python3 - "$page" "$floor" "$readfloor" "$craftedtexts" "$ordinarypage" <<'PY'
import filecmp, os, statistics, subprocess, sys, time

page, floor, readfloor, craftedtexts, ordinarypage = sys.argv[1:6]

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
text_floor = [arg for text in ("name", "vars", "func") for arg in (text + ".floor", str(os.path.getsize(text)))]
gen_times, floor_times, cat_times, read_times, read_floor_times, peak, read_peak = [], [], [], [], [], 0, 0
for _ in range(9):                   # medians of nine, interleaved, on a shared machine
    os.path.exists("page.htm") and os.remove("page.htm")
    wall, rss = run(generate, os.devnull)
    gen_times.append(wall)
    peak = max(peak, rss)
    os.path.exists("floor.htm") and os.remove("floor.htm")
    floor_times.append(run([floor, "page.htm", "floor.htm", "name", "vars", "func"], os.devnull)[0])
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
    for text in ("name", "vars", "func"):
        os.path.exists(text + ".floor") and os.remove(text + ".floor")
    read_floor_times.append(run([readfloor, "page.htm"] + text_floor, os.devnull)[0])

inputs = sum(os.path.getsize(f) for f in ("name", "vars", "func"))
output = os.path.getsize("page.htm")
gen, flo, cat, rd, rdflo = (statistics.median(t)
                            for t in (gen_times, floor_times, cat_times, read_times, read_floor_times))
peak_bytes = peak * 1024
limit = inputs + 16 * 1024 * 1024
print(f"input {inputs} bytes ({inputs / 2**20:.1f} MiB), output {output} bytes ({output / 2**20:.1f} MiB)")
print(f"tallisk-page {gen:.3f} s against its floor (its texts read into memory, the page written from memory in 1 MiB writes) "
      f"{flo:.3f} s: ratio {gen / flo:.2f} (goal at most 2)")
print(f"tallisk-page {gen:.3f} s against cat copying the page {cat:.3f} s: ratio {gen / cat:.2f} (shown, no goal)")
print(f"peak RSS {peak_bytes / 2**20:.1f} MiB (goal at most {limit / 2**20:.1f} MiB)")
read_peak_bytes = read_peak * 1024
read_limit = 2 * output + 16 * 1024 * 1024
print(f"tallisk-page --read {rd:.3f} s against its floor (the page read into memory, its texts' bytes "
      f"written) {rdflo:.3f} s: ratio {rd / rdflo:.2f} (goal at most 3)")
print(f"reader peak RSS {read_peak_bytes / 2**20:.1f} MiB (goal at most {read_limit / 2**20:.1f} MiB)")
ok = gen / flo <= 2 and peak_bytes <= limit and rd / rdflo <= 3 and read_peak_bytes <= read_limit

# A page of about 16 MiB whose texts hold the page's pieces where the reader
# looks for them, against an ordinary page of the same size.
run([craftedtexts, str(16 * 2**20 // 400), "cname", "cvars", "cfunc"], os.devnull)
run([page, "-o", "crafted.htm", "cname", "cvars", "cfunc"], os.devnull)
crafted_size = os.path.getsize("crafted.htm")
# An ordinary page of the same size: variable lines as above.
lines = crafted_size // 226
with open("ovars", "w", newline="") as out:
    out.write("\r\n".join(f"v{i}&k/unit {i}/{i}" for i in range(1, lines + 1)))
run([page, "-o", "ordinary.htm", "name", "ovars", "func"], os.devnull)
ordinary_size = os.path.getsize("ordinary.htm")
crafted_times, ordinary_times, crafted_peak = [], [], 0
for _ in range(9):
    for text in ("n", "v", "f"):
        os.path.exists(text + ".back") and os.remove(text + ".back")
    wall, rss = run([page, "--read", "crafted.htm", "n.back", "v.back", "f.back"], os.devnull)
    crafted_times.append(wall)
    crafted_peak = max(crafted_peak, rss * 1024)
    for text in ("n", "v", "f"):
        os.path.exists(text + ".back") and os.remove(text + ".back")
    ordinary_times.append(run([page, "--read", "ordinary.htm", "n.back", "v.back", "f.back"], os.devnull)[0])
if not filecmp.cmp("ovars", "v.back", shallow=False):
    sys.exit("tallisk-page --read: the ordinary page did not come back as written")
crafted, ordinary = statistics.median(crafted_times), statistics.median(ordinary_times)
crafted_limit = 2 * crafted_size + 16 * 2**20
print(f"crafted page of {crafted_size / 2**20:.1f} MiB read back in {crafted:.3f} s against an ordinary one of "
      f"{ordinary_size / 2**20:.1f} MiB in {ordinary:.3f} s: ratio {crafted / ordinary:.2f} (goal at most 2)")
print(f"crafted page's reader peak RSS {crafted_peak / 2**20:.1f} MiB (goal at most {crafted_limit / 2**20:.1f} MiB)")
ok = ok and crafted / ordinary <= 2 and crafted_peak <= crafted_limit
write_us, read_us = subprocess.run([ordinarypage, "ordinary-calculator.htm"], check=True, capture_output=True,
                                   text=True).stdout.split()
print(f"an ordinary calculator's page (ten variables, {os.path.getsize('ordinary-calculator.htm')} bytes), "
      f"a thousand times: written in {write_us} us, read back in {read_us} us a page (shown, no goal)")
print("page benchmark:", "PASS" if ok else "FAIL")
sys.exit(0 if ok else 1)
PY
