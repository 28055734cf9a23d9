#include "protect/cryptin.h"

#include <openssl/bn.h>
#include <openssl/crypto.h>
#include <openssl/des.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "protect/base64.h"
#include "protect/cryptin_internal.h"
#include "protect/hex.h"
#include "sm/owned.h"

namespace cryptin {
namespace {

using PkeyPtr = smlib::Owned<EVP_PKEY, EVP_PKEY_free>;
using RsaPtr = smlib::Owned<RSA, RSA_free>;
using BnPtr = smlib::Owned<BIGNUM, BN_free>;

// The fixed bytes of the session-key blob around K1 || K2.
const char kBlobHead[] = "301C0410";
const char kBlobTail[] = "04089999999999999999";

constexpr size_t kTaggedBlockSize = 128;
constexpr int kPkcs1Padding = 1;  // RSA_PKCS1_PADDING
constexpr int kNoPadding = 3;     // RSA_NO_PADDING

// Copies text and its terminating zero into the caller's area.
int writeOut(const std::string& text, char* out) {
  std::memcpy(out, text.c_str(), text.size() + 1);
  return 0;
}

// The key object a hex DER public key stands for, owned.
PkeyPtr publicKeyFromHex(const char* keyHex) { return PkeyPtr(loadRsaKeyFromHexDer(keyHex, 0)); }

// Makes a fresh DES key; its first byte is brought to odd parity once more.
bool makeSessionKey(DES_cblock* key) {
  if (DES_random_key(key) != 1) return false;
  if (OneCount((*key)[0]) % 2 == 0) (*key)[0] = static_cast<unsigned char>(conv((*key)[0]));
  return true;
}

}  // namespace

int OneCount(uint32_t value) {
  int count = 0;
  for (; value; value &= value - 1) ++count;
  return count;
}

int conv(int value) { return value ^ 1; }

std::string lengthPrefixed(const std::string& text) {
  std::string count = std::to_string(text.size());
  if (count.size() < 2) count.insert(0, 1, '0');
  return count + text;
}

EVP_PKEY* loadRsaKeyFromHexDer(const std::string& keyHex, int privateKey) {
  const std::string der = hex2string(keyHex);
  const auto* p = reinterpret_cast<const unsigned char*>(der.data());
  const long len = static_cast<long>(der.size());
  RsaPtr rsa(privateKey ? d2i_RSAPrivateKey(nullptr, &p, len) : d2i_RSAPublicKey(nullptr, &p, len));
  if (!rsa) return nullptr;
  EVP_PKEY* key = EVP_PKEY_new();
  if (key && EVP_PKEY_set1_RSA(key, rsa.get()) != 1) {
    EVP_PKEY_free(key);
    key = nullptr;
  }
  return key;
}

std::string rsaPublicEncrypt(EVP_PKEY* keyObject, const std::string& message, int padding) {
  PkeyPtr key(keyObject);
  if (!key || message.empty()) return std::string();
  RsaPtr rsa(EVP_PKEY_get1_RSA(key.get()));
  if (!rsa) return std::string();
  const int k = RSA_size(rsa.get());
  if (k <= 0 || message.size() > static_cast<size_t>(k)) return std::string();
  auto* area = static_cast<unsigned char*>(OPENSSL_malloc(static_cast<size_t>(k)));
  if (!area) return std::string();
  std::string result;
  const int n = RSA_public_encrypt(static_cast<int>(message.size()),
                                   reinterpret_cast<const unsigned char*>(message.data()), area,
                                   rsa.get(), padding);
  if (n == k) result.assign(reinterpret_cast<const char*>(area), static_cast<size_t>(k));
  OPENSSL_free(area);
  return result;
}

std::string tripleDesEcb(const std::string& input, int encrypt, unsigned char* blob,
                         const unsigned char* keyBytes) {
  if (input.empty()) return std::string();
  DES_cblock k1, k2;
  if (encrypt) {
    if (!blob || !makeSessionKey(&k1) || !makeSessionKey(&k2)) return std::string();
  } else {
    if (!keyBytes) return std::string();
    std::memcpy(k1, keyBytes, 8);
    std::memcpy(k2, keyBytes + 8, 8);
  }
  DES_key_schedule s1, s2;
  DES_set_key_unchecked(&k1, &s1);
  DES_set_key_unchecked(&k2, &s2);

  if (encrypt) {
    const std::string head = hex2string(kBlobHead);
    const std::string tail = hex2string(kBlobTail);
    std::memcpy(blob, head.data(), head.size());
    std::memcpy(blob + head.size(), k1, 8);
    std::memcpy(blob + head.size() + 8, k2, 8);
    std::memcpy(blob + head.size() + 16, tail.data(), tail.size());
  }

  std::string data = input;
  if (data.size() % 8 != 0) data.append(8 - data.size() % 8, '\0');
  std::string output(data.size(), '\0');
  for (size_t i = 0; i < data.size(); i += 8) {
    DES_cblock in, out;
    std::memcpy(in, data.data() + i, 8);
    DES_ecb3_encrypt(&in, &out, &s1, &s2, &s1, encrypt ? DES_ENCRYPT : DES_DECRYPT);
    std::memcpy(&output[i], out, 8);
  }
  OPENSSL_cleanse(&s1, sizeof s1);
  OPENSSL_cleanse(&s2, sizeof s2);
  OPENSSL_cleanse(k1, sizeof k1);
  OPENSSL_cleanse(k2, sizeof k2);
  return encrypt ? string2hex(output) : output;
}

namespace {
// Hex of the PKCS#1 v1.5 encryption of plaintext under the hex key.
int pkcs1HexEnvelope(const char* keyHex, const std::string& plaintext, char* out) {
  PkeyPtr key = publicKeyFromHex(keyHex);
  if (!key) return -1;
  const std::string cipher = rsaPublicEncrypt(key.release(), plaintext, kPkcs1Padding);
  if (cipher.empty()) return -1;
  return writeOut(string2hex(cipher), out);
}

// The session-key envelope of input: H1 (triple-DES) and H2 (RSA of the blob),
// written in the order asked for.
int sessionKeyEnvelope(const char* keyHex, const std::string& input, bool blobFirst, char* out) {
  PkeyPtr key = publicKeyFromHex(keyHex);
  if (!key) return -1;
  unsigned char blob[kBlobSize + 1] = {};
  const std::string h1 = tripleDesEcb(input, 1, blob, nullptr);
  if (h1.empty()) return -1;
  const std::string cipher = rsaPublicEncrypt(
      key.release(), std::string(reinterpret_cast<const char*>(blob), kBlobSize), kPkcs1Padding);
  OPENSSL_cleanse(blob, sizeof blob);
  if (cipher.empty()) return -1;
  const std::string h2 = string2hex(cipher);
  return writeOut(blobFirst ? h2 + h1 : h1 + h2, out);
}
}  // namespace

}  // namespace cryptin

using namespace cryptin;

extern "C" {

int encryptTaggedBlock(EVP_PKEY* key, const char* text, char* out) {
  if (!text || !out) {
    EVP_PKEY_free(key);
    return -1;
  }
  std::string block = std::string("06") + text;
  if (block.size() < kTaggedBlockSize) block.append(kTaggedBlockSize - block.size(), 'F');
  const std::string cipher = rsaPublicEncrypt(key, block, kNoPadding);
  if (cipher.empty()) return -1;
  // An encoder that cannot allocate gives an empty text, still a success.
  return writeOut(base64EncodeBlock(cipher), out);
}

int encryptTaggedBlockWithDerKey(const char* keyHex, const char* text, char* out) {
  if (!keyHex) return -1;
  return encryptTaggedBlock(loadRsaKeyFromHexDer(keyHex, 0), text, out);
}

int encryptTaggedBlockWithModulus(const char* modulusHex, int exponent, const char* text,
                                  char* out) {
  if (!modulusHex) return -1;
  RsaPtr rsa(RSA_new());
  BnPtr e(BN_new());
  if (!rsa || !e || BN_set_word(e.get(), static_cast<uint32_t>(exponent)) != 1) return -1;
  const std::string modulus = hex2string(modulusHex);
  BnPtr n(BN_bin2bn(reinterpret_cast<const unsigned char*>(modulus.data()),
                    static_cast<int>(modulus.size()), nullptr));
  if (!n || RSA_set0_key(rsa.get(), n.get(), e.get(), nullptr) != 1) return -1;
  n.release();  // both now belong to rsa
  e.release();
  PkeyPtr key(EVP_PKEY_new());
  if (!key || EVP_PKEY_set1_RSA(key.get(), rsa.get()) != 1) return -1;
  return encryptTaggedBlock(key.release(), text, out);
}

int encryptLengthPrefixedRaw(const char* keyHex, const char* text, char* out, int fillMode) {
  if (!keyHex || !text || !out) return -1;
  PkeyPtr key = publicKeyFromHex(keyHex);
  if (!key) return -1;
  std::string block = lengthPrefixed(text);
  const size_t k = static_cast<size_t>(EVP_PKEY_size(key.get()));
  if (block.size() < k) {
    if (fillMode == 0) {
      block.append(k - block.size(), '\0');
    } else if (fillMode == 1) {
      std::srand(static_cast<unsigned>(std::time(nullptr)));
      while (block.size() < k) block.push_back(static_cast<char>(std::rand() & 0xFF));
    } else {
      return -1;
    }
  }
  const std::string cipher = rsaPublicEncrypt(key.release(), block, kNoPadding);
  if (cipher.empty()) return -1;
  return writeOut(string2hex(cipher), out);
}

int encryptTwoFieldsLengthPrefixed(const char* keyHex, const char* first, const char* second,
                                   char* out) {
  if (!keyHex || !first || !second || !out) return -1;
  return pkcs1HexEnvelope(keyHex, lengthPrefixed(second) + lengthPrefixed(first), out);
}

int encryptLengthPrefixed(const char* keyHex, const char* text, char* out) {
  if (!keyHex || !text || !out) return -1;
  return pkcs1HexEnvelope(keyHex, lengthPrefixed(text), out);
}

int encryptPkcs1Hex(const char* text, const char* keyHex, char* out) {
  if (!keyHex || !text || !out) return -1;
  return pkcs1HexEnvelope(keyHex, text, out);
}

int encryptHexWithSessionKey(const char* hexText, const char* keyHex, char* out) {
  if (!hexText || !keyHex || !out) return -1;
  std::string hex = hexText;
  if (hex.size() < 16) hex.append(16 - hex.size(), 'F');
  return sessionKeyEnvelope(keyHex, hex2string(hex), false, out);
}

int encryptTextWithSessionKey(const char* keyHex, const char* text, char* out) {
  if (!keyHex || !text || !out) return -1;
  std::string bytes = text;
  if (bytes.size() < 16) bytes.append(16 - bytes.size(), '\0');
  return sessionKeyEnvelope(keyHex, bytes, true, out);
}

}  // extern "C"
