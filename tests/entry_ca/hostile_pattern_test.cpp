// A page's input pattern that the matcher cannot finish within its limits:
// the field's formatter accepts the proposed text, as it does for a pattern it
// cannot evaluate, and every key stroke comes back.
#include <string>

#include "ca_fixture.h"
#include "tests/support/hostile_patterns.h"

namespace {

using namespace keys;

class HostileInputPattern : public hostile::OnlyIcuLimits<CoreAnimationTest>,
                            public ::testing::WithParamInterface<size_t> {};

using HostileSlowPattern = hostile::OnlyBudget<CoreAnimationTest>;

// Sixteen letters typed, then script sets the pattern: the next key stroke
// and a deletion each stop at ICU's work limit and are accepted.
TEST_P(HostileInputPattern, FormatterAcceptsWhatTheWorkLimitStops) {
  const char* pattern = hostile::kBacktracking[GetParam()];
  host::Instance& control = embed();
  control.focus(true);
  const std::string before(hostile::kTypedBefore, 'a');
  type(control, before);
  ASSERT_TRUE(control.setProperty("input2", host::Variant::string(pattern)));
  PredicateResetStopsForTesting();

  type(control, "a");
  EXPECT_EQ(before + "a", text(control));
  EXPECT_EQ(rated(before + "a"), strength(control));
  EXPECT_EQ(1, PredicateStopsForTesting(PredicateStop::kWorkLimit));

  press(control, kDelete);
  EXPECT_EQ(before, text(control));
  EXPECT_EQ(rated(before), strength(control));
  EXPECT_EQ(2, PredicateStopsForTesting(PredicateStop::kWorkLimit));
  EXPECT_EQ(0, PredicateStopsForTesting(PredicateStop::kTimeBudget));
}

INSTANTIATE_TEST_SUITE_P(Reproducers, HostileInputPattern,
                         ::testing::Range<size_t>(0, hostile::kBacktrackingCount),
                         hostile::patternParamName);

// A pattern whose compiling alone outlasts the time budget: the key stroke is
// answered when the budget is spent, and the next one at once, the pattern
// being known to go over it; both texts are accepted.
TEST_F(HostileSlowPattern, FormatterAcceptsWhatTheTimeBudgetStops) {
  host::Instance& control = embed({{"input2", hostile::slowToCompile()}});
  control.focus(true);
  PredicateResetStopsForTesting();
  type(control, "xy");
  EXPECT_EQ("xy", text(control));
  EXPECT_EQ(rated("xy"), strength(control));
  EXPECT_EQ(1, PredicateStopsForTesting(PredicateStop::kTimeBudget));
  EXPECT_EQ(1, PredicateStopsForTesting(PredicateStop::kKnownSlow));
  EXPECT_EQ(0, PredicateStopsForTesting(PredicateStop::kBusy));
}

}  // namespace
