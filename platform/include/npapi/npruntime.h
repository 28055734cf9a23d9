// The NPAPI scripting interface: objects with a class record of hooks,
// variants, strings and identifiers, as the published npruntime layout has
// them. Objects are reference-counted by the browser: NPN_CreateObject makes
// one with a count of 1, NPN_RetainObject and NPN_ReleaseObject move the count,
// and the class's deallocate hook frees it at zero.
#pragma once

#include <stdint.h>
#if !defined(__cplusplus)
#include <stdbool.h>
#endif

#include "npapi/npapi.h"

#if defined(__cplusplus)
extern "C" {
#endif

typedef char NPUTF8;

// A UTF-8 text that is not necessarily zero-terminated.
typedef struct _NPString {
  const NPUTF8* UTF8Characters;
  uint32_t UTF8Length;
} NPString;

typedef struct NPObject NPObject;
typedef struct NPClass NPClass;

typedef enum {
  NPVariantType_Void,
  NPVariantType_Null,
  NPVariantType_Bool,
  NPVariantType_Int32,
  NPVariantType_Double,
  NPVariantType_String,
  NPVariantType_Object
} NPVariantType;

typedef struct _NPVariant {
  NPVariantType type;
  union {
    bool boolValue;
    int32_t intValue;
    double doubleValue;
    NPString stringValue;
    NPObject* objectValue;
  } value;
} NPVariant;

#define NPVARIANT_IS_VOID(_v) ((_v).type == NPVariantType_Void)
#define NPVARIANT_IS_NULL(_v) ((_v).type == NPVariantType_Null)
#define NPVARIANT_IS_BOOLEAN(_v) ((_v).type == NPVariantType_Bool)
#define NPVARIANT_IS_INT32(_v) ((_v).type == NPVariantType_Int32)
#define NPVARIANT_IS_DOUBLE(_v) ((_v).type == NPVariantType_Double)
#define NPVARIANT_IS_STRING(_v) ((_v).type == NPVariantType_String)
#define NPVARIANT_IS_OBJECT(_v) ((_v).type == NPVariantType_Object)

#define NPVARIANT_TO_BOOLEAN(_v) ((_v).value.boolValue)
#define NPVARIANT_TO_INT32(_v) ((_v).value.intValue)
#define NPVARIANT_TO_DOUBLE(_v) ((_v).value.doubleValue)
#define NPVARIANT_TO_STRING(_v) ((_v).value.stringValue)
#define NPVARIANT_TO_OBJECT(_v) ((_v).value.objectValue)

#define VOID_TO_NPVARIANT(_v)       \
  do {                              \
    (_v).type = NPVariantType_Void; \
    (_v).value.objectValue = NULL;  \
  } while (0)
#define NULL_TO_NPVARIANT(_v)       \
  do {                              \
    (_v).type = NPVariantType_Null; \
    (_v).value.objectValue = NULL;  \
  } while (0)
#define BOOLEAN_TO_NPVARIANT(_val, _v) \
  do {                                 \
    (_v).type = NPVariantType_Bool;    \
    (_v).value.boolValue = !!(_val);   \
  } while (0)
#define INT32_TO_NPVARIANT(_val, _v) \
  do {                               \
    (_v).type = NPVariantType_Int32; \
    (_v).value.intValue = (_val);    \
  } while (0)
#define DOUBLE_TO_NPVARIANT(_val, _v) \
  do {                                \
    (_v).type = NPVariantType_Double; \
    (_v).value.doubleValue = (_val);  \
  } while (0)
#define STRINGZ_TO_NPVARIANT(_val, _v)                 \
  do {                                                 \
    (_v).type = NPVariantType_String;                  \
    NPString str = {(_val), (uint32_t)(strlen(_val))}; \
    (_v).value.stringValue = str;                      \
  } while (0)
#define STRINGN_TO_NPVARIANT(_val, _len, _v)   \
  do {                                         \
    (_v).type = NPVariantType_String;          \
    NPString str = {(_val), (uint32_t)(_len)}; \
    (_v).value.stringValue = str;              \
  } while (0)
#define OBJECT_TO_NPVARIANT(_val, _v) \
  do {                                \
    (_v).type = NPVariantType_Object; \
    (_v).value.objectValue = (_val);  \
  } while (0)

// An interned name (or integer): equal names give equal identifiers.
typedef void* NPIdentifier;

// The class record's hooks.
typedef NPObject* (*NPAllocateFunctionPtr)(NPP npp, NPClass* aClass);
typedef void (*NPDeallocateFunctionPtr)(NPObject* npobj);
typedef void (*NPInvalidateFunctionPtr)(NPObject* npobj);
typedef bool (*NPHasMethodFunctionPtr)(NPObject* npobj, NPIdentifier name);
typedef bool (*NPInvokeFunctionPtr)(NPObject* npobj, NPIdentifier name, const NPVariant* args,
                                    uint32_t argCount, NPVariant* result);
typedef bool (*NPInvokeDefaultFunctionPtr)(NPObject* npobj, const NPVariant* args,
                                           uint32_t argCount, NPVariant* result);
typedef bool (*NPHasPropertyFunctionPtr)(NPObject* npobj, NPIdentifier name);
typedef bool (*NPGetPropertyFunctionPtr)(NPObject* npobj, NPIdentifier name, NPVariant* result);
typedef bool (*NPSetPropertyFunctionPtr)(NPObject* npobj, NPIdentifier name,
                                         const NPVariant* value);
typedef bool (*NPRemovePropertyFunctionPtr)(NPObject* npobj, NPIdentifier name);
typedef bool (*NPEnumerationFunctionPtr)(NPObject* npobj, NPIdentifier** value, uint32_t* count);
typedef bool (*NPConstructFunctionPtr)(NPObject* npobj, const NPVariant* args, uint32_t argCount,
                                       NPVariant* result);

// Class record versions: 2 added enumerate, 3 added construct.
#define NP_CLASS_STRUCT_VERSION 3
#define NP_CLASS_STRUCT_VERSION_ENUM 2
#define NP_CLASS_STRUCT_VERSION_CTOR 3

struct NPClass {
  uint32_t structVersion;
  NPAllocateFunctionPtr allocate;
  NPDeallocateFunctionPtr deallocate;
  NPInvalidateFunctionPtr invalidate;
  NPHasMethodFunctionPtr hasMethod;
  NPInvokeFunctionPtr invoke;
  NPInvokeDefaultFunctionPtr invokeDefault;
  NPHasPropertyFunctionPtr hasProperty;
  NPGetPropertyFunctionPtr getProperty;
  NPSetPropertyFunctionPtr setProperty;
  NPRemovePropertyFunctionPtr removeProperty;
  NPEnumerationFunctionPtr enumerate;
  NPConstructFunctionPtr construct;
};

// The header every scriptable object starts with; the browser fills it.
struct NPObject {
  NPClass* _class;
  uint32_t referenceCount;
};

#if defined(__cplusplus)
}
#endif
