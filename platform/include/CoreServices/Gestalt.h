// Gestalt: answers questions about the system by four-character selector.
// Only the OS version selectors are modelled: 'sys1' (major), 'sys2' (minor)
// and 'sys3' (bug-fix). Any other selector answers gestaltUndefSelectorErr and
// leaves *response untouched.
//
// The version reported starts as 10.12.6; a test (or the host) may set any
// version, or make every call fail, through CoreServices/GestaltTesting.h.
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
