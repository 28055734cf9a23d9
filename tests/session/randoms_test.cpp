// The process-wide randoms: every transition of g_rand and g_rand2, the
// server-random step behind input4 (trimming, failures, its pairing with the
// g_rand of the moment) and get_output6.
#include <openssl/rsa.h>

#include <map>
#include <set>
#include <string>

#include "keys/keyset.h"
#include "session_fixture.h"
#include "tests/support/builtin_key_alteration.h"
#include "tests/support/failing_generator.h"
#include "tests/support/openssl_oracle.h"

namespace {

struct Mode {
  const char* name;
  bool rsa;
};
const Mode kModes[] = {{"RSA", true}, {"SM2", false}};

std::string keyTextFor(bool rsaMode) {
  return rsaMode ? bankServer().rsaCertificatePem() : bankServer().sm2CoordinatePair('|');
}

TEST_F(SessionTest, EveryStateOfTheRandomsInBothModes) {
  for (const Mode& m : kModes) {
    SCOPED_TRACE(m.name);
    randoms().first->clear();
    randoms().second->clear();
    const std::string key = keyTextFor(m.rsa);
    host::Instance& control = embed(Model::kCoreAnimation, m.rsa, &key);
    type(control, "Pa55word");

    // fresh
    EXPECT_EQ(gRand(), "");
    EXPECT_EQ(gRand2(), "");
    EXPECT_EQ(callInt(control, "get_output6"), 0);

    // random sent
    const std::string sent1 = call(control, "get_output37");
    const std::string t1 = gRand();
    EXPECT_TRUE(isClientRandom(t1));
    EXPECT_EQ(server().receiveClientRandom(sent1, m.rsa), t1);
    EXPECT_EQ(gRand2(), "");
    EXPECT_EQ(callInt(control, "get_output6"), 0);

    // session
    const std::string reply1 = server().makeServerRandom(m.rsa);
    const std::string s1 = server().serverRandom();
    EXPECT_TRUE(control.setProperty("input4", host::Variant::string(reply1)));
    EXPECT_EQ(gRand2(), s1 + t1);
    EXPECT_EQ(callInt(control, "get_output6"), 1);
    const std::string session1 = server().keyTextFor(s1 + t1);
    EXPECT_EQ(server().decryptPassword(call(control, "get_output2"), m.rsa, session1), "Pa55word");

    // new random, old session: get_output2 still uses the old key text
    call(control, "get_output37");
    const std::string t2 = gRand();
    ASSERT_NE(t2, t1);
    EXPECT_EQ(gRand2(), s1 + t1);
    EXPECT_EQ(callInt(control, "get_output6"), 1);
    EXPECT_EQ(server().decryptPassword(call(control, "get_output2"), m.rsa, session1), "Pa55word");

    // new session
    const std::string reply2 = server().makeServerRandom(m.rsa);
    const std::string s2 = server().serverRandom();
    control.setProperty("input4", host::Variant::string(reply2));
    EXPECT_EQ(gRand2(), s2 + t2);
    EXPECT_EQ(
        server().decryptPassword(call(control, "get_output2"), m.rsa, server().keyTextFor(s2 + t2)),
        "Pa55word");

    // ClearSeCtrl and the control's destruction leave the randoms.
    call(control, "ClearSeCtrl");
    control.destroy();
    EXPECT_EQ(gRand(), t2);
    EXPECT_EQ(gRand2(), s2 + t2);
  }
}

// Back-to-back calls, within the same second, each make a new random: they
// come from OpenSSL's generator, not from the clock. Every one is 16
// characters of '0'..'9' and 'a'..'y', and over many of them every character
// turns up, about half of them digits.
TEST_F(SessionTest, ClientRandomsAreFreshTextsOfTheirAlphabet) {
  const std::string empty;
  host::Instance& control = embed(Model::kCoreGraphics, true, &empty);
  std::set<std::string> seen;
  std::map<char, int> counts;
  constexpr int kCalls = 100;
  for (int i = 0; i < kCalls; ++i) {
    host::ScriptResult r = control.invoke("get_output37");
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.value.isVoid()) << "no key, no ciphertext";
    const std::string made = gRand();
    EXPECT_TRUE(isClientRandom(made)) << made;
    EXPECT_TRUE(seen.insert(made).second) << "made twice: " << made;
    for (char c : made) ++counts[c];
  }
  EXPECT_EQ(counts.size(), 35u) << "every digit and 'a'..'y'";
  int digits = 0;
  for (char c = '0'; c <= '9'; ++c) digits += counts[c];
  EXPECT_GT(digits, kCalls * 16 * 4 / 10);
  EXPECT_LT(digits, kCalls * 16 * 6 / 10);
}

// Two controls, one right after the other, send different randoms, each the
// one the control kept at that moment.
TEST_F(SessionTest, TwoControlsMakeDifferentRandoms) {
  for (const Mode& m : kModes) {
    SCOPED_TRACE(m.name);
    const std::string key = keyTextFor(m.rsa);
    host::Instance& a = embed(Model::kCoreAnimation, m.rsa, &key);
    host::Instance& b = embed(Model::kCoreGraphics, m.rsa, &key);
    const std::string sentA = call(a, "get_output37");
    const std::string ta = gRand();
    const std::string sentB = call(b, "get_output37");
    const std::string tb = gRand();
    EXPECT_NE(ta, tb);
    EXPECT_NE(sentA, sentB);
    EXPECT_EQ(server().receiveClientRandom(sentA, m.rsa), ta);
    EXPECT_EQ(server().receiveClientRandom(sentB, m.rsa), tb);
  }
}

// Without random bytes there is no client random: the result is void and
// g_rand keeps the random of the last exchange, so no fixed or partial value
// is ever sent or kept. Once the generator gives bytes again, so does the
// control.
TEST_F(SessionTest, AFailingGeneratorSendsNoRandom) {
  for (const Mode& m : kModes) {
    SCOPED_TRACE(m.name);
    const std::string key = keyTextFor(m.rsa);
    randoms().first->clear();
    host::Instance& control = embed(Model::kCoreGraphics, m.rsa, &key);
    {
      testsupport::FailingGenerator failing;
      host::ScriptResult r = control.invoke("get_output37");
      EXPECT_TRUE(r.ok);
      EXPECT_TRUE(r.value.isVoid());
      EXPECT_EQ(gRand(), "") << "none made yet";
    }
    const std::string sent = call(control, "get_output37");
    const std::string t = gRand();
    ASSERT_TRUE(isClientRandom(t));
    EXPECT_EQ(server().receiveClientRandom(sent, m.rsa), t);
    {
      testsupport::FailingGenerator failing;
      host::ScriptResult r = control.invoke("get_output37");
      EXPECT_TRUE(r.ok);
      EXPECT_TRUE(r.value.isVoid());
      EXPECT_EQ(gRand(), t);
    }
    EXPECT_NE(call(control, "get_output37"), "");
    EXPECT_NE(gRand(), t);
  }
}

TEST_F(SessionTest, InputFourIsTrimmedOfBlankBytes) {
  for (const Mode& m : kModes) {
    SCOPED_TRACE(m.name);
    const std::string key = keyTextFor(m.rsa);
    host::Instance& control = embed(Model::kCoreAnimation, m.rsa, &key);
    call(control, "get_output37");
    const std::string t = gRand();
    const std::string reply = server().makeServerRandom(m.rsa);
    const std::string wrapped[] = {
        "   " + reply + "\r\n",
        "\t\x7f" + reply,  // 0x7F is no blank: it stays and shifts every group
        "\x80\xff " + reply + "\xc3\xa9",
    };
    randoms().second->clear();
    EXPECT_TRUE(control.setProperty("input4", host::Variant::string(wrapped[0])));
    EXPECT_EQ(gRand2(), server().serverRandom() + t);
    // The stored text is what the page set, blanks included.
    EXPECT_EQ(control.getProperty("input4").value.asString(), wrapped[0]);

    randoms().second->clear();
    control.setProperty("input4", host::Variant::string(wrapped[2]));
    EXPECT_EQ(gRand2(), server().serverRandom() + t) << "bytes from 0x80 up are blanks";

    randoms().second->clear();
    control.setProperty("input4", host::Variant::string(wrapped[1]));
    EXPECT_EQ(gRand2(), "") << "0x7F stays and spoils the ciphertext";

    // After a closing "=" the decoder reads no further.
    if (reply.back() == '=') {
      randoms().second->clear();
      control.setProperty("input4", host::Variant::string(reply + "\x7f" + reply));
      EXPECT_EQ(gRand2(), server().serverRandom() + t);
    }
  }
}

TEST_F(SessionTest, AnInputFourThatDoesNotDecryptChangesNothing) {
  for (const Mode& m : kModes) {
    SCOPED_TRACE(m.name);
    const std::string key = keyTextFor(m.rsa);
    host::Instance& control = embed(Model::kCoreGraphics, m.rsa, &key);
    ASSERT_TRUE(exchangeRandoms(control, m.rsa));
    const std::string session = gRand2();
    std::string reply = server().makeServerRandom(m.rsa);
    const std::string tampered =
        testsupport::alteredForBuiltinKey(m.rsa, bank::base64Decode(reply));
    std::string other = server().makeServerRandom(!m.rsa);  // the other mode's ciphertext
    if (m.rsa) {
      // An SM2 ciphertext read as RSA opens now and then (its padding valid
      // by chance): this is one that does not.
      static EVP_PKEY* rsaKey = testsupport::readPrivateKeyPem(SPC_KEYSET_RSA_FILE);
      while (testsupport::opensslDecrypt(rsaKey, bank::base64Decode(other), RSA_PKCS1_PADDING))
        other = server().makeServerRandom(false);
    }
    const std::string bad[] = {
        "",
        "   ",
        "not base64 at all",
        bank::base64Encode(tampered),
        other,
        bank::base64Encode(std::string(1025, '\x01')),
        bank::base64Encode(std::string(2146, '\x04')),
    };
    for (const std::string& text : bad) {
      EXPECT_TRUE(control.setProperty("input4", host::Variant::string(text)));
      EXPECT_EQ(gRand2(), session) << "[" << text.substr(0, 20) << "]";
      EXPECT_EQ(callInt(control, "get_output6"), 1);
      EXPECT_EQ(control.getProperty("input4").value.asString(), text);
    }
    // A value of another type is ignored and leaves the stored text.
    EXPECT_TRUE(control.setProperty("input4", host::Variant::int32(7)));
    EXPECT_EQ(control.getProperty("input4").value.asString(), bad[6]);
  }
}

TEST_F(SessionTest, AServerRandomBeforeAnyClientRandomStandsAlone) {
  for (const Mode& m : kModes) {
    SCOPED_TRACE(m.name);
    randoms().first->clear();
    randoms().second->clear();
    host::Instance& control = embed(Model::kCoreGraphics, m.rsa);
    std::string reply = server().makeServerRandom(m.rsa, 24);
    control.setProperty("input4", host::Variant::string(reply));
    EXPECT_EQ(gRand2(), server().serverRandom());
    EXPECT_EQ(gRand2().size(), 24u);
    EXPECT_EQ(callInt(control, "get_output6"), 1);
  }
}

TEST_F(SessionTest, TheRandomsAreSharedByEveryControl) {
  const std::string key = keyTextFor(true);
  host::Instance& a = embed(Model::kCoreAnimation, true, &key);
  host::Instance& b = embed(Model::kCoreGraphics, false);
  type(a, "alpha1");
  type(b, "beta2");
  EXPECT_EQ(callInt(b, "get_output6"), 0);
  EXPECT_EQ(server().receiveClientRandom(call(a, "get_output37"), true), gRand());
  const std::string t = gRand();
  // b (SM2 mode) receives an SM2 server random and pairs it with a's random.
  b.setProperty("input4", host::Variant::string(server().makeServerRandom(false)));
  EXPECT_EQ(gRand2(), server().serverRandom() + t);
  EXPECT_EQ(callInt(a, "get_output6"), 1);
  const std::string keyText = server().keyTextFor(server().serverRandom() + t);
  EXPECT_EQ(server().decryptPassword(call(a, "get_output2"), true, keyText), "alpha1");
  EXPECT_EQ(server().decryptPassword(call(b, "get_output2"), false, keyText), "beta2");
}

TEST_F(SessionTest, TheInputFourAttributeIsStoredWithoutTheStep) {
  const std::string reply = server().makeServerRandom(true);
  host::Instance& control = embed(Model::kCoreAnimation, true, nullptr, {{"input4", reply}});
  EXPECT_EQ(control.getProperty("input4").value.asString(), reply);
  EXPECT_EQ(gRand2(), "");
  EXPECT_EQ(callInt(control, "get_output6"), 0);
}

}  // namespace
