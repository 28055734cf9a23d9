// A parameterised case's GoogleTest name from its description: every byte
// that is not a letter or a digit becomes '_'.
#pragma once

#include <cctype>
#include <string>

namespace testsupport {

inline std::string caseName(std::string description) {
  for (char& ch : description) {
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return description;
}

}  // namespace testsupport
