// Plain models of the password box's editing rules, written straight from
// their definitions, for differential tests against the control through the
// host: the self-drawn box's buffer, caret and click placement, and the Core
// Animation field's caret, drag selection and formatter. The rating comes from
// tests/support/strength_model.h, the input6 texts from flag_patterns.h.
//
// Regular expressions go through std::regex (ECMAScript), a second engine
// beside the ICU one the control uses; the patterns the tests use mean the
// same in both.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <regex>
#include <string>

#include "tests/support/strength_model.h"

namespace oracle {

// ---- Strength rating.

// The rating model of tests/support/strength_model.h.
using Strength = strengthmodel::Rating;
inline Strength rate(const std::string& utf8) { return strengthmodel::rate(utf8); }

// ---- Patterns.

inline bool validUtf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

// Whole-text match of an ASCII text against a pattern; nullopt when the
// pattern is not a valid expression (the engine would raise).
inline std::optional<bool> wholeMatch(const std::string& pattern, const std::string& text) {
  static std::map<std::string, std::optional<std::regex>> cache;
  auto it = cache.find(pattern);
  if (it == cache.end()) {
    std::optional<std::regex> re;
    try {
      re.emplace(pattern, std::regex::ECMAScript);
    } catch (const std::regex_error&) {
    }
    it = cache.emplace(pattern, std::move(re)).first;
  }
  if (!it->second) return std::nullopt;
  return std::regex_match(text, *it->second);
}

// ---- The self-drawn box.

struct CgBox {
  std::string buffer;
  int32_t caret = 0;
  int32_t maxlength = 100;
  // The input pattern buffer: nullopt when unset (or set with length 0).
  std::optional<std::string> pattern;
  Strength strength;
  bool clickPending = false;
  double clickX = 0;
  int hookCalls = 0;  // Tab and Return

  bool charAllowed(char c) const {
    if (!pattern || pattern->empty()) return true;
    // The buffer read as a zero-terminated UTF-8 text.
    std::string text = pattern->substr(0, pattern->find('\0'));
    if (text.empty() || !validUtf8(text)) return false;
    std::optional<bool> m = wholeMatch(text, std::string(1, c));
    return m.value_or(false);
  }

  // One key-down with the event's characters (UTF-8) and key code.
  void keyDown(const std::string& characters, uint16_t keyCode) {
    const auto c = static_cast<signed char>(characters.empty() ? '\0' : characters[0]);
    const auto length = static_cast<int32_t>(buffer.size());
    if (c == 0x0D || c == 0x09) {
      ++hookCalls;
    } else if (c == 0x1B) {
      // nothing
    } else if (keyCode == 123) {
      if (length == 0)
        caret = 0;
      else if (caret > 0)
        --caret;
    } else if (keyCode == 124) {
      if (length == 0)
        caret = 0;
      else if (caret < length)
        ++caret;
    } else if (keyCode == 126) {
      caret = 0;
    } else if (keyCode == 125) {
      caret = length;
    } else if (keyCode == 51) {
      if (length > 0 && caret > 0) {
        buffer.erase(static_cast<size_t>(caret - 1), 1);
        --caret;
      }
    } else if (c >= 0x20 && c <= 0x7E && charAllowed(static_cast<char>(c)) &&
               length + 1 <= maxlength) {
      buffer.insert(static_cast<size_t>(caret), 1, static_cast<char>(c));
      ++caret;
    }
    strength = rate(buffer);
  }

  void mouseDown(double x, int32_t button) {
    if (button != 0) return;
    clickX = x;
    clickPending = true;
  }

  // Resolves a pending click against the pen positions: pen[k] is the pen's x
  // after the first k characters drawn one at a time from x 5 (pen[0] = 5).
  // Answers the caret index as the drawing leaves it.
  void draw(const std::vector<double>& pen) {
    if (!clickPending) return;
    clickPending = false;
    const auto n = static_cast<int32_t>(buffer.size());
    if (n == 0) return;  // a click on an empty box places nothing
    for (int32_t k = 1; k <= n; ++k) {
      if (pen[static_cast<size_t>(k)] > clickX) {
        caret = pen[static_cast<size_t>(k)] <= clickX + 8 ? k : k - 1;
        return;
      }
    }
    caret = n;
  }

  void clear() {
    buffer.clear();
    caret = 0;
  }
};

// ---- The Core Animation field, with the platform's field editor modelled
// as far as these tests drive it (ASCII text only, so units are bytes).

struct NSRangeModel {
  uint64_t location = 0, length = 0;
  bool operator==(const NSRangeModel& o) const {
    return location == o.location && length == o.length;
  }
};
inline std::ostream& operator<<(std::ostream& os, const NSRangeModel& r) {
  return os << "{" << r.location << ", " << r.length << "}";
}

// Character index of a mouse position: 5-pixel inset, 6 pixels per
// character, truncated toward zero.
inline int64_t caIndex(double pluginX) { return static_cast<int64_t>((pluginX - 5) / 6); }

struct CaField {
  std::string text;                    // the editor's text (the field's value while editing)
  NSRangeModel selection;              // the editor's selection
  int32_t maxLength = 100;             // the formatter's, fixed at creation
  std::optional<std::string> pattern;  // the object's input pattern buffer
  Strength strength;

  // The formatter's verdict on a proposed whole text; an accepted text is
  // rated.
  bool formatterAccepts(const std::string& proposed) {
    const uint64_t limit = static_cast<uint64_t>(static_cast<int64_t>(maxLength));
    if (proposed.size() > limit) return false;
    if (pattern && !pattern->empty()) {
      std::optional<bool> m = wholeMatch(*pattern, proposed);
      if (m && !*m) return false;
    }
    strength = rate(proposed);
    return true;
  }

  void propose(NSRangeModel range, const std::string& units) {
    std::string proposed = text;
    proposed.replace(range.location, range.length, units);
    if (!formatterAccepts(proposed)) return;
    text = proposed;
    selection = {range.location + units.size(), 0};
  }

  void type(const std::string& units) {
    if (!units.empty()) propose(selection, units);
  }
  void deleteBackward() {
    if (selection.length > 0)
      propose(selection, "");
    else if (selection.location > 0)
      propose({selection.location - 1, 1}, "");
  }

  // Left mouse-down: a caret at the index; the anchor is what it leaves.
  void mouseDown(double x, NSRangeModel& anchor) {
    const int64_t index = std::max<int64_t>(0, caIndex(x));
    selection = {std::min<uint64_t>(static_cast<uint64_t>(index), text.size()), 0};
    anchor = selection;
  }

  // Left drag against the anchor of the last mouse-down.
  void drag(double x, const NSRangeModel& anchor) {
    const int64_t index = caIndex(x);
    const uint64_t len = text.size();
    const uint64_t a = anchor.location;
    const uint64_t e = anchor.location + anchor.length;
    uint64_t start, end;
    if (index > static_cast<int64_t>(a)) {
      start = a;
      end = std::min<uint64_t>(static_cast<uint64_t>(index), len);
    } else if (index >= 0) {
      start = static_cast<uint64_t>(index);
      end = e;
    } else {
      start = 0;
      end = e;
    }
    start = std::min(start, len);
    end = std::max(start, std::min(end, len));
    selection = {start, end - start};
  }
};

}  // namespace oracle
