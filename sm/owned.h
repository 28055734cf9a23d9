// Scoped owners for OpenSSL objects, for every unit of the system that makes
// them (the SM library and the protection layer above it): one cleanup path
// per function, the object freed on every way out.
//
//   smlib::Owned<BIGNUM, BN_clear_free> n(BN_new());
#pragma once

#include <memory>

namespace smlib {

// Frees with the object's own free function.
template <typename T, void (*Free)(T*)>
struct FreeWith {
  void operator()(T* object) const { Free(object); }
};

template <typename T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, FreeWith<T, Free>>;

}  // namespace smlib
