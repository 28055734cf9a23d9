#!/usr/bin/env bash
# Checks that every ctest name is short (under 100 characters) and the same in
# every build: the test programs are built in two build trees with the default
# preset's settings, their tests discovered, and the `ctest -N` name lists
# compared. A name that dumps a pointer or padding bytes differs between the
# two; a parameter dump makes a name long.
#
#   scripts/check_test_names.sh [first-build-dir]
#
# The first tree defaults to build/default (configured with the default preset
# when it is not yet configured); the second is build/check-names, made fresh
# on every run. JOBS sets the build's parallel jobs (default 4).
set -euo pipefail
cd "$(dirname "$0")/.."
first=${1:-build/default}
second=build/check-names
jobs=${JOBS:-4}
limit=100

configure() {
  # The default preset's settings, in the given folder.
  cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
}

# The test names ctest lists, one a line, in ctest's order.
names() {
  ctest --test-dir "$1" -N | sed -n 's/^ *Test *#[0-9]*: //p'
}

if [ ! -f "$first/CMakeCache.txt" ]; then
  configure "$first"
fi
rm -rf "$second"
configure "$second"
for dir in "$first" "$second"; do
  # tests/all: every test program and what it needs (the module included).
  cmake --build "$dir" --target tests/all -j "$jobs" >/dev/null
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
names "$first" >"$work/first"
names "$second" >"$work/second"

status=0
count=$(wc -l <"$work/first")
if [ "$count" -eq 0 ]; then
  echo "no tests listed in $first"
  status=1
fi
long=$(awk -v limit="$limit" 'length($0) >= limit' "$work/first" "$work/second" | sort -u)
if [ -n "$long" ]; then
  echo "test names of $limit characters or more:"
  printf '%s\n' "$long"
  status=1
fi
if ! diff -u --label "$first" --label "$second" "$work/first" "$work/second"; then
  echo "the two builds list different test names"
  status=1
fi
if [ "$status" -eq 0 ]; then
  echo "$count test names, all under $limit characters, the same in both builds"
fi
exit $status
