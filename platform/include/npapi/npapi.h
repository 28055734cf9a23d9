// The NPAPI plug-in interface: basic types, instance handle, window and
// stream records, the Cocoa event record, error codes and the variables that
// plug-in and browser query and set. Laid out as the published NPAPI headers
// lay them out for a Mac browser, so any browser (or test host) written from
// those layouts can drive a plug-in built against this file.
#pragma once

#include <stdint.h>

#define NP_VERSION_MAJOR 0
#define NP_VERSION_MINOR 27

#define NP_EMBED 1
#define NP_FULL 2

#define NP_NORMAL 1
#define NP_SEEK 2
#define NP_ASFILE 3
#define NP_ASFILEONLY 4

#define NP_MAXREADY (((unsigned)(~0) << 1) >> 1)

#if defined(__cplusplus)
#define NP_EXTERN_C extern "C"
#else
#define NP_EXTERN_C
#endif
// Bundle entry points are the only names a plug-in exports.
#define NP_EXPORT(type) NP_EXTERN_C __attribute__((visibility("default"))) type
#define NP_LOADDS

typedef unsigned char NPBool;
typedef int16_t NPError;
typedef int16_t NPReason;
typedef char* NPMIMEType;

// The instance handle: pdata belongs to the plug-in, ndata to the browser.
typedef struct _NPP {
  void* pdata;
  void* ndata;
} NPP_t;
typedef NPP_t* NPP;

typedef struct _NPStream {
  void* pdata;
  void* ndata;
  const char* url;
  uint32_t end;
  uint32_t lastmodified;
  void* notifyData;
  const char* headers;
} NPStream;

typedef struct _NPByteRange {
  int32_t offset;
  uint32_t length;
  struct _NPByteRange* next;
} NPByteRange;

typedef struct _NPSavedData {
  int32_t len;
  void* buf;
} NPSavedData;

typedef struct _NPRect {
  uint16_t top;
  uint16_t left;
  uint16_t bottom;
  uint16_t right;
} NPRect;

typedef struct _NPSize {
  int32_t width;
  int32_t height;
} NPSize;

typedef enum { NPFocusNext = 0, NPFocusPrevious = 1 } NPFocusDirection;

typedef enum { NPWindowTypeWindow = 1, NPWindowTypeDrawable } NPWindowType;

// A Mac window description: no ws_info member (that one exists on X11 only).
typedef struct _NPWindow {
  void* window;
  int32_t x;
  int32_t y;
  uint32_t width;
  uint32_t height;
  NPRect clipRect;
  NPWindowType type;
} NPWindow;

typedef struct _NPFullPrint {
  NPBool pluginPrinted;
  NPBool printOne;
  void* platformPrint;
} NPFullPrint;

typedef struct _NPEmbedPrint {
  NPWindow window;
  void* platformPrint;
} NPEmbedPrint;

typedef struct _NPPrint {
  uint16_t mode;
  union {
    NPFullPrint fullPrint;
    NPEmbedPrint embedPrint;
  } print;
} NPPrint;

typedef void* NPRegion;
typedef void* NPMenu;

typedef enum {
  NPCoordinateSpacePlugin = 1,
  NPCoordinateSpaceWindow,
  NPCoordinateSpaceFlippedWindow,
  NPCoordinateSpaceScreen,
  NPCoordinateSpaceFlippedScreen
} NPCoordinateSpace;

typedef enum { NPImageFormatBGRA32 = 0x1, NPImageFormatBGRX32 = 0x2 } NPImageFormat;

typedef struct _NPAsyncSurface {
  uint32_t version;
  NPSize size;
  NPImageFormat format;
  union {
    struct {
      uint32_t stride;
      void* data;
    } bitmap;
  };
} NPAsyncSurface;

// Variables the browser asks the plug-in for (NPP_GetValue) and the plug-in
// sets on the browser (NPN_SetValue).
#define NP_ABI_MASK 0
typedef enum {
  NPPVpluginNameString = 1,
  NPPVpluginDescriptionString,
  NPPVpluginWindowBool,
  NPPVpluginTransparentBool,
  NPPVjavaClass,
  NPPVpluginWindowSize,
  NPPVpluginTimerInterval,
  NPPVpluginScriptableInstance = (10 | NP_ABI_MASK),
  NPPVpluginScriptableIID = 11,
  NPPVjavascriptPushCallerBool = 12,
  NPPVpluginKeepLibraryInMemory = 13,
  NPPVpluginNeedsXEmbed = 14,
  NPPVpluginScriptableNPObject = 15,
  NPPVformValue = 16,
  NPPVpluginUrlRequestsDisplayedBool = 17,
  NPPVpluginWantsAllNetworkStreams = 18,
  NPPVpluginNativeAccessibleAtkPlugId = 19,
  NPPVpluginCancelSrcStream = 20,
  NPPVsupportsAdvancedKeyHandling = 21,
  NPPVpluginUsesDOMForCursorBool = 22,
  NPPVpluginDrawingModel = 1000,
  NPPVpluginEventModel = 1001,
  NPPVpluginCoreAnimationLayer = 1003
} NPPVariable;

// Variables the plug-in asks the browser for (NPN_GetValue) and the browser
// sets on the plug-in (NPP_SetValue).
typedef enum {
  NPNVxDisplay = 1,
  NPNVxtAppContext,
  NPNVnetscapeWindow,
  NPNVjavascriptEnabledBool,
  NPNVasdEnabledBool,
  NPNVisOfflineBool,
  NPNVserviceManager = (10 | NP_ABI_MASK),
  NPNVDOMElement = (11 | NP_ABI_MASK),
  NPNVDOMWindow = (12 | NP_ABI_MASK),
  NPNVToolkit = (13 | NP_ABI_MASK),
  NPNVSupportsXEmbedBool = 14,
  NPNVWindowNPObject = 15,
  NPNVPluginElementNPObject = 16,
  NPNVSupportsWindowless = 17,
  NPNVprivateModeBool = 18,
  NPNVsupportsAdvancedKeyHandling = 21,
  NPNVdocumentOrigin = 22,
  NPNVpluginDrawingModel = 1000,
  NPNVsupportsQuickDrawBool = 2000,
  NPNVsupportsCoreGraphicsBool = 2001,
  NPNVsupportsOpenGLBool = 2002,
  NPNVsupportsCoreAnimationBool = 2003,
  NPNVsupportsInvalidatingCoreAnimationBool = 2004,
  NPNVsupportsCarbonBool = 3000,
  NPNVsupportsCocoaBool = 3001,
  NPNVsupportsUpdatedCocoaTextInputBool = 3002,
  NPNVsupportsCompositingCoreAnimationPluginsBool = 74656
} NPNVariable;

typedef enum { NPNURLVCookie = 501, NPNURLVProxy } NPNURLVariable;

typedef enum {
  NPDrawingModelQuickDraw = 0,
  NPDrawingModelCoreGraphics = 1,
  NPDrawingModelOpenGL = 2,
  NPDrawingModelCoreAnimation = 3,
  NPDrawingModelInvalidatingCoreAnimation = 4
} NPDrawingModel;

typedef enum { NPEventModelCarbon = 0, NPEventModelCocoa = 1 } NPEventModel;

// Cocoa event model. Strings are Foundation strings and the drawing context a
// Core Graphics context, both owned by the browser for the length of the call.
#if defined(__cplusplus)
class NSString;
typedef NSString NPNSString;
#else
typedef struct NSString NPNSString;
#endif
typedef struct CGContext* CGContextRef;

typedef enum {
  NPCocoaEventDrawRect = 1,
  NPCocoaEventMouseDown,
  NPCocoaEventMouseUp,
  NPCocoaEventMouseMoved,
  NPCocoaEventMouseEntered,
  NPCocoaEventMouseExited,
  NPCocoaEventMouseDragged,
  NPCocoaEventKeyDown,
  NPCocoaEventKeyUp,
  NPCocoaEventFlagsChanged,
  NPCocoaEventFocusChanged,
  NPCocoaEventWindowFocusChanged,
  NPCocoaEventScrollWheel,
  NPCocoaEventTextInput
} NPCocoaEventType;

typedef struct _NPCocoaEvent {
  NPCocoaEventType type;
  uint32_t version;
  union {
    struct {
      uint32_t modifierFlags;
      double pluginX;
      double pluginY;
      int32_t buttonNumber;
      int32_t clickCount;
      double deltaX;
      double deltaY;
      double deltaZ;
    } mouse;
    struct {
      uint32_t modifierFlags;
      NPNSString* characters;
      NPNSString* charactersIgnoringModifiers;
      NPBool isARepeat;
      uint16_t keyCode;
    } key;
    struct {
      CGContextRef context;
      double x;
      double y;
      double width;
      double height;
    } draw;
    struct {
      NPBool hasFocus;
    } focus;
    struct {
      NPNSString* text;
    } text;
  } data;
} NPCocoaEvent;

// Error codes.
#define NPERR_BASE 0
#define NPERR_NO_ERROR (NPERR_BASE + 0)
#define NPERR_GENERIC_ERROR (NPERR_BASE + 1)
#define NPERR_INVALID_INSTANCE_ERROR (NPERR_BASE + 2)
#define NPERR_INVALID_FUNCTABLE_ERROR (NPERR_BASE + 3)
#define NPERR_MODULE_LOAD_FAILED_ERROR (NPERR_BASE + 4)
#define NPERR_OUT_OF_MEMORY_ERROR (NPERR_BASE + 5)
#define NPERR_INVALID_PLUGIN_ERROR (NPERR_BASE + 6)
#define NPERR_INVALID_PLUGIN_DIR_ERROR (NPERR_BASE + 7)
#define NPERR_INCOMPATIBLE_VERSION_ERROR (NPERR_BASE + 8)
#define NPERR_INVALID_PARAM (NPERR_BASE + 9)
#define NPERR_INVALID_URL (NPERR_BASE + 10)
#define NPERR_FILE_NOT_FOUND (NPERR_BASE + 11)
#define NPERR_NO_DATA (NPERR_BASE + 12)
#define NPERR_STREAM_NOT_SEEKABLE (NPERR_BASE + 13)
#define NPERR_TIME_RANGE_NOT_SUPPORTED (NPERR_BASE + 14)
#define NPERR_MALFORMED_SITE (NPERR_BASE + 15)

// Reasons a stream or URL request ended.
#define NPRES_BASE 0
#define NPRES_DONE (NPRES_BASE + 0)
#define NPRES_NETWORK_ERR (NPRES_BASE + 1)
#define NPRES_USER_BREAK (NPRES_BASE + 2)

// Flags for NPP_ClearSiteData.
#define NP_CLEAR_ALL 0
#define NP_CLEAR_CACHE (1 << 0)
#define NP_CLEAR_NOT_SUPPORTED (-1)

// Versions of the browser table that bring new slots.
#define NPVERS_HAS_STREAMOUTPUT 8
#define NPVERS_HAS_NOTIFICATION 9
#define NPVERS_HAS_LIVECONNECT 9
#define NPVERS_68K_HAS_LIVECONNECT 11
#define NPVERS_HAS_WINDOWLESS 11
#define NPVERS_HAS_XPCONNECT_SCRIPTING 13
#define NPVERS_HAS_NPRUNTIME_SCRIPTING 14
#define NPVERS_HAS_FORM_VALUES 15
#define NPVERS_HAS_POPUPS_ENABLED_STATE 16
#define NPVERS_HAS_RESPONSE_HEADERS 17
#define NPVERS_HAS_NPOBJECT_ENUM 18
#define NPVERS_HAS_PLUGIN_THREAD_ASYNC_CALL 19
#define NPVERS_HAS_ALL_NETWORK_STREAMS 20
#define NPVERS_HAS_URL_AND_AUTH_INFO 21
#define NPVERS_HAS_PRIVATE_MODE 22
#define NPVERS_MACOSX_HAS_COCOA_EVENTS 23
#define NPVERS_HAS_ADVANCED_KEY_HANDLING 25
#define NPVERS_HAS_URL_REDIRECT_HANDLING 26
#define NPVERS_HAS_CLEAR_SITE_DATA 27
