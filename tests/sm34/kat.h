// Known-answer files: records of "Name = value" lines, separated by blank
// lines; "#" starts a comment line. Values are hex unless a test says otherwise.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace katfile {

struct Record {
  int line = 0;  // line of the record's first field, for failure messages
  std::map<std::string, std::string> fields;

  bool has(const std::string& name) const { return fields.count(name) != 0; }
  // The field's text; empty when it is missing.
  std::string text(const std::string& name) const;
  // The field's hex value as bytes.
  std::string bytes(const std::string& name) const;
};

// Reads tests/sm34/<name>; a file that is missing or malformed fails the calling test.
std::vector<Record> read(const std::string& name);

std::string hex(const std::string& bytes);
std::string unhex(const std::string& text);

}  // namespace katfile
