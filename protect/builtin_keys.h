// The control's built-in key material: its RSA private key and SM2 private
// scalar as hexadecimal texts, and the AES key of decryptWithBuiltinKey.
//
// The values come from the key set the build was configured with (SPC_KEYSET);
// the accessors are generated from it and assemble each value at run time.
// Every text accessor rebuilds its text into its own static, zero-terminated
// buffer and returns that buffer: the pointer stays valid, the content is
// rewritten by the next call of the same accessor. Not reentrant. A caller
// done with a text wipes the whole buffer (the sizes below), so the key does
// not stay behind in clear.
#pragma once

#include <cstddef>
#include <string>

// Sizes of the static buffers, terminating zero included.
constexpr std::size_t kRsaModulusHexSize = 513;          // bufn: up to 512 digits
constexpr std::size_t kRsaExponentHexSize = 7;           // bufe: up to 6 digits
constexpr std::size_t kRsaPrimeHexSize = 257;            // bufp, bufq: up to 256 digits
constexpr std::size_t kRsaPrivateExponentHexSize = 513;  // bufd: up to 512 digits
constexpr std::size_t kSm2PrivateKeyHexSize = 65;        // bufs: 64 digits
constexpr std::size_t kBuiltinAesKeySize = 32;

// Upper-case hex texts of the RSA private key: modulus n, public exponent e,
// primes p and q, private exponent d (whole bytes, no leading zero byte).
const char* buildRsaModulusHex();
const char* buildRsaExponentHex();
const char* buildRsaPrimePHex();
const char* buildRsaPrimeQHex();
const char* buildRsaPrivateExponentHex();

// Upper-case hex text of the SM2 private scalar, 64 digits (zero-padded).
const char* buildSm2PrivateKeyHex();

// The 32-byte AES key, as a new byte string.
std::string buildBuiltinAesKey();
