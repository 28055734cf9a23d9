// The built-in key accessors against the configured key set, read here with
// OpenSSL, and decryptWithBuiltinKey against OpenSSL's AES-256-ECB.
#include "protect/builtin_keys.h"

#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "aes_oracle.h"
#include "keys/keyset.h"
#include "protect/aes.h"
#include "protect/pubkey.h"
#include "tests/support/openssl_oracle.h"

using aestest::fromHex;
using aestest::toHex;

namespace {

std::string readFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string hexDigitsOf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (std::isxdigit(static_cast<unsigned char>(c))) out.push_back(c);
  }
  return out;
}

// BN_bn2hex of a parameter of the key: upper case, whole bytes, no leading zero byte.
std::string bnParamHex(const EVP_PKEY* key, const char* name) {
  BIGNUM* bn = nullptr;
  if (!EVP_PKEY_get_bn_param(key, name, &bn)) return std::string();
  char* hex = BN_bn2hex(bn);
  std::string out(hex);
  OPENSSL_free(hex);
  BN_free(bn);
  return out;
}

// The key set's AES key, from its file.
std::string keySetAesKey() { return fromHex(hexDigitsOf(readFile(SPC_KEYSET_AES_FILE))); }

TEST(BuiltinKeys, RsaTextsAreTheKeySetsKey) {
  EVP_PKEY* key = testsupport::readPrivateKeyPem(SPC_KEYSET_RSA_FILE);
  ASSERT_NE(key, nullptr);
  struct Part {
    const char* (*accessor)();
    const char* param;
    size_t bufferSize;
  };
  const Part parts[] = {
      {buildRsaModulusHex, OSSL_PKEY_PARAM_RSA_N, kRsaModulusHexSize},
      {buildRsaExponentHex, OSSL_PKEY_PARAM_RSA_E, kRsaExponentHexSize},
      {buildRsaPrimePHex, OSSL_PKEY_PARAM_RSA_FACTOR1, kRsaPrimeHexSize},
      {buildRsaPrimeQHex, OSSL_PKEY_PARAM_RSA_FACTOR2, kRsaPrimeHexSize},
      {buildRsaPrivateExponentHex, OSSL_PKEY_PARAM_RSA_D, kRsaPrivateExponentHexSize},
  };
  for (const Part& part : parts) {
    const std::string expected = bnParamHex(key, part.param);
    ASSERT_FALSE(expected.empty()) << part.param;
    const char* text = part.accessor();
    EXPECT_EQ(std::string(text), expected) << part.param;
    EXPECT_LT(std::strlen(text), part.bufferSize) << part.param;
    // The same static buffer, rebuilt with the same text.
    EXPECT_EQ(part.accessor(), text) << part.param;
    EXPECT_EQ(std::string(part.accessor()), expected) << part.param;
  }
  EVP_PKEY_free(key);
}

TEST(BuiltinKeys, RsaTextsDecryptWhatTheKeySetsPublicKeyEncrypts) {
  EVP_PKEY* key = testsupport::readPrivateKeyPem(SPC_KEYSET_RSA_FILE);
  ASSERT_NE(key, nullptr);
  const std::string message = "server random 16";
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key, nullptr);
  ASSERT_EQ(EVP_PKEY_encrypt_init(ctx), 1);
  EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING);
  size_t len = 0;
  const auto* in = reinterpret_cast<const unsigned char*>(message.data());
  ASSERT_EQ(EVP_PKEY_encrypt(ctx, nullptr, &len, in, message.size()), 1);
  std::string cipher(len, '\0');
  ASSERT_EQ(
      EVP_PKEY_encrypt(ctx, reinterpret_cast<unsigned char*>(&cipher[0]), &len, in, message.size()),
      1);
  cipher.resize(len);
  EVP_PKEY_CTX_free(ctx);
  EVP_PKEY_free(key);
  EXPECT_EQ(rsaDecryptWithKeyParts(buildRsaModulusHex(), buildRsaExponentHex(), buildRsaPrimePHex(),
                                   buildRsaPrimeQHex(), buildRsaPrivateExponentHex(), cipher),
            message);
}

TEST(BuiltinKeys, Sm2ScalarIsTheKeySetsScalar) {
  const std::string file = SPC_KEYSET_SM2_FILE;
  BIGNUM* expected = nullptr;
  if (file.size() > 4 && file.compare(file.size() - 4, 4, ".pem") == 0) {
    EVP_PKEY* key = testsupport::readPrivateKeyPem(SPC_KEYSET_SM2_FILE);
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_PRIV_KEY, &expected), 1);
    EVP_PKEY_free(key);
  } else {
    ASSERT_GT(BN_hex2bn(&expected, hexDigitsOf(readFile(SPC_KEYSET_SM2_FILE)).c_str()), 0);
  }
  const char* text = buildSm2PrivateKeyHex();
  ASSERT_EQ(std::strlen(text), kSm2PrivateKeyHexSize - 1);
  for (const char* c = text; *c; ++c) {
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(*c)) || (*c >= 'A' && *c <= 'F')) << text;
  }
  BIGNUM* ours = nullptr;
  ASSERT_GT(BN_hex2bn(&ours, text), 0);
  EXPECT_EQ(BN_cmp(ours, expected), 0) << text;
  BN_free(ours);
  BN_free(expected);
}

TEST(BuiltinKeys, AesKeyIsTheKeySetsKey) {
  const std::string key = buildBuiltinAesKey();
  ASSERT_EQ(key.size(), kBuiltinAesKeySize);
  EXPECT_EQ(toHex(key), toHex(keySetAesKey()));
}

// What the server's side reads from the key set's files at run time.
TEST(BuiltinKeys, KeySetValuesForTheServerSide) {
  EXPECT_EQ(keyset::value("rsa_modulus_hex"), buildRsaModulusHex());
  EXPECT_EQ(keyset::value("rsa_exponent_hex"), buildRsaExponentHex());
  EXPECT_EQ(keyset::value("sm2_private_hex"), buildSm2PrivateKeyHex());
  EXPECT_EQ(fromHex(keyset::value("aes_key_hex")), buildBuiltinAesKey());
  EXPECT_EQ(keyset::value("no_such_value"), "");
}

TEST(BuiltinKeys, KeySetFileReadersRefuseWhatIsNotTheirs) {
  const std::string dir = testing::TempDir();
  struct Case {
    const char* name;
    const char* content;  // null: no such file
    const char* hex;      // what hexFileText gives
  };
  const Case cases[] = {
      {"spaced.hex", " 0a1B\r\n2c\t3D \n", "0A1B2C3D"},
      {"letters.hex", "0a1bzz\n", ""},
      {"empty.hex", "", ""},
      {"missing.hex", nullptr, ""},
  };
  for (const Case& c : cases) {
    // The process id in the name: runs of other build trees may share the folder.
    const std::string path = dir + "/keyset_reader_" + std::to_string(getpid()) + "_" + c.name;
    std::remove(path.c_str());
    if (c.content) std::ofstream(path, std::ios::binary) << c.content;
    EXPECT_EQ(keyset::detail::hexFileText(path.c_str()), c.hex) << c.name;
    // Neither a hex text nor a missing file is a PEM key.
    EXPECT_EQ(keyset::detail::pemKeyParamHex(path.c_str(), OSSL_PKEY_PARAM_RSA_N, 0), "") << c.name;
    std::remove(path.c_str());
  }
  // A parameter the key does not have.
  EXPECT_EQ(keyset::detail::pemKeyParamHex(SPC_KEYSET_RSA_FILE, OSSL_PKEY_PARAM_PRIV_KEY, 32), "");
  // Padding to a width: the exponent 65537 in four bytes.
  EXPECT_EQ(keyset::detail::pemKeyParamHex(SPC_KEYSET_RSA_FILE, OSSL_PKEY_PARAM_RSA_E, 4),
            "00" + keyset::value("rsa_exponent_hex"));
}

// No key value stands in the library as it is: neither a text nor the raw AES key.
TEST(BuiltinKeys, ArchiveHoldsNoPlainValue) {
  const std::string archive = readFile(SPC_PROTECT_ARCHIVE);
  ASSERT_FALSE(archive.empty());
  const std::string aesHex = toHex(keySetAesKey());
  std::string aesHexUpper = aesHex;
  for (char& c : aesHexUpper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::string needles[] = {
      std::string(buildRsaModulusHex()).substr(0, 24),
      std::string(buildRsaPrimePHex()).substr(0, 24),
      std::string(buildRsaPrimeQHex()).substr(0, 24),
      std::string(buildRsaPrivateExponentHex()).substr(0, 24),
      std::string(buildSm2PrivateKeyHex()).substr(0, 24),
      keySetAesKey().substr(0, 12),
      aesHex.substr(0, 24),
      aesHexUpper.substr(0, 24),
  };
  for (const std::string& needle : needles) {
    EXPECT_EQ(archive.find(needle), std::string::npos) << toHex(needle);
  }
}

// decryptWithBuiltinKey: 33 bytes, the first min(32, length of the decryption)
// from OpenSSL's AES-256-ECB under the key set's key, zeros after them.
TEST(DecryptWithBuiltinKey, KeepsAtMostThirtyTwoDecryptedBytes) {
  const std::string key = keySetAesKey();
  for (size_t n : {0u, 16u, 26u, 48u}) {
    const std::string input = aestest::randomBytes(n);
    const std::string filled = input + std::string((16 - n % 16) % 16, '\0');
    std::string expected = aestest::opensslEcb(key, filled, false);
    expected.resize(kBuiltinDecryptionSize, '\0');
    expected[32] = '\0';
    const unsigned char* kp = decryptWithBuiltinKey(input);
    EXPECT_EQ(toHex(std::string(reinterpret_cast<const char*>(kp), kBuiltinDecryptionSize)),
              toHex(expected))
        << n;
  }
}

TEST(DecryptWithBuiltinKey, ShapesOfTheResult) {
  // Every call rewrites the one buffer: a long input, then an empty one.
  const unsigned char* first = decryptWithBuiltinKey(aestest::randomBytes(48));
  const unsigned char* kp = decryptWithBuiltinKey(std::string());
  EXPECT_EQ(first, kp);
  EXPECT_EQ(toHex(std::string(reinterpret_cast<const char*>(kp), 33)), std::string(66, '0'));
  // 16 bytes: 16 decrypted, 17 zeros.
  const std::string block = aestest::randomBytes(16);
  kp = decryptWithBuiltinKey(block);
  EXPECT_EQ(toHex(std::string(reinterpret_cast<const char*>(kp), 16)),
            toHex(aes256EcbDecrypt(block, keySetAesKey().data())));
  EXPECT_EQ(toHex(std::string(reinterpret_cast<const char*>(kp) + 16, 17)), std::string(34, '0'));
  // The inverse of aes256EcbEncrypt under the built-in key.
  const std::string random = "0123456789abcdefFEDCBA9876543210";
  kp = decryptWithBuiltinKey(aes256EcbEncrypt(random, keySetAesKey().data()));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(kp)), random);
}

}  // namespace
