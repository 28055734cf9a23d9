// Test seam of the user's preferences: the preferred languages in place of
// the process's locale.
#pragma once

#include <string>
#include <vector>

#include "Foundation/NSUserDefaults.h"

// "AppleLanguages" answers these languages (a copy is taken); nullptr makes
// the preference absent.
void NSUserDefaultsSetAppleLanguagesForTesting(const std::vector<std::string>* languages);
// Back to the process's locale.
void NSUserDefaultsResetForTesting();
// The language list the process's locale gives (what the preference holds
// without an injected list).
std::vector<std::string> NSUserDefaultsLanguagesFromLocale();
