// Script properties and embed attributes: one row per property with its get
// and set handler, in the order of propertyIdentifiersNames, and one row per
// attribute name in the order the attributes are compared.
//
// The two paths differ on purpose: input2/input3 are write-once through script
// but replaced (or emptied) by attributes; input6 through script replaces the
// password pattern only when one is set; input4 through script runs the
// server-random step; maxlength and input7 are bounded through script only;
// integers come from text for attributes and from Int32 (input5 also String)
// for script; an empty String empties a text, an empty attribute changes nothing.
#include "plugin/properties.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "plugin/EditNPObject.h"
#include "plugin/results.h"
#include "plugin/session.h"
#include "protect/strings.h"

namespace {

// ---- values -----------------------------------------------------------------

// Parses as atoi does (leading white space, optional sign, decimal digits up
// to the first other character, none gives 0), reading no more than n bytes,
// and saturates at the 32-bit limits where atoi's result would be undefined.
int32_t parseInt32(const char* text, size_t n) {
  if (!text) return 0;
  size_t i = 0;
  while (i < n && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
  int64_t value = 0;
  for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > limit) {
      value = limit;
      break;
    }
  }
  return static_cast<int32_t>(negative ? -value : value);
}

bool isString(const NPVariant* v) { return v && NPVARIANT_IS_STRING(*v); }
bool isInt32(const NPVariant* v) { return v && NPVARIANT_IS_INT32(*v); }

// The browser's String: its UTF8Length bytes exactly (not zero-terminated).
const char* chars(const NPVariant* v) { return NPVARIANT_TO_STRING(*v).UTF8Characters; }
uint32_t length(const NPVariant* v) { return chars(v) ? NPVARIANT_TO_STRING(*v).UTF8Length : 0; }
std::string textOf(const NPVariant* v) { return std::string(chars(v) ? chars(v) : "", length(v)); }

void setInt(NPVariant* result, int32_t value) { INT32_TO_NPVARIANT(value, *result); }
void getText(NPVariant* result, const std::string& text) { setStringResult(result, text); }
void getBuffer(NPVariant* result, const ByteBuffer& buffer) {
  if (buffer.isSet()) setStringResult(result, buffer.bytes, buffer.length);
}

// ---- the input6 pattern texts -------------------------------------------------

constexpr char kSymbolPiece[] = R"p(([\x20-\x2F\x3A-\x40\x5B-\x60\x7B-\x7E]))p";
constexpr char kDigitPiece[] = "([0-9])";
constexpr char kLowerPiece[] = "([a-z])";
constexpr char kUpperPiece[] = "([A-Z])";
// Flags all '0': both texts become this one before they are wrapped.
constexpr char kNoClassText[] = "([^.])&&([^\n])";
static_assert(sizeof(kSymbolPiece) - 1 == 40, "the symbol class piece is 40 bytes");
static_assert(sizeof(kNoClassText) - 1 == 14, "the no-class text is 14 bytes");

// The pattern text of four flag bytes (upper, lower, digits, symbols; '1'
// allows a class): the allowed pieces joined with "|", symbols first.
std::string patternFromFlags(const char* flags) {
  std::string text;
  if (flags[3] == '1') appendString(text, kSymbolPiece);
  if (flags[2] == '1') appendString(text, kDigitPiece);
  if (flags[1] == '1') appendString(text, kLowerPiece);
  if (flags[0] == '1') appendString(text, kUpperPiece);
  if (std::memcmp(flags, "0000", 4) == 0) text = kNoClassText;
  return "(" + text + ")*";
}

void storePattern(ByteBuffer& buffer, const std::string& text) {
  buffer.assign(text.data(), static_cast<uint32_t>(text.size()));
}

// ---- the property rows -------------------------------------------------------

struct PropertyRow {
  void (*get)(const editorplugin& o, NPVariant* result);
  void (*set)(editorplugin& o, const NPVariant* value);
};

// A text property: stored and read back whole.
template <std::string editorplugin::*Field>
constexpr PropertyRow textRow() {
  return {[](const editorplugin& o, NPVariant* r) { getText(r, o.*Field); },
          [](editorplugin& o, const NPVariant* v) {
            if (isString(v)) o.*Field = textOf(v);
          }};
}

// A write-once pattern property (input2, input3).
template <ByteBuffer editorplugin::*Field>
constexpr PropertyRow writeOnceRow() {
  return {[](const editorplugin& o, NPVariant* r) { getBuffer(r, o.*Field); },
          [](editorplugin& o, const NPVariant* v) {
            if (isString(v) && !(o.*Field).isSet()) (o.*Field).assign(chars(v), length(v));
          }};
}

constexpr PropertyRow kPropertyRows[] = {
    // input0: the algorithm family, 1 or 0.
    {[](const editorplugin& o, NPVariant* r) { setInt(r, o.rsaMode == 1 ? 1 : 0); },
     [](editorplugin& o, const NPVariant* v) {
       if (isInt32(v)) o.rsaMode = NPVARIANT_TO_INT32(*v) != 0 ? 1 : 0;
     }},
    // input1: the wrapped key; an empty String empties it.
    {[](const editorplugin& o, NPVariant* r) { getBuffer(r, o.wrappedKey); },
     [](editorplugin& o, const NPVariant* v) {
       if (isString(v)) o.wrappedKey.assign(chars(v), length(v));
     }},
    writeOnceRow<&editorplugin::inputPattern>(),     // input2
    writeOnceRow<&editorplugin::passwordPattern>(),  // input3
    // input4: the server's encrypted random, then the server-random step.
    {[](const editorplugin& o, NPVariant* r) { getText(r, o.encryptedServerRandom); },
     [](editorplugin& o, const NPVariant* v) {
       if (!isString(v)) return;
       o.encryptedServerRandom = textOf(v);
       receiveServerRandom(&o);
     }},
    // maxlength: below 1 stores 0.
    {[](const editorplugin& o, NPVariant* r) { setInt(r, o.maxlength); },
     [](editorplugin& o, const NPVariant* v) {
       if (isInt32(v)) o.maxlength = NPVARIANT_TO_INT32(*v) < 1 ? 0 : NPVARIANT_TO_INT32(*v);
     }},
    // input5: an Int32, or a String parsed as a number.
    {[](const editorplugin& o, NPVariant* r) { setInt(r, o.input5Value); },
     [](editorplugin& o, const NPVariant* v) {
       if (isInt32(v)) o.input5Value = NPVARIANT_TO_INT32(*v);
       if (isString(v)) o.input5Value = parseInt32(chars(v), length(v));
     }},
    // input6: four flag bytes build the patterns; it reads back nothing.
    {[](const editorplugin&, NPVariant*) {},
     [](editorplugin& o, const NPVariant* v) {
       if (!isString(v) || length(v) != 4) return;
       const std::string text = patternFromFlags(chars(v));
       storePattern(o.inputPattern, text);
       if (o.passwordPattern.isSet()) storePattern(o.passwordPattern, text);
     }},
    // input7: below 0 stores 0.
    {[](const editorplugin& o, NPVariant* r) { setInt(r, o.input7Value); },
     [](editorplugin& o, const NPVariant* v) {
       if (isInt32(v)) o.input7Value = NPVARIANT_TO_INT32(*v) < 0 ? 0 : NPVARIANT_TO_INT32(*v);
     }},
    textRow<&editorplugin::input8Text>(),
    textRow<&editorplugin::serverPublicKey>(),  // input9
    textRow<&editorplugin::input10Text>(),
    textRow<&editorplugin::input11Text>(),
    textRow<&editorplugin::input12Text>(),
    textRow<&editorplugin::input13Text>(),
    textRow<&editorplugin::returnCallback>(),
    textRow<&editorplugin::tabCallback>(),
};
static_assert(sizeof(kPropertyRows) / sizeof(kPropertyRows[0]) == kPropertyCount,
              "one row per property, in the order of propertyIdentifiersNames");

// ---- the attribute rows ------------------------------------------------------

// An attribute handler gets the value as the browser gave it (possibly null).
struct AttributeRow {
  const char* name;
  void (*apply)(editorplugin& o, const char* value);
};

bool nonEmpty(const char* value) { return value && value[0] != '\0'; }
int32_t parsed(const char* value) { return parseInt32(value, std::strlen(value)); }

// A pattern or key attribute: the buffer is emptied first, then filled.
template <ByteBuffer editorplugin::*Field>
constexpr AttributeRow bufferAttribute(const char* name) {
  return {name, [](editorplugin& o, const char* value) {
            (o.*Field).release();
            if (nonEmpty(value))
              (o.*Field).assign(value, static_cast<uint32_t>(std::strlen(value)));
          }};
}

template <std::string editorplugin::*Field>
constexpr AttributeRow textAttribute(const char* name) {
  return {name, [](editorplugin& o, const char* value) {
            if (nonEmpty(value)) o.*Field = value;
          }};
}

template <int32_t editorplugin::*Field>
constexpr AttributeRow intAttribute(const char* name) {
  return {name, [](editorplugin& o, const char* value) {
            if (nonEmpty(value)) o.*Field = parsed(value);
          }};
}

constexpr AttributeRow kAttributeRows[] = {
    {"input0",
     [](editorplugin& o, const char* value) {
       if (nonEmpty(value)) o.rsaMode = parsed(value) != 0 ? 1 : 0;
     }},
    bufferAttribute<&editorplugin::wrappedKey>("input1"),
    bufferAttribute<&editorplugin::inputPattern>("input2"),
    bufferAttribute<&editorplugin::passwordPattern>("input3"),
    textAttribute<&editorplugin::encryptedServerRandom>("input4"),  // no server-random step
    intAttribute<&editorplugin::maxlength>("maxlength"),
    intAttribute<&editorplugin::input5Value>("input5"),
    {"input6",
     [](editorplugin& o, const char* value) {
       if (!value || std::strlen(value) != 4) return;
       const std::string text = patternFromFlags(value);
       storePattern(o.inputPattern, text);
       storePattern(o.passwordPattern, text);
     }},
    intAttribute<&editorplugin::input7Value>("input7"),
    textAttribute<&editorplugin::serverPublicKey>("input9"),
    textAttribute<&editorplugin::input10Text>("input10"),
    textAttribute<&editorplugin::input11Text>("input11"),
    textAttribute<&editorplugin::input12Text>("input12"),
};
static_assert(sizeof(kAttributeRows) / sizeof(kAttributeRows[0]) == 13,
              "thirteen embed attributes");

}  // namespace

bool editorNPHasPropertyFunctionPtr(NPObject*, NPIdentifier name) {
  return propertyIndexOf(name) >= 0;
}

bool editorNPGetPropertyFunctionPtr(NPObject* object, NPIdentifier name, NPVariant* result) {
  const int index = propertyIndexOf(name);
  if (index < 0) return false;
  if (editorplugin* o = toEditorPlugin(object); o && result) kPropertyRows[index].get(*o, result);
  return true;
}

bool editorNPSetPropertyFunctionPtr(NPObject* object, NPIdentifier name, const NPVariant* value) {
  const int index = propertyIndexOf(name);
  if (index < 0) return false;
  if (editorplugin* o = toEditorPlugin(object); o && value) {
    try {
      kPropertyRows[index].set(*o, value);
    } catch (...) {
      // A value the control cannot take (no memory for its copy) leaves the
      // field as it was; nothing reaches the browser.
    }
  }
  return true;
}

void parseEmbedAttributes(editorplugin* object, int16_t argc, char* argn[], char* argv[]) {
  if (!object || argc < 1 || !argn || !argv) return;
  for (int16_t i = 0; i < argc; ++i) {
    if (!argn[i]) continue;
    for (const AttributeRow& row : kAttributeRows) {
      if (std::strcmp(argn[i], row.name) == 0) {
        try {
          row.apply(*object, argv[i]);
        } catch (...) {
          // Skipped as the property hook skips it; the next attribute follows.
        }
        break;
      }
    }
  }
}
