// The session-key byte work against the bank server, which plays the other
// side with OpenSSL alone: it reads the client random, makes the server
// random, redoes the key-text derivation and recovers the password.
#include "protect/sessionkey.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "host/bank_server.h"
#include "keys/keyset.h"
#include "protect/aes.h"
#include "protect/builtin_keys.h"
#include "tests/support/builtin_key_alteration.h"

namespace {

const std::string kRandom = "0a1b2c3d4e5f6g7h";

class SessionKey : public ::testing::Test {
 protected:
  static std::string text(const KeyText& key) {
    return std::string(reinterpret_cast<const char*>(key.bytes), 32);
  }
  bank::BankServer server{bank::controlKeysFromKeyset()};
};

TEST_F(SessionKey, KeyTextIsTheServersForEverySourceLength) {
  for (size_t length = 0; length <= 80; length += 5) {
    std::string source;
    for (size_t i = 0; i < length; ++i) source.push_back(static_cast<char>(i * 37 + length));
    const KeyText key = deriveKeyText(source);
    EXPECT_EQ(server.keyTextFor(source), text(key)) << "length " << length;
    EXPECT_EQ(0, key.bytes[32]) << "length " << length;
  }
}

TEST_F(SessionKey, PasswordCiphertextsOpenOnTheServer) {
  const KeyText key = deriveKeyText(kRandom + kRandom);
  // Lengths around a block, and past the 1024-byte SM4 buffer.
  for (size_t length : {1, 15, 16, 17, 1007, 1008, 1500}) {
    std::string password;
    for (size_t i = 0; i < length; ++i) password.push_back(static_cast<char>('!' + i % 90));
    const size_t padded = length + 16 - length % 16;
    const std::string aes = aesPasswordCiphertext(password, key);
    EXPECT_EQ(padded, aes.size()) << "length " << length;
    EXPECT_EQ(password, server.decryptPassword(bank::base64Encode(aes), true, text(key)))
        << "length " << length;
    const std::string sm4 = sm4PasswordCiphertext(password, key);
    EXPECT_EQ(padded, sm4.size()) << "length " << length;
    EXPECT_EQ(password, server.decryptPassword(bank::base64Encode(sm4), false, text(key)))
        << "length " << length;
  }
}

TEST_F(SessionKey, ClientRandomOpensOnTheServerInEveryKeyForm) {
  struct Case {
    const char* form;
    bool rsa;
    std::string keyText;
  } cases[] = {
      {"pem certificate", true, server.rsaCertificatePem()},
      {"certificate body", true, server.rsaCertificateBody()},
      {"hex der key", true, server.rsaPublicKeyHexDer()},
      {"coordinates with |", false, server.sm2CoordinatePair('|')},
      {"coordinates with ,", false, server.sm2CoordinatePair(',')},
      {"sm2 certificate body", false, server.sm2CertificateBody()},
  };
  for (const Case& c : cases) {
    const std::string cipher = c.rsa ? rsaEncryptClientRandom(c.keyText, kRandom)
                                     : sm2EncryptClientRandom(c.keyText, kRandom);
    if (!c.rsa) {
      EXPECT_EQ(kRandom.size() + 97, cipher.size()) << c.form;
    }
    EXPECT_EQ(kRandom, server.receiveClientRandom(bank::base64Encode(cipher), c.rsa)) << c.form;
  }
}

TEST_F(SessionKey, UnusableServerKeyTextsGiveNothing) {
  const std::string pair = server.sm2CoordinatePair('|');
  const char* rsaTexts[] = {"", "ABCD", "not a key"};
  for (const char* t : rsaTexts) EXPECT_TRUE(rsaEncryptClientRandom(t, kRandom).empty()) << t;
  const std::string sm2Texts[] = {
      "",
      "12|34",                                      // a pair, but no point on the curve
      pair.substr(0, 64) + "||" + pair.substr(65),  // two separators
      pair.substr(0, 64) + "|" + pair.substr(66),   // separator off the middle
      "not a certificate",
  };
  for (const std::string& t : sm2Texts)
    EXPECT_TRUE(sm2EncryptClientRandom(t, kRandom).empty()) << t;
}

TEST_F(SessionKey, ServerRandomOpensWithTheBuiltinKeys) {
  for (bool rsa : {true, false}) {
    const std::string cipher = bank::base64Decode(server.makeServerRandom(rsa));
    EXPECT_EQ(server.serverRandom(), decryptServerRandom(rsa ? 1 : 0, cipher)) << rsa;
    const std::string broken = testsupport::alteredForBuiltinKey(rsa, cipher);
    EXPECT_TRUE(decryptServerRandom(rsa ? 1 : 0, broken).empty()) << rsa;
    EXPECT_TRUE(decryptServerRandom(rsa ? 1 : 0, "").empty()) << rsa;
  }
}

// Whether the ciphertext decrypts or not, decryptServerRandom wipes the whole
// static buffer of every key text it used, and the accessors still rebuild
// their texts into the same buffers afterwards.
TEST_F(SessionKey, ServerRandomStepWipesTheKeyTexts) {
  struct Text {
    const char* (*accessor)();
    size_t size;
  };
  const std::vector<Text> rsaTexts = {
      {buildRsaModulusHex, kRsaModulusHexSize},
      {buildRsaExponentHex, kRsaExponentHexSize},
      {buildRsaPrimePHex, kRsaPrimeHexSize},
      {buildRsaPrimeQHex, kRsaPrimeHexSize},
      {buildRsaPrivateExponentHex, kRsaPrivateExponentHexSize},
  };
  const std::vector<Text> sm2Texts = {{buildSm2PrivateKeyHex, kSm2PrivateKeyHexSize}};
  for (bool rsa : {true, false}) {
    const std::string cipher = bank::base64Decode(server.makeServerRandom(rsa));
    const std::string broken = testsupport::alteredForBuiltinKey(rsa, cipher);
    for (const std::string& input : {cipher, broken, std::string()}) {
      std::vector<std::string> texts;
      std::vector<const char*> buffers;
      for (const Text& t : rsa ? rsaTexts : sm2Texts) {
        buffers.push_back(t.accessor());
        texts.push_back(buffers.back());
      }
      const bool decrypts = !decryptServerRandom(rsa ? 1 : 0, input).empty();
      EXPECT_EQ(decrypts, input == cipher) << rsa;
      const std::vector<Text>& used = rsa ? rsaTexts : sm2Texts;
      for (size_t i = 0; i < used.size(); ++i) {
        EXPECT_EQ(std::string(buffers[i], used[i].size), std::string(used[i].size, '\0'))
            << "text " << i << (rsa ? " (RSA)" : " (SM2)") << (decrypts ? "" : ", failing input");
        EXPECT_EQ(used[i].accessor(), buffers[i]);
        EXPECT_EQ(std::string(buffers[i]), texts[i]) << "rebuilt on the next call";
      }
    }
  }
  EXPECT_EQ(std::string(buildRsaModulusHex()), keyset::value("rsa_modulus_hex"));
  EXPECT_EQ(std::string(buildSm2PrivateKeyHex()), keyset::value("sm2_private_hex"));
}

// deriveKeyText leaves decryptWithBuiltinKey's buffer zero, for sources that
// fill all of it and for shorter ones; the buffer keeps working afterwards.
TEST_F(SessionKey, KeyTextDerivationWipesTheDecryptedBytes) {
  const unsigned char* kp = decryptWithBuiltinKey(kRandom + kRandom);
  for (const std::string& source : {kRandom + kRandom, kRandom, std::string(48, 'x')}) {
    decryptWithBuiltinKey(source);  // filled before, so the wipe shows
    const KeyText key = deriveKeyText(source);
    EXPECT_EQ(server.keyTextFor(source), text(key)) << source.size();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(kp), kBuiltinDecryptionSize),
              std::string(kBuiltinDecryptionSize, '\0'))
        << source.size();
  }
  EXPECT_EQ(decryptWithBuiltinKey(kRandom), kp);
  EXPECT_NE(std::string(reinterpret_cast<const char*>(kp), 16), std::string(16, '\0'));
}

}  // namespace
