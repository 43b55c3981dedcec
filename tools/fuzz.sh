#!/usr/bin/env bash
# Builds every libFuzzer harness (tests/fuzz/fuzz_*.cpp) with clang in build-fuzz/ and runs each for
# SECONDS seconds (default 60) on a temporary copy of its seed corpus (tests/fuzz/corpus/<harness>/), so
# the committed corpus never changes. Exits non-zero when any harness finds a crash, a leak or a timeout;
# the input that caused it is kept in build-fuzz/artifacts/.
set -euo pipefail
seconds="${1:-60}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-fuzz"
jobs="$(nproc)"

harnesses=()
for src in "$root"/tests/fuzz/fuzz_*.cpp; do
  [ -e "$src" ] && harnesses+=("$(basename "$src" .cpp)")
done
if [ ${#harnesses[@]} -eq 0 ]; then
  echo "fuzz.sh: no harnesses in tests/fuzz" >&2
  exit 0
fi

# Tests stay on so tests/fuzz is configured; only the harnesses are built, so nothing links gtest.
cmake -S "$root" -B "$build" -G "Unix Makefiles" \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMOROGIF_FUZZ=ON -DMOROGIF_TESTS=ON -DMOROGIF_BENCH=OFF >/dev/null
# A harness whose directory has not declared it yet is skipped with a note, not counted as a finding.
targets="$(cmake --build "$build" --target help | grep -oE 'fuzz_[A-Za-z0-9_]+' | sort -u)"
declared=()
for h in "${harnesses[@]}"; do
  if grep -qx "$h" <<<"$targets"; then declared+=("$h"); else echo "fuzz.sh: $h has no target yet; skipped" >&2; fi
done
[ ${#declared[@]} -eq 0 ] && exit 0
harnesses=("${declared[@]}")
cmake --build "$build" -j "$jobs" --target "${harnesses[@]}"

mkdir -p "$build/artifacts"
failed=()
for h in "${harnesses[@]}"; do
  exe="$(find "$build/tests/fuzz" -maxdepth 1 -type f -name "$h" -perm -u+x | head -n 1)"
  if [ -z "$exe" ]; then
    echo "fuzz.sh: $h was not built" >&2
    failed+=("$h")
    continue
  fi
  work="$(mktemp -d)"
  if [ -d "$root/tests/fuzz/corpus/$h" ]; then cp -R "$root/tests/fuzz/corpus/$h/." "$work/"; fi
  echo "== $h: ${seconds}s"
  if ! "$exe" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2560 -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/$h-" "$work" 2>"$build/artifacts/$h.log"; then
    tail -n 60 "$build/artifacts/$h.log" >&2
    failed+=("$h")
  else
    grep -E '^(stat::number_of_executed_units|Done )' "$build/artifacts/$h.log" || true
  fi
  rm -rf "$work"
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz.sh: findings in: ${failed[*]} (inputs in $build/artifacts)" >&2
  exit 1
fi
echo "fuzz.sh: no findings"
