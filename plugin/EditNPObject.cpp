#include "plugin/EditNPObject.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "AppKit/NSTextField.h"
#include "plugin/PluginInstance.h"
#include "plugin/hooks.h"
#include "plugin/methods.h"
#include "plugin/npn.h"
#include "plugin/properties.h"

NPIdentifier methodIdentifiers[kMethodCount];
NPIdentifier propertyIdentifiers[kPropertyCount];
bool identifiersInitialized = false;

NPClass editNPClass = {
    NP_CLASS_STRUCT_VERSION,
    editorNPObjectAllocate,
    editorNPObjectDeallocate,
    nullptr,  // invalidate
    editorNPObjectHasMethod,
    editorNPObjectInvoke,
    nullptr,  // invokeDefault
    editorNPHasPropertyFunctionPtr,
    editorNPGetPropertyFunctionPtr,
    editorNPSetPropertyFunctionPtr,
    nullptr,  // removeProperty
    nullptr,  // enumerate
    nullptr,  // construct
};

void ByteBuffer::assign(const char* text, uint32_t n) {
  release();
  if (!text || n == 0) return;
  char* block = static_cast<char*>(std::calloc(static_cast<size_t>(n) + 1, 1));
  if (!block) return;
  const void* end = std::memchr(text, '\0', n);
  size_t copied = end ? static_cast<size_t>(static_cast<const char*>(end) - text) : n;
  std::memcpy(block, text, copied);
  bytes = block;
  length = n;
}

void ByteBuffer::release() {
  std::free(bytes);
  bytes = nullptr;
  length = 0;
}

editorplugin::editorplugin() {
  _class = nullptr;
  referenceCount = 0;
  INT32_TO_NPVARIANT(0, strengthClasses);
  INT32_TO_NPVARIANT(1, simplePatternFlag);
  INT32_TO_NPVARIANT(0, patternMismatch);
  INT32_TO_NPVARIANT(0, strengthLevel);
}

// The byte buffers and texts free themselves; the bound field and record are
// not the object's to touch.
editorplugin::~editorplugin() = default;

void editorplugin::clear() {
  if (textField) {
    NSOwned<NSString> empty(new NSString());
    textField->setStringValue(empty.get());
  }
  if (instance && g_entryHooks.clearpo) g_entryHooks.clearpo(instance->npp);
}

namespace {

void askForIdentifiers(const char* const* names, int32_t count, NPIdentifier* out) {
  // The browser's prototype takes non-const pointers to the names.
  constexpr int kLongest = static_cast<int>(kPropertyCount) > static_cast<int>(kMethodCount)
                               ? static_cast<int>(kPropertyCount)
                               : static_cast<int>(kMethodCount);
  const NPUTF8* list[kLongest];
  for (int32_t i = 0; i < count; ++i) list[i] = names[i];
  NPN_GetStringIdentifiers(list, count, out);
}

int indexIn(const NPIdentifier* table, int count, NPIdentifier name) {
  if (!name) return -1;
  for (int i = 0; i < count; ++i) {
    if (table[i] == name) return i;
  }
  return -1;
}

}  // namespace

void initializeIdentifiers() {
  if (identifiersInitialized) return;
  askForIdentifiers(methodIdentifierNames, kMethodCount, methodIdentifiers);
  askForIdentifiers(propertyIdentifiersNames, kPropertyCount, propertyIdentifiers);
  identifiersInitialized = true;
}

int methodIndexOf(NPIdentifier name) { return indexIn(methodIdentifiers, kMethodCount, name); }

int propertyIndexOf(NPIdentifier name) {
  return indexIn(propertyIdentifiers, kPropertyCount, name);
}

NPObject* editorNPObjectAllocate(NPP, NPClass*) {
  initializeIdentifiers();
  return new (std::nothrow) editorplugin();
}

void editorNPObjectDeallocate(NPObject* object) { delete toEditorPlugin(object); }

bool editorNPObjectHasMethod(NPObject*, NPIdentifier name) { return methodIndexOf(name) >= 0; }

editorplugin* createEditNPObject(NPP npp, void* target, int mode) {
  editorplugin* object = toEditorPlugin(NPN_CreateObject(npp, &editNPClass));
  if (!object) return nullptr;
  if (mode == 0) {
    object->textField = static_cast<NSTextField*>(target);
  } else if (mode == 1) {
    object->instance = static_cast<PluginInstance*>(target);
  }
  return object;
}

void detachEditNPObject(NPObject* object) {
  if (editorplugin* editor = toEditorPlugin(object)) {
    editor->textField = nullptr;
    editor->instance = nullptr;
  }
}

void settextfiled(NPObject* object, NSTextField* field) {
  if (editorplugin* editor = toEditorPlugin(object)) editor->textField = field;
}

bool isPlainText(NPObject* object) {
  editorplugin* editor = toEditorPlugin(object);
  return editor && editor->plainText;
}

int32_t Cursor(NPObject* object) {
  editorplugin* editor = toEditorPlugin(object);
  return editor ? editor->cursorMode : 1;
}

int32_t getMaxLength(NPObject* object) {
  editorplugin* editor = toEditorPlugin(object);
  return editor ? editor->maxlength : 0;
}

int32_t evaluatescript(NPObject*, int32_t, NPP) { return 1; }
