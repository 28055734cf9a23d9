// The scriptable object `editorplugin`: the NPAPI object page script sees
// through the class record editNPClass, and the store of everything the page
// has told one control. Also the process-wide method and property identifier
// tables, and the small accessors the entry points and the password box use.
//
// The object is bound either to the Core Animation text field (textField) or
// to the control's record (instance); it owns neither. NPP_Destroy cuts both
// bindings (detachEditNPObject) before it drops its reference, so a script
// call that arrives later, while the browser still holds the object, finds no
// text source instead of freed memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "npapi/npruntime.h"

class NSTextField;
struct PluginInstance;

// An owned byte value: a zero-terminated copy in a block one byte longer than
// the value, with the value's length. Unset: no block, length 0.
struct ByteBuffer {
  char* bytes = nullptr;
  uint32_t length = 0;

  ByteBuffer() = default;
  ~ByteBuffer() { release(); }
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;

  // Set: storage and a non-zero length.
  bool isSet() const { return bytes != nullptr && length != 0; }
  // Frees the old block (leaving the buffer unset), then, for n > 0, takes a
  // fresh zero-filled block of n + 1 bytes, copies text's bytes up to n or up
  // to its first zero byte, whichever comes first, and sets length to n.
  // n == 0 or a null text leaves the buffer unset.
  void assign(const char* text, uint32_t n);
  // Frees the block; the buffer is unset.
  void release();
};

class editorplugin : public NPObject {
 public:
  editorplugin();
  ~editorplugin();
  editorplugin(const editorplugin&) = delete;
  editorplugin& operator=(const editorplugin&) = delete;

  // Empties the password: the bound text field's string (Core Animation), then
  // the bound record's edit buffer through the box's clearpo hook (Core
  // Graphics; plugin/hooks.h). Strength values, session randoms and stored
  // properties stay. Unbound: nothing.
  void clear();

  NSTextField* textField = nullptr;    // not owned; Core Animation text source
  PluginInstance* instance = nullptr;  // not owned; Core Graphics text source
  bool plainText = false;              // show unmasked; nothing sets it
  int32_t rsaMode = 1;                 // non-zero RSA mode, 0 SM2 mode (input0); RSA until set
  ByteBuffer wrappedKey;               // input1
  ByteBuffer inputPattern;             // input2 / input6: per-character pattern
  ByteBuffer passwordPattern;          // input3 / input6: whole-password pattern
  int32_t input5Value = 0;
  int32_t maxlength = 100;
  int32_t input7Value = 0;
  int32_t cursorMode = 1;  // 0 centred, other values left-aligned
  std::string returnCallback;
  std::string tabCallback;
  std::string encryptedServerRandom;  // input4
  std::string input8Text;
  std::string input13Text;
  std::string serverPublicKey;  // input9
  std::string input10Text;
  std::string input11Text;
  std::string input12Text;
  NPVariant strengthClasses;    // Int32, 0
  NPVariant simplePatternFlag;  // Int32, 1
  NPVariant patternMismatch;    // Int32, 0
  NPVariant strengthLevel;      // Int32, 0
};

// Method and property names, in the fixed index order that the hooks use.
enum MethodIndex : int {
  kMethodGetOutput1,
  kMethodGetOutput2,
  kMethodGetOutput3,
  kMethodGetOutput4,
  kMethodGetOutput5,
  kMethodGetOutput6,
  kMethodGetOutput44,
  kMethodGetOutput16,
  kMethodGetOutput37,
  kMethodGetOutput60,
  kMethodGetOutput61,
  kMethodGetOutput62,
  kMethodGetOutput63,
  kMethodClearSeCtrl,
  kMethodCount
};

enum PropertyIndex : int {
  kPropertyInput0,
  kPropertyInput1,
  kPropertyInput2,
  kPropertyInput3,
  kPropertyInput4,
  kPropertyMaxlength,
  kPropertyInput5,
  kPropertyInput6,
  kPropertyInput7,
  kPropertyInput8,
  kPropertyInput9,
  kPropertyInput10,
  kPropertyInput11,
  kPropertyInput12,
  kPropertyInput13,
  kPropertyReturnCallback,
  kPropertyTabCallback,
  kPropertyCount
};

inline constexpr const char* methodIdentifierNames[] = {
    "get_output1",  "get_output2",  "get_output3",  "get_output4",  "get_output5",
    "get_output6",  "get_output44", "get_output16", "get_output37", "get_output60",
    "get_output61", "get_output62", "get_output63", "ClearSeCtrl",
};
static_assert(sizeof(methodIdentifierNames) / sizeof(methodIdentifierNames[0]) == kMethodCount,
              "one name per method index");

inline constexpr const char* propertyIdentifiersNames[] = {
    "input0",  "input1",  "input2",  "input3",         "input4",      "maxlength",
    "input5",  "input6",  "input7",  "input8",         "input9",      "input10",
    "input11", "input12", "input13", "returnCallback", "tabCallback",
};
static_assert(sizeof(propertyIdentifiersNames) / sizeof(propertyIdentifiersNames[0]) ==
                  kPropertyCount,
              "one name per property index");

// The browser's identifiers for the names above, index for index; filled once
// per process by initializeIdentifiers (the first allocation runs it).
extern NPIdentifier methodIdentifiers[kMethodCount];
extern NPIdentifier propertyIdentifiers[kPropertyCount];
extern bool identifiersInitialized;

// First call: asks the browser for the 14 method identifiers, then for the 17
// property identifiers (two NPN_GetStringIdentifiers calls). Later calls: nothing.
void initializeIdentifiers();
// Index of name in methodIdentifiers / propertyIdentifiers, searched from 0;
// -1 when it is none of them. Identifiers are interned, so this is an exact,
// case-sensitive match on the name.
int methodIndexOf(NPIdentifier name);
int propertyIndexOf(NPIdentifier name);

// The class record (structVersion 3) and its own hooks. The property hooks
// are in plugin/properties.h, the invoke hook in plugin/methods.h.
extern NPClass editNPClass;
NPObject* editorNPObjectAllocate(NPP npp, NPClass* aClass);
void editorNPObjectDeallocate(NPObject* object);
bool editorNPObjectHasMethod(NPObject* object, NPIdentifier name);

// The editorplugin behind an NPObject of editNPClass; null for any other object.
inline editorplugin* toEditorPlugin(NPObject* object) {
  return object && object->_class == &editNPClass ? static_cast<editorplugin*>(object) : nullptr;
}

// Makes a new object through NPN_CreateObject and binds it: mode 0 to the
// text field target (which may be null), mode 1 to the PluginInstance target,
// other modes to nothing. Returns the browser's one reference (the caller's),
// or null when the browser cannot create the object.
editorplugin* createEditNPObject(NPP npp, void* target, int mode);

// Cuts the object loose from its text field and record (NPP_Destroy).
void detachEditNPObject(NPObject* object);

// Accessors; a null or foreign object answers the defaults shown.
void settextfiled(NPObject* object, NSTextField* field);  // binds, no reference taken
bool isPlainText(NPObject* object);                       // false
int32_t Cursor(NPObject* object);                         // 1
int32_t getMaxLength(NPObject* object);                   // 0

// Tab (9) and Return (13) hook of the key handlers: does nothing, returns 1.
int32_t evaluatescript(NPObject* object, int32_t keyCharacter, NPP npp);
