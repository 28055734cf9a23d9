// Gestalt: answers questions about the system by four-character selector.
// Only the OS version selectors are modelled: 'sys1' (major), 'sys2' (minor)
// and 'sys3' (bug-fix). Any other selector answers gestaltUndefSelectorErr and
// leaves *response untouched.
//
// The version reported is a test seam: it starts as 10.12.6 and a test (or the
// host) may set any version, or make every call fail, before the system asks.
#pragma once

#include "CoreServices/MacTypes.h"

enum : OSType {
  gestaltSystemVersionMajor = 0x73797331,   // 'sys1'
  gestaltSystemVersionMinor = 0x73797332,   // 'sys2'
  gestaltSystemVersionBugFix = 0x73797333,  // 'sys3'
};

enum : OSErr {
  gestaltUnknownErr = -5550,
  gestaltUndefSelectorErr = -5551,
};

// Writes the answer for selector into *response and returns noErr; on any
// failure returns an error and leaves *response as it was. A null response
// pointer answers paramErr (-50).
OSErr Gestalt(OSType selector, SInt32* response);

// Test seam: the version Gestalt reports from now on.
void GestaltSetSystemVersion(SInt32 major, SInt32 minor, SInt32 bugFix);
// Test seam: while failing is true every Gestalt call answers gestaltUnknownErr.
void GestaltSetFailing(bool failing);
// Back to 10.12.6, not failing.
void GestaltResetForTesting();
