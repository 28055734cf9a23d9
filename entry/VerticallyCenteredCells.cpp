#include "entry/VerticallyCenteredCells.h"

namespace {
// The vertical-centring bit of AppKit's cell flag word.
constexpr uint32_t kVerticallyCentered = 0x40;

void setCentring(uint32_t& flags, BOOL centred) {
  if (centred)
    flags |= kVerticallyCentered;
  else
    flags &= ~kVerticallyCentered;
}
}  // namespace

void ZebVerticallyCenteredSecTextFieldCell::setVerticalCentering(BOOL centred) {
  setCentring(_cFlags, centred);
}

void ZebVerticallyCenteredTextFieldCell::setVerticalCentering(BOOL centred) {
  setCentring(_cFlags, centred);
}
