// SM4 block cipher (GM/T 0002: 128-bit block and key, 32 rounds, one key
// schedule for both directions) over caller-owned round keys, and the ECB,
// CBC, CFB-128 and OFB cipher records that run it through OpenSSL's EVP
// cipher interface.
//
// Keys and blocks are read and written as big-endian 32-bit words. The block
// functions cannot fail and check nothing: the caller passes 16 readable and
// writable bytes and a 32-word round-key table. Everything lives in namespace
// smlib: libcrypto 3 exports EVP_sm4_ecb/cbc/ofb itself and evp.h defines
// EVP_sm4_cfb as a macro (undefined below), so these names must never become
// C symbols.
#pragma once

#include <openssl/evp.h>
#undef EVP_sm4_cfb

#include <cstddef>
#include <cstdint>

namespace smlib {

enum : int {
  SM4_BLOCK_SIZE = 16,
  SM4_KEY_LENGTH = 16,
  SM4_ROUNDS = 32,
  // Identifier of all four SM4 cipher records; it has no entry in OpenSSL's object table.
  NID_smlib_sm4 = 101974,
};

// Reads the 16-byte key as four big-endian words and expands it into the 32 words at rk.
void SM4InitKey(const unsigned char* key, uint32_t* rk);

// Expands four key words (host order) into the 32 round keys at rk.
void SMS4ExternKey(const uint32_t* mk, uint32_t* rk);

// Encrypts the 16 bytes at in into the 16 bytes at out; out may equal in.
void SM4EncryptBlock(const unsigned char* in, unsigned char* out, const uint32_t* rk);

// Decrypts the 16 bytes at in into the 16 bytes at out (round keys rk31 down
// to rk0); out may equal in.
void SM4DecryptBlock(const unsigned char* in, unsigned char* out, const uint32_t* rk);

// The cipher records, all with nid 101974 and a 128-byte data area of round
// keys, told apart by their mode flag alone:
//   ECB: block 16, IV 0;  CBC: block 16, IV 16 (OpenSSL's block padding applies
//   unless switched off);  CFB-128 and OFB: block 1, IV 16, any length,
//   continuing across calls.
// Made once on first use (thread-safe) and never freed; null only if OpenSSL
// could not allocate them. Every hook returns 1 and accepts out == in.
const EVP_CIPHER* EVP_sm4_ecb();
const EVP_CIPHER* EVP_sm4_cbc();
const EVP_CIPHER* EVP_sm4_cfb();
const EVP_CIPHER* EVP_sm4_ofb();

}  // namespace smlib
