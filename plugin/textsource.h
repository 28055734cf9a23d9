// The password as the script methods read it, and the whole-password test
// they run on it.
#pragma once

#include "Foundation/NSString.h"

class editorplugin;

// The typed text, taken afresh: the bound text field's string value (Core
// Animation), else the bound record's edit buffer (Core Graphics), else none.
// Returns one reference the caller releases (NSRelease), or nullptr for none,
// which the methods treat as a text of length 0. An object cut loose by
// NPP_Destroy has no binding left and so gives none.
NSString* textSource(editorplugin* object);

// The whole-password test. It runs only for a non-empty text and a set
// passwordPattern: the pattern is made from all of passwordPattern's bytes in
// the default C-string encoding, and the whole text must match it. A match
// sets patternMismatch to Int32 0 and passes; no match sets it to Int32 1 and
// fails. When the test does not run, or the pattern cannot be evaluated (the
// matcher raises, or the box has installed none: plugin/hooks.h),
// patternMismatch keeps its value and the test passes.
// A null object passes without a verdict.
bool wholePasswordTest(editorplugin* object, const NSString* text);
