// CommonCrypto's one-shot MD5, as the system code calls it.
#pragma once

#include <cstdint>

typedef uint32_t CC_LONG;
#define CC_MD5_DIGEST_LENGTH 16

// Writes the 16-byte MD5 digest of len bytes at data into md and returns md.
unsigned char* CC_MD5(const void* data, CC_LONG len, unsigned char* md);
