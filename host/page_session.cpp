// The main job: a page session through the test host. It loads the module as
// a browser does, embeds one control per drawing model, prints what each
// control negotiated with the browser, types a password into the Core
// Animation field and into the Core Graphics box, and writes the drawn box as
// a PNG file (first argument, default cg_password_box.png).
#include <cstdio>
#include <string>

#include "AppKit/NSControl.h"
#include "CoreServices/Gestalt.h"
#include "HIToolbox/TextInputSources.h"
#include "QuartzCore/CALayer.h"
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
  for (char c : password) {
    const std::string key(1, c);
    control.key(NPCocoaEventKeyDown, key, 0);
    control.key(NPCocoaEventKeyUp, key, 0);
  }
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
  std::printf("  system %d.%d.%d; browser offers Core Animation: %s, Core Graphics: %s, "
              "Cocoa events: %s, Carbon events: %s\n",
              s.major, s.minor, s.bugFix, answerName(s.coreAnimation),
              answerName(s.coreGraphics), answerName(s.cocoa), answerName(s.carbon));

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

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) g_pngPath = argv[1];
  try {
    host::Browser& browser = host::Browser::get();
    std::printf("Secure password control: a page session through the test host\n");
    std::printf("module loaded: NP_Initialize %d, NP_GetEntryPoints %d, plug-in table version %u, "
                "size %u\n",
                browser.initializeResult(), browser.entryPointsResult(),
                browser.plugin().version, browser.plugin().size);

    using host::Answer;
    const Scenario scenarios[] = {
        {"Control 1: an older system whose browser offers Core Animation", 10, 12, 6,
         Answer::kTrue, Answer::kTrue, Answer::kTrue, Answer::kTrue},
        {"Control 2: a newer system (Core Animation is not used from 10.13 on)", 10, 13, 6,
         Answer::kTrue, Answer::kTrue, Answer::kTrue, Answer::kTrue},
        {"Control 3: a browser with Carbon events only", 10, 12, 6, Answer::kFalse,
         Answer::kFalse, Answer::kFalse, Answer::kTrue},
    };
    for (const Scenario& s : scenarios) run(s);

    GestaltResetForTesting();
    std::printf("\nNP_Shutdown: %d\n", browser.shutdown());
    std::printf("left behind: %ld browser block(s), %ld script object(s)\n", browser.liveBlocks(),
                browser.liveObjects());
    return browser.liveBlocks() == 0 && browser.liveObjects() == 0 ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "page session failed: %s\n", e.what());
    return 1;
  }
}
