// The script surface and the events of a control, driven through the host as
// a page and a user would: embed attributes, property sets of every variant
// type, method calls with arguments, key, mouse, focus and draw events,
// window changes and caret timers, in either drawing model, with one or two
// controls on the page, under browsers of any capabilities and user agent.
// Every string result is a zero-terminated copy, and after NPP_Destroy and
// the browser's last release no browser block, script object or Foundation
// object may be left.
//
// Input: a sequence of operations read with libFuzzer's FuzzedDataProvider.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/NSString.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/host_fuzz.h"

namespace {

using fuzzhost::Model;

constexpr const char* kAttributeNames[] = {
    "input0", "input1", "input2", "input3",  "input4",  "maxlength", "input5",
    "input6", "input7", "input9", "input10", "input11", "input12",   "type",
};
constexpr const char* kPropertyNames[] = {
    "input0",  "input1",  "input2",  "input3",         "input4",      "maxlength",
    "input5",  "input6",  "input7",  "input8",         "input9",      "input10",
    "input11", "input12", "input13", "returnCallback", "tabCallback",
};
constexpr const char* kMethodNames[] = {
    "get_output1",  "get_output2",  "get_output3",  "get_output4",  "get_output5",
    "get_output6",  "get_output44", "get_output16", "get_output37", "get_output60",
    "get_output61", "get_output62", "get_output63", "ClearSeCtrl",
};
// Texts a page tends to set: flags, numbers, patterns, Base64 and hex.
constexpr const char* kTexts[] = {
    "",
    "0",
    "1",
    "-1",
    "0101",
    "1111",
    "0000",
    "8",
    "2147483648",
    "[a-z]",
    "[0-9]*",
    ".",
    "^[A-Za-z0-9]+$",
    "(",
    "\\",
    "AAAA",
    "QUJD",
    "====",
    "0A1B2C",
    "30818902818100",
    "-----BEGIN CERTIFICATE-----",
};
// Keys with a meaning of their own: characters and virtual key codes.
struct Key {
  const char* characters;
  uint16_t code;
};
constexpr Key kKeys[] = {
    {"\x7f", 51},
    {"\t", 48},
    {"\r", 36},
    {"\x1b", 53},
    {"\xef\x9c\x82", 123},
    {"\xef\x9c\x83", 124},
    {"\xef\x9c\x81", 125},
    {"\xef\x9c\x80", 126},
    {"\xef\x9c\xa8", 117},
    {"a", 0},
    {"", 0},
    {"\xc3\xa9", 0},
};

template <typename T, size_t N>
const T& pick(FuzzedDataProvider& in, const T (&table)[N]) {
  return table[in.ConsumeIntegralInRange<size_t>(0, N - 1)];
}

std::string text(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return pick(in, kTexts);
    case 1:
      return std::to_string(in.ConsumeIntegral<int32_t>());
    default:
      return in.ConsumeRandomLengthString(64);
  }
}

std::string name(FuzzedDataProvider& in, const char* const* names, size_t count) {
  if (in.ConsumeIntegralInRange(0, 15) == 0) return in.ConsumeRandomLengthString(16);
  return names[in.ConsumeIntegralInRange<size_t>(0, count - 1)];
}

double coordinate(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 7)) {
    case 0:
      return std::numeric_limits<double>::quiet_NaN();
    case 1:
      return in.ConsumeBool() ? INFINITY : -INFINITY;
    case 2:
      return in.ConsumeFloatingPoint<double>();
    default:
      return in.ConsumeIntegralInRange(-20, 700) + in.ConsumeIntegralInRange(0, 3) * 0.25;
  }
}

int32_t int32(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return pick(in, {0, 1, -1, INT32_MIN, INT32_MAX, 100, 8});
    default:
      return in.ConsumeIntegral<int32_t>();
  }
}

// A script value of any type; an object value is the control's own object.
host::Variant value(FuzzedDataProvider& in, NPObject* object) {
  switch (in.ConsumeIntegralInRange(0, 7)) {
    case 0:
      return host::Variant();
    case 1:
      return host::Variant::null();
    case 2:
      return host::Variant::boolean(in.ConsumeBool());
    case 3:
    case 4:
      return host::Variant::int32(int32(in));
    case 5:
      return host::Variant::number(in.ConsumeBool() ? coordinate(in) : int32(in));
    case 6:
      if (object) {
        NPVariant v;
        OBJECT_TO_NPVARIANT(host::Browser::get().retainObject(object), v);
        return host::Variant::adopt(v);
      }
      [[fallthrough]];
    default:
      return host::Variant::string(text(in));
  }
}

host::Embed embed(FuzzedDataProvider& in) {
  host::Embed e;
  const int n = in.ConsumeIntegralInRange(0, 6);
  for (int i = 0; i < n; ++i) {
    host::Attribute a;
    a.name = in.ConsumeIntegralInRange(0, 7) == 0 ? in.ConsumeRandomLengthString(12)
                                                  : pick(in, kAttributeNames);
    if (in.ConsumeIntegralInRange(0, 7) != 0) a.value = text(in);
    e.attributes.push_back(std::move(a));
  }
  e.nullNames = in.ConsumeIntegralInRange(0, 31) == 0;
  e.nullValues = in.ConsumeIntegralInRange(0, 31) == 0;
  return e;
}

host::Answer answer(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 9)) {
    case 0:
      return host::Answer::kFalse;
    case 1:
      return host::Answer::kError;
    default:
      return host::Answer::kTrue;
  }
}

bool isOneOf(const std::string& n, const char* const* names, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (n == names[i]) return true;
  return false;
}

struct Control {
  std::unique_ptr<host::Instance> instance;
  bool working() const { return instance->newResult() == NPERR_NO_ERROR && !instance->destroyed(); }
  // The scriptable object: asked for while the control lives, kept by the
  // browser after NPP_Destroy.
  NPObject* object() {
    if (!object_ && working()) object_ = instance->object();
    return object_;
  }

 private:
  NPObject* object_ = nullptr;
};

// One script call on the control's object (also after NPP_Destroy, while the
// browser still holds it).
void script(FuzzedDataProvider& in, NPObject* object) {
  constexpr size_t kProperties = sizeof kPropertyNames / sizeof *kPropertyNames;
  constexpr size_t kMethods = sizeof kMethodNames / sizeof *kMethodNames;
  switch (in.ConsumeIntegralInRange(0, 5)) {
    case 0:
    case 1: {
      const std::string n = name(in, kPropertyNames, kProperties);
      host::Variant v = value(in, object);
      const bool known = isOneOf(n, kPropertyNames, kProperties);
      FUZZ_CHECK(host::setProperty(object, n, v) == known);
      break;
    }
    case 2: {
      const std::string n = name(in, kPropertyNames, kProperties);
      host::ScriptResult r = host::getProperty(object, n);
      FUZZ_CHECK(!r.value.isString() || r.value.zeroTerminated());
      break;
    }
    case 3:
    case 4: {
      const std::string n = name(in, kMethodNames, kMethods);
      std::vector<host::Variant> args;
      const int count = in.ConsumeIntegralInRange(0, 3);
      for (int i = 0; i < count; ++i) args.push_back(value(in, object));
      const bool known = isOneOf(n, kMethodNames, kMethods);
      host::ScriptResult r = host::invoke(object, n, args);
      FUZZ_CHECK(r.ok == known);
      FUZZ_CHECK(!r.value.isString() || r.value.zeroTerminated());
      break;
    }
    default: {
      const std::string n = in.ConsumeRandomLengthString(16);
      FUZZ_CHECK(host::hasMethod(object, n) == isOneOf(n, kMethodNames, kMethods));
      FUZZ_CHECK(host::hasProperty(object, n) == isOneOf(n, kPropertyNames, kProperties));
      break;
    }
  }
}

// One event or window change for a working control.
void userOrBrowser(FuzzedDataProvider& in, host::Instance& control) {
  switch (in.ConsumeIntegralInRange(0, 9)) {
    case 0: {
      const Key& k = pick(in, kKeys);
      const bool down = in.ConsumeBool();
      control.key(down ? NPCocoaEventKeyDown : NPCocoaEventKeyUp, k.characters, k.code,
                  in.ConsumeIntegral<uint32_t>(), in.ConsumeBool());
      break;
    }
    case 1: {
      const std::string characters = in.ConsumeRandomLengthString(4);
      control.key(in.ConsumeBool() ? NPCocoaEventKeyDown : NPCocoaEventKeyUp, characters,
                  in.ConsumeIntegral<uint16_t>(), in.ConsumeIntegral<uint32_t>(), in.ConsumeBool(),
                  in.ConsumeRandomLengthString(4));
      break;
    }
    case 2:
      control.typeText(in.ConsumeRandomLengthString(24));
      break;
    case 3: {
      const auto type = static_cast<NPCocoaEventType>(
          in.ConsumeIntegralInRange<int>(NPCocoaEventMouseDown, NPCocoaEventMouseDragged));
      const double x = coordinate(in), y = coordinate(in);
      control.mouse(type, x, y, in.ConsumeIntegralInRange(-1, 2), in.ConsumeIntegral<uint32_t>(),
                    in.ConsumeIntegralInRange(0, 3));
      break;
    }
    case 4:
      control.focus(in.ConsumeBool());
      break;
    case 5:
      control.drawFresh();
      break;
    case 6: {
      const int32_t x = in.ConsumeIntegralInRange(-100, 1000);
      const int32_t y = in.ConsumeIntegralInRange(-100, 1000);
      control.setWindow(x, y, in.ConsumeIntegralInRange(0, 400), in.ConsumeIntegralInRange(0, 80));
      break;
    }
    case 7:
      host::Browser::get().advance(in.ConsumeIntegralInRange(0, 1600));
      break;
    case 8: {
      // The rest of the Cocoa events, and type numbers no browser sends.
      NPCocoaEvent e{};
      int32_t type = in.ConsumeBool() ? in.ConsumeIntegral<int32_t>()
                                      : in.ConsumeIntegralInRange<int32_t>(NPCocoaEventFlagsChanged,
                                                                           NPCocoaEventTextInput);
      // Draw, mouse and key events come with data of their own, made above.
      if (type >= NPCocoaEventDrawRect && type < NPCocoaEventFlagsChanged) type += 1000;
      std::memcpy(&e.type, &type, sizeof type);
      NSString* characters = NSString::initWithUTF8String(in.ConsumeRandomLengthString(8).c_str());
      if (type == NPCocoaEventFocusChanged || type == NPCocoaEventWindowFocusChanged)
        e.data.focus.hasFocus = in.ConsumeBool();
      else if (type == NPCocoaEventTextInput)
        e.data.text.text = characters;
      else
        e.data.mouse.deltaY = coordinate(in);
      control.event(e);
      NSRelease(characters);
      break;
    }
    default: {
      void* value = nullptr;
      const auto variable = static_cast<NPPVariable>(pick(in, {1, 2, 15, 1000, 1001, 1003, 22, 0}));
      if (variable == NPPVpluginScriptableNPObject)
        control.requestObject();
      else if (variable == NPPVpluginCoreAnimationLayer)
        control.requestLayer();
      else
        control.getValue(variable, &value);
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzhost::warmUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const Model model = in.ConsumeBool() ? Model::kCoreGraphics : Model::kCoreAnimation;
  host::Browser& browser = fuzzhost::browserFor(model);
  if (in.ConsumeIntegralInRange(0, 7) == 0)
    browser.setCapabilities(answer(in), answer(in), answer(in), answer(in));
  // The browser's user agent: none, or one of any length around the 4095
  // characters the control keeps.
  if (in.ConsumeIntegralInRange(0, 7) == 0) {
    if (in.ConsumeBool())
      browser.setUserAgent(std::nullopt);
    else
      browser.setUserAgent(std::string(in.ConsumeIntegralInRange<size_t>(0, 5000), 'M') +
                           in.ConsumeRandomLengthString(16));
  }
  fuzzhost::NothingLeft nothingLeft;
  {
    std::vector<Control> controls;
    const int count = in.ConsumeIntegralInRange(1, 2);
    for (int i = 0; i < count; ++i) {
      controls.emplace_back();
      controls.back().instance = std::make_unique<host::Instance>(embed(in));
    }
    for (Control& c : controls) {
      if (in.ConsumeIntegralInRange(0, 7) != 0) c.instance->requestLayer();
      c.instance->setWindow(0, 0, 220, 32);
    }

    for (int op = 0; op < 64 && in.remaining_bytes() > 0; ++op) {
      Control& c = controls[in.ConsumeIntegralInRange<size_t>(0, controls.size() - 1)];
      switch (in.ConsumeIntegralInRange(0, 15)) {
        case 0:
          c.instance->destroy();
          break;
        case 1:
          browser.setAllocationFails(true);
          if (c.working()) userOrBrowser(in, *c.instance);
          if (NPObject* object = c.object()) script(in, object);
          browser.setAllocationFails(false);
          break;
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
        case 7:
          if (c.working()) userOrBrowser(in, *c.instance);
          break;
        default:
          if (NPObject* object = c.object()) script(in, object);
          break;
      }
    }
    for (Control& c : controls) c.instance->destroy();
  }
  nothingLeft.check();
  return 0;
}
