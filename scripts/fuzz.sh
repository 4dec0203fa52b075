#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/, clang with AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs every target the build made, one after another:
#
#   scripts/fuzz.sh smoke        each target for a short fixed time (about a minute in all) on a
#                                copy of its seed corpus; fails on the first finding of any target
#   scripts/fuzz.sh long HOURS   the targets for HOURS in all, going on past findings; new corpus
#                                entries that add coverage are merged into fuzz/corpus/<target>
#
# A target uses the dictionary fuzz/<target>.dict when there is one, else fuzz/sql.dict.
# Reproducers of findings are written to fuzz/findings/<target>/ (not committed). FUZZ_JOBS
# (default 1) sets the worker processes of a long run.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-}
case "$mode" in
  smoke) ;;
  long)
    hours=${2:?usage: scripts/fuzz.sh long HOURS}
    [[ $hours =~ ^[0-9]+([.][0-9]+)?$ ]] || { echo "HOURS must be a number" >&2; exit 2; } ;;
  *) echo "usage: scripts/fuzz.sh smoke | long HOURS" >&2; exit 2 ;;
esac

bash scripts/install-deps.sh clang libclang-rt-dev

build=build/fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

targets=()
for binary in "$build"/bin/fuzz_*; do targets+=("$(basename "$binary")"); done
((${#targets[@]})) || { echo "no fuzz targets were built" >&2; exit 1; }

if [[ $mode == smoke ]]; then
  seconds=$((60 / ${#targets[@]} > 10 ? 60 / ${#targets[@]} : 10))
else
  seconds=$(awk -v h="$hours" -v n="${#targets[@]}" 'BEGIN { printf "%d", h * 3600 / n }')
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
failed=()
for binary in "${targets[@]}"; do
  name=${binary#fuzz_}
  dict=fuzz/$name.dict
  [[ -f $dict ]] || dict=fuzz/sql.dict
  findings=fuzz/findings/$name
  work=$build/corpus/$name
  rm -rf "$work"
  mkdir -p "$work" "$findings" "fuzz/corpus/$name"
  cp -r "fuzz/corpus/$name/." "$work/"
  options=(-dict="$dict" -max_total_time="$seconds" -timeout=10 -print_final_stats=1
           -artifact_prefix="$findings/")
  if [[ $mode == long ]]; then
    options+=(-fork="${FUZZ_JOBS:-1}" -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1)
  fi
  echo "== $name: $seconds s"
  before=$(find "$findings" -type f | wc -l)
  status=0
  "$build/bin/$binary" "${options[@]}" "$work" >"$build/$name.log" 2>&1 || status=$?
  # Runs made: the final statistics of a single process, the last progress line of a fork.
  grep -E '^stat::number_of_executed_units|^SUMMARY' "$build/$name.log" || true
  [[ $mode == smoke ]] || grep -E '^#[0-9]+: ' "$build/$name.log" | tail -1 || true
  if [[ $mode == long ]]; then
    "$build/bin/$binary" -merge=1 "fuzz/corpus/$name" "$work" >>"$build/$name.log" 2>&1
  fi
  if ((status != 0 || $(find "$findings" -type f | wc -l) > before)); then
    failed+=("$name")
    echo "finding: see $build/$name.log and $findings/" >&2
  fi
done

if ((${#failed[@]})); then
  echo "fuzzing found faults in: ${failed[*]}" >&2
  exit 1
fi
echo "no findings"
