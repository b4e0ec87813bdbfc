#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each in turn for SECONDS
# (default 60), one after the other.  Fails on the first crash, sanitizer
# report, timeout or leak; the input that caused it is left in
# build-fuzz/artifacts/TARGET/.  The corpora grow in build-fuzz/corpus/, so a
# later run goes on from what an earlier one found.
#
#   fuzz/run.sh [SECONDS] [TARGET...]     targets: words cvrtxt bldlst dict ft2mc chain galileo
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(words cvrtxt bldlst dict ft2mc chain galileo)
build="$root/build-fuzz"

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DMOLVEX_FUZZ=ON -DMOLVEX_WERROR=ON -DMOLVEX_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target $(printf 'fuzz_%s ' "${targets[@]}")
"$root/fuzz/corpus.sh" "$build/corpus"

# The targets work in a directory of their own, so every path given to
# libFuzzer is absolute.  Their directories go below build-fuzz/tmp: one left
# behind (libFuzzer does not always run exit handlers) goes with the next run.
export TMPDIR="$build/tmp"
rm -rf "$TMPDIR"
mkdir -p "$TMPDIR"
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
for t in "${targets[@]}"; do
  echo "== fuzz_$t for $seconds s"
  mkdir -p "$build/artifacts/$t"
  log="$build/artifacts/$t/fuzz.log"
  if "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
      -dict="$root/fuzz/molvex.dict" -artifact_prefix="$build/artifacts/$t/" \
      -print_final_stats=1 "$build/corpus/$t" >"$log" 2>&1; then
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|Done)' "$log"
  else
    status=$?
    tail -n 60 "$log" >&2
    echo "fuzz_$t failed (exit $status); the input is in $build/artifacts/$t/" >&2
    exit 1
  fi
done
