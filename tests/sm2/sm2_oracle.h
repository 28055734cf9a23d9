// Test helpers: hex, our SM2 keys from hex, OpenSSL's own SM2 as an oracle
// (its DER ciphertext converted to and from our raw C1 || C3 || C2), and a
// fixed random scalar for reproducing worked examples.
#pragma once

#include <openssl/evp.h>

#include <string>
#include <vector>

#include "common/owned.h"
#include "sm/sm2/internal.h"
#include "sm/sm2/sm2.h"

namespace sm2test {

using Bytes = std::vector<unsigned char>;
using smlib::sm2_internal::SigPtr;
using spc::BnPtr;
using spc::EcKeyPtr;

// The worked examples' private key and random scalar.
extern const char kExampleD[];
extern const char kExampleK[];
extern const char kDefaultId[];  // "1234567812345678"

Bytes fromHex(const std::string& hex);
std::string toHex(const Bytes& b);
std::string toHex(const BIGNUM* bn);  // upper case, 64 digits
spc::BnPtr bnFromHex(const char* hex);
Bytes bytesOf(const std::string& s);

// A random message of `len` bytes.
Bytes randomBytes(size_t len);

// Public point (x, y) of d·G on the SM2 curve, from OpenSSL's own SM2 group.
void publicPointOf(const BIGNUM* d, spc::BnPtr* x, spc::BnPtr* y);

// Our SM2 key with d and P = d·G (through EC_KEY_from_BN), and its key object.
spc::EcKeyPtr ourKey(const BIGNUM* d);
spc::PkeyPtr ourPkey(const BIGNUM* d);             // private + public
spc::PkeyPtr ourPublicPkey(const BIGNUM* d);       // public only
spc::PkeyPtr ourPrivateOnlyPkey(const BIGNUM* d);  // EC_KEY_from_BN_EX

// OpenSSL's own SM2 key object (type SM2, provider code) with d and d·G.
spc::PkeyPtr opensslKey(const BIGNUM* d);

// Conversions between OpenSSL's DER ciphertext and our raw layout (SM3).
Bytes rawToDer(const Bytes& raw);
Bytes derToRaw(const Bytes& der);

// OpenSSL's own SM2: DER ciphertexts; signatures over the message with the
// identity given (SM3). Empty / false on failure.
Bytes opensslEncrypt(EVP_PKEY* key, const Bytes& msg);
bool opensslDecrypt(EVP_PKEY* key, const Bytes& der, Bytes* out);
Bytes opensslSign(EVP_PKEY* key, const Bytes& msg, const char* id);
int opensslVerify(EVP_PKEY* key, const Bytes& msg, const Bytes& der, const char* id);

// Our method through OpenSSL's public-key interface. Encrypt/decrypt return
// the EVP result and the reported bytes.
int evpEncrypt(EVP_PKEY* key, const Bytes& msg, Bytes* out);
int evpDecrypt(EVP_PKEY* key, const Bytes& in, Bytes* out);

// While alive, signing and encryption draw the given scalars (hex) in turn;
// the last one is repeated.
class FixedScalar {
 public:
  explicit FixedScalar(const char* hex) : FixedScalar(std::vector<const char*>{hex}) {}
  explicit FixedScalar(const std::vector<const char*>& hexes);
  ~FixedScalar();
  FixedScalar(const FixedScalar&) = delete;
  FixedScalar& operator=(const FixedScalar&) = delete;
  int draws() const { return draws_; }

 private:
  static int source(BIGNUM* k, const BIGNUM* n, void* arg);
  std::vector<spc::BnPtr> ks_;
  int draws_ = 0;
};

}  // namespace sm2test
