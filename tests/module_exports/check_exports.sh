#!/bin/sh
# Fails unless the built module's dynamic symbol table defines exactly the
# names other code may call: the three NPAPI entry points, the nine envelope
# functions and the client-information builder. Everything else (the other
# entry points, the getters, the codecs, the RSA and DES helpers) stays inside.
set -eu
module=$1
expected='NP_GetEntryPoints
NP_Initialize
NP_Shutdown
_Z17getclientinfojsonB5cxx11v
encryptHexWithSessionKey
encryptLengthPrefixed
encryptLengthPrefixedRaw
encryptPkcs1Hex
encryptTaggedBlock
encryptTaggedBlockWithDerKey
encryptTaggedBlockWithModulus
encryptTextWithSessionKey
encryptTwoFieldsLengthPrefixed'
actual=$(nm -D --defined-only "$module" | awk 'NF >= 3 {print $3}' | LC_ALL=C sort -u)
if [ "$actual" != "$expected" ]; then
  echo "$module exports other names than expected"
  printf 'expected:\n%s\nfound:\n%s\n' "$expected" "$actual"
  exit 1
fi
