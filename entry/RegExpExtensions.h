// The RegExpExtensions category on NSString: whole-text regular-expression
// tests, as the predicate "SELF MATCHES %@" makes them (ICU syntax).
#pragma once

#include "Foundation/NSString.h"

// YES when the whole receiver matches the pattern. A pattern that is not a
// valid regular expression raises NSException (Foundation/NSException.h);
// every caller catches it and decides what it means. A nil receiver or
// pattern gives NO.
BOOL doesMatchRegStringExp(const NSString* receiver, const NSString* pattern);
