// One embedded control on the host's page, and page script's view of a
// scriptable object.
//
//   host::Instance control({.attributes = {{"maxlength", "8"}}});
//   ASSERT_EQ(NPERR_NO_ERROR, control.newResult());
//   control.setWindow(0, 0, 200, 30);
//   control.focus(true);
//   host::ScriptResult r = control.invoke("get_output3");
//
// The constructor runs NPP_New through the module's table; the destructor runs
// NPP_Destroy (unless destroy() already did), then drops the references the
// browser took on the scriptable object, and finally forgets the instance's
// timers and records (Browser::forgetInstance). Everything that reaches the module goes through a
// ModuleCall.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/browser.h"
#include "host/variant.h"
#include "npapi/npfunctions.h"

namespace host {

// An attribute of the embedding element; a value of nullopt is passed as a
// null pointer.
struct Attribute {
  std::string name;
  std::optional<std::string> value;
};

// What the page embeds.
struct Embed {
  std::string mimeType = kMimeType;
  uint16_t mode = NP_EMBED;
  std::vector<Attribute> attributes;
  bool nullNames = false;   // pass argn as a null array
  bool nullValues = false;  // pass argv as a null array
};

// The outcome of a script call: what the hook answered, and its result
// (void unless the module set it), released as a browser releases it.
struct ScriptResult {
  bool ok = false;
  Variant value;
};

// Page script on any object (also one whose control is gone). Names become
// identifiers through the browser's interning.
bool hasMethod(NPObject* object, const std::string& name);
bool hasProperty(NPObject* object, const std::string& name);
ScriptResult getProperty(NPObject* object, const std::string& name);
bool setProperty(NPObject* object, const std::string& name, const Variant& value);
// Calls the invoke hook directly (a browser does so for any name).
ScriptResult invoke(NPObject* object, const std::string& name,
                    const std::vector<Variant>& args = {});

class Instance {
 public:
  explicit Instance(const Embed& embed = Embed());
  ~Instance();
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  NPError newResult() const { return newResult_; }
  NPP npp() { return &npp_; }
  // The module's record (the handle's pdata), null when there is none.
  void* pdata() const { return npp_.pdata; }

  // NPP_Destroy; later calls do nothing and answer the first result.
  NPError destroy();
  bool destroyed() const { return destroyed_; }

  // NPP_SetWindow with a window at (x, y) of width by height (clip: all of it).
  NPError setWindow(int32_t x, int32_t y, uint32_t width, uint32_t height);
  NPError setWindow(const NPWindow& window);
  const NPWindow& window() const { return window_; }

  // NPP_HandleEvent with a Cocoa event.
  int16_t event(NPCocoaEvent& event);
  int16_t mouse(NPCocoaEventType type, double x, double y, int32_t button = 0,
                uint32_t modifierFlags = 0, int32_t clickCount = 1);
  // characters as UTF-8; charactersIgnoringModifiers defaults to characters.
  int16_t key(NPCocoaEventType type, const std::string& characters, uint16_t keyCode,
              uint32_t modifierFlags = 0, bool isARepeat = false,
              const std::optional<std::string>& charactersIgnoringModifiers = std::nullopt);
  int16_t keyDown(const std::string& characters, uint16_t keyCode = 0) {
    return key(NPCocoaEventKeyDown, characters, keyCode);
  }
  // A user typing: a key down and its key up for each UTF-8 character.
  void typeText(const std::string& utf8);
  int16_t focus(bool hasFocus);
  // A draw event over the whole window (the context stays the caller's).
  int16_t draw(CGContextRef context);
  // A draw event with a fresh bitmap context of the window's size, as a
  // browser hands one per drawing: transparent, y down from the top-left
  // corner. The instance keeps it as lastDrawing() until the next such draw
  // or until the instance goes. Answers 0 (and keeps no drawing) for an empty
  // window.
  int16_t drawFresh();
  CGContextRef lastDrawing() const { return drawing_; }
  // The last drawing's pixel as a native-endian ARGB word (0 outside it or
  // without a drawing).
  uint32_t pixel(size_t x, size_t y) const;
  // Writes the last drawing as a PNG file; false without one or on error.
  bool writeDrawingPNG(const std::string& path) const;

  // NPP_GetValue as the browser asks it.
  NPError getValue(NPPVariable variable, void* value);
  // Asks for the scriptable object (NPPVpluginScriptableNPObject); each
  // successful request gives the browser one more reference, which the
  // Instance drops when it goes. Null when the module answers an error.
  NPObject* requestObject();
  // The object of the first successful request (requesting it if needed).
  NPObject* object();
  // Asks for the Core Animation layer; null on an error or no layer.
  void* requestLayer(NPError* error = nullptr);

  bool hasMethod(const std::string& name) { return host::hasMethod(object(), name); }
  bool hasProperty(const std::string& name) { return host::hasProperty(object(), name); }
  ScriptResult getProperty(const std::string& name) { return host::getProperty(object(), name); }
  bool setProperty(const std::string& name, const Variant& value) {
    return host::setProperty(object(), name, value);
  }
  ScriptResult invoke(const std::string& name, const std::vector<Variant>& args = {}) {
    return host::invoke(object(), name, args);
  }

 private:
  Browser& browser_;
  NPP_t npp_{nullptr, nullptr};
  NPError newResult_ = NPERR_GENERIC_ERROR;
  NPError destroyResult_ = NPERR_NO_ERROR;
  bool destroyed_ = false;
  NPWindow window_{};
  std::vector<NPObject*> objectReferences_;
  CGContextRef drawing_ = nullptr;  // owned
};

}  // namespace host
