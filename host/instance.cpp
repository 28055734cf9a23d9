#include "host/instance.h"

#include <cstring>

#include "CoreGraphics/CGBitmapContext.h"
#include "Foundation/NSString.h"

namespace host {
namespace {

NPIdentifier id(const std::string& name) { return Browser::get().identifier(name); }

}  // namespace

bool hasMethod(NPObject* object, const std::string& name) {
  if (!object || !object->_class || !object->_class->hasMethod) return false;
  ModuleCall call;
  return object->_class->hasMethod(object, id(name));
}

bool hasProperty(NPObject* object, const std::string& name) {
  if (!object || !object->_class || !object->_class->hasProperty) return false;
  ModuleCall call;
  return object->_class->hasProperty(object, id(name));
}

ScriptResult getProperty(NPObject* object, const std::string& name) {
  ScriptResult r;
  if (!object || !object->_class || !object->_class->getProperty) return r;
  NPVariant result;
  VOID_TO_NPVARIANT(result);
  {
    ModuleCall call;
    r.ok = object->_class->getProperty(object, id(name), &result);
  }
  r.value = Variant::adopt(result);
  return r;
}

bool setProperty(NPObject* object, const std::string& name, const Variant& value) {
  if (!object || !object->_class || !object->_class->setProperty) return false;
  ModuleCall call;
  return object->_class->setProperty(object, id(name), &value.raw());
}

ScriptResult invoke(NPObject* object, const std::string& name, const std::vector<Variant>& args) {
  ScriptResult r;
  if (!object || !object->_class || !object->_class->invoke) return r;
  std::vector<NPVariant> raw;
  for (const Variant& a : args) raw.push_back(a.raw());
  NPVariant result;
  VOID_TO_NPVARIANT(result);
  {
    ModuleCall call;
    r.ok = object->_class->invoke(object, id(name), raw.empty() ? nullptr : raw.data(),
                                  static_cast<uint32_t>(raw.size()), &result);
  }
  r.value = Variant::adopt(result);
  return r;
}

Instance::Instance(const Embed& embed) : browser_(Browser::get()) {
  npp_.ndata = this;
  std::vector<std::string> names, values;
  std::vector<bool> present;
  for (const Attribute& a : embed.attributes) {
    names.push_back(a.name);
    values.push_back(a.value.value_or(std::string()));
    present.push_back(a.value.has_value());
  }
  std::vector<char*> argn, argv;
  for (size_t i = 0; i < names.size(); ++i) {
    argn.push_back(&names[i][0]);
    argv.push_back(present[i] ? &values[i][0] : nullptr);
  }
  std::string mime = embed.mimeType;
  const int16_t argc = static_cast<int16_t>(argn.size());
  if (!browser_.plugin().newp) return;
  ModuleCall call;
  newResult_ = browser_.plugin().newp(
      &mime[0], &npp_, embed.mode, argc, embed.nullNames || argn.empty() ? nullptr : argn.data(),
      embed.nullValues || argv.empty() ? nullptr : argv.data(), nullptr);
}

Instance::~Instance() {
  destroy();
  for (NPObject* object : objectReferences_) browser_.releaseObject(object);
  browser_.forgetInstance(&npp_);
  CGContextRelease(drawing_);
}

NPError Instance::destroy() {
  if (destroyed_) return destroyResult_;
  destroyed_ = true;
  if (!browser_.plugin().destroy) return destroyResult_;
  ModuleCall call;
  NPSavedData* saved = nullptr;
  destroyResult_ = browser_.plugin().destroy(&npp_, &saved);
  return destroyResult_;
}

NPError Instance::setWindow(int32_t x, int32_t y, uint32_t width, uint32_t height) {
  NPWindow w{};
  static int windowToken;
  w.window = &windowToken;
  w.x = x;
  w.y = y;
  w.width = width;
  w.height = height;
  w.clipRect.top = 0;
  w.clipRect.left = 0;
  w.clipRect.bottom = static_cast<uint16_t>(height);
  w.clipRect.right = static_cast<uint16_t>(width);
  w.type = NPWindowTypeDrawable;
  return setWindow(w);
}

NPError Instance::setWindow(const NPWindow& window) {
  window_ = window;
  if (!browser_.plugin().setwindow) return NPERR_GENERIC_ERROR;
  ModuleCall call;
  return browser_.plugin().setwindow(&npp_, &window_);
}

int16_t Instance::event(NPCocoaEvent& event) {
  if (!browser_.plugin().event) return 0;
  ModuleCall call;
  return browser_.plugin().event(&npp_, &event);
}

int16_t Instance::mouse(NPCocoaEventType type, double x, double y, int32_t button,
                        uint32_t modifierFlags, int32_t clickCount) {
  NPCocoaEvent e{};
  e.type = type;
  e.data.mouse.modifierFlags = modifierFlags;
  e.data.mouse.pluginX = x;
  e.data.mouse.pluginY = y;
  e.data.mouse.buttonNumber = button;
  e.data.mouse.clickCount = clickCount;
  return event(e);
}

void Instance::typeText(const std::string& utf8) {
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    const std::string character = utf8.substr(i, n);
    key(NPCocoaEventKeyDown, character, 0);
    key(NPCocoaEventKeyUp, character, 0);
    i += n;
  }
}

int16_t Instance::key(NPCocoaEventType type, const std::string& characters, uint16_t keyCode,
                      uint32_t modifierFlags, bool isARepeat,
                      const std::optional<std::string>& charactersIgnoringModifiers) {
  // The browser owns the event's strings for the length of the call.
  NSString* chars = NSString::initWithUTF8String(characters.c_str());
  NSString* ignoring =
      NSString::initWithUTF8String(charactersIgnoringModifiers.value_or(characters).c_str());
  NPCocoaEvent e{};
  e.type = type;
  e.data.key.modifierFlags = modifierFlags;
  e.data.key.characters = chars;
  e.data.key.charactersIgnoringModifiers = ignoring;
  e.data.key.isARepeat = isARepeat ? 1 : 0;
  e.data.key.keyCode = keyCode;
  int16_t handled = event(e);
  NSRelease(chars);
  NSRelease(ignoring);
  return handled;
}

int16_t Instance::focus(bool hasFocus) {
  NPCocoaEvent e{};
  e.type = NPCocoaEventFocusChanged;
  e.data.focus.hasFocus = hasFocus ? 1 : 0;
  return event(e);
}

int16_t Instance::draw(CGContextRef context) {
  NPCocoaEvent e{};
  e.type = NPCocoaEventDrawRect;
  e.data.draw.context = context;
  e.data.draw.x = 0;
  e.data.draw.y = 0;
  e.data.draw.width = window_.width;
  e.data.draw.height = window_.height;
  return event(e);
}

int16_t Instance::drawFresh() {
  CGContextRelease(drawing_);
  drawing_ = nullptr;
  if (window_.width == 0 || window_.height == 0) return 0;
  CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
  drawing_ = CGBitmapContextCreate(nullptr, window_.width, window_.height, 8, 0, rgb,
                                   kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little);
  CGColorSpaceRelease(rgb);
  return drawing_ ? draw(drawing_) : 0;
}

uint32_t Instance::pixel(size_t x, size_t y) const {
  if (!drawing_ || x >= CGBitmapContextGetWidth(drawing_) ||
      y >= CGBitmapContextGetHeight(drawing_))
    return 0;
  const auto* row = static_cast<const unsigned char*>(CGBitmapContextGetData(drawing_)) +
                    y * CGBitmapContextGetBytesPerRow(drawing_);
  uint32_t word;
  std::memcpy(&word, row + x * 4, sizeof word);
  return word;
}

bool Instance::writeDrawingPNG(const std::string& path) const {
  return drawing_ && CGBitmapContextWritePNGFile(drawing_, path.c_str());
}

NPError Instance::getValue(NPPVariable variable, void* value) {
  if (!browser_.plugin().getvalue) return NPERR_GENERIC_ERROR;
  ModuleCall call;
  return browser_.plugin().getvalue(&npp_, variable, value);
}

NPObject* Instance::requestObject() {
  NPObject* object = nullptr;
  if (getValue(NPPVpluginScriptableNPObject, &object) != NPERR_NO_ERROR || !object) return nullptr;
  objectReferences_.push_back(object);
  return object;
}

NPObject* Instance::object() {
  if (!objectReferences_.empty()) return objectReferences_.front();
  return requestObject();
}

void* Instance::requestLayer(NPError* error) {
  void* layer = nullptr;
  NPError e = getValue(NPPVpluginCoreAnimationLayer, &layer);
  if (error) *error = e;
  return e == NPERR_NO_ERROR ? layer : nullptr;
}

}  // namespace host
