#include "protect/strings.h"

void splitString(const std::string& text, char delimiter, std::vector<std::string>& pieces) {
  size_t start = text.find_first_not_of(delimiter);
  while (start != std::string::npos) {
    const size_t end = text.find(delimiter, start);
    if (end == std::string::npos) {
      pieces.push_back(text.substr(start));
      break;
    }
    pieces.push_back(text.substr(start, end - start));
    start = text.find_first_not_of(delimiter, end);
  }
}

void appendString(std::string& list, const std::string& piece) {
  if (!list.empty()) list.push_back('|');
  list += piece;
}

int32_t countOccurrences(const std::string& text, const std::string& pattern) {
  int32_t count = 0;
  size_t pos = text.find(pattern, 0);
  while (pos != std::string::npos && count < INT32_MAX) {
    ++count;
    pos = text.find(pattern, pos + (pattern.empty() ? 1 : pattern.size()));
  }
  return count;
}
