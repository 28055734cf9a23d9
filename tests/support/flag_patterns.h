// The pattern texts that the four input6 flag bytes give, written out case by
// case: flags are upper-case letters, lower-case letters, digits, symbols, in
// that order, '1' allowing a class. The allowed classes' pieces stand symbols
// first, then digits, lower case and upper case, joined by "|" and wrapped
// in "(" and ")*". Nothing here builds a text from pieces, so a test that
// compares the control's texts with these does not share its construction.
#pragma once

#include <string>

namespace flagpatterns {

struct Case {
  const char* flags;
  const char* pattern;
};

// The symbol class, 40 bytes; every backslash is one byte of the text.
#define SPC_SYMBOLS "([\\x20-\\x2F\\x3A-\\x40\\x5B-\\x60\\x7B-\\x7E])"

// Every combination of allowed classes, and the two texts without any: all
// four bytes '0', and any other flags without a '1' (here 0002).
inline const Case kCases[] = {
    {"0000", "(([^.])&&([^\n]))*"},
    {"0002", "()*"},
    {"1000", "(([A-Z]))*"},
    {"0100", "(([a-z]))*"},
    {"0010", "(([0-9]))*"},
    {"0001", "(" SPC_SYMBOLS ")*"},
    {"1100", "(([a-z])|([A-Z]))*"},
    {"1010", "(([0-9])|([A-Z]))*"},
    {"1001", "(" SPC_SYMBOLS "|([A-Z]))*"},
    {"0110", "(([0-9])|([a-z]))*"},
    {"0101", "(" SPC_SYMBOLS "|([a-z]))*"},
    {"0011", "(" SPC_SYMBOLS "|([0-9]))*"},
    {"1110", "(([0-9])|([a-z])|([A-Z]))*"},
    {"1101", "(" SPC_SYMBOLS "|([a-z])|([A-Z]))*"},
    {"1011", "(" SPC_SYMBOLS "|([0-9])|([A-Z]))*"},
    {"0111", "(" SPC_SYMBOLS "|([0-9])|([a-z]))*"},
    {"1111", "(" SPC_SYMBOLS "|([0-9])|([a-z])|([A-Z]))*"},
};

#undef SPC_SYMBOLS

// The text of the case whose flags are exactly these; empty when none is.
inline std::string caseText(const std::string& flags) {
  for (const Case& c : kCases) {
    if (flags == c.flags) return c.pattern;
  }
  return std::string();
}

// The text for any four flag bytes: a byte other than '1' leaves its class
// out, so the flags read as the listed case with '0' in its place; flags
// without a '1' that are not all '0' read as 0002.
inline std::string patternFor(const std::string& flags) {
  if (flags == "0000") return caseText("0000");
  std::string key;
  for (char ch : flags) key += ch == '1' ? '1' : '0';
  return caseText(key == "0000" ? "0002" : key);
}

}  // namespace flagpatterns
