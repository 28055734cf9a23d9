// One page's pattern that goes over the matcher's limits harms only the
// control that set it: a bank control beside it exchanges its randoms and
// keeps its own pattern rules as on an idle machine, while the hostile
// control's evaluation is being stopped and however often the hostile page
// repeats its call.
#include <ostream>
#include <string>

#include "session_fixture.h"
#include "tests/support/hostile_patterns.h"

namespace {

struct Setting {
  const char* name;
  Model model;
  bool rsa;
  std::string (*keyText)();
};

std::string hexDerKey() { return bankServer().rsaPublicKeyHexDer(); }
std::string certificateBody() { return bankServer().rsaCertificateBody(); }
std::string coordinatePair() { return bankServer().sm2CoordinatePair('|'); }
std::string sm2CertificateBody() { return bankServer().sm2CertificateBody(); }

const Setting kSettings[] = {
    {"CoreAnimationRsaHexDer", Model::kCoreAnimation, true, hexDerKey},
    {"CoreGraphicsRsaHexDer", Model::kCoreGraphics, true, hexDerKey},
    {"CoreAnimationRsaBody", Model::kCoreAnimation, true, certificateBody},
    {"CoreAnimationSm2Pair", Model::kCoreAnimation, false, coordinatePair},
    {"CoreGraphicsSm2Body", Model::kCoreGraphics, false, sm2CertificateBody},
};

void PrintTo(const Setting& s, std::ostream* os) { *os << s.name; }

// Held on its matching thread by the test seam, so that its evaluation stays
// "being stopped" for as long as the test runs, on any machine.
const char kHeldPattern[] = "(x+x+)+y";

class NeighbourPattern : public hostile::IdleMatcher<SessionTest>,
                         public ::testing::WithParamInterface<Setting> {
 protected:
  const Setting& s() const { return GetParam(); }
  static long stops(PredicateStop reason) { return PredicateStopsForTesting(reason); }

  // The hostile page's control: its whole-password pattern is the given one.
  host::Instance& hostileControl(const std::string& pattern) {
    host::Instance& c = embed(s().model, s().rsa, nullptr, {{"input3", pattern}});
    type(c, "xxxx");
    return c;
  }

  // Every answer a bank control gives on an idle machine, with the hostile
  // page calling again before each step.
  void expectBankAnswersAsIdle(host::Instance& hostile) {
    const std::string key = s().keyText();
    host::Instance& bank = embed(s().model, s().rsa, &key, {{"input3", "[0-9]{6}"}});
    host::Instance& digitsOnly = embed(s().model, s().rsa, &key, {{"input2", "[0-9]*"}});
    type(bank, "abcdef");
    type(digitsOnly, "12ab34");
    for (int round = 0; round < 3; ++round) {
      EXPECT_EQ(0, callInt(hostile, "get_output5"));
      EXPECT_TRUE(exchangeRandoms(bank, s().rsa)) << "round " << round;
      // The typed text breaks the page's rule: nothing is handed over.
      EXPECT_EQ("", call(bank, "get_output1"));
      EXPECT_NE("", call(hostile, "get_output2"));  // its own test passes
      EXPECT_EQ("", call(bank, "get_output2"));
      EXPECT_EQ(1, callInt(bank, "get_output5"));
      // The input pattern kept the letters out.
      EXPECT_EQ(4, callInt(digitsOnly, "get_output3"));
    }
    EXPECT_EQ("1234", server().decryptPassword(call(digitsOnly, "get_output2"), s().rsa,
                                               server().sessionKeyText()));
    bank.invoke("ClearSeCtrl");
    type(bank, "123456");
    EXPECT_EQ(0, callInt(bank, "get_output5"));
    EXPECT_EQ("123456", server().decryptPassword(call(bank, "get_output2"), s().rsa,
                                                 server().sessionKeyText()));
    EXPECT_EQ(0, stops(PredicateStop::kBusy));
  }
};

// While the hostile control's evaluation is being stopped.
TEST_P(NeighbourPattern, WhileOneIsStopped) {
  PredicateHoldPatternForTesting(kHeldPattern);
  host::Instance& hostile = hostileControl(kHeldPattern);
  EXPECT_EQ(0, callInt(hostile, "get_output5"));  // the stored value: the test passed
  EXPECT_EQ(1, stops(PredicateStop::kTimeBudget));
  EXPECT_EQ(1u, PredicateStoppingForTesting());
  expectBankAnswersAsIdle(hostile);
  EXPECT_EQ(1u, PredicateStoppingForTesting());
  EXPECT_EQ(1, stops(PredicateStop::kTimeBudget));
  EXPECT_GE(stops(PredicateStop::kKnownSlow), 6);
}

// The same with a pattern whose compiling really outlasts the budget, under
// the matcher's own limits: whatever stops it, the bank control's answers
// stay those of an idle machine.
TEST_P(NeighbourPattern, BesideSlowCompiling) {
  host::Instance& hostile = hostileControl(hostile::slowToCompile());
  EXPECT_EQ(0, callInt(hostile, "get_output5"));
  expectBankAnswersAsIdle(hostile);
}

INSTANTIATE_TEST_SUITE_P(Settings, NeighbourPattern, ::testing::ValuesIn(kSettings),
                         [](const ::testing::TestParamInfo<Setting>& caseInfo) {
                           return std::string(caseInfo.param.name);
                         });

}  // namespace
