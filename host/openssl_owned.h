// Scoped owners for OpenSSL objects on the browser's side (the host's bank
// server) and in the tests: one cleanup path per function. The host keeps
// its own copy of this small helper, apart from the system's.
//
//   host::Owned<EVP_PKEY_CTX, EVP_PKEY_CTX_free> ctx(EVP_PKEY_CTX_new(key, nullptr));
#pragma once

#include <memory>

namespace host {

// Frees with the object's own free function.
template <typename T, void (*Free)(T*)>
struct FreeWith {
  void operator()(T* object) const { Free(object); }
};

template <typename T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, FreeWith<T, Free>>;

}  // namespace host
