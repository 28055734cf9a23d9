// Password strength rating over the UTF-8 bytes of a typed password.
//
// Every byte is rated on its own, so a multi-byte character counts as several
// "other" bytes. Bytes are digits (0-9), ASCII letters (A-Z, a-z) or other.
// The functions keep no state and never change the caller's text.
#pragma once

#include <cstdint>
#include <string_view>

// Number of byte classes present (digit, letter, other): 0 to 3.
// Stores isSimplePattern(text) into *flag, except for an empty text, which
// returns 0 and leaves *flag as it was (callers preset it to 1). A null flag
// is allowed and simply not written.
int32_t passlevel(std::string_view text, int32_t* flag);

// Strength level 0 to 3: 0 empty, 1 short (under 6 bytes) or weak, 2 fair,
// 3 for 10 to 12 bytes of letters and digits with both present. 13 bytes or
// more always rate 2.
int32_t passlevelex(std::string_view text);

// 1 when the text is empty, or, at 8 bytes or fewer, when lower-cased it is a
// contiguous part of a keyboard row or an alphabet or digit run (either
// direction), or one byte repeated; 0 otherwise.
int32_t isSimplePattern(std::string_view text);
