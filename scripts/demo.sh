#!/usr/bin/env bash
# Installs what is needed, builds the default preset and runs a page session
# through the test host.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
./build/default/host/page_session "$@"
