#!/usr/bin/env bash
# Codes the same indexed 1920x1080 frames with giflib's encoder and with ours, and prints the ratio of
# the times (ours / giflib: below 1 means ours is faster).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-bench}"
"$root/tools/deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DMOROGIF_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target bench_lzw_vs_giflib >/dev/null
json="$(mktemp)"
"$build/bench/encoder/bench_lzw_vs_giflib" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_format=json >"$json"
python3 - "$json" <<'PY'
import json, sys
runs = {b["name"]: b["real_time"] for b in json.load(open(sys.argv[1]))["benchmarks"] if b["name"].endswith("_median")}
for content, arg in (("screen-like", "0"), ("noise", "1")):
    ours = runs[f"BM_Ours/noise:{arg}_median"]
    theirs = runs[f"BM_Giflib/noise:{arg}_median"]
    print(f"{content:12s} ours {ours:7.2f} ms  giflib {theirs:7.2f} ms  ratio {ours / theirs:5.2f}")
PY
rm -f "$json"
