// Internals of the hex codec, for its own code and its tests.
#pragma once

// One byte from the two characters at pair[0] and pair[1] (0 for a null
// pointer). Each character that is no hex digit contributes 0.
unsigned char hextouch(const char* pair);

// The character at c, upper-cased when it is 'a' to 'z', else unchanged
// (0 for a null pointer).
char ToUpperPtr(const char* c);
