#include "kat.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/hex.h"

namespace katfile {
namespace {

std::string trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return std::string();
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

}  // namespace

std::string Record::text(const std::string& name) const {
  auto it = fields.find(name);
  return it == fields.end() ? std::string() : it->second;
}

std::string Record::bytes(const std::string& name) const { return unhex(text(name)); }

std::vector<Record> read(const std::string& name) {
  std::vector<Record> records;
  const std::string path = std::string(SM34_DATA_DIR) + "/" + name;
  std::ifstream in(path);
  EXPECT_TRUE(in.good()) << "cannot open " << path;
  Record current;
  std::string raw;
  for (int lineNo = 1; std::getline(in, raw); ++lineNo) {
    const std::string line = trim(raw);
    if (!line.empty() && line[0] == '#') continue;
    if (line.empty()) {
      if (!current.fields.empty()) records.push_back(current);
      current = Record();
      continue;
    }
    const size_t eq = line.find('=');
    EXPECT_NE(eq, std::string::npos) << path << ":" << lineNo << ": no '='";
    if (eq == std::string::npos) continue;
    if (current.fields.empty()) current.line = lineNo;
    current.fields[trim(line.substr(0, eq))] = trim(line.substr(eq + 1));
  }
  if (!current.fields.empty()) records.push_back(current);
  EXPECT_FALSE(records.empty()) << path << " holds no records";
  return records;
}

std::string hex(const std::string& bytes) { return testsupport::toHex(bytes); }

std::string unhex(const std::string& text) {
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  EXPECT_EQ(text.size() % 2, 0u) << "odd hex length: " << text;
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    const int hi = nibble(text[i]), lo = nibble(text[i + 1]);
    EXPECT_TRUE(hi >= 0 && lo >= 0) << "bad hex: " << text;
    out.push_back(static_cast<char>((hi << 4) | (lo & 15)));
  }
  return out;
}

}  // namespace katfile
