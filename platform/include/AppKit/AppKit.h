// AppKit, as far as the system uses it.
#pragma once

#include "AppKit/NSColor.h"
#include "AppKit/NSControl.h"
#include "AppKit/NSCursor.h"
#include "AppKit/NSEvent.h"
#include "AppKit/NSGraphicsContext.h"
#include "AppKit/NSPanel.h"
#include "AppKit/NSSecureTextField.h"
#include "AppKit/NSText.h"
#include "AppKit/NSTextField.h"
#include "AppKit/NSWindow.h"
#include "Foundation/NSFormatter.h"
