// A page's input pattern that the matcher cannot finish within its limits:
// the drawn box's character test refuses the character, as it does for a
// pattern it cannot evaluate, and every key stroke comes back.
#include <string>

#include "cg_box.h"
#include "tests/support/hostile_patterns.h"

namespace cgbox {
namespace {

class HostileInputPattern : public hostile::OnlyIcuLimits<CgBoxTest>,
                            public ::testing::WithParamInterface<size_t> {};

using HostileSlowPattern = hostile::OnlyBudget<CgBoxTest>;

// Sixteen 'A' typed, then script sets the pattern: the next keys are refused
// and the box keeps its text. The character is tested alone, and one of the
// patterns stops at ICU's work limit even on a single character.
TEST_P(HostileInputPattern, CharacterTestRefuses) {
  const std::string pattern = hostile::kBacktracking[GetParam()];
  host::Instance control(embed());
  control.setWindow(0, 0, kWidth, kHeight);
  control.focus(true);
  const std::string before(hostile::kTypedBefore, 'A');
  type(control, before);
  ASSERT_TRUE(control.setProperty("input2", host::Variant::string(pattern)));
  PredicateResetStopsForTesting();
  type(control, "aAx");
  EXPECT_EQ(before, text(control));
  EXPECT_EQ(caret(control), static_cast<int32_t>(before.size()));
  const long expected = pattern == hostile::kOnOneCharacter ? 3 : 0;
  EXPECT_EQ(expected, PredicateStopsForTesting(PredicateStop::kWorkLimit));
  EXPECT_EQ(0, PredicateStopsForTesting(PredicateStop::kTimeBudget));
}

INSTANTIATE_TEST_SUITE_P(Reproducers, HostileInputPattern,
                         ::testing::Range<size_t>(0, hostile::kBacktrackingCount),
                         hostile::patternParamName);

// A pattern whose compiling alone outlasts the time budget: refused, and the
// next key refused at once, the pattern being known to go over it.
TEST_F(HostileSlowPattern, CharacterTestRefusesWhatTheTimeBudgetStops) {
  host::Instance control(embed({{"input2", hostile::slowToCompile()}}));
  control.setWindow(0, 0, kWidth, kHeight);
  PredicateResetStopsForTesting();
  type(control, "xy");
  EXPECT_EQ(text(control), "");
  EXPECT_EQ(1, PredicateStopsForTesting(PredicateStop::kTimeBudget));
  EXPECT_EQ(1, PredicateStopsForTesting(PredicateStop::kKnownSlow));
  EXPECT_EQ(0, PredicateStopsForTesting(PredicateStop::kBusy));
}

}  // namespace
}  // namespace cgbox
