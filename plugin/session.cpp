// The session-key exchange: the client random and its encryption to the
// server's key, the server random received through input4, the key-text
// derivation and the two password ciphertexts.
#include "plugin/session.h"

#include <openssl/bn.h>
#include <openssl/crypto.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

#include "plugin/EditNPObject.h"
#include "plugin/results.h"
#include "plugin/textsource.h"
#include "protect/aes.h"
#include "protect/base64.h"
#include "protect/builtin_keys.h"
#include "protect/hex.h"
#include "protect/pubkey.h"
#include "protect/random.h"
#include "protect/strings.h"
#include "common/owned.h"
#include "sm/sm2/sm2.h"
#include "sm/sm4/sm4.h"

std::string g_rand;
std::string g_rand2;

namespace {

using spc::WipeOnExit;

constexpr size_t kClientRandomLength = 16;
// Room for the SM2 ciphertext of the client random (65 + 32 + 16 bytes).
constexpr size_t kSm2CiphertextBuffer = 2048;
// The SM4 ciphertext buffer for passwords of up to 1007 UTF-8 bytes; a longer
// password gets a buffer sized from its own length.
constexpr size_t kSm4CiphertextBuffer = 1024;
constexpr size_t kSm4Block = 16;

// Key text: 32 Base64 characters and a zero byte, wiped when it goes.
struct KeyText {
  unsigned char bytes[33];
  ~KeyText() { OPENSSL_cleanse(bytes, sizeof bytes); }
};

// 16 characters from OpenSSL's generator: per position a uniform choice of
// digit or letter, then a uniform digit '0'..'9' or letter 'a'..'y' (25
// letters: 'z' never occurs). False when the generator fails; *random is
// then left as it was.
bool makeClientRandom(std::string* random) {
  char made[kClientRandomLength];
  WipeOnExit wipe(made);
  RandomSource source;
  for (char& c : made) {
    unsigned letter = 0, pick = 0;
    if (!source.below(2, &letter) || !source.below(letter ? 25 : 10, &pick)) return false;
    c = static_cast<char>(letter ? 'a' + pick : '0' + pick);
  }
  random->assign(made, sizeof made);
  return true;
}

// Puts a new secret in place of an old one: the old one is wiped, the new
// one's source left empty.
void replaceSecret(std::string& secret, std::string& next) {
  secret.swap(next);
  WipeOnExit wipe(next);
}

// The first 32 characters of the Base64 text of the 32 bytes that the
// built-in AES key decrypts the source to.
KeyText deriveKeyText(const std::string& source) {
  std::string decrypted(reinterpret_cast<const char*>(decryptWithBuiltinKey(source)), 32);
  WipeOnExit wipeDecrypted(decrypted);
  std::string base64 = Base64Codec::encode(decrypted);
  WipeOnExit wipeBase64(base64);
  KeyText key{};
  std::memcpy(key.bytes, base64.data(), 32);
  return key;
}

// RSA mode: the client random under the server key, by the form of its text.
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

// A coordinate pair: odd length, with a "|" (or ",") exactly in the middle
// that is the only one of its kind in the text.
bool isCoordinatePair(const std::string& text) {
  if (text.size() % 2 == 0) return false;
  const char middle = text[text.size() / 2];
  if (middle == '|') return countOccurrences(text, "|") == 1;
  if (middle == ',') return countOccurrences(text, ",") == 1;
  return false;
}

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

// SM2 mode: the client random under the server key; empty on any failure.
std::string sm2EncryptClientRandom(const std::string& keyText, const std::string& random) {
  std::string ciphertext;
  spc::EcKeyPtr eckey(sm2KeyFromText(keyText));
  spc::PkeyPtr pkey(eckey ? smlib::EVP_PKEY_SM2_init(eckey.get()) : nullptr);
  if (pkey) eckey.release();  // the key object owns it now
  spc::PkeyCtxPtr ctx(pkey ? EVP_PKEY_CTX_new(pkey.get(), nullptr) : nullptr);
  if (ctx && EVP_PKEY_encrypt_init(ctx.get()) > 0) {
    std::string out(kSm2CiphertextBuffer, '\0');
    size_t outlen = out.size();
    if (EVP_PKEY_encrypt(ctx.get(), reinterpret_cast<unsigned char*>(&out[0]), &outlen,
                         reinterpret_cast<const unsigned char*>(random.data()),
                         random.size()) > 0 &&
        outlen > 0 && outlen <= out.size()) {
      out.resize(outlen);
      ciphertext.swap(out);
    }
  }
  ctx.reset();
  pkey.reset();
  eckey.reset();
  smlib::EVP_sm2_cleanup();
  return ciphertext;
}

// A byte that reads, as a signed 8-bit number, at most 0x20: control
// characters, the space, and every byte from 0x80 up.
bool isBlank(char c) { return static_cast<signed char>(c) <= 0x20; }

std::string trimBlanks(const std::string& text) {
  size_t first = 0, last = text.size();
  while (first < last && isBlank(text[first])) ++first;
  while (last > first && isBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

// The UTF-8 password to encrypt (up to its first zero byte), or false when
// there is nothing to encrypt: no text, an empty one, or one that fails the
// whole-password test.
bool passwordToEncrypt(editorplugin* object, std::string* password) {
  NSString* text = textSource(object);
  bool ready = text && text->length() != 0 && wholePasswordTest(object, text);
  if (ready) password->assign(text->UTF8String());
  NSRelease(text);
  return ready;
}

// SM4-ECB with PKCS#7 padding under the first 16 key-text bytes. The output
// buffer is the usual 1024 bytes, or the password's length plus one block
// when that is more, so no password is ever written past its buffer.
std::string sm4EcbEncrypt(const std::string& password, const KeyText& key) {
  if (password.size() > static_cast<size_t>(INT_MAX) - 2 * kSm4Block) return std::string();
  spc::CipherCtxPtr ctx(EVP_CIPHER_CTX_new());
  if (!ctx) return std::string();
  std::string out(std::max(kSm4CiphertextBuffer, password.size() + kSm4Block), '\0');
  auto* o = reinterpret_cast<unsigned char*>(&out[0]);
  int updated = 0, finished = 0;
  EVP_EncryptInit(ctx.get(), smlib::EVP_sm4_ecb(), key.bytes, nullptr);
  EVP_CIPHER_CTX_set_padding(ctx.get(), 1);
  EVP_EncryptUpdate(ctx.get(), o, &updated, reinterpret_cast<const unsigned char*>(password.data()),
                    static_cast<int>(password.size()));
  if (updated < 0) updated = 0;
  EVP_EncryptFinal(ctx.get(), o + updated, &finished);
  if (finished < 0) finished = 0;
  const size_t total = static_cast<size_t>(updated) + static_cast<size_t>(finished);
  if (total == 0 || total > out.size()) return std::string();
  out.resize(total);
  return out;
}

void setBase64Result(NPVariant* result, const std::string& ciphertext) {
  if (!ciphertext.empty()) setStringResult(result, Base64Codec::encode(ciphertext));
}

}  // namespace

void sessionGetOutput37(editorplugin* object, NPVariant* result) {
  if (!object || !result) return;
  // Without a fresh random there is nothing to send: no ciphertext, and
  // g_rand keeps the client random of the last exchange (or stays empty).
  std::string fresh;
  if (!makeClientRandom(&fresh)) return;
  replaceSecret(g_rand, fresh);
  if (object->rsaMode != 0) {
    setBase64Result(result, rsaEncryptClientRandom(object->serverPublicKey, g_rand));
  } else if (!object->serverPublicKey.empty()) {
    setBase64Result(result, sm2EncryptClientRandom(object->serverPublicKey, g_rand));
  }
}

void receiveServerRandom(editorplugin* object) {
  if (!object) return;
  const std::string ciphertext = Base64Codec::decode(trimBlanks(object->encryptedServerRandom));
  std::string serverRandom;
  WipeOnExit wipeServerRandom(serverRandom);
  if (object->rsaMode != 0) {
    serverRandom =
        rsaDecryptWithKeyParts(buildRsaModulusHex(), buildRsaExponentHex(), buildRsaPrimePHex(),
                               buildRsaPrimeQHex(), buildRsaPrivateExponentHex(), ciphertext);
  } else {
    serverRandom = sm2DecryptWithPrivateHex(buildSm2PrivateKeyHex(), ciphertext);
  }
  if (serverRandom.empty()) return;
  std::string next;
  next.reserve(serverRandom.size() + g_rand.size());
  next.append(serverRandom).append(g_rand);
  replaceSecret(g_rand2, next);
}

void sessionGetOutput1(editorplugin* object, NPVariant* result) {
  if (!object || !result) return;
  std::string password;
  WipeOnExit wipe(password);
  if (!passwordToEncrypt(object, &password)) return;
  std::string source;
  WipeOnExit wipeSource(source);
  if (object->wrappedKey.isSet())
    source.assign(object->wrappedKey.bytes, object->wrappedKey.length);
  const KeyText key = deriveKeyText(source);
  setBase64Result(result, aes256EcbEncrypt(password, key.bytes));
}

void sessionGetOutput2(editorplugin* object, NPVariant* result) {
  if (!object || !result) return;
  std::string password;
  WipeOnExit wipe(password);
  if (!passwordToEncrypt(object, &password)) return;
  const KeyText key = deriveKeyText(g_rand2);
  if (object->rsaMode != 0)
    setBase64Result(result, aes256EcbEncrypt(password, key.bytes));
  else
    setBase64Result(result, sm4EcbEncrypt(password, key));
}
