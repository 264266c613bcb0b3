#!/usr/bin/env bash
# Page benchmark: tallisk-page on 400,000 variable lines must take at most
# twice as long as copying its output with cat, and peak at no more memory
# than its input plus 16 MiB. Prints the figures and PASS or FAIL.
set -euo pipefail
build=${1:-build}
page=$(cd "$build/native" && pwd)/tallisk-page
[ -x "$page" ] || { echo "bench/page.sh: $page is missing; run make build first"; exit 1; }
work=$(mktemp -d "$(cd "$build" && pwd)/bench-page.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

printf 'Bench' >name
awk 'BEGIN { for (i = 1; i <= 400000; i++) printf "v%d&k/unit %d/%d%s", i, i, i, (i < 400000 ? "\r\n" : "") }' >vars
printf 'v1#=v2#*v3#;' >func

python3 - "$page" <<'PY'
import os, resource, subprocess, sys, time

page = sys.argv[1]

def run(argv, out):
    """Wall time of one run and the peak RSS (KiB) of the child."""
    with open(out, "wb") as sink:
        before = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
        start = time.perf_counter()
        subprocess.run(argv, stdout=sink, check=True)
        wall = time.perf_counter() - start
    return wall, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss

generate = [page, "-o", "page.htm", "name", "vars", "func"]
run(generate, os.devnull)            # warm the inputs and the binary
gen_times, cat_times, peak = [], [], 0
for _ in range(9):                   # best of nine, interleaved, on a shared machine
    os.path.exists("page.htm") and os.remove("page.htm")
    wall, rss = run(generate, os.devnull)
    gen_times.append(wall)
    peak = max(peak, rss)
    os.path.exists("copy.htm") and os.remove("copy.htm")
    cat_times.append(run(["cat", "page.htm"], "copy.htm")[0])

inputs = sum(os.path.getsize(f) for f in ("name", "vars", "func"))
output = os.path.getsize("page.htm")
gen, cat = min(gen_times), min(cat_times)
ratio = gen / cat
# The children's peak covers cat too, which stays far below the generator.
peak_bytes = peak * 1024
limit = inputs + 16 * 1024 * 1024
print(f"input {inputs} bytes ({inputs / 2**20:.1f} MiB), output {output} bytes ({output / 2**20:.1f} MiB)")
print(f"tallisk-page {gen:.3f} s, cat {cat:.3f} s, ratio {ratio:.2f} (at most 2)")
print(f"peak RSS {peak_bytes / 2**20:.1f} MiB (at most {limit / 2**20:.1f} MiB)")
ok = ratio <= 2 and peak_bytes <= limit
print("page benchmark:", "PASS" if ok else "FAIL")
sys.exit(0 if ok else 1)
PY
