// A page's whole-password pattern (input3) that the matcher cannot finish
// within its limits: the test counts as passed and the mismatch value stays,
// so get_output5 answers the stored value and get_output1 and get_output2
// encrypt as if the text matched; every call comes back.
#include <string>
#include <tuple>

#include "methods_fixture.h"
#include "tests/support/hostile_patterns.h"

namespace methods {
namespace {

using host::Variant;

class HostilePasswordPattern : public hostile::OnlyIcuLimits<MethodsTest>,
                               public ::testing::WithParamInterface<std::tuple<Model, size_t>> {
 protected:
  void SetUp() override {
    hostile::OnlyIcuLimits<MethodsTest>::SetUp();
    useModel(std::get<0>(GetParam()));
  }
  static long workLimitStops() { return PredicateStopsForTesting(PredicateStop::kWorkLimit); }
};

TEST_P(HostilePasswordPattern, WholePasswordTestCountsAsPassed) {
  const std::string typedText(hostile::kTypedBefore, 'a');
  // The same text without a pattern gives the ciphertexts to expect.
  auto plain = embed();
  type(*plain, typedText);
  const host::ScriptResult expected1 = plain->invoke("get_output1");
  const host::ScriptResult expected2 = plain->invoke("get_output2");
  ASSERT_TRUE(expected1.value.isString());
  ASSERT_TRUE(expected2.value.isString());

  auto control = embed();
  type(*control, typedText);
  ASSERT_EQ(typedText, typed(*control));
  ASSERT_TRUE(control->setProperty(
      "input3", Variant::string(hostile::kBacktracking[std::get<1>(GetParam())])));
  PredicateResetStopsForTesting();

  for (int32_t stored : {0, 1}) {
    object(*control)->patternMismatch.value.intValue = stored;
    EXPECT_EQ(stored, intOf(*control, "get_output5"));
    EXPECT_EQ(stored, object(*control)->patternMismatch.value.intValue);
  }
  EXPECT_EQ(2, workLimitStops());

  host::ScriptResult r1 = control->invoke("get_output1");
  EXPECT_TRUE(r1.ok);
  ASSERT_TRUE(r1.value.isString());
  EXPECT_EQ(expected1.value.asString(), r1.value.asString());
  EXPECT_EQ(3, workLimitStops());

  host::ScriptResult r2 = control->invoke("get_output2");
  EXPECT_TRUE(r2.ok);
  ASSERT_TRUE(r2.value.isString());
  EXPECT_EQ(expected2.value.asString(), r2.value.asString());
  EXPECT_EQ(4, workLimitStops());
  EXPECT_EQ(1, object(*control)->patternMismatch.value.intValue);
  EXPECT_EQ(0, PredicateStopsForTesting(PredicateStop::kTimeBudget));
}

INSTANTIATE_TEST_SUITE_P(
    Reproducers, HostilePasswordPattern,
    ::testing::Combine(::testing::Values(Model::kCoreAnimation, Model::kCoreGraphics),
                       ::testing::Range<size_t>(0, hostile::kBacktrackingCount)),
    [](const ::testing::TestParamInfo<std::tuple<Model, size_t>>& caseInfo) {
      return std::string(std::get<0>(caseInfo.param) == Model::kCoreAnimation ? "CoreAnimation"
                                                                              : "CoreGraphics") +
             hostile::patternName(std::get<1>(caseInfo.param));
    });

class HostileSlowPattern : public hostile::OnlyBudget<MethodsInBothModels> {};

// A whole-password pattern whose compiling alone outlasts the time budget:
// get_output5 answers the stored value when the budget is spent, and
// get_output2 encrypts at once, the pattern being known to go over it.
TEST_P(HostileSlowPattern, WholePasswordTestPassesWhatTheTimeBudgetStops) {
  auto control = embed({{"input3", hostile::slowToCompile()}});
  type(*control, "abc");
  object(*control)->patternMismatch.value.intValue = 1;
  PredicateResetStopsForTesting();
  EXPECT_EQ(1, intOf(*control, "get_output5"));
  EXPECT_EQ(1, PredicateStopsForTesting(PredicateStop::kTimeBudget));
  host::ScriptResult r2 = control->invoke("get_output2");
  EXPECT_TRUE(r2.value.isString());
  EXPECT_EQ(1, PredicateStopsForTesting(PredicateStop::kKnownSlow));
  EXPECT_EQ(0, PredicateStopsForTesting(PredicateStop::kBusy));
  EXPECT_EQ(1, object(*control)->patternMismatch.value.intValue);
}

INSTANTIATE_TEST_SUITE_P(Models, HostileSlowPattern,
                         ::testing::Values(Model::kCoreAnimation, Model::kCoreGraphics), modelName);

}  // namespace
}  // namespace methods
