#!/usr/bin/env bash
# What `./dev run` starts: the recorder's command-line tool on the sample pictures in tools/demo.
# Extra arguments are passed to `morogif encode` (e.g. --dither, --delay 20).
set -euo pipefail
build="$1"; shift
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
mkdir -p "$root/out"
out="$root/out/demo.gif"
"$build/app/morogif" encode --delay 12 "$@" -o "$out" "$root"/tools/demo/frame-*
echo "The animation is at $out"
