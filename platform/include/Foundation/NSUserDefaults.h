// The user's preferences. Only "AppleLanguages" is modelled: the preferred
// languages, most preferred first, as an NSArray of NSStrings such as "en-US".
//
// Here they come from the process's locale: the locale named by LC_ALL,
// LC_MESSAGES or LANG (the first one set), preceded by the GNU LANGUAGE list
// when that locale is not C. "de_DE.UTF-8" reads as "de-DE"; the C and POSIX
// locales read as "en".
#pragma once

#include "Foundation/NSArray.h"
#include "Foundation/NSString.h"

class NSUserDefaults : public NSObject {
 public:
  // The process's shared defaults object (never released).
  static NSUserDefaults* standardUserDefaults();

  // The preference's value, autoreleased; null for an unknown key.
  NSObject* objectForKey(const NSString* key) const;

 protected:
  ~NSUserDefaults() override = default;
};
