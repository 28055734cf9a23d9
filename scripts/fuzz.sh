#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzz target (or those named) for the
# given number of seconds each, then prints per target its executions and
# coverage (cov: edges, ft: features). Exits 1 when any target found
# something; the input is kept under build/fuzz/findings/<target>/.
#
#   bash scripts/fuzz.sh [seconds] [--sequential | --jobs N] [target ...]
#
# Seconds default to 60. Targets run four at a time unless told otherwise.
# New inputs collect in build/fuzz/corpus/<target>/, so a later run goes on
# from there; the seeds in fuzz/corpus/<target>/ are read every time.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=60
jobs=4
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --sequential) jobs=1 ;;
    --jobs) jobs="$2"; shift ;;
    [0-9]*) seconds="$1" ;;
    *) targets+=("$1") ;;
  esac
  shift
done
if [ ${#targets[@]} -eq 0 ]; then
  for dir in fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi

bash scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j4

out=build/fuzz
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"

# Page patterns have a bound of their own on every match; a unit that takes
# seconds is a finding there. Elsewhere a unit may take longer under the
# sanitizers.
timeout_for() { [ "$1" = fuzz_patterns ] && echo 5 || echo 10; }

run_one() {
  local t=$1
  mkdir -p "$out/corpus/$t" "$out/findings/$t" "$out/logs"
  "$out/fuzz/$t" -max_total_time="$seconds" -timeout="$(timeout_for "$t")" \
    -print_final_stats=1 -artifact_prefix="$out/findings/$t/" \
    "$out/corpus/$t" "fuzz/corpus/$t" >"$out/logs/$t.log" 2>&1
}

pids=()
status=()
for t in "${targets[@]}"; do
  [ -x "$out/fuzz/$t" ] || { echo "no fuzz target $t" >&2; exit 2; }
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do sleep 1; done
  echo "== $t (${seconds}s)"
  run_one "$t" &
  pids+=($!)
done
failed=0
for i in "${!targets[@]}"; do
  if wait "${pids[$i]}"; then status[$i]=ok; else status[$i]=FINDING; failed=1; fi
done

printf '\n%-20s %-8s %12s %8s %8s %8s\n' target result executions exec/s cov ft
for i in "${!targets[@]}"; do
  t=${targets[$i]}
  log="$out/logs/$t.log"
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  cov=$(grep -oE '^#[0-9]+.*cov: [0-9]+ ft: [0-9]+' "$log" | tail -1 |
        sed -E 's/.*cov: ([0-9]+) ft: ([0-9]+)/\1 \2/')
  printf '%-20s %-8s %12s %8s %8s %8s\n' "$t" "${status[$i]}" "${execs:--}" "${rate:--}" \
    ${cov:-- -}
  if [ "${status[$i]}" != ok ]; then
    grep -E 'ERROR|runtime error|check failed|leak after|Test unit written' "$log" | head -5 |
      sed 's/^/    /'
  fi
done
exit $failed
