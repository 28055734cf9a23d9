// Random values for the control's key material and fillers, all from
// OpenSSL's generator (RAND_bytes, which seeds itself).
//
// Every draw can fail when the generator cannot give bytes. The caller then
// fails its own operation: no fixed, partial or reused value ever stands in.
#pragma once

#include <cstddef>

// Fills `size` bytes at `out` from the generator. False when it fails; the
// area then holds nothing to use.
bool randomBytes(void* out, size_t size);

// Uniform draws of small numbers from one operation's random bytes. Each
// number is a byte below the largest multiple of the bound (bytes above it
// are drawn again), taken modulo the bound, so no value is favoured. The
// unused bytes are wiped when the source goes.
class RandomSource {
 public:
  RandomSource() = default;
  ~RandomSource();
  RandomSource(const RandomSource&) = delete;
  RandomSource& operator=(const RandomSource&) = delete;

  // A number in 0 .. bound - 1 (bound 1 to 256) into *value. False when the
  // generator fails (or for a bound out of range); *value is then untouched.
  bool below(unsigned bound, unsigned* value);

 private:
  unsigned char pool_[64];
  size_t next_ = sizeof pool_;  // all used: the first draw fills the pool
};
