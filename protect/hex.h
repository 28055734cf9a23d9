// Hexadecimal text of byte strings: two characters per byte, high nibble first.
//
// Encoding writes upper-case digits. Decoding reads either case and never
// fails loudly: a text of odd length gives the empty byte string, and a
// character that is no hex digit counts as 0 in its nibble ("G1" gives 0x01).
#pragma once

#include <string>

// Upper-case hex text of the bytes, twice as long; empty for empty input.
std::string string2hex(const std::string& bytes);

// The bytes a hex text stands for, half as long; empty for an odd length.
std::string hex2string(const std::string& hex);
