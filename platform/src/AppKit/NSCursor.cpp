#include "AppKit/NSCursor.h"

namespace {
// The shared cursors live as long as the process (made at load, never freed).
NSCursor* const g_arrow = new NSCursor("arrow");
NSCursor* const g_ibeam = new NSCursor("IBeam");
NSCursor* g_current = g_arrow;
}  // namespace

NSCursor* NSCursor::IBeamCursor() { return g_ibeam; }
NSCursor* NSCursor::arrowCursor() { return g_arrow; }
NSCursor* NSCursor::currentCursor() { return g_current; }
void NSCursor::set() { g_current = this; }
