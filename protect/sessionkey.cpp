#include "protect/sessionkey.h"

#include <openssl/bn.h>
#include <openssl/crypto.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "common/owned.h"
#include "protect/aes.h"
#include "protect/base64.h"
#include "protect/builtin_keys.h"
#include "protect/hex.h"
#include "protect/pubkey.h"
#include "protect/strings.h"
#include "sm/sm2/sm2.h"
#include "sm/sm4/sm4.h"

namespace {

using spc::WipeOnExit;

// Room for the SM2 ciphertext of the client random (65 + 32 + 16 bytes).
constexpr size_t kSm2CiphertextBuffer = 2048;
// The SM4 ciphertext buffer for passwords of up to 1007 UTF-8 bytes; a longer
// password gets a buffer sized from its own length.
constexpr size_t kSm4CiphertextBuffer = 1024;
constexpr size_t kSm4Block = 16;

// A coordinate pair: odd length, with a "|" (or ",") exactly in the middle
// that is the only one of its kind in the text.
bool isCoordinatePair(const std::string& text) {
  if (text.size() % 2 == 0) return false;
  const char middle = text[text.size() / 2];
  if (middle == '|') return countOccurrences(text, "|") == 1;
  if (middle == ',') return countOccurrences(text, ",") == 1;
  return false;
}

// The built-in key accessors and decryptWithBuiltinKey return their own
// static buffers, writable storage, through const pointers; this is the view
// through which the caller that is done with one wipes it.
void* staticBuffer(const void* buffer) { return const_cast<void*>(buffer); }

// A built-in key text, its accessor's whole static buffer wiped when the
// scope ends, on every way out.
class BuiltinKeyText {
 public:
  BuiltinKeyText(const char* (*accessor)(), size_t bufferSize)
      : text_(accessor()), wipe_(staticBuffer(text_), bufferSize) {}
  const char* get() const { return text_; }

 private:
  const char* text_;
  WipeOnExit wipe_;
};

BIGNUM* hexNumber(const std::string& hex) {
  BIGNUM* bn = nullptr;
  if (BN_hex2bn(&bn, hex.c_str()) == 0) return nullptr;
  return bn;
}

// The SM2 public key a server key text holds, or null.
EC_KEY* sm2KeyFromText(const std::string& text) {
  if (isCoordinatePair(text)) {
    const size_t cut = text.find_first_of(",|");
    spc::BnPtr x(hexNumber(text.substr(0, cut)));
    spc::BnPtr y(hexNumber(text.substr(cut + 1)));
    if (!x || !y) return nullptr;
    return smlib::EC_KEY_from_BN(x.get(), y.get(), nullptr);
  }
  const std::string der = Base64Codec::decode(text);
  const auto* p = reinterpret_cast<const unsigned char*>(der.data());
  spc::X509Ptr cert(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
  if (!cert) return nullptr;
  return smlib::EC_KEY_from_X509(cert.get());
}

// The SM2 encryption itself, with every OpenSSL step checked.
std::string sm2Encrypt(EVP_PKEY* pkey, const std::string& message) {
  spc::PkeyCtxPtr ctx(EVP_PKEY_CTX_new(pkey, nullptr));
  if (!ctx || EVP_PKEY_encrypt_init(ctx.get()) <= 0) return std::string();
  std::string out(kSm2CiphertextBuffer, '\0');
  size_t outlen = out.size();
  if (EVP_PKEY_encrypt(ctx.get(), reinterpret_cast<unsigned char*>(&out[0]), &outlen,
                       reinterpret_cast<const unsigned char*>(message.data()),
                       message.size()) <= 0 ||
      outlen == 0 || outlen > out.size())
    return std::string();
  out.resize(outlen);
  return out;
}

}  // namespace

KeyText::~KeyText() { OPENSSL_cleanse(bytes, sizeof bytes); }

KeyText deriveKeyText(const std::string& source) {
  std::string decrypted;
  WipeOnExit wipeDecrypted(decrypted);
  {
    const unsigned char* kp = decryptWithBuiltinKey(source);
    WipeOnExit wipeKp(staticBuffer(kp), kBuiltinDecryptionSize);
    decrypted.assign(reinterpret_cast<const char*>(kp), 32);
  }
  std::string base64 = Base64Codec::encode(decrypted);
  WipeOnExit wipeBase64(base64);
  KeyText key{};
  std::memcpy(key.bytes, base64.data(), 32);
  return key;
}

std::string aesPasswordCiphertext(const std::string& password, const KeyText& key) {
  return aes256EcbEncrypt(password, key.bytes);
}

std::string sm4PasswordCiphertext(const std::string& password, const KeyText& key) {
  if (password.size() > static_cast<size_t>(INT_MAX) - 2 * kSm4Block) return std::string();
  spc::CipherCtxPtr ctx(EVP_CIPHER_CTX_new());
  if (!ctx) return std::string();
  std::string out(std::max(kSm4CiphertextBuffer, password.size() + kSm4Block), '\0');
  auto* o = reinterpret_cast<unsigned char*>(&out[0]);
  int updated = 0, finished = 0;
  if (EVP_EncryptInit(ctx.get(), smlib::EVP_sm4_ecb(), key.bytes, nullptr) <= 0 ||
      EVP_CIPHER_CTX_set_padding(ctx.get(), 1) <= 0 ||
      EVP_EncryptUpdate(ctx.get(), o, &updated,
                        reinterpret_cast<const unsigned char*>(password.data()),
                        static_cast<int>(password.size())) <= 0 ||
      updated < 0 || EVP_EncryptFinal(ctx.get(), o + updated, &finished) <= 0 || finished < 0)
    return std::string();
  const size_t total = static_cast<size_t>(updated) + static_cast<size_t>(finished);
  if (total == 0 || total > out.size()) return std::string();
  out.resize(total);
  return out;
}

std::string rsaEncryptClientRandom(const std::string& keyText, const std::string& random) {
  switch (classifyKeyText(keyText)) {
    case keytext::kPemCertificate:
      return rsaEncryptWithPemCertificate(keyText, random, RSA_PKCS1_PADDING);
    case keytext::kCertificateBody:
      return rsaEncryptWithPemCertificate(pemFromCertificateBody(keyText), random,
                                          RSA_PKCS1_PADDING);
    case keytext::kHexDerKey:
      return rsaEncryptWithDerKey(hex2string(keyText), random, RSA_PKCS1_PADDING);
    default:
      return std::string();
  }
}

std::string sm2EncryptClientRandom(const std::string& keyText, const std::string& random) {
  std::string ciphertext;
  spc::EcKeyPtr eckey(sm2KeyFromText(keyText));
  spc::PkeyPtr pkey(eckey ? smlib::EVP_PKEY_SM2_init(eckey.get()) : nullptr);
  if (pkey) {
    eckey.release();  // the key object owns it now
    ciphertext = sm2Encrypt(pkey.get(), random);
  }
  pkey.reset();
  eckey.reset();
  smlib::EVP_sm2_cleanup();
  return ciphertext;
}

std::string decryptServerRandom(int32_t rsaMode, const std::string& ciphertext) {
  if (rsaMode != 0) {
    const BuiltinKeyText n(buildRsaModulusHex, kRsaModulusHexSize);
    const BuiltinKeyText e(buildRsaExponentHex, kRsaExponentHexSize);
    const BuiltinKeyText p(buildRsaPrimePHex, kRsaPrimeHexSize);
    const BuiltinKeyText q(buildRsaPrimeQHex, kRsaPrimeHexSize);
    const BuiltinKeyText d(buildRsaPrivateExponentHex, kRsaPrivateExponentHexSize);
    return rsaDecryptWithKeyParts(n.get(), e.get(), p.get(), q.get(), d.get(), ciphertext);
  }
  const BuiltinKeyText d(buildSm2PrivateKeyHex, kSm2PrivateKeyHexSize);
  return sm2DecryptWithPrivateHex(d.get(), ciphertext);
}
