// Scoped owners for OpenSSL objects and a scoped wiper for secrets, for every
// layer of the system, the host and the tests: one alias per OpenSSL type,
// freed with the type's own free function on every way out of a function.
//
//   spc::PkeyCtxPtr ctx(EVP_PKEY_CTX_new(key, nullptr));
//   spc::SecretBnPtr d(BN_secure_new());  // cleared before it is freed
//   spc::WipeOnExit wipe(password);
//
// Numbers that hold private values (private exponents, primes, scalars,
// nonces and what is computed from them) use SecretBnPtr; every other number
// uses BnPtr.
#pragma once

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/crypto.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cstddef>
#include <memory>
#include <string>

namespace spc {

// Frees with the object's own free function.
template <typename T, void (*Free)(T*)>
struct FreeWith {
  void operator()(T* object) const { Free(object); }
};

template <typename T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, FreeWith<T, Free>>;

using BnPtr = Owned<BIGNUM, BN_free>;
using SecretBnPtr = Owned<BIGNUM, BN_clear_free>;
using BnCtxPtr = Owned<BN_CTX, BN_CTX_free>;
using EcGroupPtr = Owned<EC_GROUP, EC_GROUP_free>;
using EcPointPtr = Owned<EC_POINT, EC_POINT_clear_free>;
using EcKeyPtr = Owned<EC_KEY, EC_KEY_free>;
using RsaPtr = Owned<RSA, RSA_free>;
using PkeyPtr = Owned<EVP_PKEY, EVP_PKEY_free>;
using PkeyCtxPtr = Owned<EVP_PKEY_CTX, EVP_PKEY_CTX_free>;
using CipherPtr = Owned<EVP_CIPHER, EVP_CIPHER_free>;
using CipherCtxPtr = Owned<EVP_CIPHER_CTX, EVP_CIPHER_CTX_free>;
using MdPtr = Owned<EVP_MD, EVP_MD_free>;
using MdCtxPtr = Owned<EVP_MD_CTX, EVP_MD_CTX_free>;
using BioPtr = Owned<BIO, BIO_free_all>;
using X509Ptr = Owned<X509, X509_free>;
using ParamBldPtr = Owned<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free>;
using ParamPtr = Owned<OSSL_PARAM, OSSL_PARAM_free>;

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

}  // namespace spc
