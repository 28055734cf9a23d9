// get_output60 to get_output63 answer the machine identifiers, here with the
// platform's interfaces, registry and processor answering for a known machine
// (the module and the tests share the platform library, so what the test
// injects is what the module reads); get_output6 answers the session flag.
#include <string>
#include <vector>

#include "BSD/ifaddrsTesting.h"
#include "CPUID/CPUIDTesting.h"
#include "methods_fixture.h"
#include "plugin/session.h"
#include "tests/clientinfo/fakes.h"

namespace methods {
namespace {

using fakes::inet;
using fakes::link;
using fakes::serial;

CPUIDRegisters fakeIntel(uint32_t leaf) {
  switch (leaf) {
    case 0:
      return {0x0D, 0x756E6547, 0x6C65746E, 0x49656E69};  // "GenuineIntel"
    case 1:
      return {0x000306A9, 0x00100800, 0x7FBAE3FF, 0xBFEBFBFF};
    case 3:
      return {0, 0, 0x9ABCDEF0, 0x00012345};
    default:
      return {0, 0, 0, 0};
  }
}

class IdentifierMethods : public MethodsTest {
 protected:
  void SetUp() override {
    MethodsTest::SetUp();
    useModel(Model::kCoreGraphics);
  }
  // A String result: answers true, a zero-terminated block of the text.
  static std::string textOf(host::Instance& control, const std::string& method) {
    host::ScriptResult r = control.invoke(method);
    EXPECT_TRUE(r.ok) << method;
    EXPECT_TRUE(r.value.isString()) << method << " gave type " << r.value.type();
    if (!r.value.isString()) return "<not a string>";
    EXPECT_TRUE(r.value.zeroTerminated()) << method;
    return r.value.asString();
  }
  static bool isVoid(host::Instance& control, const std::string& method) {
    host::ScriptResult r = control.invoke(method);
    EXPECT_TRUE(r.ok) << method;
    return r.value.isVoid();
  }
  fakes::RealMachineAfter restore;
};

TEST_F(IdentifierMethods, KnownMachineGivesItsTexts) {
  std::vector<bsd::InterfaceEntry> interfaces = {
      inet("lo0", "127.0.0.1", IFF_UP | IFF_LOOPBACK),
      link("en0", {0x00, 0x1b, 0x63, 0xab, 0xcd, 0xef}),
      inet("en0", "10.0.0.5"),
      inet("en10", "192.168.7.2"),
  };
  bsd::setInterfacesForTesting(&interfaces);
  IORegistryModel model = fakes::registry(
      {{"IOPlatformSerialNumber", IORegistryValue::string("C02TEST123")}}, {{{serial("WD-1")}}});
  IORegistrySetModelForTesting(&model);
  CPUIDSetHandlerForTesting(fakeIntel);

  auto control = embed();
  EXPECT_EQ("Vendor[GenuineIntel-BFEBFBFF]:ID[000306A9-00012345-9ABCDEF0]",
            textOf(*control, "get_output60"));
  EXPECT_EQ("10.0.0.5:00-1b-63-ab-cd-ef;192.168.7.2", textOf(*control, "get_output61"));
  EXPECT_EQ("WD-1", textOf(*control, "get_output62"));
  EXPECT_EQ("C02TEST123", textOf(*control, "get_output63"));
  // Asked again, the system is read again.
  interfaces = {inet("en1", "10.9.9.9")};
  bsd::setInterfacesForTesting(&interfaces);
  EXPECT_EQ("10.9.9.9", textOf(*control, "get_output61"));
  EXPECT_EQ(0, IOObjectOutstandingReferences());
  EXPECT_EQ(0, bsd::outstandingInterfaceLists());
}

TEST_F(IdentifierMethods, NothingToReportLeavesTheResultVoid) {
  std::vector<bsd::InterfaceEntry> interfaces = {inet("lo0", "127.0.0.1", IFF_UP | IFF_LOOPBACK),
                                                 inet("en3", "10.0.0.3", 0)};
  bsd::setInterfacesForTesting(&interfaces);
  IORegistryModel model = fakes::registry({}, {{{{"Model", IORegistryValue::string("x")}}}});
  IORegistrySetModelForTesting(&model);
  CPUIDSetHandlerForTesting(fakeIntel);

  auto control = embed();
  EXPECT_TRUE(isVoid(*control, "get_output61"));
  EXPECT_TRUE(isVoid(*control, "get_output62"));
  EXPECT_TRUE(isVoid(*control, "get_output63"));
  // The processor identification is always a text.
  EXPECT_EQ(60u, textOf(*control, "get_output60").size());
}

TEST_F(IdentifierMethods, EmptySerialAtTheFirstAncestorIsNoText) {
  IORegistryModel model = fakes::registry({{"IOPlatformSerialNumber", IORegistryValue::string("")}},
                                          {{{serial("")}, {serial("FURTHER-UP")}}});
  IORegistrySetModelForTesting(&model);
  auto control = embed();
  EXPECT_TRUE(isVoid(*control, "get_output62"));
  EXPECT_TRUE(isVoid(*control, "get_output63"));
}

TEST_F(IdentifierMethods, ThisMachinesProcessor) {
  auto control = embed();
  const std::string cpu = textOf(*control, "get_output60");
  EXPECT_EQ(60u, cpu.size()) << cpu;
  EXPECT_EQ(0u, cpu.rfind("Vendor[", 0)) << cpu;
  // The other getters answer a text or nothing, never an empty String.
  for (const char* method : {"get_output61", "get_output62", "get_output63"}) {
    host::ScriptResult r = control->invoke(method);
    EXPECT_TRUE(r.ok) << method;
    if (r.value.isString()) {
      EXPECT_FALSE(r.value.asString().empty()) << method;
    } else {
      EXPECT_TRUE(r.value.isVoid()) << method;
    }
  }
}

// Without memory for the String the methods still answer, with nothing.
TEST_F(IdentifierMethods, NoMemoryForTheResultGivesVoid) {
  CPUIDSetHandlerForTesting(fakeIntel);
  auto control = embed();
  browser.setAllocationFails(true);
  EXPECT_TRUE(isVoid(*control, "get_output60"));
  browser.setAllocationFails(false);
  EXPECT_EQ(60u, textOf(*control, "get_output60").size());
}

// g_rand2 belongs to the whole process: once it holds a value every control
// answers 1, also one embedded later; before that every control answers 0.
TEST_P(MethodsInBothModels, SessionFlagIsSharedByEveryControl) {
  std::string* rand2 = &g_rand2;
  const std::string saved = *rand2;
  rand2->clear();
  auto first = embed();
  auto second = embed();
  EXPECT_EQ(0, intOf(*first, "get_output6"));
  EXPECT_EQ(0, intOf(*second, "get_output6"));
  rand2->assign("S");  // one byte is enough
  EXPECT_EQ(1, intOf(*first, "get_output6"));
  EXPECT_EQ(1, intOf(*second, "get_output6"));
  auto third = embed();
  EXPECT_EQ(1, intOf(*third, "get_output6"));
  // Neither clearing a box nor destroying a control ends the session.
  EXPECT_TRUE(first->invoke("ClearSeCtrl").ok);
  first.reset();
  EXPECT_EQ(1, intOf(*second, "get_output6"));
  *rand2 = saved;
}

}  // namespace
}  // namespace methods
