#include "protect/cryptin.h"

#include <openssl/bn.h>
#include <openssl/crypto.h>
#include <openssl/des.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/owned.h"
#include "protect/base64.h"
#include "protect/cryptin_internal.h"
#include "protect/hex.h"
#include "protect/random.h"

namespace cryptin {
namespace {

using spc::WipeOnExit;

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
spc::PkeyPtr publicKeyFromHex(const char* keyHex) {
  return spc::PkeyPtr(loadRsaKeyFromHexDer(keyHex, 0));
}

// A plaintext built from caller texts: room for `capacity` bytes is reserved
// up front so that appending never leaves a copy behind, and the bytes are
// wiped when it goes.
class Plaintext {
 public:
  explicit Plaintext(size_t capacity) { bytes.reserve(capacity); }
  std::string bytes;

 private:
  WipeOnExit wipe_{bytes};
};

// Room for the length-prefixed field of a text of `size` bytes.
size_t fieldCapacity(size_t size) { return size + 24; }

// Appends the length-prefixed field of `size` bytes at `text`.
void appendLengthPrefixed(std::string* out, const char* text, size_t size) {
  char count[24];
  std::snprintf(count, sizeof count, "%02zu", size);
  out->append(count).append(text, size);
}

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
  std::string field;
  field.reserve(fieldCapacity(text.size()));
  appendLengthPrefixed(&field, text.data(), text.size());
  return field;
}

EVP_PKEY* loadRsaKeyFromHexDer(const std::string& keyHex, int privateKey) {
  const std::string der = hex2string(keyHex);
  const auto* p = reinterpret_cast<const unsigned char*>(der.data());
  const long len = static_cast<long>(der.size());
  spc::RsaPtr rsa(privateKey ? d2i_RSAPrivateKey(nullptr, &p, len)
                             : d2i_RSAPublicKey(nullptr, &p, len));
  if (!rsa) return nullptr;
  spc::PkeyPtr key(EVP_PKEY_new());
  if (!key || EVP_PKEY_set1_RSA(key.get(), rsa.get()) != 1) return nullptr;
  return key.release();
}

std::string rsaPublicEncrypt(EVP_PKEY* keyObject, const std::string& message, int padding) {
  spc::PkeyPtr key(keyObject);
  if (!key || message.empty()) return std::string();
  spc::RsaPtr rsa(EVP_PKEY_get1_RSA(key.get()));
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
  DES_key_schedule s1, s2;
  WipeOnExit wipeK1(k1), wipeK2(k2), wipeS1(&s1, sizeof s1), wipeS2(&s2, sizeof s2);
  if (encrypt) {
    if (!blob || !makeSessionKey(&k1) || !makeSessionKey(&k2)) return std::string();
  } else {
    if (!keyBytes) return std::string();
    std::memcpy(k1, keyBytes, 8);
    std::memcpy(k2, keyBytes + 8, 8);
  }
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

  // Whole blocks: the input and its zero fill, block by block.
  const size_t size = (input.size() + 7) / 8 * 8;
  std::string output(size, '\0');
  DES_cblock in, out;
  WipeOnExit wipeIn(in), wipeOut(out);
  for (size_t i = 0; i < size; i += 8) {
    std::memset(in, 0, sizeof in);
    std::memcpy(in, input.data() + i, std::min<size_t>(8, input.size() - i));
    DES_ecb3_encrypt(&in, &out, &s1, &s2, &s1, encrypt ? DES_ENCRYPT : DES_DECRYPT);
    std::memcpy(&output[i], out, 8);
  }
  return encrypt ? string2hex(output) : output;
}

namespace {
// Hex of the PKCS#1 v1.5 encryption of plaintext under the hex key.
int pkcs1HexEnvelope(const char* keyHex, const std::string& plaintext, char* out) {
  spc::PkeyPtr key = publicKeyFromHex(keyHex);
  if (!key) return -1;
  const std::string cipher = rsaPublicEncrypt(key.release(), plaintext, kPkcs1Padding);
  if (cipher.empty()) return -1;
  return writeOut(string2hex(cipher), out);
}

// The session-key envelope of input: H1 (triple-DES) and H2 (RSA of the blob),
// written in the order asked for.
int sessionKeyEnvelope(const char* keyHex, const std::string& input, bool blobFirst, char* out) {
  spc::PkeyPtr key = publicKeyFromHex(keyHex);
  if (!key) return -1;
  unsigned char blob[kBlobSize + 1] = {};
  WipeOnExit wipeBlob(blob);
  const std::string h1 = tripleDesEcb(input, 1, blob, nullptr);
  if (h1.empty()) return -1;
  std::string blobText(reinterpret_cast<const char*>(blob), kBlobSize);
  WipeOnExit wipeBlobText(blobText);
  const std::string cipher = rsaPublicEncrypt(key.release(), blobText, kPkcs1Padding);
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
  Plaintext block(std::max(kTaggedBlockSize, 2 + std::strlen(text)));
  block.bytes.append("06").append(text);
  if (block.bytes.size() < kTaggedBlockSize)
    block.bytes.append(kTaggedBlockSize - block.bytes.size(), 'F');
  const std::string cipher = rsaPublicEncrypt(key, block.bytes, kNoPadding);
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
  spc::RsaPtr rsa(RSA_new());
  spc::BnPtr e(BN_new());
  if (!rsa || !e || BN_set_word(e.get(), static_cast<uint32_t>(exponent)) != 1) return -1;
  const std::string modulus = hex2string(modulusHex);
  spc::BnPtr n(BN_bin2bn(reinterpret_cast<const unsigned char*>(modulus.data()),
                         static_cast<int>(modulus.size()), nullptr));
  if (!n || RSA_set0_key(rsa.get(), n.get(), e.get(), nullptr) != 1) return -1;
  n.release();  // both now belong to rsa
  e.release();
  spc::PkeyPtr key(EVP_PKEY_new());
  if (!key || EVP_PKEY_set1_RSA(key.get(), rsa.get()) != 1) return -1;
  return encryptTaggedBlock(key.release(), text, out);
}

int encryptLengthPrefixedRaw(const char* keyHex, const char* text, char* out, int fillMode) {
  if (!keyHex || !text || !out) return -1;
  spc::PkeyPtr key = publicKeyFromHex(keyHex);
  if (!key) return -1;
  const int keySize = EVP_PKEY_size(key.get());
  if (keySize <= 0) return -1;
  const size_t k = static_cast<size_t>(keySize);
  const size_t length = std::strlen(text);
  Plaintext block(std::max(k, fieldCapacity(length)));
  appendLengthPrefixed(&block.bytes, text, length);
  const size_t field = block.bytes.size();
  if (field < k) {
    if (fillMode != 0 && fillMode != 1) return -1;
    block.bytes.append(k - field, '\0');
    // Fill mode 1: any byte value, from the generator; no block without it.
    if (fillMode == 1 && !randomBytes(&block.bytes[field], k - field)) return -1;
  }
  const std::string cipher = rsaPublicEncrypt(key.release(), block.bytes, kNoPadding);
  if (cipher.empty()) return -1;
  return writeOut(string2hex(cipher), out);
}

int encryptTwoFieldsLengthPrefixed(const char* keyHex, const char* first, const char* second,
                                   char* out) {
  if (!keyHex || !first || !second || !out) return -1;
  const size_t firstLength = std::strlen(first), secondLength = std::strlen(second);
  Plaintext fields(fieldCapacity(firstLength) + fieldCapacity(secondLength));
  appendLengthPrefixed(&fields.bytes, second, secondLength);
  appendLengthPrefixed(&fields.bytes, first, firstLength);
  return pkcs1HexEnvelope(keyHex, fields.bytes, out);
}

int encryptLengthPrefixed(const char* keyHex, const char* text, char* out) {
  if (!keyHex || !text || !out) return -1;
  const size_t length = std::strlen(text);
  Plaintext field(fieldCapacity(length));
  appendLengthPrefixed(&field.bytes, text, length);
  return pkcs1HexEnvelope(keyHex, field.bytes, out);
}

int encryptPkcs1Hex(const char* text, const char* keyHex, char* out) {
  if (!keyHex || !text || !out) return -1;
  const size_t length = std::strlen(text);
  Plaintext bytes(length);
  bytes.bytes.append(text, length);
  return pkcs1HexEnvelope(keyHex, bytes.bytes, out);
}

int encryptHexWithSessionKey(const char* hexText, const char* keyHex, char* out) {
  if (!hexText || !keyHex || !out) return -1;
  const size_t length = std::strlen(hexText);
  Plaintext hex(std::max<size_t>(16, length));
  hex.bytes.append(hexText, length);
  if (length < 16) hex.bytes.append(16 - length, 'F');
  std::string bytes = hex2string(hex.bytes);
  WipeOnExit wipeBytes(bytes);
  return sessionKeyEnvelope(keyHex, bytes, false, out);
}

int encryptTextWithSessionKey(const char* keyHex, const char* text, char* out) {
  if (!keyHex || !text || !out) return -1;
  const size_t length = std::strlen(text);
  Plaintext bytes(std::max<size_t>(16, length));
  bytes.bytes.append(text, length);
  if (length < 16) bytes.bytes.append(16 - length, '\0');
  return sessionKeyEnvelope(keyHex, bytes.bytes, true, out);
}

}  // extern "C"
