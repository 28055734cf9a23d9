#include "HIToolbox/TextInputSources.h"

#include "HIToolbox/TextInputSourcesTesting.h"

namespace {

// An input source object handed to callers: a copy of one machine entry.
class InputSource : public NSObject {
 public:
  explicit InputSource(const TISInputSourceStandIn& entry) : entry_(entry) {}
  const TISInputSourceStandIn& entry() const { return entry_; }

 private:
  ~InputSource() override = default;
  TISInputSourceStandIn entry_;
};

struct Machine {
  std::vector<TISInputSourceStandIn> sources;
  std::string selected;
};

Machine defaultMachine() {
  return {{{"com.apple.inputmethod.SCIM.ITABC", "zh-Hans", true},
           {"com.apple.keylayout.US", "en", true}},
          "com.apple.inputmethod.SCIM.ITABC"};
}

Machine& machine() {
  static Machine m = defaultMachine();
  return m;
}

std::string primarySubtag(const std::string& language) {
  return language.substr(0, language.find_first_of("-_"));
}

}  // namespace

TISInputSourceRef TISCopyInputSourceForLanguage(CFStringRef language) {
  if (!language) return nullptr;
  std::string wanted = primarySubtag(NSStringFromCF(language)->UTF8String());
  // A selectable source first; otherwise the first of the language at all.
  const TISInputSourceStandIn* found = nullptr;
  for (const TISInputSourceStandIn& s : machine().sources) {
    if (primarySubtag(s.language) != wanted) continue;
    if (s.selectable) {
      found = &s;
      break;
    }
    if (!found) found = &s;
  }
  if (!found) return nullptr;
  return reinterpret_cast<TISInputSourceRef>(static_cast<NSObject*>(new InputSource(*found)));
}

OSStatus TISSelectInputSource(TISInputSourceRef source) {
  if (!source) return paramErr;
  auto* object = static_cast<InputSource*>(CFBridgeObject(source));
  if (!object->entry().selectable) return paramErr;
  machine().selected = object->entry().identifier;
  return 0;
}

void TISStandInSetSources(const std::vector<TISInputSourceStandIn>& sources,
                          const std::string& selectedIdentifier) {
  machine() = {sources, selectedIdentifier};
}

void TISStandInReset() { machine() = defaultMachine(); }

std::string TISStandInSelectedIdentifier() { return machine().selected; }
