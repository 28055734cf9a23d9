#include "protect/random.h"

#include <openssl/crypto.h>
#include <openssl/rand.h>

#include <climits>

bool randomBytes(void* out, size_t size) {
  auto* at = static_cast<unsigned char*>(out);
  while (size > 0) {
    const int chunk = size > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
    if (RAND_bytes(at, chunk) != 1) return false;
    at += chunk;
    size -= static_cast<size_t>(chunk);
  }
  return true;
}

RandomSource::~RandomSource() { OPENSSL_cleanse(pool_, sizeof pool_); }

bool RandomSource::below(unsigned bound, unsigned* value) {
  if (bound == 0 || bound > 256) return false;
  const unsigned limit = 256 - 256 % bound;  // a multiple of bound
  for (;;) {
    if (next_ == sizeof pool_) {
      if (!randomBytes(pool_, sizeof pool_)) return false;
      next_ = 0;
    }
    const unsigned byte = pool_[next_];
    pool_[next_++] = 0;
    if (byte < limit) {
      *value = byte % bound;
      return true;
    }
  }
}
