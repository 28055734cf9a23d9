// The main job: a page session through the test host. It loads the module as
// a browser does, embeds one control per drawing model, prints what each
// control negotiated with the browser, types a password into the Core
// Animation field and into the Core Graphics box, and writes the drawn box as
// a PNG file (first argument, default cg_password_box.png).
//
// Then the whole session with the bank's server, in RSA and in SM2 mode for
// each drawing model: the page sets input0, input9 and input6, the user types,
// the page runs get_output37 -> server -> input4 -> get_output6 ->
// get_output2 -> server. Every text that crosses between page and server is
// printed, with the strength values and the password as the server recovered
// it; a recovered password that differs from the typed one fails the run.
#include <cstdio>
#include <string>
#include <vector>

#include "AppKit/NSControl.h"
#include "CoreServices/Gestalt.h"
#include "CoreServices/GestaltTesting.h"
#include "HIToolbox/TextInputSources.h"
#include "HIToolbox/TextInputSourcesTesting.h"
#include "QuartzCore/CALayer.h"
#include "host/bank_server.h"
#include "host/browser.h"
#include "host/instance.h"

namespace {

const char* drawingModelName(intptr_t model) {
  switch (model) {
    case NPDrawingModelCoreGraphics:
      return "Core Graphics";
    case NPDrawingModelCoreAnimation:
      return "Core Animation";
    default:
      return "other";
  }
}

const char* eventModelName(intptr_t model) {
  return model == NPEventModelCocoa ? "Cocoa" : model == NPEventModelCarbon ? "Carbon" : "other";
}

const char* answerName(host::Answer a) {
  return a == host::Answer::kTrue ? "yes" : a == host::Answer::kFalse ? "no" : "error";
}

void printScriptInt(host::Instance& control, const char* method, const char* what);

// The user clicks into a Core Animation control and types a password, one key
// down and up per character; the field is then found as the browser can find
// it, through the layer tree it composites (the field's layer has the field as
// its delegate), and its string is read back.
void typeIntoCoreAnimationField(host::Instance& control, void* layer, const std::string& password) {
  control.focus(true);
  std::printf("  focus: keyboard input source now %s\n", TISStandInSelectedIdentifier().c_str());
  control.typeText(password);
  auto* root = static_cast<CALayer*>(layer);
  NSControl* field = nullptr;
  if (root && !root->sublayers().empty())
    field = dynamic_cast<NSControl*>(root->sublayers().front()->delegate());
  if (!field) {
    std::printf("  no text field under the layer\n");
    return;
  }
  {
    host::ModuleCall pool;
    NSString* typed = field->stringValue();
    std::printf("  typed %zu characters; the field's string is %s what was typed\n",
                password.size(), password == typed->UTF8String() ? "exactly" : "NOT");
  }
  printScriptInt(control, "get_output3", "password length");
  printScriptInt(control, "get_output4", "character classes");
  printScriptInt(control, "get_output44", "simple pattern");
  printScriptInt(control, "get_output16", "strength level");
  control.focus(false);
}

std::string g_pngPath = "cg_password_box.png";

// Columns with ink in the drawn box's text band (top edge to the baseline, 18
// pixels down) grouped into runs: one run per asterisk (and the caret, when
// it shows).
int inkRuns(host::Instance& control, uint32_t width) {
  int runs = 0;
  bool inRun = false;
  for (uint32_t x = 0; x < width; ++x) {
    bool ink = false;
    for (uint32_t y = 0; y <= 18; ++y) ink = ink || ((control.pixel(x, y) >> 8) & 0xff) < 160;
    if (ink && !inRun) ++runs;
    inRun = ink;
  }
  return runs;
}

void printScriptInt(host::Instance& control, const char* method, const char* what) {
  host::ScriptResult r = control.invoke(method);
  if (r.ok && r.value.isInt32()) {
    std::printf("  %s (%s): %d\n", what, method, r.value.asInt32());
  } else {
    std::printf("  %s (%s): not answered by this build\n", what, method);
  }
}

// The user clicks into a Core Graphics control, types a password, clicks
// between two characters and looks at the box: the browser hands a fresh
// drawing context per draw event, and the last drawing is written as PNG
// with the caret in view (drawn right after a focus gain, so it is black).
void typeIntoCoreGraphicsBox(host::Instance& control, const std::string& password) {
  const uint32_t width = control.window().width;
  control.focus(true);
  control.mouse(NPCocoaEventMouseDown, 10, 12);
  control.drawFresh();
  for (char c : password) {
    const std::string key(1, c);
    control.key(NPCocoaEventKeyDown, key, 0);
    control.key(NPCocoaEventKeyUp, key, 0);
    control.drawFresh();
  }
  std::printf("  typed %zu characters into the drawn box\n", password.size());
  // A click a little right of the middle of the fourth asterisk (about 9.2
  // pixels each from x 5): the caret goes after it.
  control.mouse(NPCocoaEventMouseDown, 5 + 3.6 * 9.2266, 12);
  control.drawFresh();
  control.focus(false);  // caret hidden: only the asterisks have ink
  control.drawFresh();
  std::printf("  the drawing shows %d asterisk(s)\n", inkRuns(control, width));
  control.focus(true);  // caret shown at once
  control.drawFresh();
  printScriptInt(control, "get_output3", "password length");
  printScriptInt(control, "get_output4", "character classes");
  printScriptInt(control, "get_output16", "strength level");
  if (control.writeDrawingPNG(g_pngPath)) {
    std::printf("  drawn box written to %s (%ux%u)\n", g_pngPath.c_str(), width,
                control.window().height);
  } else {
    std::printf("  could not write %s\n", g_pngPath.c_str());
  }
  control.focus(false);
}

struct Scenario {
  const char* title;
  SInt32 major, minor, bugFix;
  host::Answer coreAnimation, coreGraphics, cocoa, carbon;
};

void run(const Scenario& s) {
  host::Browser& browser = host::Browser::get();
  browser.reset();
  browser.setCapabilities(s.coreAnimation, s.coreGraphics, s.cocoa, s.carbon);
  GestaltSetSystemVersion(s.major, s.minor, s.bugFix);

  std::printf("\n%s\n", s.title);
  std::printf(
      "  system %d.%d.%d; browser offers Core Animation: %s, Core Graphics: %s, "
      "Cocoa events: %s, Carbon events: %s\n",
      s.major, s.minor, s.bugFix, answerName(s.coreAnimation), answerName(s.coreGraphics),
      answerName(s.cocoa), answerName(s.carbon));

  host::Instance control({host::kMimeType, NP_EMBED, {{"maxlength", "12"}}, false, false});
  std::printf("  NPP_New: %d\n", control.newResult());
  auto drawing = browser.lastValueSet(control.npp(), NPPVpluginDrawingModel);
  auto events = browser.lastValueSet(control.npp(), NPPVpluginEventModel);
  if (drawing) {
    std::printf("  drawing model: %s (%ld)\n", drawingModelName(*drawing),
                static_cast<long>(*drawing));
  } else {
    std::printf("  drawing model: none\n");
  }
  if (events) {
    std::printf("  event model: %s (%ld)\n", eventModelName(*events), static_cast<long>(*events));
  } else {
    std::printf("  event model: none\n");
  }

  NPObject* object = control.requestObject();
  std::printf("  scriptable object: %s\n", object ? "yes" : "none (NPP_GetValue answers 1)");
  if (object) {
    std::printf("  script sees get_output1: %s, ClearSeCtrl: %s, maxlength property: %s\n",
                control.hasMethod("get_output1") ? "method" : "no",
                control.hasMethod("ClearSeCtrl") ? "method" : "no",
                control.hasProperty("maxlength") ? "yes" : "no");
  }
  if (drawing && *drawing == NPDrawingModelCoreAnimation) {
    NPError error = NPERR_NO_ERROR;
    void* layer = control.requestLayer(&error);
    std::printf("  layer request: %d, %s\n", error, layer ? "a root layer" : "no layer yet");
    typeIntoCoreAnimationField(control, layer, "Secret-42");
  }
  control.setWindow(0, 0, 220, 32);
  std::printf("  after NPP_SetWindow: %zu invalidation(s), %d forced redraw(s)\n",
              browser.invalidationsFor(control.npp()).size(), browser.forcedRedraws(control.npp()));
  if (drawing && *drawing == NPDrawingModelCoreGraphics)
    typeIntoCoreGraphicsBox(control, "Secret-42");
}

// ---- The session with the bank's server -------------------------------------

int g_failures = 0;

void fail(const std::string& what) {
  ++g_failures;
  std::fprintf(stderr, "  FAILED: %s\n", what.c_str());
  std::printf("  FAILED: %s\n", what.c_str());
}

struct PageSession {
  const char* title;
  bool coreAnimation;  // else Core Graphics
  bool rsaMode;        // else SM2
  const char* keyForm;
  std::string (*keyText)(const bank::BankServer&);
  const char* password;
};

std::string pemOf(const bank::BankServer& s) { return s.rsaCertificatePem(); }
std::string hexDerOf(const bank::BankServer& s) { return s.rsaPublicKeyHexDer(); }
std::string pairOf(const bank::BankServer& s) { return s.sm2CoordinatePair('|'); }
std::string sm2BodyOf(const bank::BankServer& s) { return s.sm2CertificateBody(); }

// A text as it crosses: its length, then the text (a PEM certificate's lines
// indented under it).
void printCrossing(const char* direction, const char* name, const std::string& text) {
  std::printf("  %s %s (%zu characters):\n", direction, name, text.size());
  if (text.empty()) {
    std::printf("    (void)\n");
    return;
  }
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::printf("    %s\n", text.substr(start, end - start).c_str());
    start = end + 1;
  }
}

int32_t scriptInt(host::Instance& control, const char* method) {
  host::ScriptResult r = control.invoke(method);
  if (!r.ok || !r.value.isInt32()) {
    fail(std::string(method) + " gave no number");
    return -1;
  }
  return r.value.asInt32();
}

std::string scriptText(host::Instance& control, const char* method) {
  host::ScriptResult r = control.invoke(method);
  if (!r.ok) fail(std::string(method) + " was not handled");
  return r.value.isString() ? r.value.asString() : std::string();
}

void runPageSession(const PageSession& p, bank::BankServer& server) {
  host::Browser& browser = host::Browser::get();
  browser.reset();
  GestaltSetSystemVersion(10, p.coreAnimation ? 12 : 14, 6);
  const char* mode = p.rsaMode ? "RSA" : "SM2";
  std::printf("\n%s\n", p.title);

  host::Instance control;
  if (control.newResult() != NPERR_NO_ERROR) return fail("NPP_New");
  if (p.coreAnimation && !control.requestLayer()) return fail("no layer");
  control.setWindow(0, 0, 220, 32);
  auto drawing = browser.lastValueSet(control.npp(), NPPVpluginDrawingModel);
  std::printf("  drawing model: %s\n", drawing ? drawingModelName(*drawing) : "none");

  // The page configures the control.
  const std::string keyText = p.keyText(server);
  control.setProperty("input0", host::Variant::int32(p.rsaMode ? 1 : 0));
  control.setProperty("input6", host::Variant::string("1111"));
  std::printf("  page sets input0 = %d (%s mode), input6 = \"1111\" (all four classes)\n",
              p.rsaMode ? 1 : 0, mode);
  printCrossing("server -> page: input9, the server's key as", p.keyForm, keyText);
  control.setProperty("input9", host::Variant::string(keyText));

  // The user types.
  const std::string password = p.password;
  control.focus(true);
  control.typeText(password);
  control.focus(false);
  std::printf("  the user types %zu characters\n", password.size());
  std::printf(
      "  strength: length %d, classes %d, simple pattern %d, level %d, "
      "pattern mismatch %d\n",
      scriptInt(control, "get_output3"), scriptInt(control, "get_output4"),
      scriptInt(control, "get_output44"), scriptInt(control, "get_output16"),
      scriptInt(control, "get_output5"));

  // The randoms.
  // g_rand and g_rand2 are shared by every control of the process, so a
  // later session starts ready with the randoms of the one before.
  std::printf("  session ready before the exchange (get_output6, process-wide): %d\n",
              scriptInt(control, "get_output6"));
  const std::string sent = scriptText(control, "get_output37");
  printCrossing("page -> server: get_output37, the encrypted client random,", "Base64", sent);
  const std::string clientRandom = server.receiveClientRandom(sent, p.rsaMode);
  std::printf("  server decrypts the client random: %s\n",
              clientRandom.empty() ? "(nothing)" : clientRandom.c_str());
  if (clientRandom.size() != 16) fail("the server could not read the client random");
  const std::string reply = server.makeServerRandom(p.rsaMode);
  std::printf("  server makes its random: %s\n", server.serverRandom().c_str());
  printCrossing("server -> page: input4, the encrypted server random,", "Base64", reply);
  control.setProperty("input4", host::Variant::string(reply));
  const int32_t ready = scriptInt(control, "get_output6");
  std::printf("  session ready (get_output6): %d\n", ready);
  if (ready != 1) fail("the control did not take the server random");

  // The password.
  const std::string ciphertext = scriptText(control, "get_output2");
  printCrossing("page -> server: get_output2, the encrypted password,", "Base64", ciphertext);
  const std::string keyForServer = server.sessionKeyText();
  std::printf("  server derives the key text: %s (%s uses %s)\n", keyForServer.c_str(),
              p.rsaMode ? "AES-256-ECB" : "SM4-ECB", p.rsaMode ? "all 32" : "the first 16");
  const std::string recovered = server.decryptPassword(ciphertext, p.rsaMode, keyForServer);
  std::printf("  server recovers the password: \"%s\"\n", recovered.c_str());
  if (recovered != password) {
    fail(std::string(mode) + " mode: the server's password differs from the typed one");
  } else {
    std::printf("  it is exactly what was typed\n");
  }
}

void runPageSessions() {
  std::printf("\nPage sessions with the bank's server (OpenSSL's own RSA, SM2, AES and SM4)\n");
  bank::BankServer server(bank::controlKeysFromKeyset());
  const PageSession sessions[] = {
      {"Session 1: Core Animation field, RSA mode", true, true, "a PEM certificate", pemOf,
       "Tr0ub4dor&3"},
      {"Session 2: Core Animation field, SM2 mode", true, false, "a coordinate pair", pairOf,
       "Tr0ub4dor&3"},
      {"Session 3: Core Graphics box, RSA mode", false, true, "hex DER RSAPublicKey", hexDerOf,
       "correct-Horse9"},
      {"Session 4: Core Graphics box, SM2 mode", false, false, "an SM2 certificate body", sm2BodyOf,
       "correct-Horse9"},
  };
  for (const PageSession& p : sessions) runPageSession(p, server);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) g_pngPath = argv[1];
  try {
    host::Browser& browser = host::Browser::get();
    std::printf("Secure password control: a page session through the test host\n");
    std::printf(
        "module loaded: NP_Initialize %d, NP_GetEntryPoints %d, plug-in table version %u, "
        "size %u\n",
        browser.initializeResult(), browser.entryPointsResult(), browser.plugin().version,
        browser.plugin().size);

    using host::Answer;
    const Scenario scenarios[] = {
        {"Control 1: an older system whose browser offers Core Animation", 10, 12, 6, Answer::kTrue,
         Answer::kTrue, Answer::kTrue, Answer::kTrue},
        {"Control 2: a newer system (Core Animation is not used from 10.13 on)", 10, 13, 6,
         Answer::kTrue, Answer::kTrue, Answer::kTrue, Answer::kTrue},
        {"Control 3: a browser with Carbon events only", 10, 12, 6, Answer::kFalse, Answer::kFalse,
         Answer::kFalse, Answer::kTrue},
    };
    for (const Scenario& s : scenarios) run(s);
    runPageSessions();

    GestaltResetForTesting();
    std::printf("\nNP_Shutdown: %d\n", browser.shutdown());
    std::printf("left behind: %ld browser block(s), %ld script object(s)\n", browser.liveBlocks(),
                browser.liveObjects());
    if (g_failures) std::printf("%d check(s) FAILED\n", g_failures);
    return browser.liveBlocks() == 0 && browser.liveObjects() == 0 && g_failures == 0 ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "page session failed: %s\n", e.what());
    return 1;
  }
}
