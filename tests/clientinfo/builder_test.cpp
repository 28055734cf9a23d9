// The client-information builder that the module exports to other code (the
// export itself is checked on the built module's symbol table by the
// module_exports test): one document from an injected machine.
#include <gtest/gtest.h>
#include <json/json.h>

#include <memory>
#include <string>
#include <vector>

#include "BSD/ifaddrsTesting.h"
#include "clientinfo/clientinfo.h"
#include "fakes.h"

namespace {

Json::Value parse(const std::string& text) {
  Json::Value root;
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &root, nullptr)) << text;
  return root;
}

TEST(Builder, ReadsTheInjectedMachine) {
  fakes::RealMachineAfter restore;
  std::vector<bsd::InterfaceEntry> interfaces = {fakes::inet("en0", "10.9.8.7"),
                                                 fakes::link("en0", {1, 2, 3, 4, 5, 6})};
  bsd::setInterfacesForTesting(&interfaces);
  IORegistryModel model =
      fakes::registry({{"IOPlatformSerialNumber", IORegistryValue::string("C02MODULE")}},
                      {{{fakes::serial("M1")}}});
  IORegistrySetModelForTesting(&model);

  Json::Value document = parse(getclientinfojson());
  EXPECT_EQ(document["bios_sn"].asString(), "C02MODULE");
  EXPECT_EQ(document["ip_address"][0].asString(), "10.9.8.7");
  EXPECT_EQ(document["mac"][0].asString(), "01-02-03-04-05-06");
  EXPECT_EQ(document["hd_sn"][0].asString(), "M1");
  // Built twice from the same machine, the document differs at most in the
  // moment it was made.
  Json::Value again = parse(getclientinfojson());
  document.removeMember("gmt_time");
  again.removeMember("gmt_time");
  EXPECT_EQ(document, again);
}

}  // namespace
