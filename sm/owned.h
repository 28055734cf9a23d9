// Scoped owners for OpenSSL objects, for every unit of the system that makes
// them (the SM library and the protection layer above it): one cleanup path
// per function, the object freed on every way out. And a scoped wiper for
// secrets (keys, passwords, key texts, randoms) that live in plain memory.
//
//   smlib::Owned<BIGNUM, BN_clear_free> n(BN_new());
//   smlib::WipeOnExit wipe(password);
#pragma once

#include <openssl/crypto.h>

#include <cstddef>
#include <memory>
#include <string>

namespace smlib {

// Frees with the object's own free function.
template <typename T, void (*Free)(T*)>
struct FreeWith {
  void operator()(T* object) const { Free(object); }
};

template <typename T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, FreeWith<T, Free>>;

// Overwrites a secret with OPENSSL_cleanse when the scope ends, on every way
// out: a string's whole buffer (capacity, not only size, so bytes left behind
// by a shrink go too), or an area of a given size. A string that grows past
// its capacity leaves its old buffer unwiped: reserve first.
class WipeOnExit {
 public:
  explicit WipeOnExit(std::string& text) : text_(&text) {}
  WipeOnExit(void* area, size_t size) : area_(area), size_(size) {}
  template <typename T, size_t N>
  explicit WipeOnExit(T (&array)[N]) : area_(array), size_(sizeof array) {}
  ~WipeOnExit() {
    if (text_) {
      text_->resize(text_->capacity());  // never reallocates
      OPENSSL_cleanse(&(*text_)[0], text_->size());
    }
    if (area_) OPENSSL_cleanse(area_, size_);
  }
  WipeOnExit(const WipeOnExit&) = delete;
  WipeOnExit& operator=(const WipeOnExit&) = delete;

 private:
  std::string* text_ = nullptr;
  void* area_ = nullptr;
  size_t size_ = 0;
};

}  // namespace smlib
