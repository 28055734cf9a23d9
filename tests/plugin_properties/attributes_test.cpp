// parseEmbedAttributes through NPP_New in both drawing models: each of the 13
// attributes, what an empty or missing value does, the order of application,
// and the names that are not attributes.
#include <climits>
#include <string>
#include <vector>

#include "CoreServices/GestaltTesting.h"
#include "host/bank_server.h"
#include "plugin/session.h"
#include "property_cases.h"
#include "tests/plugin/plugin_fixture.h"

namespace {

using namespace props;
using host::Attribute;
using std::nullopt;

const std::string k0110 = "(([0-9])|([a-z]))*";

struct AttributeCase {
  std::vector<Attribute> attributes;
  const char* property;
  Expect read;
  const char* why;
};

const std::vector<AttributeCase>& attributeCases() {
  static const std::vector<AttributeCase> cases = {
      {{{"input0", "0"}}, "input0", IsInt(0), "zero: SM2 mode"},
      {{{"input0", "7"}}, "input0", IsInt(1), "non-zero: RSA mode"},
      {{{"input0", "0"}, {"input0", " -3x"}}, "input0", IsInt(1), "parsed as atoi, later wins"},
      {{{"input0", "0"}, {"input0", "abc"}}, "input0", IsInt(0), "no digits give 0"},
      {{{"input0", "0"}, {"input0", ""}}, "input0", IsInt(0), "empty value changes nothing"},
      {{{"input0", "0"}, {"input0", nullopt}}, "input0", IsInt(0), "null value changes nothing"},
      {{{"input1", "wrapped"}}, "input1", IsStr("wrapped"), "stored"},
      {{{"input1", "wrapped"}, {"input1", ""}}, "input1", Void(), "empty value empties it"},
      {{{"input1", "wrapped"}, {"input1", nullopt}}, "input1", Void(), "null value empties it"},
      {{{"input2", "p"}, {"input2", "q"}}, "input2", IsStr("q"), "replaces, not write-once"},
      {{{"input2", "p"}, {"input2", ""}}, "input2", Void(), "empty value empties it"},
      {{{"input3", "p"}, {"input3", "q"}}, "input3", IsStr("q"), "replaces"},
      {{{"input3", "p"}, {"input3", nullopt}}, "input3", Void(), "null value empties it"},
      {{{"input4", "c2VydmVy"}}, "input4", IsStr("c2VydmVy"), "stored"},
      {{{"input4", "c2VydmVy"}, {"input4", ""}}, "input4", IsStr("c2VydmVy"), "empty: unchanged"},
      {{{"maxlength", "8"}}, "maxlength", IsInt(8), "stored"},
      {{{"maxlength", "-5"}}, "maxlength", IsInt(-5), "no bound through attributes"},
      {{{"maxlength", "0"}}, "maxlength", IsInt(0), "zero"},
      {{{"maxlength", ""}}, "maxlength", IsInt(100), "empty keeps the default"},
      {{{"maxlength", "12px"}}, "maxlength", IsInt(12), "digits up to the first other character"},
      {{{"maxlength", "99999999999"}}, "maxlength", IsInt(INT32_MAX), "saturates above"},
      {{{"maxlength", "-99999999999"}}, "maxlength", IsInt(INT32_MIN), "saturates below"},
      {{{"input5", "42abc"}}, "input5", IsInt(42), "parsed"},
      {{{"input5", "-2147483648"}}, "input5", IsInt(INT32_MIN), "smallest"},
      {{{"input6", "0110"}}, "input3", IsStr(k0110), "both patterns"},
      {{{"input6", "011"}}, "input2", Void(), "three characters change nothing"},
      {{{"input6", "01100"}}, "input2", Void(), "five characters change nothing"},
      {{{"input2", "p"}, {"input6", ""}}, "input2", IsStr("p"), "empty input6 changes nothing"},
      {{{"input7", "-1"}}, "input7", IsInt(-1), "no bound through attributes"},
      {{{"input7", "9"}}, "input7", IsInt(9), "stored"},
      {{{"input9", "AB12"}}, "input9", IsStr("AB12"), "stored"},
      {{{"input9", "AB12"}, {"input9", ""}}, "input9", IsStr("AB12"), "empty: unchanged"},
      {{{"input10", "ten"}}, "input10", IsStr("ten"), "stored"},
      {{{"input11", "eleven"}}, "input11", IsStr("eleven"), "stored"},
      {{{"input12", "twelve"}}, "input12", IsStr("twelve"), "stored"},
      {{{"input8", "x"}}, "input8", Void(), "no input8 attribute"},
      {{{"input13", "x"}}, "input13", Void(), "no input13 attribute"},
      {{{"returnCallback", "f()"}}, "returnCallback", Void(), "no returnCallback attribute"},
      {{{"tabCallback", "f()"}}, "tabCallback", Void(), "no tabCallback attribute"},
      {{{"Input9", "x"}, {"INPUT9", "y"}}, "input9", Void(), "names match case-sensitively"},
      {{{"maxLength", "5"}}, "maxlength", IsInt(100), "names match case-sensitively"},
      {{{"input9 ", "x"}}, "input9", Void(), "names match exactly"},
      {{{"input6", "0110"}, {"input2", "each"}}, "input2", IsStr("each"), "later input2 wins"},
      {{{"input6", "0110"}, {"input2", "each"}}, "input3", IsStr(k0110), "input3 keeps input6's"},
      {{{"input2", "each"}, {"input6", "0110"}}, "input2", IsStr(k0110), "later input6 wins"},
  };
  return cases;
}

class AttributeTest : public PluginTest, public ::testing::WithParamInterface<SInt32> {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    GestaltSetSystemVersion(10, GetParam(), 0);  // 12: Core Animation, 13: Core Graphics
  }
  int32_t expectedMode() const {
    return GetParam() <= 12 ? kDrawingModeCoreAnimation : kDrawingModeCoreGraphics;
  }
};

TEST_P(AttributeTest, EachAttributeFollowsItsRow) {
  for (const auto& c : attributeCases()) {
    SCOPED_TRACE(std::string(c.attributes.front().name) + " -> " + c.property + ": " + c.why);
    host::Instance control({.attributes = c.attributes});
    ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
    ASSERT_EQ(expectedMode(), record(control)->drawingMode);
    expectRead(control.object(), c.property, c.read);
  }
}

TEST_P(AttributeTest, AllAttributesTogether) {
  const std::string pem = "-----BEGIN CERTIFICATE-----\nMIIB\n-----END CERTIFICATE-----";
  host::Instance control({.attributes = {{"input0", "0"},
                                         {"input1", "key"},
                                         {"input2", "each"},
                                         {"input3", "whole"},
                                         {"input4", "c2VydmVy"},
                                         {"maxlength", "12"},
                                         {"input5", "5"},
                                         {"input7", "3"},
                                         {"input9", pem},
                                         {"input10", "a"},
                                         {"input11", "b"},
                                         {"input12", "c"},
                                         {"type", "application/x-secure-password-control"},
                                         {"width", "200"}}});
  ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
  NPObject* o = control.object();
  expectRead(o, "input0", IsInt(0));
  expectRead(o, "input1", IsStr("key"));
  expectRead(o, "input2", IsStr("each"));
  expectRead(o, "input3", IsStr("whole"));
  expectRead(o, "input4", IsStr("c2VydmVy"));
  expectRead(o, "maxlength", IsInt(12));
  expectRead(o, "input5", IsInt(5));
  expectRead(o, "input7", IsInt(3));
  expectRead(o, "input9", IsStr(pem));
  expectRead(o, "input10", IsStr("a"));
  expectRead(o, "input11", IsStr("b"));
  expectRead(o, "input12", IsStr("c"));
  // Patterns set by attributes are write-once for script from then on.
  EXPECT_TRUE(control.setProperty("input2", host::Variant::string("script")));
  EXPECT_TRUE(control.setProperty("input3", host::Variant::string("script")));
  expectRead(o, "input2", IsStr("each"));
  expectRead(o, "input3", IsStr("whole"));
}

TEST_P(AttributeTest, NoCountOrNoArraysApplyNothing) {
  const std::vector<Attribute> attributes = {{"maxlength", "5"}, {"input9", "key"}};
  for (int variant = 0; variant < 3; ++variant) {
    host::Embed embed;
    embed.attributes = attributes;
    embed.nullNames = variant == 1;
    embed.nullValues = variant == 2;
    if (variant == 0) embed.attributes.clear();
    host::Instance control(embed);
    ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
    expectRead(control.object(), "maxlength", IsInt(100));
    expectRead(control.object(), "input9", Void());
  }
}

TEST_P(AttributeTest, Input4AttributeNeverRunsTheServerRandomStep) {
  const std::string* rand2 = &g_rand2;  // process-wide
  const std::string before = *rand2;
  bank::BankServer server(bank::controlKeysFromKeyset());
  const std::string text = server.makeServerRandom(true);
  ASSERT_FALSE(text.empty());
  host::Instance control({.attributes = {{"input0", "1"}, {"input4", text}}});
  expectRead(control.object(), "input4", IsStr(text));
  EXPECT_EQ(before, *rand2);
}

INSTANTIATE_TEST_SUITE_P(DrawingModels, AttributeTest, ::testing::Values(12, 13), drawingModelName);

}  // namespace
