// Shared set-up for the session-key protocol driven through the host: page
// controls in either drawing model, typing as a user does, the bank's server
// (OpenSSL's own code), and the process-wide randoms of the linked control
// read and reset directly. Each test starts from a fresh session state and must
// leave no browser memory, script object or Foundation object behind.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "CoreServices/Gestalt.h"
#include "CoreServices/GestaltTesting.h"
#include "Foundation/NSObject.h"
#include "host/bank_server.h"
#include "host/browser.h"
#include "host/instance.h"
#include "plugin/session.h"

// The one server of the test program (its keys take a moment to make).
inline bank::BankServer& bankServer() {
  static bank::BankServer s(bank::controlKeysFromKeyset());
  return s;
}

enum class Model { kCoreAnimation, kCoreGraphics };

inline const char* modelName(Model m) {
  return m == Model::kCoreAnimation ? "Core Animation" : "Core Graphics";
}

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    browser.reset();
    GestaltResetForTesting();
    randoms().first->clear();
    randoms().second->clear();
    foundationObjects_ = NSObject::liveObjects();
  }
  void TearDown() override {
    controls_.clear();
    EXPECT_EQ(0, browser.liveBlocks()) << "browser memory left allocated";
    EXPECT_EQ(0, browser.liveObjects()) << "script objects left alive";
    EXPECT_EQ(foundationObjects_, NSObject::liveObjects()) << "Foundation objects left alive";
    browser.reset();
    GestaltResetForTesting();
  }

  // The process-wide g_rand and g_rand2 of the linked control.
  static std::pair<std::string*, std::string*> randoms() { return {&g_rand, &g_rand2}; }
  const std::string& gRand() { return *randoms().first; }
  const std::string& gRand2() { return *randoms().second; }

  static bank::BankServer& server() { return bankServer(); }

  // A control embedded in the given drawing model, in RSA (rsaMode true) or
  // SM2 mode, with input9 set when keyText is given.
  host::Instance& embed(Model model, bool rsaMode, const std::string* keyText = nullptr,
                        std::vector<host::Attribute> attributes = {}) {
    if (model == Model::kCoreAnimation)
      GestaltSetSystemVersion(10, 12, 6);
    else
      GestaltSetSystemVersion(10, 14, 6);
    host::Embed e;
    e.attributes = std::move(attributes);
    controls_.push_back(std::make_unique<host::Instance>(e));
    host::Instance& control = *controls_.back();
    EXPECT_EQ(NPERR_NO_ERROR, control.newResult());
    if (model == Model::kCoreAnimation) {
      EXPECT_NE(nullptr, control.requestLayer());
    }
    control.setWindow(0, 0, 220, 30);
    EXPECT_TRUE(control.setProperty("input0", host::Variant::int32(rsaMode ? 1 : 0)));
    if (keyText) {
      EXPECT_TRUE(control.setProperty("input9", host::Variant::string(*keyText)));
    }
    return control;
  }

  // The user clicks into the box and types the characters (UTF-8, one
  // character per key), then leaves it.
  static void type(host::Instance& control, const std::string& text) {
    control.focus(true);
    control.typeText(text);
    control.focus(false);
  }

  // A method's String result ("" for void); fails the test for another type.
  static std::string call(host::Instance& control, const std::string& method) {
    host::ScriptResult r = control.invoke(method);
    EXPECT_TRUE(r.ok) << method;
    EXPECT_TRUE(r.value.isVoid() || r.value.isString()) << method;
    return r.value.asString();
  }
  static int32_t callInt(host::Instance& control, const std::string& method) {
    host::ScriptResult r = control.invoke(method);
    EXPECT_TRUE(r.ok && r.value.isInt32()) << method;
    return r.value.asInt32();
  }

  // get_output37 -> server -> input4: the whole exchange of randoms. True when
  // the server read the client random and the control holds the session.
  bool exchangeRandoms(host::Instance& control, bool rsaMode) {
    std::string sent = call(control, "get_output37");
    if (server().receiveClientRandom(sent, rsaMode) != gRand()) return false;
    std::string reply = server().makeServerRandom(rsaMode);
    if (reply.empty()) return false;
    control.setProperty("input4", host::Variant::string(reply));
    return gRand2() == server().serverRandom() + server().clientRandom();
  }

  host::Browser& browser = host::Browser::get();

 private:
  std::vector<std::unique_ptr<host::Instance>> controls_;
  long foundationObjects_ = 0;
};

// True when every character is a digit or 'a'..'y' and there are 16.
inline bool isClientRandom(const std::string& r) {
  if (r.size() != 16) return false;
  for (char c : r)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'y'))) return false;
  return true;
}
