// The client-information builder as the module exports it to other code.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <json/json.h>

#include <memory>
#include <string>

#include "BSD/ifaddrsTesting.h"
#include "clientinfo/clientinfo.h"
#include "fakes.h"

#ifdef SPC_MODULE_PATH
namespace {

// The C++ name of std::string getclientinfojson().
const char kBuilderSymbol[] = "_Z17getclientinfojsonB5cxx11v";

Json::Value parse(const std::string& text) {
  Json::Value root;
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &root, nullptr)) << text;
  return root;
}

TEST(ModuleExports, ClientInfoBuilderAnswersThroughTheModule) {
  void* module = dlopen(SPC_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  auto* builder = reinterpret_cast<std::string (*)()>(dlsym(module, kBuilderSymbol));
  ASSERT_NE(builder, nullptr) << "getclientinfojson is not exported";
  // Its getters stay inside the module.
  for (const char* hidden :
       {"_Z11getiplistB5cxx11v", "_Z10getmaclistB5cxx11v", "_Z13getcpuidstringv"})
    EXPECT_EQ(dlsym(module, hidden), nullptr) << hidden;

  // The module reads the same platform stand-ins as this program.
  fakes::RealMachineAfter restore;
  std::vector<bsd::InterfaceEntry> interfaces = {fakes::inet("en0", "10.9.8.7"),
                                                 fakes::link("en0", {1, 2, 3, 4, 5, 6})};
  bsd::setInterfacesForTesting(&interfaces);
  IORegistryModel model =
      fakes::registry({{"IOPlatformSerialNumber", IORegistryValue::string("C02MODULE")}},
                      {{{fakes::serial("M1")}}});
  IORegistrySetModelForTesting(&model);

  Json::Value fromModule = parse(builder());
  Json::Value here = parse(getclientinfojson());
  EXPECT_EQ(fromModule["bios_sn"].asString(), "C02MODULE");
  EXPECT_EQ(fromModule["ip_address"][0].asString(), "10.9.8.7");
  EXPECT_EQ(fromModule["mac"][0].asString(), "01-02-03-04-05-06");
  EXPECT_EQ(fromModule["hd_sn"][0].asString(), "M1");
  // The same document as the library gives, apart from the moment it was made.
  fromModule.removeMember("gmt_time");
  here.removeMember("gmt_time");
  EXPECT_EQ(fromModule, here);
  dlclose(module);
}

}  // namespace
#endif  // SPC_MODULE_PATH
