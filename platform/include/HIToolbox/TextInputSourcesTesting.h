// Test seam of the Text Input Sources stand-in: the machine's input sources
// and which one is selected.
#pragma once

#include <string>
#include <vector>

#include "HIToolbox/TextInputSources.h"

// The machine's input sources. The default machine has a
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
