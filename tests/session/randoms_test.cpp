// The process-wide randoms: every transition of g_rand and g_rand2, the
// server-random step behind input4 (trimming, failures, its pairing with the
// g_rand of the moment) and get_output6.
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>

#include "session_fixture.h"

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
    std::string t2 = t1;
    for (int i = 0; i < 3 && t2 == t1; ++i) {  // same second, same random
      call(control, "get_output37");
      t2 = gRand();
      if (t2 == t1) std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    }
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

TEST_F(SessionTest, ClientRandomsAreFreshTextsOfTheirAlphabet) {
  const std::string empty;
  host::Instance& control = embed(Model::kCoreGraphics, true, &empty);
  for (int i = 0; i < 50; ++i) {
    const std::time_t before = std::time(nullptr);
    host::ScriptResult r = control.invoke("get_output37");
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.value.isVoid()) << "no key, no ciphertext";
    const std::string first = gRand();
    EXPECT_TRUE(isClientRandom(first)) << first;
    control.invoke("get_output37");
    if (std::time(nullptr) == before) {
      EXPECT_EQ(gRand(), first) << "seeded by the second";
    }
  }
}

// The generator of the process, seeded with the same second, gives the same
// characters: per position a first rand() picks a digit (odd) or a letter
// (even), a second one picks which.
TEST_F(SessionTest, TheClientRandomIsDrawnFromTheSecondsSeed) {
  const std::string empty;
  host::Instance& control = embed(Model::kCoreGraphics, true, &empty);
  for (int attempt = 0; attempt < 5; ++attempt) {
    const std::time_t before = std::time(nullptr);
    control.invoke("get_output37");
    const std::string made = gRand();
    if (std::time(nullptr) != before) continue;
    std::srand(static_cast<unsigned>(before));
    std::string expected;
    for (int i = 0; i < 16; ++i) {
      const int kind = std::rand();
      const int pick = std::rand();
      expected += kind % 2 != 0 ? static_cast<char>('0' + pick % 10)
                                : static_cast<char>('a' + pick % 25);
    }
    EXPECT_EQ(made, expected);
    return;
  }
  FAIL() << "every attempt straddled a second";
}

TEST_F(SessionTest, TwoCiphertextsOfTheSameRandomDiffer) {
  for (const Mode& m : kModes) {
    const std::string key = keyTextFor(m.rsa);
    host::Instance& control = embed(Model::kCoreGraphics, m.rsa, &key);
    for (int attempt = 0; attempt < 3; ++attempt) {
      const std::time_t before = std::time(nullptr);
      const std::string a = call(control, "get_output37");
      const std::string ta = gRand();
      const std::string b = call(control, "get_output37");
      if (std::time(nullptr) != before) continue;
      EXPECT_EQ(gRand(), ta);
      EXPECT_NE(a, b) << m.name << ": padding and ephemeral keys are random";
      EXPECT_EQ(server().receiveClientRandom(b, m.rsa), ta);
      break;
    }
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
    std::string other = server().makeServerRandom(!m.rsa);  // the other mode's ciphertext
    std::string tampered = bank::base64Decode(reply);
    tampered[tampered.size() / 2] ^= 0x20;
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
