// The basic Mac scalar types that Carbon and Core Services calls use.
#pragma once

#include <stdint.h>

typedef int16_t OSErr;
typedef uint32_t FourCharCode;
typedef FourCharCode OSType;
typedef int32_t SInt32;
typedef uint32_t UInt32;
typedef int16_t SInt16;
typedef uint16_t UInt16;

enum { noErr = 0 };
