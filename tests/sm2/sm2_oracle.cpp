#include "sm2_oracle.h"

#include <openssl/asn1t.h>
#include <openssl/ec.h>
#include <openssl/obj_mac.h>
#include <openssl/rand.h>

#include <cstring>
#include <stdexcept>

#include "tests/support/sm2_key.h"

namespace sm2test {

const char kExampleD[] = "3945208F7B2144B13F36E38AC6D39F95889393692860B51A42FB81EF4DF7C5B8";
const char kExampleK[] = "59276E27D506861A16680F3AD9C02DCCEF3CC1FA3CDBE4CE6D54B80DEAC1BC21";
const char kDefaultId[] = "1234567812345678";

// OpenSSL's SM2 ciphertext: SEQUENCE { x INTEGER, y INTEGER, C3 OCTET STRING, C2 OCTET STRING }.
struct Sm2DerCipher {
  BIGNUM* x;
  BIGNUM* y;
  ASN1_OCTET_STRING* c3;
  ASN1_OCTET_STRING* c2;
};
// clang-format off
DECLARE_ASN1_FUNCTIONS(Sm2DerCipher)
ASN1_SEQUENCE(Sm2DerCipher) = {
    ASN1_SIMPLE(Sm2DerCipher, x, BIGNUM),
    ASN1_SIMPLE(Sm2DerCipher, y, BIGNUM),
    ASN1_SIMPLE(Sm2DerCipher, c3, ASN1_OCTET_STRING),
    ASN1_SIMPLE(Sm2DerCipher, c2, ASN1_OCTET_STRING),
} ASN1_SEQUENCE_END(Sm2DerCipher)
IMPLEMENT_ASN1_FUNCTIONS(Sm2DerCipher);
// clang-format on

Bytes fromHex(const std::string& hex) {
  Bytes out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

std::string toHex(const Bytes& b) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  for (unsigned char c : b) {
    s += digits[c >> 4];
    s += digits[c & 15];
  }
  return s;
}

std::string toHex(const BIGNUM* bn) {
  Bytes b(32);
  BN_bn2binpad(bn, b.data(), 32);
  return toHex(b);
}

spc::BnPtr bnFromHex(const char* hex) {
  BIGNUM* bn = nullptr;
  BN_hex2bn(&bn, hex);
  return spc::BnPtr(bn);
}

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes randomBytes(size_t len) {
  Bytes b(len);
  if (len != 0) RAND_bytes(b.data(), static_cast<int>(len));
  return b;
}

void publicPointOf(const BIGNUM* d, spc::BnPtr* x, spc::BnPtr* y) {
  EC_GROUP* group = EC_GROUP_new_by_curve_name(NID_sm2);
  EC_POINT* p = EC_POINT_new(group);
  x->reset(BN_new());
  y->reset(BN_new());
  EC_POINT_mul(group, p, d, nullptr, nullptr, nullptr);
  EC_POINT_get_affine_coordinates(group, p, x->get(), y->get(), nullptr);
  EC_POINT_free(p);
  EC_GROUP_free(group);
}

spc::EcKeyPtr ourKey(const BIGNUM* d) {
  spc::BnPtr x, y;
  publicPointOf(d, &x, &y);
  return spc::EcKeyPtr(smlib::EC_KEY_from_BN(x.get(), y.get(), d));
}

spc::PkeyPtr ourPkey(const BIGNUM* d) {
  spc::EcKeyPtr key = ourKey(d);
  spc::PkeyPtr pkey(smlib::EVP_PKEY_SM2_init(key.get()));
  if (pkey) key.release();
  return pkey;
}

spc::PkeyPtr ourPublicPkey(const BIGNUM* d) {
  spc::BnPtr x, y;
  publicPointOf(d, &x, &y);
  spc::EcKeyPtr key(smlib::EC_KEY_from_BN(x.get(), y.get(), nullptr));
  spc::PkeyPtr pkey(smlib::EVP_PKEY_SM2_init(key.get()));
  if (pkey) key.release();
  return pkey;
}

spc::PkeyPtr ourPrivateOnlyPkey(const BIGNUM* d) {
  spc::EcKeyPtr key(smlib::EC_KEY_from_BN_EX(d));
  spc::PkeyPtr pkey(smlib::EVP_PKEY_SM2_init(key.get()));
  if (pkey) key.release();
  return pkey;
}

spc::PkeyPtr opensslKey(const BIGNUM* d) { return spc::PkeyPtr(testsupport::opensslSm2Key(d)); }

Bytes rawToDer(const Bytes& raw) {
  if (raw.size() < 97) return {};
  Sm2DerCipher* c = Sm2DerCipher_new();
  BN_bin2bn(raw.data() + 1, 32, c->x);
  BN_bin2bn(raw.data() + 33, 32, c->y);
  ASN1_OCTET_STRING_set(c->c3, raw.data() + 65, 32);
  ASN1_OCTET_STRING_set(c->c2, raw.data() + 97, static_cast<int>(raw.size() - 97));
  unsigned char* der = nullptr;
  int n = i2d_Sm2DerCipher(c, &der);
  Bytes out = n > 0 ? Bytes(der, der + n) : Bytes();
  OPENSSL_free(der);
  Sm2DerCipher_free(c);
  return out;
}

Bytes derToRaw(const Bytes& der) {
  const unsigned char* p = der.data();
  Sm2DerCipher* c = d2i_Sm2DerCipher(nullptr, &p, static_cast<long>(der.size()));
  if (c == nullptr) return {};
  Bytes out(97);
  out[0] = 0x04;
  BN_bn2binpad(c->x, out.data() + 1, 32);
  BN_bn2binpad(c->y, out.data() + 33, 32);
  memcpy(out.data() + 65, ASN1_STRING_get0_data(c->c3), 32);
  const unsigned char* c2 = ASN1_STRING_get0_data(c->c2);
  out.insert(out.end(), c2, c2 + ASN1_STRING_length(c->c2));
  Sm2DerCipher_free(c);
  return out;
}

Bytes opensslEncrypt(EVP_PKEY* key, const Bytes& msg) {
  spc::PkeyCtxPtr ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr));
  size_t len = 0;
  if (!ctx || EVP_PKEY_encrypt_init(ctx.get()) <= 0 ||
      EVP_PKEY_encrypt(ctx.get(), nullptr, &len, msg.data(), msg.size()) <= 0)
    return {};
  Bytes out(len);
  if (EVP_PKEY_encrypt(ctx.get(), out.data(), &len, msg.data(), msg.size()) <= 0) return {};
  out.resize(len);
  return out;
}

bool opensslDecrypt(EVP_PKEY* key, const Bytes& der, Bytes* out) {
  spc::PkeyCtxPtr ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr));
  size_t len = 0;
  if (!ctx || EVP_PKEY_decrypt_init(ctx.get()) <= 0 ||
      EVP_PKEY_decrypt(ctx.get(), nullptr, &len, der.data(), der.size()) <= 0)
    return false;
  out->assign(len, 0);
  if (EVP_PKEY_decrypt(ctx.get(), out->data(), &len, der.data(), der.size()) <= 0) return false;
  out->resize(len);
  return true;
}

namespace {}  // namespace

Bytes opensslSign(EVP_PKEY* key, const Bytes& msg, const char* id) {
  spc::MdCtxPtr mctx(EVP_MD_CTX_new());
  EVP_PKEY_CTX* pctx = nullptr;
  size_t len = 0;
  if (!mctx ||
      EVP_DigestSignInit_ex(mctx.get(), &pctx, "SM3", nullptr, nullptr, key, nullptr) <= 0 ||
      EVP_PKEY_CTX_set1_id(pctx, id, strlen(id)) <= 0 ||
      EVP_DigestSign(mctx.get(), nullptr, &len, msg.data(), msg.size()) <= 0)
    return {};
  Bytes sig(len);
  if (EVP_DigestSign(mctx.get(), sig.data(), &len, msg.data(), msg.size()) <= 0) return {};
  sig.resize(len);
  return sig;
}

int opensslVerify(EVP_PKEY* key, const Bytes& msg, const Bytes& der, const char* id) {
  spc::MdCtxPtr mctx(EVP_MD_CTX_new());
  EVP_PKEY_CTX* pctx = nullptr;
  if (!mctx ||
      EVP_DigestVerifyInit_ex(mctx.get(), &pctx, "SM3", nullptr, nullptr, key, nullptr) <= 0 ||
      EVP_PKEY_CTX_set1_id(pctx, id, strlen(id)) <= 0)
    return -100;
  return EVP_DigestVerify(mctx.get(), der.data(), der.size(), msg.data(), msg.size());
}

int evpEncrypt(EVP_PKEY* key, const Bytes& msg, Bytes* out) {
  spc::PkeyCtxPtr ctx(EVP_PKEY_CTX_new(key, nullptr));
  if (!ctx || EVP_PKEY_encrypt_init(ctx.get()) <= 0) return -100;
  size_t len = 0;
  int rc = EVP_PKEY_encrypt(ctx.get(), nullptr, &len, msg.data(), msg.size());
  if (rc <= 0) return rc;
  out->assign(len, 0);
  rc = EVP_PKEY_encrypt(ctx.get(), out->data(), &len, msg.data(), msg.size());
  out->resize(rc > 0 ? len : 0);
  return rc;
}

int evpDecrypt(EVP_PKEY* key, const Bytes& in, Bytes* out) {
  spc::PkeyCtxPtr ctx(EVP_PKEY_CTX_new(key, nullptr));
  if (!ctx || EVP_PKEY_decrypt_init(ctx.get()) <= 0) return -100;
  size_t len = 0;
  int rc = EVP_PKEY_decrypt(ctx.get(), nullptr, &len, in.data(), in.size());
  if (rc <= 0) return rc;
  out->assign(len, 0);
  rc = EVP_PKEY_decrypt(ctx.get(), out->data(), &len, in.data(), in.size());
  out->resize(rc > 0 ? len : 0);
  return rc;
}

FixedScalar::FixedScalar(const std::vector<const char*>& hexes) {
  for (const char* hex : hexes) ks_.push_back(bnFromHex(hex));
  smlib::sm2_testing::set_scalar_source(&FixedScalar::source, this);
}

FixedScalar::~FixedScalar() { smlib::sm2_testing::set_scalar_source(nullptr, nullptr); }

int FixedScalar::source(BIGNUM* k, const BIGNUM*, void* arg) {
  auto* self = static_cast<FixedScalar*>(arg);
  size_t i = static_cast<size_t>(self->draws_++);
  if (i >= self->ks_.size()) i = self->ks_.size() - 1;
  return BN_copy(k, self->ks_[i].get()) != nullptr;
}

}  // namespace sm2test
