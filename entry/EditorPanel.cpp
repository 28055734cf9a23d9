#include "entry/EditorPanel.h"

NSWindow* EditorPanel::init() { return NSPanel::init(); }

BOOL EditorPanel::isKeyWindow() { return isActive_; }

BOOL EditorPanel::canBecomeKeyWindow() { return isActive_; }

BOOL EditorPanel::worksWhenModal() { return YES; }

BOOL EditorPanel::acceptsMouseMovedEvents() { return YES; }

BOOL EditorPanel::ignoresMouseEvents() { return NO; }
