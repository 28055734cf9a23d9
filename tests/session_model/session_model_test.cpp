// The session-key exchange against plain models, through the host and the
// bank's server:
//   - the input4 text: blank bytes dropped at both ends, the lenient Base64
//     decoding, decryption with the built-in private key (done here on
//     OpenSSL with the key set's private keys), and what that leaves in the
//     session, over random texts with blanks, high bytes and control bytes
//     around (and inside) valid Base64;
//   - the key text and the password ciphertext, for many random passwords in
//     both modes, recovered on OpenSSL alone.
#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "AppKit/AppKit.h"
#include "CoreServices/Gestalt.h"
#include "CoreServices/GestaltTesting.h"
#include "host/bank_server.h"
#include "host/browser.h"
#include "host/instance.h"
#include "host/sm2_der.h"
#include "keys/keyset.h"
#include "tests/support/codec_oracle.h"
#include "tests/support/key_text_oracle.h"
#include "tests/support/openssl_oracle.h"

namespace {

// A blank byte: at most 0x20 read as a signed 8-bit number.
bool isBlank(char c) { return static_cast<signed char>(c) <= 0x20; }

// The text without its blank bytes at both ends, as the control reads input4.
std::string trimBlanks(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// One server for the whole program: making its RSA key is the slow part.
bank::BankServer& sharedServer() {
  static bank::BankServer* server = new bank::BankServer(bank::controlKeysFromKeyset());
  return *server;
}

// What decrypting the input4 text with the control's built-in private key
// gives, on OpenSSL: the server random, or empty.
std::string expectedServerRandom(const std::string& input4, bool rsaMode) {
  static EVP_PKEY* rsa = testsupport::readPrivateKeyPem(SPC_KEYSET_RSA_FILE);
  static EVP_PKEY* sm2 = testsupport::readPrivateKeyPem(SPC_KEYSET_SM2_FILE);
  const std::string bytes = oracle::base64Decode(trimBlanks(input4));
  if (bytes.empty()) return std::string();
  if (rsaMode) return testsupport::opensslDecrypt(rsa, bytes, RSA_PKCS1_PADDING).value_or("");
  const std::string der = bank::sm2RawToDer(bytes);
  if (der.empty()) return std::string();
  return testsupport::opensslDecrypt(sm2, der, 0).value_or("");
}

char randomBlank(std::mt19937& rng) {
  // Control bytes and the space, or a byte from 0x80 to 0xFF; NUL now and then.
  const unsigned r = rng() % 64;
  if (r == 0) return '\0';
  if (r < 32) return static_cast<char>(1 + rng() % 0x20);
  return static_cast<char>(0x80 + rng() % 0x80);
}

std::string randomBlanks(std::mt19937& rng, size_t most) {
  std::string s;
  for (size_t n = rng() % (most + 1); n > 0; --n) s.push_back(randomBlank(rng));
  return s;
}

// An input4 text made from a valid Base64 ciphertext.
std::string randomServerText(std::mt19937& rng, const std::string& body) {
  static const std::string kJunk = "!A=+/#a.Z9";
  std::string text = body;
  switch (rng() % 8) {
    case 0:
    case 1:
    case 2:  // blanks around
      return randomBlanks(rng, 6) + text + randomBlanks(rng, 6);
    case 3: {  // a blank inside
      const size_t at = 1 + rng() % (text.size() - 2);
      if (rng() % 2)
        text.insert(at, 1, randomBlank(rng));
      else
        text[at] = randomBlank(rng);
      return randomBlanks(rng, 3) + text + randomBlanks(rng, 3);
    }
    case 4:  // something that is no blank before or after
      if (rng() % 2)
        text.insert(0, 1, kJunk[rng() % kJunk.size()]);
      else
        text.push_back(kJunk[rng() % kJunk.size()]);
      return randomBlanks(rng, 3) + text + randomBlanks(rng, 3);
    case 5:  // text after the padding
      return text + kJunk.substr(rng() % 4, 3) + randomBlanks(rng, 4);
    case 6:  // blanks only, or nothing
      return randomBlanks(rng, 8);
    default:  // the body cut short
      return randomBlanks(rng, 2) + text.substr(0, text.size() - 1 - rng() % 3) +
             randomBlanks(rng, 2);
  }
}

class SessionModel : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    host::Browser::get().reset();
    GestaltSetSystemVersion(10, 14, 0);  // the self-drawn box: printable ASCII typing
  }
  void TearDown() override {
    GestaltResetForTesting();
    host::Browser::get().reset();
  }

  bool rsaMode() const { return GetParam(); }

  // A control in this mode with the server's public key, and a client random
  // that the server has received.
  void openSession(host::Instance& control, bank::BankServer& server) {
    control.setWindow(0, 0, 300, 30);
    control.focus(true);
    ASSERT_TRUE(control.setProperty("input0", host::Variant::int32(rsaMode() ? 1 : 0)));
    ASSERT_TRUE(control.setProperty(
        "input9", host::Variant::string(rsaMode() ? server.rsaCertificatePem()
                                                  : server.sm2CoordinatePair('|'))));
    host::ScriptResult r = control.invoke("get_output37");
    ASSERT_TRUE(r.value.isString());
    ASSERT_EQ(16u, server.receiveClientRandom(r.value.asString(), rsaMode()).size());
  }

  // The session's key text as get_output2 shows it: the password it
  // recovers under the expected source's key text.
  std::optional<std::string> sessionPassword(host::Instance& control) {
    host::ScriptResult r = control.invoke("get_output2");
    if (!r.value.isString()) return std::nullopt;
    return keytext::recoverPassword(r.value.asString(), rsaMode(), keyTextOf_);
  }

  std::string keyTextOf_;
};

TEST_P(SessionModel, ServerTextsWithBlanksAndJunk) {
  bank::BankServer& server = sharedServer();
  host::Instance control;
  ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
  openSession(control, server);
  if (HasFatalFailure()) return;
  const std::string clientRandom = server.clientRandom();
  control.typeText("Pass1234");

  // A first session so that later failures have something to keep.
  std::string body = server.makeServerRandom(rsaMode());
  ASSERT_TRUE(control.setProperty("input4", host::Variant::string(body)));
  std::string session = server.serverRandom() + clientRandom;

  std::mt19937 rng(rsaMode() ? 0x1e5 : 0x5e2);
  int accepted = 0, refused = 0;
  for (int trial = 0; trial < 70; ++trial) {
    body = server.makeServerRandom(rsaMode(), 1 + rng() % 40);
    ASSERT_FALSE(body.empty());
    const std::string text = randomServerText(rng, body);
    const std::string plain = expectedServerRandom(text, rsaMode());
    if (!plain.empty()) {
      // A damaged RSA ciphertext now and then opens (its padding valid by
      // chance): only the intact one must give the server's random.
      if (oracle::base64Decode(trimBlanks(text)) == oracle::base64Decode(body)) {
        EXPECT_EQ(server.serverRandom(), plain) << "trial " << trial;
      }
      session = plain + clientRandom;
      ++accepted;
    } else {
      ++refused;
    }
    ASSERT_TRUE(control.setProperty("input4", host::Variant::string(text)));
    keyTextOf_ = keytext::keyTextFor(session);
    EXPECT_EQ(std::optional<std::string>("Pass1234"), sessionPassword(control))
        << "trial " << trial << ", " << (plain.empty() ? "refused" : "accepted") << " text of "
        << text.size() << " bytes";
    EXPECT_EQ(1, control.invoke("get_output6").value.asInt32());
    // The stored text reads back as it was set, up to a first zero byte (a
    // String of length 0 when that comes first); an empty one not at all.
    host::ScriptResult stored = control.getProperty("input4");
    if (text.empty()) {
      EXPECT_TRUE(stored.value.isVoid()) << "trial " << trial;
    } else {
      EXPECT_TRUE(stored.value.isString()) << "trial " << trial;
      EXPECT_EQ(text.substr(0, text.find('\0')), stored.value.asString()) << "trial " << trial;
    }
  }
  // Whether a damaged text still decodes to the whole ciphertext depends on
  // the ciphertext's bytes; these many are refused, and accepted, whatever
  // they are.
  EXPECT_GE(accepted, 15);
  EXPECT_GE(refused, 15);
}

TEST_P(SessionModel, PasswordsOfEveryLengthUnderTheSessionKeyText) {
  bank::BankServer& server = sharedServer();
  host::Instance control;
  ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
  openSession(control, server);
  if (HasFatalFailure()) return;

  std::mt19937 rng(rsaMode() ? 0xae5 : 0x5e4);
  std::string wrapped;
  const std::vector<size_t> serverLengths = {16, 1, 23, 40, 97, 200};
  for (size_t round = 0; round < serverLengths.size(); ++round) {
    // Server randoms of lengths that leave g_rand2 off the block grid, and
    // long ones.
    const size_t serverLength = serverLengths[round];
    const std::string text = server.makeServerRandom(rsaMode(), serverLength);
    ASSERT_TRUE(control.setProperty("input4", host::Variant::string(text)));
    const std::string source = server.serverRandom() + server.clientRandom();
    keyTextOf_ = keytext::keyTextFor(source);
    ASSERT_EQ(server.keyTextFor(source), keyTextOf_) << "two derivations disagree";

    // A wrapped key of random non-zero bytes for get_output1.
    wrapped.clear();
    for (size_t n = 1 + rng() % 40; n > 0; --n)
      wrapped.push_back(static_cast<char>(1 + rng() % 255));
    ASSERT_TRUE(control.setProperty("input1", host::Variant::string(wrapped)));
    const std::string wrappedKeyText = keytext::keyTextFor(wrapped);

    for (size_t length = round < 4 ? 1 : 60; length <= 64; ++length) {
      std::string password;
      for (size_t i = 0; i < length; ++i)
        password.push_back(static_cast<char>(0x20 + rng() % 0x5F));
      control.invoke("ClearSeCtrl");
      control.typeText(password);
      ASSERT_EQ(static_cast<int32_t>(length), control.invoke("get_output3").value.asInt32());
      EXPECT_EQ(std::optional<std::string>(password), sessionPassword(control))
          << "round " << round << ", length " << length;
      host::ScriptResult one = control.invoke("get_output1");
      ASSERT_TRUE(one.value.isString());
      EXPECT_EQ(std::optional<std::string>(password),
                keytext::recoverPassword(one.value.asString(), true, wrappedKeyText))
          << "round " << round << ", length " << length;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, SessionModel, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& caseInfo) {
                           return std::string(caseInfo.param ? "Rsa" : "Sm2");
                         });

// Non-ASCII passwords, typed into the Core Animation field, are encrypted as
// their UTF-8 bytes.
TEST(SessionModelUtf8, FieldPasswordsInBothModes) {
  host::Browser::get().reset();
  GestaltResetForTesting();
  bank::BankServer& server = sharedServer();
  static const char* const kPieces[] = {
      "a", "Z", "7", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", " ", "\xD0\xB6"};
  std::mt19937 rng(0x0f8);
  for (bool rsa : {true, false}) {
    host::Instance control;
    ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
    ASSERT_NE(nullptr, control.requestLayer());
    control.setWindow(0, 0, 200, 30);
    control.focus(true);
    ASSERT_TRUE(control.setProperty("input0", host::Variant::int32(rsa ? 1 : 0)));
    ASSERT_TRUE(control.setProperty(
        "input9",
        host::Variant::string(rsa ? server.rsaCertificatePem() : server.sm2CoordinatePair(','))));
    host::ScriptResult r = control.invoke("get_output37");
    ASSERT_TRUE(r.value.isString());
    ASSERT_FALSE(server.receiveClientRandom(r.value.asString(), rsa).empty());
    ASSERT_TRUE(
        control.setProperty("input4", host::Variant::string(server.makeServerRandom(rsa, 7))));
    const std::string keyText = keytext::keyTextFor(server.serverRandom() + server.clientRandom());
    for (int n = 1; n <= 30; ++n) {
      std::string password;
      for (int i = 0; i < n; ++i) password += kPieces[rng() % 8];
      control.invoke("ClearSeCtrl");
      control.typeText(password);
      host::ScriptResult c = control.invoke("get_output2");
      ASSERT_TRUE(c.value.isString());
      EXPECT_EQ(std::optional<std::string>(password),
                keytext::recoverPassword(c.value.asString(), rsa, keyText))
          << (rsa ? "RSA" : "SM2") << " password of " << n << " characters";
    }
  }
  host::Browser::get().reset();
}

// The randoms belong to the process: a random made by one control and a server
// random set in another, in either mode, make the session of both; each
// control encrypts under it with its own mode's cipher.
TEST(SessionModelShared, ControlsInBothModesShareOneSession) {
  host::Browser::get().reset();
  GestaltSetSystemVersion(10, 14, 0);
  {
    bank::BankServer& server = sharedServer();
    host::Instance rsaControl, sm2Control;
    host::Instance* controls[] = {&rsaControl, &sm2Control};
    const bool rsa[] = {true, false};
    const char* const passwords[] = {"first control 1", "Second-2"};
    for (int i = 0; i < 2; ++i) {
      ASSERT_EQ(NPERR_NO_ERROR, controls[i]->newResult());
      controls[i]->setWindow(0, 40 * i, 300, 30);
      controls[i]->focus(true);
      ASSERT_TRUE(controls[i]->setProperty("input0", host::Variant::int32(rsa[i] ? 1 : 0)));
      ASSERT_TRUE(controls[i]->setProperty(
          "input9", host::Variant::string(rsa[i] ? server.rsaPublicKeyHexDer()
                                                 : server.sm2CoordinatePair(','))));
      controls[i]->typeText(passwords[i]);
    }
    // The model: the last client random and the session source.
    std::string clientRandom, session;
    bool haveSession = false;
    std::mt19937 rng(0x5a7);
    auto newClientRandom = [&](int i) {
      host::ScriptResult r = controls[i]->invoke("get_output37");
      ASSERT_TRUE(r.value.isString());
      clientRandom = server.receiveClientRandom(r.value.asString(), rsa[i]);
      ASSERT_EQ(16u, clientRandom.size());
    };
    newClientRandom(0);
    for (int step = 0; step < 40; ++step) {
      const int i = static_cast<int>(rng() % 2);
      switch (rng() % 3) {
        case 0:
          newClientRandom(i);
          break;
        case 1:
          ASSERT_TRUE(controls[i]->setProperty(
              "input4", host::Variant::string(server.makeServerRandom(rsa[i], 1 + rng() % 30))));
          session = server.serverRandom() + clientRandom;
          haveSession = true;
          break;
        default:
          break;
      }
      if (!haveSession) continue;
      for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(1, controls[k]->invoke("get_output6").value.asInt32());
        host::ScriptResult c = controls[k]->invoke("get_output2");
        ASSERT_TRUE(c.value.isString());
        EXPECT_EQ(
            std::optional<std::string>(passwords[k]),
            keytext::recoverPassword(c.value.asString(), rsa[k], keytext::keyTextFor(session)))
            << "control " << k << " at step " << step;
      }
    }
  }
  GestaltResetForTesting();
  host::Browser::get().reset();
}

// A wrapped key with a zero byte keeps its length: the bytes after the zero
// count as zeros in the derivation.
TEST(SessionModelWrappedKey, AZeroByteInsideKeepsTheLength) {
  host::Browser::get().reset();
  GestaltSetSystemVersion(10, 14, 0);
  {
    host::Instance control;
    ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
    control.setWindow(0, 0, 300, 30);
    control.focus(true);
    control.typeText("zero inside");
    for (const std::string& wrapped :
         {std::string("ab\0cd", 5), std::string("\0", 1), std::string("0123456789abcdef\0x", 18),
          std::string(33, 'k') + std::string("\0\0", 2)}) {
      ASSERT_TRUE(control.setProperty("input1", host::Variant::string(wrapped)));
      std::string source = wrapped.substr(0, wrapped.find('\0'));
      source.resize(wrapped.size(), '\0');
      host::ScriptResult r = control.invoke("get_output1");
      ASSERT_TRUE(r.value.isString());
      EXPECT_EQ(std::optional<std::string>("zero inside"),
                keytext::recoverPassword(r.value.asString(), true, keytext::keyTextFor(source)))
          << "wrapped key of " << wrapped.size() << " bytes";
    }
  }
  GestaltResetForTesting();
  host::Browser::get().reset();
}

}  // namespace
