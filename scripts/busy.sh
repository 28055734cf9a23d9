#!/usr/bin/env bash
# Runs a command with every core kept busy by a loop of its own, then ends the
# loops: shows whether an outcome depends on how busy the machine is.
#   bash scripts/busy.sh ctest --preset default -L patterns
set -euo pipefail
loops=()
stop_loops() {
  for pid in "${loops[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait "${loops[@]}" 2>/dev/null || true
}
trap stop_loops EXIT
for _ in $(seq "$(nproc)"); do
  timeout 3600 sh -c 'while :; do :; done' &
  loops+=($!)
done
echo "busy: ${#loops[@]} loops beside: $*"
"$@"
