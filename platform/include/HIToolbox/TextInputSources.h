// Text Input Sources services: keyboard input sources, selectable by language.
#pragma once

#include <string>
#include <vector>

#include "CoreFoundation/CFString.h"

typedef const struct __TISInputSource* TISInputSourceRef;

enum : OSStatus { paramErr = -50 };

// One owned reference to a keyboard source of the language (compared by its
// primary subtag: "en" matches "en-US"), a selectable one first, or null.
TISInputSourceRef TISCopyInputSourceForLanguage(CFStringRef language);
// Makes the source the selected one; paramErr for null or an unselectable
// source.
OSStatus TISSelectInputSource(TISInputSourceRef source);

// Test seam: the machine's input sources. The default machine has a
// Simplified Chinese pinyin source (selected) and a U.S. keyboard.
struct TISInputSourceStandIn {
  std::string identifier;  // "com.apple.keylayout.US"
  std::string language;    // "en"
  bool selectable;
};
void TISStandInSetSources(const std::vector<TISInputSourceStandIn>& sources,
                          const std::string& selectedIdentifier);
void TISStandInReset();
// The identifier of the selected source.
std::string TISStandInSelectedIdentifier();
