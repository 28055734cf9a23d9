// The script methods through the real entry points, in both drawing models:
// the password length, the stored strength values, the whole-password verdict,
// ClearSeCtrl, arguments, names, and a control whose page has gone.
#include <string>
#include <vector>

#include "methods_fixture.h"

namespace methods {
namespace {

using host::Variant;

TEST_P(MethodsInBothModels, NewControlAnswersItsDefaults) {
  auto control = embed();
  EXPECT_EQ(0, intOf(*control, "get_output3"));
  EXPECT_EQ((Strength{0, 1, 0}), strength(*control));
  EXPECT_EQ(0, intOf(*control, "get_output5"));
  // Nothing typed: the password ciphertexts answer true and stay void.
  for (const char* method : {"get_output1", "get_output2"}) {
    host::ScriptResult r = control->invoke(method);
    EXPECT_TRUE(r.ok) << method;
    EXPECT_TRUE(r.value.isVoid()) << method;
  }
}

TEST_P(MethodsInBothModels, LengthIsTheTypedTextsLength) {
  auto control = embed();
  const std::string steps[] = {"P", "Pa55", "Pa55 word!", "Pa55 word!~{}"};
  std::string done;
  for (const std::string& step : steps) {
    type(*control, step.substr(done.size()));
    done = step;
    ASSERT_EQ(step, typed(*control));
    EXPECT_EQ(static_cast<int32_t>(step.size()), intOf(*control, "get_output3")) << step;
  }
}

// The field takes any character; the length counts UTF-16 units, not bytes
// and not characters.
TEST_F(MethodsTest, LengthCountsUtf16UnitsInTheField) {
  useModel(Model::kCoreAnimation);
  auto control = embed();
  type(*control, "ab\xC3\xA9");  // "ab" and e with acute: 3 units, 4 bytes
  ASSERT_EQ("ab\xC3\xA9", typed(*control));
  EXPECT_EQ(3, intOf(*control, "get_output3"));
  type(*control, "\xF0\x9F\x98\x80");  // U+1F600, outside the BMP: a surrogate pair
  ASSERT_EQ("ab\xC3\xA9\xF0\x9F\x98\x80", typed(*control));
  EXPECT_EQ(5, intOf(*control, "get_output3"));
  type(*control, "\xE2\x82\xAC");  // euro sign: 1 unit, 3 bytes
  EXPECT_EQ(6, intOf(*control, "get_output3"));
}

// The drawn box takes printable ASCII only: one unit per character typed.
TEST_F(MethodsTest, LengthInTheDrawnBoxCountsItsAsciiCharacters) {
  useModel(Model::kCoreGraphics);
  auto control = embed();
  type(*control,
       "a\xC3\xA9"
       "b");
  ASSERT_EQ("ab", typed(*control));
  EXPECT_EQ(2, intOf(*control, "get_output3"));
}

struct Rated {
  const char* text;
  Strength expected;
};

TEST_P(MethodsInBothModels, StrengthValuesFollowTyping) {
  const Rated cases[] = {
      {"abc", {1, 1, 1}},         // short, a run of the alphabet
      {"abc123", {2, 0, 2}},      // letters and digits
      {"aaa123", {2, 0, 1}},      // three equal bytes in a row
      {"abc1234567", {2, 0, 3}},  // 10 letters and digits
      {"abc12!", {3, 0, 1}},      // a byte of another class
      {"QWERTY", {1, 1, 1}},      // a keyboard run
  };
  for (const Rated& c : cases) {
    SCOPED_TRACE(c.text);
    auto control = embed();
    EXPECT_EQ((Strength{0, 1, 0}), strength(*control));
    type(*control, c.text);
    ASSERT_EQ(c.text, typed(*control));
    EXPECT_EQ(c.expected, strength(*control));
    // Reading rates nothing: a second read answers the same.
    EXPECT_EQ(c.expected, strength(*control));
  }
}

TEST_P(MethodsInBothModels, ClearSeCtrlEmptiesTheBoxAndKeepsTheRating) {
  auto control = embed({{"input3", "[a-z0-9]*"}});
  type(*control, "abc123!");
  ASSERT_EQ(1, intOf(*control, "get_output5"));
  const Strength rated = strength(*control);
  EXPECT_EQ((Strength{3, 0, 1}), rated);

  host::ScriptResult r = control->invoke("ClearSeCtrl");
  EXPECT_TRUE(r.ok);
  EXPECT_TRUE(r.value.isVoid());
  EXPECT_EQ("", typed(*control));
  EXPECT_EQ(0, intOf(*control, "get_output3"));
  EXPECT_EQ(rated, strength(*control));
  // With nothing typed the test does not run: the last verdict stays.
  EXPECT_EQ(1, intOf(*control, "get_output5"));
  // The patterns are untouched: the next text is tested against the same one.
  type(*control, "abc1234567");
  EXPECT_EQ((Strength{2, 0, 3}), strength(*control));
  EXPECT_EQ(0, intOf(*control, "get_output5"));
  // And the box is still usable after clearing an empty box.
  EXPECT_TRUE(control->invoke("ClearSeCtrl").ok);
  EXPECT_TRUE(control->invoke("ClearSeCtrl").ok);
  type(*control, "z");
  EXPECT_EQ("z", typed(*control));
}

// input6 by script replaces a whole-password pattern that is set, here by
// the input3 attribute: "0010" allows digits only.
TEST_P(MethodsInBothModels, WholePasswordTestWithADigitsOnlyPattern) {
  auto control = embed({{"input3", "(.)*"}});
  type(*control, "12ab");
  ASSERT_EQ("12ab", typed(*control));
  EXPECT_EQ(0, intOf(*control, "get_output5"));
  ASSERT_TRUE(control->setProperty("input6", Variant::string("0010")));
  EXPECT_EQ(1, intOf(*control, "get_output5"));
  EXPECT_EQ(1, object(*control)->patternMismatch.value.intValue);
  // An edit does not reset the verdict by itself; only the next test does.
  EXPECT_TRUE(control->invoke("ClearSeCtrl").ok);
  type(*control, "1234");
  ASSERT_EQ("1234", typed(*control));
  EXPECT_EQ(1, object(*control)->patternMismatch.value.intValue);
  EXPECT_EQ(0, intOf(*control, "get_output5"));
  // The digits-only input pattern now refuses letters as they are typed.
  type(*control, "x");
  EXPECT_EQ("1234", typed(*control));
  EXPECT_EQ(0, intOf(*control, "get_output5"));
}

// From the attribute alone both patterns allow digits: letters never get in.
TEST_P(MethodsInBothModels, DigitsOnlyAttributeAlsoFiltersTyping) {
  auto control = embed({{"input6", "0010"}});
  type(*control, "12ab34");
  ASSERT_EQ("1234", typed(*control));
  EXPECT_EQ(4, intOf(*control, "get_output3"));
  EXPECT_EQ(0, intOf(*control, "get_output5"));
}

TEST_P(MethodsInBothModels, WithoutAPasswordPatternEveryTextPasses) {
  auto control = embed({{"input2", "[a-z]"}});  // the per-character pattern is not the whole one
  type(*control, "abc");
  EXPECT_EQ(0, intOf(*control, "get_output5"));
  object(*control)->patternMismatch.value.intValue = 1;  // a verdict from before
  EXPECT_EQ(1, intOf(*control, "get_output5"));          // the test did not run
}

TEST_P(MethodsInBothModels, PatternThatCannotBeEvaluatedKeepsTheVerdict) {
  for (int32_t before : {0, 1}) {
    auto control = embed({{"input3", "[a-"}});
    type(*control, "abc");
    object(*control)->patternMismatch.value.intValue = before;
    EXPECT_EQ(before, intOf(*control, "get_output5"));
    EXPECT_EQ(before, intOf(*control, "get_output5"));
  }
}

// Every byte of the pattern counts, also those after a zero byte that script
// put inside the value.
TEST_P(MethodsInBothModels, PatternIsReadWithItsFullLength) {
  auto control = embed();
  const std::string pattern("[a-z]*\0", 7);
  ASSERT_TRUE(control->setProperty("input3", Variant::string(pattern)));
  ASSERT_EQ(7u, object(*control)->passwordPattern.length);
  type(*control, "abc");
  EXPECT_EQ(1, intOf(*control, "get_output5"));  // the text lacks the final zero character
}

TEST_P(MethodsInBothModels, ArgumentsAreIgnored) {
  auto control = embed({{"input3", "[a-z]*"}});
  type(*control, "abc1");
  std::vector<Variant> args;
  args.push_back(Variant::int32(7));
  args.push_back(Variant::string("ignored"));
  args.push_back(Variant::null());
  args.push_back(Variant::boolean(true));
  for (const char* method : methodIdentifierNames) {
    if (std::string(method) == "ClearSeCtrl") continue;
    SCOPED_TRACE(method);
    host::ScriptResult plain = control->invoke(method);
    host::ScriptResult withArgs = control->invoke(method, args);
    EXPECT_TRUE(plain.ok);
    EXPECT_TRUE(withArgs.ok);
    ASSERT_EQ(plain.value.type(), withArgs.value.type());
    if (plain.value.isInt32()) {
      EXPECT_EQ(plain.value.asInt32(), withArgs.value.asInt32());
    }
    if (plain.value.isString()) {
      EXPECT_EQ(plain.value.asString(), withArgs.value.asString());
    }
  }
  EXPECT_EQ(4, intOf(control->object(), "get_output3", args));
  EXPECT_EQ(1, intOf(control->object(), "get_output5", args));
  host::ScriptResult cleared = control->invoke("ClearSeCtrl", args);
  EXPECT_TRUE(cleared.ok);
  EXPECT_TRUE(cleared.value.isVoid());
  EXPECT_EQ("", typed(*control));
}

TEST_P(MethodsInBothModels, OtherNamesAreRefusedAndChangeNothing) {
  auto control = embed({{"input3", "[a-z]*"}});
  type(*control, "abc1");
  const char* names[] = {"GET_OUTPUT3", "Get_output3",  "get_Output5",
                         "clearsectrl", "CLEARSECTRL",  "get_output7",
                         "get_output",  "get_output3 ", "",
                         "input0",      "maxlength",    "get_output64"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(control->hasMethod(name));
    host::ScriptResult r = control->invoke(name);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.value.isVoid());
  }
  EXPECT_EQ("abc1", typed(*control));
  EXPECT_EQ(0, object(*control)->patternMismatch.value.intValue);
  EXPECT_EQ(4, intOf(*control, "get_output3"));
  // A number identifier names no method either.
  NPVariant result;
  VOID_TO_NPVARIANT(result);
  {
    host::ModuleCall call;
    NPObject* o = control->object();
    EXPECT_FALSE(o->_class->invoke(o, browser.intIdentifier(2), nullptr, 0, &result));
  }
  EXPECT_TRUE(NPVARIANT_IS_VOID(result));
}

// A call without a result variant has nowhere to answer: nothing runs.
TEST_P(MethodsInBothModels, CallWithoutAResultVariantRunsNothing) {
  auto control = embed();
  type(*control, "abc");
  NPObject* o = control->object();
  for (const char* method : methodIdentifierNames) {
    host::ModuleCall call;
    EXPECT_FALSE(o->_class->invoke(o, browser.identifier(method), nullptr, 0, nullptr)) << method;
  }
  EXPECT_EQ("abc", typed(*control));
}

TEST_P(MethodsInBothModels, EveryMethodAnswersTrue) {
  auto control = embed();
  type(*control, "abc");
  for (const char* method : methodIdentifierNames) {
    EXPECT_TRUE(control->hasMethod(method)) << method;
    host::ScriptResult r = control->invoke(method);
    EXPECT_TRUE(r.ok) << method;
    if (r.value.isString()) {
      EXPECT_TRUE(r.value.zeroTerminated()) << method;
      EXPECT_FALSE(r.value.asString().empty()) << method;
    }
  }
}

// The page went away while script still holds the object: the methods
// answer as for a box with nothing typed, and the stored values stay.
TEST_P(MethodsInBothModels, MethodsAfterDestroyAnswerAsWithNoText) {
  auto control = embed({{"input3", "[0-9]*"}});
  type(*control, "ab");
  NPObject* held = control->requestObject();
  ASSERT_EQ(1, intOf(held, "get_output5"));
  const Strength rated = strength(*control);
  ASSERT_EQ(NPERR_NO_ERROR, control->destroy());
  ASSERT_TRUE(browser.isLive(held));

  EXPECT_EQ(0, intOf(held, "get_output3"));
  EXPECT_EQ(1, intOf(held, "get_output5"));  // kept: no text to test
  EXPECT_EQ(rated.classes, intOf(held, "get_output4"));
  EXPECT_EQ(rated.simple, intOf(held, "get_output44"));
  EXPECT_EQ(rated.level, intOf(held, "get_output16"));
  for (const char* method : {"get_output1", "get_output2", "ClearSeCtrl"}) {
    host::ScriptResult r = host::invoke(held, method);
    EXPECT_TRUE(r.ok) << method;
    EXPECT_TRUE(r.value.isVoid()) << method;
  }
  host::ScriptResult cpu = host::invoke(held, "get_output60");
  EXPECT_TRUE(cpu.ok);
  EXPECT_TRUE(cpu.value.isString());
}

TEST_P(MethodsInBothModels, ControlsAnswerForTheirOwnText) {
  auto first = embed();
  auto second = embed({{"input3", "[0-9]*"}});
  type(*first, "abcdef");
  second->focus(true);
  type(*second, "12x");
  EXPECT_EQ(6, intOf(*first, "get_output3"));
  EXPECT_EQ(3, intOf(*second, "get_output3"));
  EXPECT_EQ(0, intOf(*first, "get_output5"));
  EXPECT_EQ(1, intOf(*second, "get_output5"));
  EXPECT_TRUE(second->invoke("ClearSeCtrl").ok);
  EXPECT_EQ(6, intOf(*first, "get_output3"));
  EXPECT_EQ(0, intOf(*second, "get_output3"));
}

INSTANTIATE_TEST_SUITE_P(Models, MethodsInBothModels,
                         ::testing::Values(Model::kCoreAnimation, Model::kCoreGraphics), modelName);

}  // namespace
}  // namespace methods
