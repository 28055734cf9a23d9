// The envelope library's functions with any arguments: keys of several sizes
// (and keys made of any modulus, and texts that are no key), any texts, null
// pointers, any exponent and fill mode. The output area is exactly as large
// as the header says the caller must make it for the key, so a write past
// it is caught; a failure must leave it untouched. Where this program holds
// the private key, OpenSSL opens the result and finds the documented layout.
//
// Input: read with libFuzzer's FuzzedDataProvider.
#include <fuzzer/FuzzedDataProvider.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "protect/cryptin.h"
#include "protect/hex.h"
#include "protect/pubkey.h"
#include "tests/support/codec_oracle.h"

namespace {

constexpr int kKeyBits[] = {512, 1024, 1032, 2048};
constexpr unsigned char kUntouched = 0xA5;

struct TestKey {
  EVP_PKEY* pair;
  std::string publicHex;   // DER PKCS#1 RSAPublicKey, upper case
  std::string modulusHex;  // big-endian
  size_t bytes;
};

std::string hexOf(const unsigned char* p, size_t n, bool lower = false) {
  static const char upper[] = "0123456789ABCDEF", lowerDigits[] = "0123456789abcdef";
  const char* digits = lower ? lowerDigits : upper;
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    out.push_back(digits[p[i] >> 4]);
    out.push_back(digits[p[i] & 15]);
  }
  return out;
}

std::string publicHexOf(RSA* rsa) {
  unsigned char* der = nullptr;
  const int n = i2d_RSAPublicKey(rsa, &der);
  std::string hex = n > 0 ? hexOf(der, static_cast<size_t>(n)) : std::string();
  OPENSSL_free(der);
  return hex;
}

// Made once and kept to the end of the process.
const std::vector<TestKey>& testKeys() {
  static const auto* keys = [] {
    auto* made = new std::vector<TestKey>;
    for (int bits : kKeyBits) {
      EVP_PKEY* pair = EVP_RSA_gen(static_cast<unsigned>(bits));
      FUZZ_CHECK(pair);
      RSA* rsa = EVP_PKEY_get1_RSA(pair);
      std::vector<unsigned char> n(BN_num_bytes(RSA_get0_n(rsa)));
      BN_bn2bin(RSA_get0_n(rsa), n.data());
      made->push_back({pair, publicHexOf(rsa), hexOf(n.data(), n.size()), n.size()});
      RSA_free(rsa);
    }
    return made;
  }();
  return *keys;
}

const unsigned char* bytes(const std::string& s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

// OpenSSL's private decryption with the padding mode (RSA_PKCS1_PADDING or
// RSA_NO_PADDING), or nullopt.
std::optional<std::string> open(EVP_PKEY* pair, const std::string& cipher, int padding) {
  std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> ctx(EVP_PKEY_CTX_new(pair, nullptr),
                                                                  EVP_PKEY_CTX_free);
  size_t len = 0;
  if (!ctx || EVP_PKEY_decrypt_init(ctx.get()) <= 0 ||
      EVP_PKEY_CTX_set_rsa_padding(ctx.get(), padding) <= 0 ||
      EVP_PKEY_decrypt(ctx.get(), nullptr, &len, bytes(cipher), cipher.size()) <= 0)
    return std::nullopt;
  std::string out(len, '\0');
  if (EVP_PKEY_decrypt(ctx.get(), reinterpret_cast<unsigned char*>(&out[0]), &len, bytes(cipher),
                       cipher.size()) <= 0)
    return std::nullopt;
  out.resize(len);
  return out;
}

std::string fromBase64(const std::string& text) {
  std::string out(text.size() / 4 * 3, '\0');
  const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(&out[0]), bytes(text),
                                static_cast<int>(text.size()));
  FUZZ_CHECK(n == static_cast<int>(out.size()));
  return out;  // RSA results of k bytes: padding bytes are the ciphertext's own zeros
}

std::string lengthPrefixed(const std::string& text) {
  std::string count = std::to_string(text.size());
  if (count.size() < 2) count.insert(0, "0");
  return count + text;
}

// Two-key triple DES decryption (K1, K2, K1), ECB, no padding.
std::string tripleDesOpen(const std::string& cipher, const std::string& k1k2) {
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                      EVP_CIPHER_CTX_free);
  std::string out(cipher.size() + 8, '\0');
  int n = 0, m = 0;
  FUZZ_CHECK(ctx &&
             EVP_DecryptInit_ex(ctx.get(), EVP_des_ede_ecb(), nullptr, bytes(k1k2), nullptr));
  EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
  FUZZ_CHECK(EVP_DecryptUpdate(ctx.get(), reinterpret_cast<unsigned char*>(&out[0]), &n,
                               bytes(cipher), static_cast<int>(cipher.size())));
  FUZZ_CHECK(EVP_DecryptFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(&out[n]), &m));
  out.resize(static_cast<size_t>(n + m));
  return out;
}

bool allOf(const std::string& text, const char* alphabet) {
  return text.find_first_not_of(alphabet) == std::string::npos;
}
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";

enum Function {
  kTaggedDer,
  kTaggedModulus,
  kTaggedKey,
  kTwoFields,
  kLengthPrefixed,
  kPkcs1Hex,
  kLengthPrefixedRaw,
  kHexSessionKey,
  kTextSessionKey,
  kPaddingMsg,
  kFunctionCount
};

// An argument text, or null.
struct Arg {
  std::optional<std::string> text;
  const char* get() const { return text ? text->c_str() : nullptr; }
  std::string value() const { return text ? std::string(text->c_str()) : std::string(); }
};

Arg arg(FuzzedDataProvider& in, size_t most) {
  if (in.ConsumeIntegralInRange(0, 15) == 0) return {};
  return {in.ConsumeRandomLengthString(most)};
}

// The size in bytes of the key a hex DER text stands for (0 for no key),
// read as the library reads it.
size_t keyBytes(const std::optional<std::string>& keyHex) {
  if (!keyHex) return 0;
  const std::string der = hex2string(*keyHex);
  const unsigned char* p = bytes(der);
  RSA* rsa = d2i_RSAPublicKey(nullptr, &p, static_cast<long>(der.size()));
  const size_t k = rsa ? static_cast<size_t>(RSA_size(rsa)) : 0;
  RSA_free(rsa);
  return k;
}

// The size in bytes of a modulus given as hex text.
size_t modulusBytes(const std::string& modulusHex) {
  const std::string n = hex2string(modulusHex);
  BIGNUM* bn = BN_bin2bn(bytes(n), static_cast<int>(n.size()), nullptr);
  const size_t k = bn ? static_cast<size_t>(BN_num_bytes(bn)) : 0;
  BN_free(bn);
  return k;
}

// Blocks of 8 bytes in n bytes, rounded up.
size_t blocks(size_t n) { return (n + 7) / 8; }

void checkPaddingMsg(FuzzedDataProvider& in) {
  const std::string message = in.ConsumeRandomLengthString(140);
  const std::string tag = in.ConsumeRandomLengthString(130);
  const std::string block = PaddingMsg(message, tag);
  const bool fits =
      !message.empty() && !tag.empty() && tag.size() < 100 && tag.size() + message.size() <= 123;
  FUZZ_CHECK(block.empty() == !fits);
  if (!fits) return;
  FUZZ_CHECK(block.size() == 128 && block[0] == 0 && block[1] == 2);
  FUZZ_CHECK(block.substr(2, 2) == lengthPrefixed(tag).substr(0, 2));
  FUZZ_CHECK(block.compare(4, tag.size(), tag) == 0);
  const size_t fill = 123 - tag.size() - message.size();
  FUZZ_CHECK(allOf(block.substr(4 + tag.size(), fill), "123456789abcdef"));
  FUZZ_CHECK(block[4 + tag.size() + fill] == 0 && block.substr(128 - message.size()) == message);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  testKeys();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const auto function = static_cast<Function>(in.ConsumeIntegralInRange(0, kFunctionCount - 1));
  if (function == kPaddingMsg) {
    checkPaddingMsg(in);
    return 0;
  }

  // The key: one of ours (upper or lower case), one made of any modulus and
  // exponent, any text, or null.
  const TestKey* known = nullptr;
  std::optional<std::string> keyHex;
  std::string modulusHex;
  switch (in.ConsumeIntegralInRange(0, 7)) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4: {
      known = &testKeys()[in.ConsumeIntegralInRange<size_t>(0, testKeys().size() - 1)];
      keyHex = known->publicHex;
      modulusHex = known->modulusHex;
      if (in.ConsumeBool()) {
        for (char& c : *keyHex) c = static_cast<char>(std::tolower(c));
      }
      break;
    }
    case 5: {
      const std::string n = in.ConsumeRandomLengthString(260);
      std::unique_ptr<RSA, decltype(&RSA_free)> rsa(RSA_new(), RSA_free);
      BIGNUM* bn = BN_bin2bn(bytes(n), static_cast<int>(n.size()), nullptr);
      BIGNUM* be = BN_new();
      BN_set_word(be, in.ConsumeIntegralInRange<uint32_t>(0, 70000));
      modulusHex = hexOf(bytes(n), n.size());
      if (RSA_set0_key(rsa.get(), bn, be, nullptr) == 1) {
        keyHex = publicHexOf(rsa.get());
      } else {
        BN_free(bn);
        BN_free(be);
      }
      break;
    }
    case 6:
      keyHex = in.ConsumeRandomLengthString(600);
      modulusHex = *keyHex;
      break;
    default:
      break;
  }

  const Arg first = arg(in, 300), second = arg(in, 300);
  const int number = in.ConsumeIntegralInRange(0, 3) == 0 ? in.ConsumeIntegral<int>()
                                                          : in.ConsumeIntegralInRange(0, 2);

  // The area the caller must provide for a key of k bytes; one byte when the
  // key is no key (nothing may be written then).
  const bool objectKey = function == kTaggedKey && known && in.ConsumeBool();
  size_t k = function == kTaggedModulus ? (keyHex ? modulusBytes(modulusHex) : 0)
             : function == kTaggedKey   ? (objectKey ? known->bytes : 0)
                                        : keyBytes(keyHex);
  size_t area = 1;
  switch (function) {
    case kTaggedDer:
    case kTaggedModulus:
    case kTaggedKey:
      area = 4 * ((k + 2) / 3) + 1;
      break;
    case kHexSessionKey: {
      const size_t digits = std::max<size_t>(first.value().size(), 16);
      area = 2 * k + 16 * blocks(digits / 2) + 1;
      break;
    }
    case kTextSessionKey:
      area = 2 * k + 16 * blocks(std::max<size_t>(second.value().size(), 16)) + 1;
      break;
    default:
      area = 2 * k + 1;
      break;
  }
  if (k == 0) area = 1;
  std::unique_ptr<char[]> out(new char[area]);
  std::memset(out.get(), kUntouched, area);
  const char* key = keyHex ? keyHex->c_str() : nullptr;

  int rc = -1;
  switch (function) {
    case kTaggedDer:
      rc = encryptTaggedBlockWithDerKey(key, first.get(), out.get());
      break;
    case kTaggedModulus:
      rc = encryptTaggedBlockWithModulus(keyHex ? modulusHex.c_str() : nullptr,
                                         known ? 65537 : number, first.get(), out.get());
      break;
    case kTaggedKey: {
      EVP_PKEY* object = nullptr;
      if (objectKey) {
        object = known->pair;
        EVP_PKEY_up_ref(object);
      }
      rc = encryptTaggedBlock(object, first.get(), out.get());
      if (!object) FUZZ_CHECK(rc == -1);
      break;
    }
    case kTwoFields:
      rc = encryptTwoFieldsLengthPrefixed(key, first.get(), second.get(), out.get());
      break;
    case kLengthPrefixed:
      rc = encryptLengthPrefixed(key, first.get(), out.get());
      break;
    case kPkcs1Hex:
      rc = encryptPkcs1Hex(first.get(), key, out.get());
      break;
    case kLengthPrefixedRaw:
      rc = encryptLengthPrefixedRaw(key, first.get(), out.get(), number);
      break;
    case kHexSessionKey:
      rc = encryptHexWithSessionKey(first.get(), key, out.get());
      break;
    case kTextSessionKey:
      rc = encryptTextWithSessionKey(key, second.get(), out.get());
      break;
    default:
      break;
  }

  FUZZ_CHECK(rc == 0 || rc == -1);
  if (rc == -1) {
    for (size_t i = 0; i < area; ++i) FUZZ_CHECK(static_cast<unsigned char>(out[i]) == kUntouched);
    return 0;
  }
  const std::string text(out.get(), strnlen(out.get(), area));
  FUZZ_CHECK(text.size() < area);  // terminated inside the area

  switch (function) {
    case kTaggedDer:
    case kTaggedModulus:
    case kTaggedKey: {
      FUZZ_CHECK(text.size() == area - 1 && allOf(text, kBase64Alphabet));
      if (!known) break;
      std::string block = "06" + first.value();
      if (block.size() < 128) block.append(128 - block.size(), 'F');
      FUZZ_CHECK(open(known->pair, fromBase64(text).substr(0, k), RSA_NO_PADDING) == block);
      break;
    }
    case kTwoFields:
    case kLengthPrefixed:
    case kPkcs1Hex:
    case kLengthPrefixedRaw: {
      FUZZ_CHECK(text.size() == 2 * k && allOf(text, kHexDigits));
      if (!known) break;
      std::string expected = function == kTwoFields
                                 ? lengthPrefixed(second.value()) + lengthPrefixed(first.value())
                             : function == kPkcs1Hex ? first.value()
                                                     : lengthPrefixed(first.value());
      if (function != kLengthPrefixedRaw) {
        FUZZ_CHECK(open(known->pair, oracle::hexDecode(text), RSA_PKCS1_PADDING) == expected);
        break;
      }
      const std::optional<std::string> opened =
          open(known->pair, oracle::hexDecode(text), RSA_NO_PADDING);
      FUZZ_CHECK(opened && opened->size() == k &&
                 opened->compare(0, expected.size(), expected) == 0);
      if (number == 0 && expected.size() < k)
        FUZZ_CHECK(*opened == expected + std::string(k - expected.size(), '\0'));
      break;
    }
    default: {
      // H1 (triple DES) and H2 (RSA of the session-key blob).
      const bool blobFirst = function == kTextSessionKey;
      std::string input;
      if (blobFirst) {
        input = second.value();
        if (input.size() < 16) input.append(16 - input.size(), '\0');
      } else {
        std::string hex = first.value();
        if (hex.size() < 16) hex.append(16 - hex.size(), 'F');
        input = oracle::hexDecode(hex);
      }
      input.append(8 * blocks(input.size()) - input.size(), '\0');
      FUZZ_CHECK(text.size() == 2 * k + 2 * input.size() && allOf(text, kHexDigits));
      if (!known) break;
      const std::string h2 = blobFirst ? text.substr(0, 2 * k) : text.substr(text.size() - 2 * k);
      const std::string h1 = blobFirst ? text.substr(2 * k) : text.substr(0, text.size() - 2 * k);
      const std::optional<std::string> blob =
          open(known->pair, oracle::hexDecode(h2), RSA_PKCS1_PADDING);
      FUZZ_CHECK(blob && blob->size() == 30);
      FUZZ_CHECK(blob->substr(0, 4) == oracle::hexDecode("301C0410"));
      FUZZ_CHECK(blob->substr(20) == oracle::hexDecode("04089999999999999999"));
      FUZZ_CHECK(tripleDesOpen(oracle::hexDecode(h1), blob->substr(4, 16)) == input);
      break;
    }
  }
  return 0;
}
