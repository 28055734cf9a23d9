// What a session leaves in the static buffers of the built-in key accessors
// and of decryptWithBuiltinKey: after the whole exchange in either mode, and
// after an input4 that does not decrypt, no piece of a key text, of the bytes
// it is made from or of a private key's hex is there, and every buffer is
// zero from end to end.
#include <openssl/core_names.h>

#include <cctype>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "keys/keyset.h"
#include "protect/aes.h"
#include "protect/builtin_keys.h"
#include "session_fixture.h"
#include "tests/support/builtin_key_alteration.h"
#include "tests/support/key_text_oracle.h"

namespace {

// A secret is looked for as every piece of this many characters.
constexpr size_t kPiece = 8;

// One static buffer of the control: its address and its whole size.
struct StaticBuffer {
  const char* name;
  const void* address;
  size_t size;
  std::string contents() const { return std::string(static_cast<const char*>(address), size); }
};

// The addresses, taken once from the accessors before any session. The tests
// never call the accessors again: a call would refill the buffer it reads.
const std::vector<StaticBuffer>& staticBuffers() {
  static const std::vector<StaticBuffer> buffers = {
      {"bufn", buildRsaModulusHex(), kRsaModulusHexSize},
      {"bufe", buildRsaExponentHex(), kRsaExponentHexSize},
      {"bufp", buildRsaPrimePHex(), kRsaPrimeHexSize},
      {"bufq", buildRsaPrimeQHex(), kRsaPrimeHexSize},
      {"bufd", buildRsaPrivateExponentHex(), kRsaPrivateExponentHexSize},
      {"bufs", buildSm2PrivateKeyHex(), kSm2PrivateKeyHexSize},
      {"kp", decryptWithBuiltinKey(std::string()), kBuiltinDecryptionSize},
  };
  return buffers;
}

struct Secret {
  std::string what;
  std::string text;
};

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The private key's hex texts, read from the key set's own files with
// OpenSSL, in both cases.
std::vector<Secret> privateKeyHex() {
  using keyset::detail::pemKeyParamHex;
  const Secret upper[] = {
      {"modulus", keyset::value("rsa_modulus_hex")},
      {"prime p", pemKeyParamHex(SPC_KEYSET_RSA_FILE, OSSL_PKEY_PARAM_RSA_FACTOR1, 0)},
      {"prime q", pemKeyParamHex(SPC_KEYSET_RSA_FILE, OSSL_PKEY_PARAM_RSA_FACTOR2, 0)},
      {"private exponent", pemKeyParamHex(SPC_KEYSET_RSA_FILE, OSSL_PKEY_PARAM_RSA_D, 0)},
      {"SM2 scalar", keyset::value("sm2_private_hex")},
  };
  std::vector<Secret> out;
  for (const Secret& s : upper) {
    EXPECT_GE(s.text.size(), 64u) << s.what;
    out.push_back(s);
    out.push_back({s.what + " (lower case)", lowerCase(s.text)});
  }
  return out;
}

// The key text of a source and the 32 bytes it is made from, by the oracle.
// Pieces of the whole text cover its 16-character SM4 prefix too.
void addKeyText(std::vector<Secret>* secrets, const std::string& what, const std::string& source) {
  secrets->push_back({what + " key text", keytext::keyTextFor(source)});
  secrets->push_back({what + " decrypted bytes", keytext::decryptedBytesFor(source)});
}

class StaticBuffers : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    // Cleared by the test, so whatever is found later the control left there.
    for (const StaticBuffer& b : staticBuffers())
      std::memset(const_cast<void*>(b.address), 0, b.size);
  }

  // No piece of any secret in any buffer, and nothing but zeros.
  static void expectClean(const std::vector<Secret>& secrets, const std::string& when) {
    for (const StaticBuffer& b : staticBuffers()) {
      const std::string contents = b.contents();
      for (const Secret& s : secrets) {
        ASSERT_GE(s.text.size(), kPiece) << s.what;
        size_t found = std::string::npos;
        for (size_t i = 0; i + kPiece <= s.text.size() && found == std::string::npos; ++i)
          found = contents.find(s.text.substr(i, kPiece));
        EXPECT_EQ(found, std::string::npos) << s.what << " in " << b.name << " " << when;
      }
      EXPECT_EQ(contents, std::string(b.size, '\0')) << b.name << " " << when;
    }
  }

  host::Instance& control(bool rsaMode) {
    keyText_ = rsaMode ? server().rsaCertificateBody() : server().sm2CertificateBody();
    return embed(Model::kCoreAnimation, rsaMode, &keyText_);
  }

 private:
  std::string keyText_;
};

struct Mode {
  const char* name;
  bool rsa;
};
const Mode kModes[] = {{"Rsa", true}, {"Sm2", false}};

void PrintTo(const Mode& m, std::ostream* os) { *os << m.name; }

class WholeSession : public StaticBuffers, public ::testing::WithParamInterface<Mode> {};

TEST_P(WholeSession, LeavesNoSecretInTheStaticBuffers) {
  const bool rsa = GetParam().rsa;
  const std::string wrappedKey = "0123456789ABCDEF0123456789ABCDEF+wrapped";
  std::vector<Secret> secrets = privateKeyHex();
  host::Instance& c = control(rsa);
  ASSERT_TRUE(c.setProperty("input1", host::Variant::string(wrappedKey)));
  type(c, "Open Sesame 42!");

  ASSERT_TRUE(exchangeRandoms(c, rsa));  // get_output37, then input4
  expectClean(secrets, "after input4");
  const std::string sessionSource = server().serverRandom() + server().clientRandom();
  addKeyText(&secrets, "session", sessionSource);

  const std::string sent2 = call(c, "get_output2");
  EXPECT_EQ(server().decryptPassword(sent2, rsa, keytext::keyTextFor(sessionSource)),
            "Open Sesame 42!");
  expectClean(secrets, "after get_output2");

  addKeyText(&secrets, "input1", wrappedKey);
  const std::string sent1 = call(c, "get_output1");
  EXPECT_EQ(server().decryptPassword(sent1, true, keytext::keyTextFor(wrappedKey)),
            "Open Sesame 42!");
  expectClean(secrets, "after get_output1");
}

INSTANTIATE_TEST_SUITE_P(Modes, WholeSession, ::testing::ValuesIn(kModes),
                         [](const ::testing::TestParamInfo<Mode>& caseInfo) {
                           return std::string(caseInfo.param.name);
                         });

// Bytes that are no ciphertext of the built-in keys.
std::string garbage(size_t length) {
  std::mt19937 rng(static_cast<unsigned>(length));
  std::string out;
  for (size_t i = 0; i < length; ++i) out.push_back(static_cast<char>(rng() & 0xff));
  return out;
}

// A real ciphertext for the control with one byte changed, which the
// built-in key refuses.
std::string corrupted(bool rsa) {
  const std::string cipher = bank::base64Decode(bankServer().makeServerRandom(rsa));
  return bank::base64Encode(testsupport::alteredForBuiltinKey(rsa, cipher));
}

struct FailingInput {
  const char* name;
  bool rsa;
  std::string (*input4)();
};
const FailingInput kFailingInputs[] = {
    {"RsaGarbage", true, [] { return bank::base64Encode(garbage(256)); }},
    {"RsaCorrupted", true, [] { return corrupted(true); }},
    {"RsaNotBase64", true, [] { return std::string("not a ciphertext!"); }},
    {"Sm2Garbage", false, [] { return bank::base64Encode(garbage(16 + 97)); }},
    {"Sm2Corrupted", false, [] { return corrupted(false); }},
    {"Sm2NotBase64", false, [] { return std::string("not a ciphertext!"); }},
};

void PrintTo(const FailingInput& f, std::ostream* os) { *os << f.name; }

class FailedInput4 : public StaticBuffers, public ::testing::WithParamInterface<FailingInput> {};

TEST_P(FailedInput4, LeavesNoKeyHexInTheStaticBuffers) {
  const FailingInput& f = GetParam();
  host::Instance& c = control(f.rsa);
  ASSERT_NE(call(c, "get_output37"), "");
  const std::string input4 = f.input4();
  EXPECT_TRUE(c.setProperty("input4", host::Variant::string(input4)));
  EXPECT_EQ(gRand2(), "") << "a ciphertext that does not decrypt sets no session";
  expectClean(privateKeyHex(), "after a failed input4");
}

INSTANTIATE_TEST_SUITE_P(Inputs, FailedInput4, ::testing::ValuesIn(kFailingInputs),
                         [](const ::testing::TestParamInfo<FailingInput>& caseInfo) {
                           return std::string(caseInfo.param.name);
                         });

}  // namespace
