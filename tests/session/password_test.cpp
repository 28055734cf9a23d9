// get_output1 and get_output2 in both modes and both drawing models: every
// ciphertext is decrypted by the server (OpenSSL's AES-256-ECB and SM4-ECB)
// back to the typed text.
#include <cctype>
#include <ostream>
#include <string>

#include "session_fixture.h"

namespace {

struct Setting {
  const char* name;
  Model model;
  bool rsa;
};
const Setting kSettings[] = {
    {"Core Animation, RSA", Model::kCoreAnimation, true},
    {"Core Animation, SM2", Model::kCoreAnimation, false},
    {"Core Graphics, RSA", Model::kCoreGraphics, true},
    {"Core Graphics, SM2", Model::kCoreGraphics, false},
};

void PrintTo(const Setting& s, std::ostream* os) { *os << s.name; }

std::string keyTextFor(bool rsaMode) {
  return rsaMode ? bankServer().rsaCertificateBody() : bankServer().sm2CertificateBody();
}

class Passwords : public SessionTest, public ::testing::WithParamInterface<Setting> {
 protected:
  const Setting& s() const { return GetParam(); }
  host::Instance& control(std::vector<host::Attribute> attributes = {}) {
    const std::string key = keyTextFor(s().rsa);
    return embed(s().model, s().rsa, &key, std::move(attributes));
  }
};

TEST_P(Passwords, TheServerRecoversWhatWasTyped) {
  host::Instance& c = control();
  type(c, "Open Sesame 42!");
  ASSERT_TRUE(exchangeRandoms(c, s().rsa));
  const std::string sent = call(c, "get_output2");
  EXPECT_EQ(server().decryptPassword(sent, s().rsa, server().sessionKeyText()), "Open Sesame 42!");
  EXPECT_EQ(sent.size(), 24u) << "15 bytes make one padded block either way";
}

TEST_P(Passwords, ASixteenBytePasswordGivesFortyFourCharacters) {
  host::Instance& c = control();
  type(c, "0123456789abcdef");
  ASSERT_TRUE(exchangeRandoms(c, s().rsa));
  const std::string sent = call(c, "get_output2");
  EXPECT_EQ(sent.size(), 44u) << "32 bytes: a whole block of padding";
  EXPECT_EQ(bank::base64Decode(sent).size(), 32u);
  EXPECT_EQ(server().decryptPassword(sent, s().rsa, server().sessionKeyText()), "0123456789abcdef");
}

TEST_P(Passwords, BeforeAnyServerRandomTheKeyTextIsThatOfTheEmptySource) {
  host::Instance& c = control();
  type(c, "early bird");
  EXPECT_EQ(callInt(c, "get_output6"), 0);
  EXPECT_EQ(server().decryptPassword(call(c, "get_output2"), s().rsa, server().keyTextFor("")),
            "early bird");
  // Also after a client random alone.
  call(c, "get_output37");
  EXPECT_EQ(server().decryptPassword(call(c, "get_output2"), s().rsa, server().keyTextFor("")),
            "early bird");
}

TEST_P(Passwords, OutputOneUsesTheWrappedKeyAndAesInBothModes) {
  host::Instance& c = control();
  type(c, "wrapped");
  ASSERT_TRUE(exchangeRandoms(c, s().rsa));  // does not matter to get_output1
  // Without input1: the key text of the empty source.
  EXPECT_EQ(server().decryptPassword(call(c, "get_output1"), true, server().keyTextFor("")),
            "wrapped");
  // With input1: the key text of its bytes, AES-256 whatever the mode.
  const std::string wrappedKey = "0123456789ABCDEF0123456789ABCDEF+wrapped";
  EXPECT_TRUE(c.setProperty("input1", host::Variant::string(wrappedKey)));
  const std::string sent = call(c, "get_output1");
  EXPECT_EQ(server().decryptPassword(sent, true, server().keyTextFor(wrappedKey)), "wrapped");
  EXPECT_NE(server().decryptPassword(sent, true, server().keyTextFor("")), "wrapped")
      << "no longer the empty source's key";
}

TEST_P(Passwords, WithNothingTypedTheResultsAreVoid) {
  host::Instance& c = control();
  ASSERT_TRUE(exchangeRandoms(c, s().rsa));
  for (const char* method : {"get_output1", "get_output2"}) {
    host::ScriptResult r = c.invoke(method);
    EXPECT_TRUE(r.ok) << method;
    EXPECT_TRUE(r.value.isVoid()) << method;
  }
  // After ClearSeCtrl too.
  type(c, "gone soon");
  EXPECT_NE(call(c, "get_output2"), "");
  call(c, "ClearSeCtrl");
  EXPECT_EQ(call(c, "get_output2"), "");
}

TEST_P(Passwords, APatternMismatchGivesVoidAndSetsTheFlag) {
  host::Instance& c = control();
  EXPECT_TRUE(c.setProperty("input3", host::Variant::string("[0-9]+")));
  type(c, "12ab");
  ASSERT_TRUE(exchangeRandoms(c, s().rsa));
  EXPECT_EQ(callInt(c, "get_output5"), 1);
  call(c, "ClearSeCtrl");
  type(c, "1234");
  EXPECT_EQ(callInt(c, "get_output5"), 0);
  call(c, "ClearSeCtrl");
  type(c, "12ab");
  for (const char* method : {"get_output1", "get_output2"}) {
    // reset the flag by a passing text, then fail the method's own test
    host::ScriptResult r = c.invoke(method);
    EXPECT_TRUE(r.ok) << method;
    EXPECT_TRUE(r.value.isVoid()) << method;
  }
  EXPECT_EQ(callInt(c, "get_output5"), 1);
  call(c, "ClearSeCtrl");
  type(c, "5678");
  EXPECT_EQ(server().decryptPassword(call(c, "get_output2"), s().rsa, server().sessionKeyText()),
            "5678");
}

TEST_P(Passwords, AnInvalidWholePasswordPatternLetsEveryTextThrough) {
  host::Instance& c = control();
  EXPECT_TRUE(c.setProperty("input3", host::Variant::string("[unclosed")));
  type(c, "anything");
  ASSERT_TRUE(exchangeRandoms(c, s().rsa));
  EXPECT_EQ(server().decryptPassword(call(c, "get_output2"), s().rsa, server().sessionKeyText()),
            "anything");
}

// Longer than the 1007 UTF-8 bytes that fit the usual 1024-byte SM4 buffer.
TEST_P(Passwords, ALongPasswordIsEncryptedWhole) {
  host::Instance& c = control({{"maxlength", "1500"}});
  c.setProperty("maxlength", host::Variant::int32(1500));
  std::string password;
  for (int i = 0; password.size() < 1200; ++i) password += static_cast<char>('!' + i % 90);
  type(c, password);
  ASSERT_EQ(callInt(c, "get_output3"), 1200);
  ASSERT_TRUE(exchangeRandoms(c, s().rsa));
  const std::string sent = call(c, "get_output2");
  EXPECT_EQ(bank::base64Decode(sent).size(), 1216u);
  EXPECT_EQ(server().decryptPassword(sent, s().rsa, server().sessionKeyText()), password);
  // Around the old buffer's limit: 1007 bytes fitted, 1008 needed one more block.
  for (size_t n : {1007u, 1008u, 1023u, 1024u}) {
    call(c, "ClearSeCtrl");
    type(c, password.substr(0, n));
    EXPECT_EQ(server().decryptPassword(call(c, "get_output2"), s().rsa, server().sessionKeyText()),
              password.substr(0, n))
        << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, Passwords, ::testing::ValuesIn(kSettings),
                         [](const ::testing::TestParamInfo<Setting>& caseInfo) {
                           std::string n = caseInfo.param.name;
                           std::string out;
                           for (char ch : n)
                             if (std::isalnum(static_cast<unsigned char>(ch))) out += ch;
                           return out;
                         });

// Only the Core Animation field takes characters outside ASCII.
TEST_F(SessionTest, ANonAsciiPasswordIsEncryptedAsItsUtf8Bytes) {
  const std::string password =
      "P\xC3\xA4ssw\xC3\xB6rd \xE2\x82\xAC \xF0\x9F\x94\x91";  // Pässwörd € 🔑
  for (bool rsa : {true, false}) {
    const std::string key = keyTextFor(rsa);
    host::Instance& c = embed(Model::kCoreAnimation, rsa, &key);
    type(c, password);
    EXPECT_EQ(callInt(c, "get_output3"), 13) << "UTF-16 units";
    ASSERT_TRUE(exchangeRandoms(c, rsa));
    const std::string sent = call(c, "get_output2");
    EXPECT_EQ(server().decryptPassword(sent, rsa, server().sessionKeyText()), password);
    EXPECT_EQ(bank::base64Decode(sent).size(), 32u) << "19 UTF-8 bytes";
  }
}

}  // namespace
