// A minimal browser that knows the module only through the published NPAPI
// layouts, transcribed here on their own (no project header describes the
// tables). If our headers and the published layouts disagreed on any slot or
// field the module uses, the calls below would land in the wrong place.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "CoreServices/Gestalt.h"  // the system (a seam for the OS version)
#include "CoreServices/GestaltTesting.h"
#include "Foundation/NSObject.h"  // the system's autorelease pools

namespace pub {

typedef int16_t NPError;
struct NPP_t {
  void* pdata;
  void* ndata;
};
typedef NPP_t* NPP;
typedef void* NPIdentifier;
struct NPClass;
struct NPObject {
  NPClass* _class;
  uint32_t referenceCount;
};
struct NPString {
  const char* UTF8Characters;
  uint32_t UTF8Length;
};
struct NPVariant {
  int type;  // 0 void, 1 null, 2 bool, 3 int32, 4 double, 5 string, 6 object
  union {
    bool b;
    int32_t i;
    double d;
    NPString s;
    NPObject* o;
  } value;
};
struct NPClass {
  uint32_t structVersion;
  NPObject* (*allocate)(NPP, NPClass*);
  void (*deallocate)(NPObject*);
  void (*invalidate)(NPObject*);
  bool (*hasMethod)(NPObject*, NPIdentifier);
  bool (*invoke)(NPObject*, NPIdentifier, const NPVariant*, uint32_t, NPVariant*);
  bool (*invokeDefault)(NPObject*, const NPVariant*, uint32_t, NPVariant*);
  bool (*hasProperty)(NPObject*, NPIdentifier);
  bool (*getProperty)(NPObject*, NPIdentifier, NPVariant*);
  bool (*setProperty)(NPObject*, NPIdentifier, const NPVariant*);
  bool (*removeProperty)(NPObject*, NPIdentifier);
  bool (*enumerate)(NPObject*, NPIdentifier**, uint32_t*);
  bool (*construct)(NPObject*, const NPVariant*, uint32_t, NPVariant*);
};
struct NPRect {
  uint16_t top, left, bottom, right;
};
struct NPWindow {  // Mac: no ws_info
  void* window;
  int32_t x, y;
  uint32_t width, height;
  NPRect clipRect;
  int type;
};
struct NPCocoaEvent {
  int type;
  uint32_t version;
  union {
    struct {
      uint32_t modifierFlags;
      double pluginX, pluginY;
      int32_t buttonNumber, clickCount;
      double deltaX, deltaY, deltaZ;
    } mouse;
    struct {
      unsigned char hasFocus;
    } focus;
  } data;
};

struct NPNetscapeFuncs {
  uint16_t size, version;
  void *geturl, *posturl, *requestread, *newstream, *write, *destroystream, *status;
  const char* (*uagent)(NPP);
  void* (*memalloc)(uint32_t);
  void (*memfree)(void*);
  void *memflush, *reloadplugins, *getJavaEnv, *getJavaPeer, *geturlnotify, *posturlnotify;
  NPError (*getvalue)(NPP, int, void*);
  NPError (*setvalue)(NPP, int, void*);
  void (*invalidaterect)(NPP, NPRect*);
  void* invalidateregion;
  void (*forceredraw)(NPP);
  void* getstringidentifier;
  void (*getstringidentifiers)(const char**, int32_t, NPIdentifier*);
  void *getintidentifier, *identifierisstring, *utf8fromidentifier, *intfromidentifier;
  NPObject* (*createobject)(NPP, NPClass*);
  NPObject* (*retainobject)(NPObject*);
  void (*releaseobject)(NPObject*);
  void *invoke, *invokeDefault, *evaluate, *getproperty, *setproperty, *removeproperty,
      *hasproperty, *hasmethod;
  void (*releasevariantvalue)(NPVariant*);
  void *setexception, *pushpopupsenabledstate, *poppopupsenabledstate, *enumerate,
      *pluginthreadasynccall, *construct, *getvalueforurl, *setvalueforurl, *getauthenticationinfo;
  uint32_t (*scheduletimer)(NPP, uint32_t, unsigned char, void (*)(NPP, uint32_t));
  void (*unscheduletimer)(NPP, uint32_t);
  void *popupcontextmenu, *convertpoint, *handleevent, *unfocusinstance, *urlredirectresponse,
      *initasyncsurface, *finalizeasyncsurface, *setcurrentasyncsurface;
};

struct NPPluginFuncs {
  uint16_t size, version;
  NPError (*newp)(char*, NPP, uint16_t, int16_t, char**, char**, void*);
  NPError (*destroy)(NPP, void**);
  NPError (*setwindow)(NPP, NPWindow*);
  void *newstream, *destroystream, *asfile, *writeready, *write, *print;
  int16_t (*event)(NPP, void*);
  void* urlnotify;
  void* javaClass;
  NPError (*getvalue)(NPP, int, void*);
  NPError (*setvalue)(NPP, int, void*);
  void *gotfocus, *lostfocus, *urlredirectnotify, *clearsitedata, *getsiteswithdata, *didComposite;
};

// Published values.
enum {
  kSupportsCoreGraphics = 2001,
  kSupportsCoreAnimation = 2003,
  kSupportsCarbon = 3000,
  kSupportsCocoa = 3001,
  kDrawingModel = 1000,
  kEventModel = 1001,
  kScriptableNPObject = 15,
  kCoreAnimationLayer = 1003,
  kFocusChanged = 11,
};

}  // namespace pub

namespace {

// The browser's state.
std::map<std::string, std::string> g_ids;  // node addresses are the identifiers
std::set<void*> g_blocks;
std::map<int, intptr_t> g_set;
int g_invalidations = 0, g_redraws = 0;

const char* uagent(pub::NPP) { return "IndependentBrowser/1.0"; }
void* memalloc(uint32_t n) {
  void* p = std::malloc(n ? n : 1);
  g_blocks.insert(p);
  return p;
}
void memfree(void* p) {
  if (g_blocks.erase(p)) std::free(p);
}
pub::NPError getvalue(pub::NPP, int variable, void* value) {
  switch (variable) {
    case pub::kSupportsCoreGraphics:
    case pub::kSupportsCoreAnimation:
    case pub::kSupportsCocoa:
      *static_cast<unsigned char*>(value) = 1;
      return 0;
    default:
      return 1;
  }
}
pub::NPError setvalue(pub::NPP, int variable, void* value) {
  g_set[variable] = reinterpret_cast<intptr_t>(value);
  return 0;
}
void invalidaterect(pub::NPP, pub::NPRect*) { ++g_invalidations; }
void forceredraw(pub::NPP) { ++g_redraws; }
pub::NPIdentifier intern(const char* name) { return &g_ids.emplace(name, name).first->second; }
void getstringidentifiers(const char** names, int32_t n, pub::NPIdentifier* out) {
  for (int32_t i = 0; i < n; ++i) out[i] = intern(names[i]);
}
pub::NPObject* createobject(pub::NPP npp, pub::NPClass* c) {
  pub::NPObject* o = c->allocate(npp, c);
  if (!o) return nullptr;
  o->_class = c;
  o->referenceCount = 1;
  return o;
}
pub::NPObject* retainobject(pub::NPObject* o) {
  ++o->referenceCount;
  return o;
}
void releaseobject(pub::NPObject* o) {
  if (--o->referenceCount == 0) o->_class->deallocate(o);
}
void releasevariantvalue(pub::NPVariant* v) {
  if (v->type == 5) memfree(const_cast<char*>(v->value.s.UTF8Characters));
  if (v->type == 6) releaseobject(v->value.o);
  v->type = 0;
}

struct Module {
  void* handle = nullptr;
  pub::NPNetscapeFuncs browser{};
  pub::NPPluginFuncs plugin{};
};

Module& module() {
  static Module* m = [] {
    auto* made = new Module;
    made->handle = dlopen(SPC_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!made->handle) return made;
    pub::NPNetscapeFuncs& b = made->browser;
    b.size = sizeof b;
    b.version = 27;
    b.uagent = uagent;
    b.memalloc = memalloc;
    b.memfree = memfree;
    b.getvalue = getvalue;
    b.setvalue = setvalue;
    b.invalidaterect = invalidaterect;
    b.forceredraw = forceredraw;
    b.getstringidentifiers = getstringidentifiers;
    b.createobject = createobject;
    b.retainobject = retainobject;
    b.releaseobject = releaseobject;
    b.releasevariantvalue = releasevariantvalue;
    auto init = reinterpret_cast<pub::NPError (*)(pub::NPNetscapeFuncs*)>(
        dlsym(made->handle, "NP_Initialize"));
    auto entry = reinterpret_cast<pub::NPError (*)(pub::NPPluginFuncs*)>(
        dlsym(made->handle, "NP_GetEntryPoints"));
    NSAutoreleasePool pool;
    if (init && entry && init(&b) == 0) {
      made->plugin.size = sizeof made->plugin;
      entry(&made->plugin);
    }
    return made;
  }();
  return *m;
}

TEST(IndependentHost, LoadsTheModuleThroughThePublishedTables) {
  Module& m = module();
  ASSERT_NE(nullptr, m.handle) << dlerror();
  EXPECT_EQ(sizeof(pub::NPPluginFuncs), m.plugin.size);
  EXPECT_EQ(11, m.plugin.version);
  EXPECT_NE(nullptr, m.plugin.newp);
  EXPECT_NE(nullptr, m.plugin.getvalue);
  EXPECT_EQ(nullptr, dlsym(m.handle, "NPP_New")) << "only the bundle entry points are exported";
}

TEST(IndependentHost, DrivesAControlInEachDrawingModel) {
  Module& m = module();
  ASSERT_NE(nullptr, m.plugin.newp);
  for (SInt32 minor : {12, 13}) {
    GestaltSetSystemVersion(10, minor, 0);
    g_set.clear();
    NSAutoreleasePool pool;
    pub::NPP_t npp{nullptr, nullptr};
    char mime[] = "application/x-secure-password-control";
    char name[] = "maxlength";
    char value[] = "8";
    char* argn[] = {name};
    char* argv[] = {value};
    ASSERT_EQ(0, m.plugin.newp(mime, &npp, 1, 1, argn, argv, nullptr));
    ASSERT_NE(nullptr, npp.pdata);
    EXPECT_EQ(minor == 12 ? 3 : 1, g_set[pub::kDrawingModel]);
    EXPECT_EQ(1, g_set[pub::kEventModel]);

    pub::NPWindow window{};
    window.width = 200;
    window.height = 30;
    const int redrawsBefore = g_redraws;
    EXPECT_EQ(0, m.plugin.setwindow(&npp, &window));
    EXPECT_EQ(redrawsBefore + 1, g_redraws);

    pub::NPObject* object = nullptr;
    ASSERT_EQ(0, m.plugin.getvalue(&npp, pub::kScriptableNPObject, &object));
    ASSERT_NE(nullptr, object);
    EXPECT_EQ(3u, object->_class->structVersion);
    EXPECT_EQ(2u, object->referenceCount);  // the control's and ours
    EXPECT_TRUE(object->_class->hasMethod(object, intern("get_output37")));
    EXPECT_FALSE(object->_class->hasMethod(object, intern("Get_output37")));
    EXPECT_TRUE(object->_class->hasProperty(object, intern("maxlength")));

    pub::NPCocoaEvent focus{};
    focus.type = pub::kFocusChanged;
    focus.data.focus.hasFocus = 1;
    m.plugin.event(&npp, &focus);

    EXPECT_EQ(0, m.plugin.destroy(&npp, nullptr));
    EXPECT_EQ(nullptr, npp.pdata);
    // Still ours after the control went; script may still look at it.
    EXPECT_TRUE(object->_class->hasMethod(object, intern("ClearSeCtrl")));
    releaseobject(object);
  }
  GestaltResetForTesting();
  EXPECT_TRUE(g_blocks.empty());
}

}  // namespace
