#!/usr/bin/env bash
# glimmerdig-cli --all --format png over a folder of program files against the
# resource-parsing pipeline people would use instead (icoutils: wrestool -x
# -t14, then icotool -x), in the same run: pictures found by each, and the
# time ratio. Goal: at most 0.1 of the pipeline's time.
#
#   bench/all_vs_icoutils.sh [FOLDER] [RUNS]
# FOLDER defaults to Wine's 64-bit program files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=$root/build/linux/cli/glimmerdig-cli
[ -x "$cli" ] || { echo "build first: cmake --preset linux && cmake --build --preset linux" >&2; exit 2; }
folder=${1:-/usr/lib/x86_64-linux-gnu/wine/x86_64-windows}
runs=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for i in $(seq "$runs"); do
  echo "--- run $i"
  /usr/bin/python3 "$root/tests/quality/compare_icoutils.py" "$cli" "$folder" "$work/run" || true
done
