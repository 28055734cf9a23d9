// What the fuzz targets that drive the module through the host share: the
// drawing model a control gets, one warm-up that makes the process-wide
// objects before anything is counted, and the check that a control, once
// destroyed and dropped by the browser, leaves nothing behind.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "CoreServices/GestaltTesting.h"
#include "Foundation/NSObject.h"
#include "HIToolbox/TextInputSourcesTesting.h"
#include "host/bank_server.h"
#include "host/browser.h"
#include "host/instance.h"

namespace fuzzhost {

enum class Model { kCoreAnimation, kCoreGraphics };

// A default browser whose OS version and capabilities give the model: 10.12
// with Core Animation offered, or 10.13 where only Core Graphics is used.
inline host::Browser& browserFor(Model model) {
  host::Browser& browser = host::Browser::get();
  browser.reset();
  TISStandInReset();
  if (model == Model::kCoreAnimation)
    GestaltSetSystemVersion(10, 12, 6);
  else
    GestaltSetSystemVersion(10, 13, 0);
  return browser;
}

// Once per process, before the first count: a control of each model that
// takes focus, is typed into, drawn and asked every method, so that the
// identifier tables, cursors and other objects made once per process exist.
inline void warmUp() {
  for (Model model : {Model::kCoreAnimation, Model::kCoreGraphics}) {
    browserFor(model);
    host::Instance control;
    control.setWindow(0, 0, 200, 30);
    control.requestLayer();
    control.focus(true);
    control.mouse(NPCocoaEventMouseEntered, 10, 10);
    control.mouse(NPCocoaEventMouseExited, 10, 10);
    control.typeText("a1");
    control.drawFresh();
    for (const char* method :
         {"get_output1", "get_output2", "get_output3", "get_output4", "get_output5", "get_output6",
          "get_output44", "get_output16", "get_output37", "get_output60", "get_output61",
          "get_output62", "get_output63", "ClearSeCtrl"})
      control.invoke(method);
    control.focus(false);
  }
  browserFor(Model::kCoreAnimation);
}

// The bank's server of the process (its keys take a moment to make).
inline bank::BankServer& bankServer() {
  static bank::BankServer server(bank::controlKeysFromKeyset());
  return server;
}

// The shape of a client random: 16 characters, each a digit or 'a' to 'y'.
inline bool isClientRandom(const std::string& text) {
  if (text.size() != 16) return false;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'y'))) return false;
  return true;
}

// A control with the algorithm family set by script and the server's key
// set by script or as an attribute, its layer fetched, in a window, focused.
inline std::unique_ptr<host::Instance> sessionControl(bool rsaMode, const std::string& serverKey,
                                                      bool keyAsAttribute = false) {
  host::Embed embed;
  if (keyAsAttribute) embed.attributes.push_back({"input9", serverKey});
  auto control = std::make_unique<host::Instance>(embed);
  control->requestLayer();  // a Core Animation browser asks for it first
  control->setWindow(0, 0, 220, 32);
  control->setProperty("input0", host::Variant::int32(rsaMode ? 1 : 0));
  if (!keyAsAttribute) control->setProperty("input9", host::Variant::string(serverKey));
  control->focus(true);
  return control;
}

// The first two bits of a session target's flag byte: bit 0 RSA mode (else
// SM2 mode), bit 1 Core Graphics (else Core Animation).
struct SessionFlags {
  explicit SessionFlags(uint8_t flags)
      : rsaMode(flags & 1), model(flags & 2 ? Model::kCoreGraphics : Model::kCoreAnimation) {}
  bool rsaMode;
  Model model;
};

// Once per process for the session targets: the warm-up and the server.
inline void warmUpWithServer() {
  warmUp();
  bankServer();
}

// Counts taken before a control is made; check() traps when the browser
// still holds a block or a script object, freed a block it never gave, or a
// Foundation object made since is still alive.
class NothingLeft {
 public:
  NothingLeft() : foundationObjects_(NSObject::liveObjects()) {}
  void check() const {
    host::Browser& browser = host::Browser::get();
    report(browser.liveBlocks() == 0, "browser memory left allocated");
    report(browser.liveObjects() == 0, "script objects left alive");
    report(browser.badFrees() == 0, "frees of blocks the browser never gave");
    report(NSObject::liveObjects() == foundationObjects_, "Foundation objects left alive");
  }

 private:
  static void report(bool fine, const char* what) {
    if (fine) return;
    std::fprintf(stderr, "leak after NPP_Destroy: %s\n", what);
    std::abort();
  }
  long foundationObjects_;
};

}  // namespace fuzzhost
