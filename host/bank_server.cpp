#include "host/bank_server.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/ec.h>
#include <openssl/obj_mac.h>
#include <openssl/param_build.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <memory>
#include <stdexcept>

#include "common/owned.h"
#include "host/sm2_der.h"
#include "keys/keyset.h"

namespace bank {
namespace {

const unsigned char* bytes(const std::string& s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

std::string hex(const std::string& s) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

std::string pkeyCrypt(EVP_PKEY* key, bool encrypt, const std::string& in, int rsaPadding) {
  spc::PkeyCtxPtr ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr));
  if (!ctx) return std::string();
  if ((encrypt ? EVP_PKEY_encrypt_init(ctx.get()) : EVP_PKEY_decrypt_init(ctx.get())) <= 0)
    return std::string();
  if (rsaPadding && EVP_PKEY_CTX_set_rsa_padding(ctx.get(), rsaPadding) <= 0) return std::string();
  auto run = encrypt ? EVP_PKEY_encrypt : EVP_PKEY_decrypt;
  size_t len = 0;
  if (run(ctx.get(), nullptr, &len, bytes(in), in.size()) <= 0) return std::string();
  std::string out(len, '\0');
  if (run(ctx.get(), reinterpret_cast<unsigned char*>(&out[0]), &len, bytes(in), in.size()) <= 0)
    return std::string();
  out.resize(len);
  return out;
}

std::string cipherRun(const EVP_CIPHER* cipher, bool encrypt, const std::string& key,
                      const std::string& in, bool padding) {
  spc::CipherCtxPtr ctx(EVP_CIPHER_CTX_new());
  if (!ctx ||
      !EVP_CipherInit_ex(ctx.get(), cipher, nullptr, bytes(key), nullptr, encrypt ? 1 : 0) ||
      !EVP_CIPHER_CTX_set_padding(ctx.get(), padding ? 1 : 0))
    return std::string();
  std::string out(in.size() + 32, '\0');
  int n1 = 0, n2 = 0;
  auto* o = reinterpret_cast<unsigned char*>(&out[0]);
  if (!EVP_CipherUpdate(ctx.get(), o, &n1, bytes(in), static_cast<int>(in.size())) ||
      !EVP_CipherFinal_ex(ctx.get(), o + n1, &n2))
    return std::string();
  out.resize(n1 + n2);
  return out;
}

spc::PkeyPtr rsaPublicKey(const std::string& nHex, const std::string& eHex) {
  BIGNUM* n = nullptr;
  BIGNUM* e = nullptr;
  BN_hex2bn(&n, nHex.c_str());
  BN_hex2bn(&e, eHex.c_str());
  spc::BnPtr pn(n), pe(e);
  OSSL_PARAM_BLD* bld = OSSL_PARAM_BLD_new();
  OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_N, n);
  OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_E, e);
  OSSL_PARAM* params = OSSL_PARAM_BLD_to_param(bld);
  EVP_PKEY* key = nullptr;
  spc::PkeyCtxPtr ctx(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
  if (ctx && EVP_PKEY_fromdata_init(ctx.get()) > 0)
    EVP_PKEY_fromdata(ctx.get(), &key, EVP_PKEY_PUBLIC_KEY, params);
  OSSL_PARAM_free(params);
  OSSL_PARAM_BLD_free(bld);
  return spc::PkeyPtr(key);
}

spc::PkeyPtr sm2PublicKey(const std::string& point) {
  OSSL_PARAM params[] = {
      OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, const_cast<char*>("SM2"), 0),
      OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY, const_cast<char*>(point.data()),
                                        point.size()),
      OSSL_PARAM_construct_end()};
  EVP_PKEY* key = nullptr;
  spc::PkeyCtxPtr ctx(EVP_PKEY_CTX_new_from_name(nullptr, "SM2", nullptr));
  if (ctx && EVP_PKEY_fromdata_init(ctx.get()) > 0)
    EVP_PKEY_fromdata(ctx.get(), &key, EVP_PKEY_PUBLIC_KEY, params);
  return spc::PkeyPtr(key);
}

// A certificate for key, signed by signer (the server's RSA key).
std::string certificateDer(EVP_PKEY* key, EVP_PKEY* signer, const char* commonName) {
  spc::X509Ptr cert(X509_new());
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), 0);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 365L * 24 * 3600);
  X509_set_pubkey(cert.get(), key);
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
  X509_set_issuer_name(cert.get(), name);
  if (!X509_sign(cert.get(), signer, EVP_sha256())) throw std::runtime_error("X509_sign failed");
  unsigned char* der = nullptr;
  int len = i2d_X509(cert.get(), &der);
  std::string out(reinterpret_cast<char*>(der), len);
  OPENSSL_free(der);
  return out;
}

std::string randomText(size_t length) {
  static const char alphabet[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string raw(length, '\0');
  RAND_bytes(reinterpret_cast<unsigned char*>(&raw[0]), static_cast<int>(length));
  std::string out;
  for (unsigned char c : raw) out.push_back(alphabet[c % 36]);
  return out;
}

}  // namespace

std::string base64Encode(const std::string& in) {
  std::string out(4 * ((in.size() + 2) / 3) + 1, '\0');
  int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&out[0]), bytes(in),
                          static_cast<int>(in.size()));
  out.resize(n);
  return out;
}

std::string base64Decode(const std::string& text) {
  if (text.size() % 4) return std::string();
  std::string out(text.size() / 4 * 3 + 1, '\0');
  int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(&out[0]), bytes(text),
                          static_cast<int>(text.size()));
  if (n < 0) return std::string();
  size_t pad = 0;
  if (!text.empty() && text.back() == '=') ++pad;
  if (text.size() > 1 && text[text.size() - 2] == '=') ++pad;
  out.resize(n - pad);
  return out;
}

ControlKeys controlKeysFromKeyset() {
  ControlKeys keys;
  keys.rsaModulusHex = keyset::value("rsa_modulus_hex");
  keys.rsaExponentHex = keyset::value("rsa_exponent_hex");
  std::string sm2Hex = keyset::value("sm2_private_hex");
  keys.sm2PublicPoint = sm2PublicPointFromPrivateHex(sm2Hex);
  OPENSSL_cleanse(&sm2Hex[0], sm2Hex.size());
  BIGNUM* aes = nullptr;
  std::string aesHex = keyset::value("aes_key_hex");
  if (BN_hex2bn(&aes, aesHex.c_str()) && aesHex.size() == 64) {
    keys.aesKey.assign(32, '\0');
    BN_bn2binpad(aes, reinterpret_cast<unsigned char*>(&keys.aesKey[0]), 32);
  }
  BN_clear_free(aes);
  OPENSSL_cleanse(&aesHex[0], aesHex.size());
  return keys;
}

std::string sm2PublicPointFromPrivateHex(const std::string& privateHex) {
  BIGNUM* d = nullptr;
  if (!BN_hex2bn(&d, privateHex.c_str())) return std::string();
  spc::SecretBnPtr pd(d);
  spc::EcGroupPtr group(EC_GROUP_new_by_curve_name(NID_sm2));
  spc::EcPointPtr p(EC_POINT_new(group.get()));
  if (!group || !p || !EC_POINT_mul(group.get(), p.get(), d, nullptr, nullptr, nullptr))
    return std::string();
  unsigned char buf[65];
  size_t n = EC_POINT_point2oct(group.get(), p.get(), POINT_CONVERSION_UNCOMPRESSED, buf,
                                sizeof buf, nullptr);
  return std::string(reinterpret_cast<char*>(buf), n);
}

BankServer::BankServer(ControlKeys keys) : keys_(std::move(keys)) {
  rsaKey_ = EVP_RSA_gen(2048);
  sm2Key_ = EVP_PKEY_Q_keygen(nullptr, nullptr, "SM2");
  if (!rsaKey_ || !sm2Key_) throw std::runtime_error("server key generation failed");
  rsaCertDer_ = certificateDer(rsaKey_, rsaKey_, "bank server");
  sm2CertDer_ = certificateDer(sm2Key_, rsaKey_, "bank server SM2");
}

BankServer::~BankServer() {
  EVP_PKEY_free(rsaKey_);
  EVP_PKEY_free(sm2Key_);
}

std::string BankServer::rsaCertificatePem() const {
  const auto* p = bytes(rsaCertDer_);
  spc::X509Ptr cert(d2i_X509(nullptr, &p, static_cast<long>(rsaCertDer_.size())));
  BIO* bio = BIO_new(BIO_s_mem());
  PEM_write_bio_X509(bio, cert.get());
  char* data = nullptr;
  long len = BIO_get_mem_data(bio, &data);
  std::string pem(data, len);
  BIO_free(bio);
  while (!pem.empty() && (pem.back() == '\n' || pem.back() == '\r')) pem.pop_back();
  return pem;
}

std::string BankServer::rsaCertificateBody() const {
  std::string pem = rsaCertificatePem();
  size_t start = pem.find('\n') + 1;
  size_t end = pem.rfind("-----END");
  return pem.substr(start, end - start);
}

std::string BankServer::rsaPublicKeyHexDer() const {
  const RSA* rsa = EVP_PKEY_get0_RSA(rsaKey_);
  unsigned char* der = nullptr;
  int len = i2d_RSAPublicKey(rsa, &der);
  std::string out(reinterpret_cast<char*>(der), len);
  OPENSSL_free(der);
  return hex(out);
}

std::string BankServer::sm2CoordinatePair(char separator) const {
  unsigned char point[65];
  size_t len = 0;
  EVP_PKEY_get_octet_string_param(sm2Key_, OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point, &len);
  std::string p(reinterpret_cast<char*>(point), len);
  return hex(p.substr(1, 32)) + separator + hex(p.substr(33, 32));
}

std::string BankServer::sm2CertificateBody() const { return base64Encode(sm2CertDer_); }

std::string BankServer::receiveClientRandom(const std::string& text, bool rsaMode) {
  std::string c = base64Decode(text);
  if (c.empty()) return std::string();
  std::string plain = rsaMode ? pkeyCrypt(rsaKey_, false, c, RSA_PKCS1_PADDING)
                              : pkeyCrypt(sm2Key_, false, sm2RawToDer(c), 0);
  if (!plain.empty()) clientRandom_ = plain;
  return plain;
}

std::string BankServer::makeServerRandom(bool rsaMode, size_t length) {
  return sendServerRandom(rsaMode, randomText(length));
}

std::string BankServer::sendServerRandom(bool rsaMode, const std::string& random) {
  serverRandom_ = random;
  std::string c;
  if (rsaMode) {
    spc::PkeyPtr key = rsaPublicKey(keys_.rsaModulusHex, keys_.rsaExponentHex);
    if (key) c = pkeyCrypt(key.get(), true, serverRandom_, RSA_PKCS1_PADDING);
  } else {
    spc::PkeyPtr key = sm2PublicKey(keys_.sm2PublicPoint);
    if (key) c = sm2DerToRaw(pkeyCrypt(key.get(), true, serverRandom_, 0));
  }
  return c.empty() ? std::string() : base64Encode(c);
}

std::string BankServer::keyTextFor(const std::string& source) const {
  std::string padded = source;
  padded.resize((source.size() + 15) / 16 * 16, '\0');
  std::string plain = padded.empty()
                          ? std::string()
                          : cipherRun(EVP_aes_256_ecb(), false, keys_.aesKey, padded, false);
  plain.resize(32, '\0');
  return base64Encode(plain).substr(0, 32);
}

std::string BankServer::decryptPassword(const std::string& text, bool rsaMode,
                                        const std::string& keyText) const {
  std::string c = base64Decode(text);
  if (c.empty() || keyText.size() < 32) return std::string();
  if (rsaMode) {
    std::string plain = cipherRun(EVP_aes_256_ecb(), false, keyText.substr(0, 32), c, false);
    while (!plain.empty() && plain.back() == '\0') plain.pop_back();
    return plain;
  }
  return cipherRun(EVP_sm4_ecb(), false, keyText.substr(0, 16), c, true);
}

}  // namespace bank
