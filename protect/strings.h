// Small text helpers: splitting at a delimiter, joining with "|", and counting
// the occurrences of a substring. They work on byte strings and cannot fail.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Appends to pieces each run of characters between delimiters; leading,
// trailing and repeated delimiters give no empty pieces. pieces is not cleared.
void splitString(const std::string& text, char delimiter, std::vector<std::string>& pieces);

// Appends "|" to list when list is not empty, then the piece (even an empty one).
void appendString(std::string& list, const std::string& piece);

// Number of non-overlapping occurrences of pattern, searched from the front.
// An empty pattern matches at every position 0..size, giving size + 1. The
// count saturates at INT32_MAX.
int32_t countOccurrences(const std::string& text, const std::string& pattern);
