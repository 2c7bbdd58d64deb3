#!/usr/bin/env bash
# Remakes the recordings of the composition engine in tests/data/recorded/:
# the small sample colleges (seeds 1, 2, 3) and the medium one (seed 1),
# composed from zero as `zavlin-cli compose --mode zero --all --yes --log`
# does. The tests RecordedEngine.* and recorded_engine_bench compare the
# engine with them byte for byte, so run this only on purpose: when the
# engine's result is meant to change. Then review `git diff --stat` of the
# folder and commit it with the change that explains it.
#
# Before anything is replaced, each small run is made twice (in-process and
# through zavlin-cli) and the two reports must agree, the search times apart:
# a recording that differs from itself would only make the tests flaky.
#
#   scripts/record-engine.sh [BUILD_DIR]     (default build/record, Release)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/record}
out=$root/tests/data/recorded
jobs=${JOBS:-2}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZAVLIN_TESTS=ON -DZAVLIN_BENCH=ON \
  -DZAVLIN_GUI=OFF -DZAVLIN_SANITIZE=OFF > /dev/null
cmake --build "$build" -j "$jobs" --target slow_test recorded_engine_bench zavlin-cli

tmp=$(mktemp -d /tmp/zavlin_record_XXXXXX)
trap 'rm -rf "$tmp"' EXIT
export ZAVLIN_TABLE_SYNC=off
cli=$build/src/cli/zavlin-cli

# The report with the time of each week's search ("Время составления:...",
# Windows-1251) cut: the only bytes that depend on the machine.
mask() {
  LC_ALL=C sed 's/^\(\xC2\xF0\xE5\xEC\xFF\x20\xF1\xEE\xF1\xF2\xE0\xE2\xEB\xE5\xED\xE8\xFF\x3A\).*\r$/\1\r/' "$1"
}

mkdir -p "$tmp/new"
ZAVLIN_RECORD_ENGINE="$tmp/new" "$build/tests/slow_test" --gtest_filter='RecordedEngine.*' \
  --gtest_brief=1

for seed in 1 2 3; do
  home=$tmp/cli-$seed
  start=$(date +%s.%N)
  # The phase lines on stderr are noise unless the run fails.
  if ! { "$cli" demo --size S --seed "$seed" --home "$home" &&
    "$cli" compose --mode zero --all --yes --log --home "$home"; } > "$home.out" 2>&1; then
    cat "$home.out" >&2
    exit 1
  fi
  end=$(date +%s.%N)
  if ! cmp -s <(mask "$home/Logsrasp.txt") <(mask "$tmp/new/S-$seed.Logsrasp.txt"); then
    echo "record-engine: seed $seed: zavlin-cli wrote another report than the recorder;" \
      "nothing was replaced" >&2
    cmp <(mask "$home/Logsrasp.txt") <(mask "$tmp/new/S-$seed.Logsrasp.txt") >&2 || true
    exit 1
  fi
  printf 'S seed %s: zavlin-cli demo + compose %.1f s, report %s bytes, the same\n' "$seed" \
    "$(awk "BEGIN { print $end - $start }")" "$(stat -c %s "$home/Logsrasp.txt")"
done

mkdir -p "$out"
for seed in 1 2 3; do
  xz -9 -T1 -c "$tmp/new/S-$seed.Logsrasp.txt" > "$out/S-$seed.Logsrasp.txt.xz"
  cp "$tmp/new/S-$seed.variants.txt" "$tmp/new/S-$seed.timetable.txt" "$out/"
done
"$build/bench/recorded_engine_bench" --record
ls -l "$out"
