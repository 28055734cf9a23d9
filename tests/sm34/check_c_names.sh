#!/bin/sh
# Fails when any given object file, archive or binary defines a C symbol that
# libcrypto 3 owns (EVP_sm3, EVP_sm4_ecb/cbc/cfb/cfb128/ofb). The first file
# must be the SM library, which must hold the namespaced smlib::EVP_sm3.
set -eu
status=0
for f in "$@"; do
  # The symbol table, and for shared objects the dynamic table (kept when stripped).
  names=$( (nm --defined-only "$f" 2>/dev/null; nm -D --defined-only "$f" 2>/dev/null) |
          awk 'NF >= 3 {print $3}')
  bad=$(printf '%s\n' "$names" | grep -E '^(EVP_sm3|EVP_sm4_(ecb|cbc|cfb|cfb128|ofb))$' || true)
  if [ -n "$bad" ]; then
    echo "$f defines C symbols owned by libcrypto: $bad"
    status=1
  fi
done
if ! nm --defined-only "$1" | grep -q '_ZN5smlib7EVP_sm3Ev'; then
  echo "$1 does not define smlib::EVP_sm3"
  status=1
fi
exit $status
