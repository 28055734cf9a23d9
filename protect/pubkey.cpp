#include "protect/pubkey.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>

#include "CommonCrypto/CommonDigest.h"
#include "Foundation/NSString.h"
#include "common/owned.h"
#include "protect/base64.h"
#include "protect/pubkey_internal.h"
#include "protect/random.h"
#include "sm/sm2/sm2.h"

const char kPemBegin[] = "-----BEGIN CERTIFICATE-----";
const char kPemEnd[] = "-----END CERTIFICATE-----";
const char kPemBeginLine[] = "-----BEGIN CERTIFICATE-----\r\n";

namespace {

// Cleared when freed: the numbers here include private exponents and primes.
using spc::WipeOnExit;

// RSA_public_encrypt of message under key; only a full-size result counts.
std::string rsaPublicEncryptFull(RSA* key, const std::string& message, int padding) {
  int size = RSA_size(key);
  if (size <= 0 || message.size() > static_cast<size_t>(size)) return std::string();
  std::string out(static_cast<size_t>(size), '\0');
  int n = RSA_public_encrypt(static_cast<int>(message.size()),
                             reinterpret_cast<const unsigned char*>(message.data()),
                             reinterpret_cast<unsigned char*>(&out[0]), key, padding);
  if (n != size) return std::string();
  return out;
}

BIGNUM* hexToBn(const char* hex) {
  BIGNUM* bn = nullptr;
  if (!hex || BN_hex2bn(&bn, hex) == 0) return nullptr;
  return bn;
}

// The text up to its first zero byte (as a C string reads it) is one or more
// hex digits of either case: the whole-text pattern "^[A-Fa-f0-9][A-Fa-f0-9]*$",
// checked character by character, so that no page pattern can hold it up.
bool isHexDigitText(const std::string& text) {
  const size_t end = std::min(text.find('\0'), text.size());
  if (end == 0) return false;
  return std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(end), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
  });
}

bool startsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::strlen(prefix), prefix) == 0;
}

}  // namespace

int classifyKeyText(const std::string& text) {
  if (text.empty()) return keytext::kNone;
  if (startsWith(text, kPemBegin)) {
    size_t end = text.find(kPemEnd);
    if (end != std::string::npos && end + std::strlen(kPemEnd) == text.size())
      return keytext::kPemCertificate;
  }
  if (text.size() % 2 == 0 && isHexDigitText(text)) return keytext::kHexDerKey;
  return Base64Codec::decode(text).empty() ? keytext::kNone : keytext::kCertificateBody;
}

std::string pemFromCertificateBody(const std::string& body) {
  return std::string(kPemBeginLine) + body + kPemEnd;
}

std::string rsaEncryptWithPemCertificate(const std::string& pem, const std::string& message,
                                         int padding) {
  if (message.empty() || pem.empty()) return std::string();
  spc::BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  if (!bio) return std::string();
  spc::X509Ptr cert(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
  if (!cert) return std::string();
  spc::PkeyPtr key(X509_get_pubkey(cert.get()));
  if (!key || EVP_PKEY_id(key.get()) != EVP_PKEY_RSA) return std::string();
  spc::RsaPtr rsa(EVP_PKEY_get1_RSA(key.get()));
  if (!rsa) return std::string();
  return rsaPublicEncryptFull(rsa.get(), message, padding);
}

std::string rsaEncryptWithDerKey(const std::string& der, const std::string& message, int padding) {
  if (message.empty() || der.empty() || message.size() > 128) return std::string();
  const auto* p = reinterpret_cast<const unsigned char*>(der.data());
  spc::RsaPtr rsa(d2i_RSAPublicKey(nullptr, &p, static_cast<long>(der.size())));
  if (!rsa) return std::string();
  return rsaPublicEncryptFull(rsa.get(), message, padding);
}

std::string rsaDecryptWithKeyParts(const char* n, const char* e, const char* p, const char* q,
                                   const char* d, const std::string& ciphertext) {
  if (ciphertext.empty() || ciphertext.size() > 1024) return std::string();
  spc::RsaPtr rsa(RSA_new());
  if (!rsa) return std::string();
  spc::SecretBnPtr bn(hexToBn(n)), be(hexToBn(e)), bp(hexToBn(p)), bq(hexToBn(q)), bd(hexToBn(d));
  if (!bn || !be || !bp || !bq || !bd) return std::string();
  if (!RSA_set0_key(rsa.get(), bn.get(), be.get(), bd.get())) return std::string();
  bn.release(), be.release(), bd.release();  // now owned by the key
  if (!RSA_set0_factors(rsa.get(), bp.get(), bq.get())) return std::string();
  bp.release(), bq.release();

  spc::PkeyPtr pkey(EVP_PKEY_new());
  if (!pkey || !EVP_PKEY_assign(pkey.get(), EVP_PKEY_RSA, rsa.get())) return std::string();
  rsa.release();  // the EVP_PKEY frees it

  spc::PkeyCtxPtr ctx(EVP_PKEY_CTX_new(pkey.get(), nullptr));
  if (!ctx || EVP_PKEY_decrypt_init(ctx.get()) <= 0) return std::string();
  if (EVP_PKEY_CTX_ctrl(ctx.get(), EVP_PKEY_RSA, -1, EVP_PKEY_CTRL_RSA_PADDING, RSA_PKCS1_PADDING,
                        nullptr) <= 0)
    return std::string();
#ifdef OSSL_ASYM_CIPHER_PARAM_IMPLICIT_REJECTION
  // Newer OpenSSL answers a bad PKCS#1 v1.5 block with a random plaintext by
  // default; the server-random step must see the failure instead, so that a
  // corrupt input4 leaves the session as it was.
  unsigned int implicitRejection = 0;
  OSSL_PARAM params[] = {
      OSSL_PARAM_construct_uint(OSSL_ASYM_CIPHER_PARAM_IMPLICIT_REJECTION, &implicitRejection),
      OSSL_PARAM_construct_end()};
  if (EVP_PKEY_CTX_set_params(ctx.get(), params) <= 0) return std::string();
#endif
  const auto* in = reinterpret_cast<const unsigned char*>(ciphertext.data());
  size_t outlen = 0;
  if (EVP_PKEY_decrypt(ctx.get(), nullptr, &outlen, in, ciphertext.size()) <= 0 || outlen == 0)
    return std::string();
  std::string out(outlen, '\0');
  WipeOnExit wipe(out);  // the plaintext leaves in `plain` only
  std::string plain;
  if (EVP_PKEY_decrypt(ctx.get(), reinterpret_cast<unsigned char*>(&out[0]), &outlen, in,
                       ciphertext.size()) > 0 &&
      outlen <= out.size())
    plain.assign(out, 0, outlen);
  return plain;
}

std::string sm2DecryptWithPrivateHex(const char* privateHex, const std::string& ciphertext) {
  // C1 (65) and C3 (32) around a plaintext of at most the output area.
  constexpr size_t kPlainCapacity = 2048;
  constexpr size_t kCiphertextLimit = 65 + 32 + kPlainCapacity;
  if (!privateHex || !*privateHex || ciphertext.empty()) return std::string();
  spc::SecretBnPtr scalar(hexToBn(privateHex));
  if (!scalar) return std::string();

  std::string plain;
  spc::EcKeyPtr eckey(smlib::EC_KEY_from_BN_EX(scalar.get()));
  scalar.reset();
  spc::PkeyPtr pkey(eckey ? smlib::EVP_PKEY_SM2_init(eckey.get()) : nullptr);
  if (pkey) eckey.release();  // taken over by the key object
  if (pkey && ciphertext.size() <= kCiphertextLimit) {
    spc::PkeyCtxPtr ctx(EVP_PKEY_CTX_new(pkey.get(), nullptr));
    if (ctx && EVP_PKEY_decrypt_init(ctx.get()) > 0) {
      std::string out(kPlainCapacity, '\0');
      WipeOnExit wipe(out);
      size_t outlen = out.size();
      if (EVP_PKEY_decrypt(ctx.get(), reinterpret_cast<unsigned char*>(&out[0]), &outlen,
                           reinterpret_cast<const unsigned char*>(ciphertext.data()),
                           ciphertext.size()) > 0 &&
          outlen > 0 && outlen <= out.size())
        plain.assign(out, 0, outlen);
    }
  }
  smlib::EVP_sm2_cleanup();
  return plain;
}

std::string PaddingMsg(const std::string& message, const std::string& tag) {
  if (message.empty() || tag.empty() || tag.size() >= 100) return std::string();
  long c = 125L - 2 - static_cast<long>(tag.size()) - static_cast<long>(message.size());
  if (c < 0) return std::string();
  char length[3];
  std::snprintf(length, sizeof length, "%02d", static_cast<int>(tag.size()));

  // Each filler character is the first hex digit of a value from 1 to 0x7f.
  std::string filler;
  filler.reserve(static_cast<size_t>(c));
  RandomSource source;
  for (long i = 0; i < c; ++i) {
    unsigned value = 0;
    if (!source.below(127, &value)) return std::string();
    char digits[4];
    std::snprintf(digits, sizeof digits, "%x", value + 1);
    filler.push_back(digits[0]);
  }

  std::string block;
  block.reserve(128);
  block.push_back('\x00');
  block.push_back('\x02');
  block.append(length, 2);
  block += tag;
  block += filler;
  block.push_back('\x00');
  block += message;
  return block;
}

NSMutableString* md5HexDigest(const NSString* text) {
  const char* utf8 = text ? text->UTF8String() : "";
  unsigned char digest[CC_MD5_DIGEST_LENGTH];
  CC_MD5(utf8, static_cast<CC_LONG>(std::strlen(utf8)), digest);
  char hex[2 * CC_MD5_DIGEST_LENGTH + 1];
  for (int i = 0; i < CC_MD5_DIGEST_LENGTH; ++i) std::snprintf(hex + 2 * i, 3, "%02X", digest[i]);
  NSMutableString* out = NSMutableString::string();
  NSOwned<NSString> digits(NSString::initWithUTF8String(hex));
  out->appendString(digits.get());
  return out;
}
