// Text Input Sources services: keyboard input sources, selectable by language.
#pragma once

#include "CoreFoundation/CFString.h"

typedef const struct __TISInputSource* TISInputSourceRef;

enum : OSStatus { paramErr = -50 };

// One owned reference to a keyboard source of the language (compared by its
// primary subtag: "en" matches "en-US"), a selectable one first, or null.
TISInputSourceRef TISCopyInputSourceForLanguage(CFStringRef language);
// Makes the source the selected one; paramErr for null or an unselectable
// source.
OSStatus TISSelectInputSource(TISInputSourceRef source);
