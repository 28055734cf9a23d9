// A seam for OpenSSL's generator: while a FailingGenerator lives, every draw
// in the process fails (RAND_bytes and RAND_priv_bytes answer 0). libcrypto is
// one shared library, so the loaded module draws from the same generator and
// fails too. The method in place before is put back when it goes.
#pragma once

#include <openssl/rand.h>

namespace testsupport {

class FailingGenerator {
 public:
  FailingGenerator() : previous_(RAND_get_rand_method()) { RAND_set_rand_method(&kFailing); }
  ~FailingGenerator() { RAND_set_rand_method(previous_); }
  FailingGenerator(const FailingGenerator&) = delete;
  FailingGenerator& operator=(const FailingGenerator&) = delete;

 private:
  static int noBytes(unsigned char*, int) { return 0; }
  static int notSeeded() { return 0; }
  static constexpr RAND_METHOD kFailing = {nullptr, noBytes, nullptr, nullptr, noBytes, notSeeded};

  const RAND_METHOD* previous_;
};

}  // namespace testsupport
