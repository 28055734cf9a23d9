// The string result rule for everything handed to page script: a non-empty
// text becomes a fresh zero-filled NPN_MemAlloc block of length + 1 bytes
// (the browser frees it with NPN_MemFree) holding the text up to its length or
// its first zero byte; UTF8Length is the copied length. An empty text, or a
// block the browser cannot give, leaves result as it was. (A text whose first
// byte is zero gives a String of length 0.)
#pragma once

#include <cstddef>
#include <string>

#include "npapi/npruntime.h"

// Returns true when result was set.
bool setStringResult(NPVariant* result, const char* bytes, size_t length);
inline bool setStringResult(NPVariant* result, const std::string& text) {
  return setStringResult(result, text.data(), text.size());
}
