#include "host/browser.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace host {
namespace {

Browser* g_browser = nullptr;
// Set while the program starts, before any browser exists.
EntryPoints g_linked;

const char* builtModulePath() {
#ifdef SPC_MODULE_PATH
  return SPC_MODULE_PATH;
#else
  return "libsecurepasswordcontrol.so";
#endif
}

}  // namespace

const char* const Browser::kDefaultUserAgent =
    "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_12_6) AppleWebKit/603.3.8 (KHTML, like Gecko) "
    "Version/10.1.2 Safari/603.3.8";

// The browser services, as plain functions the module can call.
struct BrowserServices {
  static Browser& b() { return *g_browser; }

  // Network and streams: this browser loads nothing.
  static NPError geturl(NPP, const char*, const char*) { return NPERR_GENERIC_ERROR; }
  static NPError posturl(NPP, const char*, const char*, uint32_t, const char*, NPBool) {
    return NPERR_GENERIC_ERROR;
  }
  static NPError requestread(NPStream*, NPByteRange*) { return NPERR_GENERIC_ERROR; }
  static NPError newstream(NPP, NPMIMEType, const char*, NPStream**) { return NPERR_GENERIC_ERROR; }
  static int32_t write(NPP, NPStream*, int32_t, void*) { return -1; }
  static NPError destroystream(NPP, NPStream*, NPReason) { return NPERR_GENERIC_ERROR; }
  static void status(NPP, const char* message) {
    b().statusMessages_.push_back(message ? message : "");
  }
  static const char* uagent(NPP) {
    ++b().userAgentRequests_;
    return b().userAgent_ ? b().userAgent_->c_str() : nullptr;
  }

  static void* memalloc(uint32_t size) {
    if (b().allocationFails_) return nullptr;
    void* block = std::malloc(size ? size : 1);
    if (!block) return nullptr;
    try {
      b().blocks_[block] = size;
    } catch (...) {  // no memory to count it: the block is refused, as a browser would
      std::free(block);
      return nullptr;
    }
    return block;
  }
  static void memfree(void* ptr) {
    if (!ptr) return;
    auto it = b().blocks_.find(ptr);
    if (it == b().blocks_.end()) {
      ++b().badFrees_;  // not ours: never hand it to free()
      return;
    }
    b().blocks_.erase(it);
    std::free(ptr);
  }
  static uint32_t memflush(uint32_t) { return 0; }
  static void reloadplugins(NPBool) {}
  static void* getJavaEnv() { return nullptr; }
  static void* getJavaPeer(NPP) { return nullptr; }
  static NPError geturlnotify(NPP, const char*, const char*, void*) { return NPERR_GENERIC_ERROR; }
  static NPError posturlnotify(NPP, const char*, const char*, uint32_t, const char*, NPBool,
                               void*) {
    return NPERR_GENERIC_ERROR;
  }

  static NPError getvalue(NPP instance, NPNVariable variable, void* value) {
    b().queries_.push_back({instance, variable});
    auto it = b().answers_.find(variable);
    if (it == b().answers_.end() || it->second == Answer::kError || !value)
      return NPERR_GENERIC_ERROR;
    *static_cast<NPBool*>(value) = it->second == Answer::kTrue ? 1 : 0;
    return NPERR_NO_ERROR;
  }
  static NPError setvalue(NPP instance, NPPVariable variable, void* value) {
    b().settings_.push_back({instance, variable, reinterpret_cast<intptr_t>(value)});
    return NPERR_NO_ERROR;
  }
  static void invalidaterect(NPP instance, NPRect* rect) {
    b().invalidations_.push_back({instance, rect ? *rect : NPRect{}});
  }
  static void invalidateregion(NPP, NPRegion) {}
  static void forceredraw(NPP instance) { ++b().redraws_[instance]; }

  static NPIdentifier getstringidentifier(const NPUTF8* name) {
    ++b().stringIdentifierCalls_;
    ++b().identifierNamesRequested_;
    return name ? b().identifier(name) : nullptr;
  }
  static void getstringidentifiers(const NPUTF8** names, int32_t count, NPIdentifier* ids) {
    ++b().stringIdentifiersCalls_;
    if (!names || !ids) return;
    for (int32_t i = 0; i < count; ++i) {
      ++b().identifierNamesRequested_;
      ids[i] = names[i] ? b().identifier(names[i]) : nullptr;
    }
  }
  static NPIdentifier getintidentifier(int32_t value) { return b().intIdentifier(value); }
  static bool identifierisstring(NPIdentifier id) {
    return id && static_cast<Browser::IdentifierRecord*>(id)->isString;
  }
  static NPUTF8* utf8fromidentifier(NPIdentifier id) {
    if (!identifierisstring(id)) return nullptr;
    const std::string& name = static_cast<Browser::IdentifierRecord*>(id)->name;
    char* copy = static_cast<char*>(memalloc(static_cast<uint32_t>(name.size() + 1)));
    if (copy) std::memcpy(copy, name.c_str(), name.size() + 1);
    return copy;
  }
  static int32_t intfromidentifier(NPIdentifier id) {
    if (!id || identifierisstring(id)) return INT32_MIN;
    return static_cast<Browser::IdentifierRecord*>(id)->number;
  }

  static NPObject* createobject(NPP npp, NPClass* aClass) {
    if (!aClass || b().createObjectFails_) return nullptr;
    NPObject* object = aClass->allocate ? aClass->allocate(npp, aClass)
                                        : static_cast<NPObject*>(std::malloc(sizeof(NPObject)));
    if (!object) return nullptr;
    object->_class = aClass;
    object->referenceCount = 1;
    try {
      b().objects_.insert(object);
    } catch (...) {  // no memory to count it: the object is not made
      if (aClass->deallocate) {
        aClass->deallocate(object);
      } else {
        std::free(object);
      }
      return nullptr;
    }
    ++b().objectsCreated_;
    return object;
  }
  static NPObject* retainobject(NPObject* object) {
    if (object) ++object->referenceCount;
    return object;
  }
  static void releaseobject(NPObject* object) {
    if (!object) return;
    if (--object->referenceCount != 0) return;
    b().objects_.erase(object);
    if (object->_class && object->_class->deallocate) {
      object->_class->deallocate(object);
    } else {
      std::free(object);
    }
  }

  static bool invoke(NPP, NPObject* o, NPIdentifier name, const NPVariant* args, uint32_t n,
                     NPVariant* result) {
    return o && o->_class && o->_class->invoke && o->_class->invoke(o, name, args, n, result);
  }
  static bool invokeDefault(NPP, NPObject* o, const NPVariant* args, uint32_t n,
                            NPVariant* result) {
    return o && o->_class && o->_class->invokeDefault &&
           o->_class->invokeDefault(o, args, n, result);
  }
  static bool evaluate(NPP, NPObject*, NPString*, NPVariant*) { return false; }
  static bool getproperty(NPP, NPObject* o, NPIdentifier name, NPVariant* result) {
    return o && o->_class && o->_class->getProperty && o->_class->getProperty(o, name, result);
  }
  static bool setproperty(NPP, NPObject* o, NPIdentifier name, const NPVariant* value) {
    return o && o->_class && o->_class->setProperty && o->_class->setProperty(o, name, value);
  }
  static bool removeproperty(NPP, NPObject* o, NPIdentifier name) {
    return o && o->_class && o->_class->removeProperty && o->_class->removeProperty(o, name);
  }
  static bool hasproperty(NPP, NPObject* o, NPIdentifier name) {
    return o && o->_class && o->_class->hasProperty && o->_class->hasProperty(o, name);
  }
  static bool hasmethod(NPP, NPObject* o, NPIdentifier name) {
    return o && o->_class && o->_class->hasMethod && o->_class->hasMethod(o, name);
  }
  static void releasevariantvalue(NPVariant* v) {
    if (!v) return;
    if (v->type == NPVariantType_String) {
      memfree(const_cast<NPUTF8*>(v->value.stringValue.UTF8Characters));
    } else if (v->type == NPVariantType_Object) {
      releaseobject(v->value.objectValue);
    }
    v->type = NPVariantType_Void;
    v->value.objectValue = nullptr;
  }
  static void setexception(NPObject*, const NPUTF8* message) {
    b().exceptions_.push_back(message ? message : "");
  }
  static void pushpopupsenabledstate(NPP, NPBool) {}
  static void poppopupsenabledstate(NPP) {}
  static bool enumerate(NPP, NPObject* o, NPIdentifier** ids, uint32_t* count) {
    return o && o->_class && o->_class->structVersion >= NP_CLASS_STRUCT_VERSION_ENUM &&
           o->_class->enumerate && o->_class->enumerate(o, ids, count);
  }
  static void pluginthreadasynccall(NPP, void (*)(void*), void*) {}
  static bool construct(NPP, NPObject* o, const NPVariant* args, uint32_t n, NPVariant* result) {
    return o && o->_class && o->_class->structVersion >= NP_CLASS_STRUCT_VERSION_CTOR &&
           o->_class->construct && o->_class->construct(o, args, n, result);
  }
  static NPError getvalueforurl(NPP, NPNURLVariable, const char*, char**, uint32_t*) {
    return NPERR_GENERIC_ERROR;
  }
  static NPError setvalueforurl(NPP, NPNURLVariable, const char*, const char*, uint32_t) {
    return NPERR_GENERIC_ERROR;
  }
  static NPError getauthenticationinfo(NPP, const char*, const char*, int32_t, const char*,
                                       const char*, char**, uint32_t*, char**, uint32_t*) {
    return NPERR_GENERIC_ERROR;
  }
  static uint32_t scheduletimer(NPP instance, uint32_t interval, NPBool repeat,
                                void (*func)(NPP, uint32_t)) {
    if (!func) return 0;
    uint32_t id = b().nextTimerId_++;
    b().timers_[id] = {id, instance, interval, repeat != 0, b().now_ + interval};
    b().timerFuncs_[id] = func;
    return id;
  }
  static void unscheduletimer(NPP, uint32_t id) {
    b().timers_.erase(id);
    b().timerFuncs_.erase(id);
  }
  static NPError popupcontextmenu(NPP, NPMenu*) { return NPERR_GENERIC_ERROR; }
  static NPBool convertpoint(NPP, double, double, NPCoordinateSpace, double*, double*,
                             NPCoordinateSpace) {
    return 0;
  }
  static NPBool handleevent(NPP, void*, NPBool) { return 0; }
  static NPBool unfocusinstance(NPP, NPFocusDirection) { return 0; }
  static void urlredirectresponse(NPP, void*, NPBool) {}
  static NPError initasyncsurface(NPP, NPSize*, NPImageFormat, void*, NPAsyncSurface*) {
    return NPERR_GENERIC_ERROR;
  }
  static NPError finalizeasyncsurface(NPP, NPAsyncSurface*) { return NPERR_GENERIC_ERROR; }
  static void setcurrentasyncsurface(NPP, NPAsyncSurface*, NPRect*) {}
};

void Browser::useLinkedModule(const EntryPoints& points) {
  if (g_browser || g_linked.initialize) {
    std::fputs("host: useLinkedModule after the browser was made\n", stderr);
    std::abort();
  }
  g_linked = points;
}

Browser& Browser::get() {
  static Browser* browser = [] {
    Browser* made = new Browser();  // lives as long as the module that points at it
    g_browser = made;
    made->load();
    return made;
  }();
  return *browser;
}

Browser::Browser() {
  fillTable();
  setCapabilities(Answer::kTrue, Answer::kTrue, Answer::kTrue, Answer::kTrue);
  userAgent_ = std::string(kDefaultUserAgent);
}

void Browser::load() {
  if (g_linked.initialize) {
    npInitialize_ = g_linked.initialize;
    npGetEntryPoints_ = g_linked.getEntryPoints;
    npShutdown_ = g_linked.shutdown;
  } else {
    modulePath_ = builtModulePath();
    handle_ = dlopen(modulePath_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) throw std::runtime_error(std::string("cannot load the module: ") + dlerror());
    npInitialize_ = reinterpret_cast<NP_InitializeFunc>(dlsym(handle_, "NP_Initialize"));
    npGetEntryPoints_ =
        reinterpret_cast<NP_GetEntryPointsFunc>(dlsym(handle_, "NP_GetEntryPoints"));
    npShutdown_ = reinterpret_cast<NP_ShutdownFunc>(dlsym(handle_, "NP_Shutdown"));
  }
  if (!npInitialize_ || !npGetEntryPoints_ || !npShutdown_)
    throw std::runtime_error("the module lacks an NPAPI entry point");
  ModuleCall call;
  initializeResult_ = npInitialize_(&funcs_);
  pluginFuncs_.size = sizeof pluginFuncs_;
  entryPointsResult_ = npGetEntryPoints_(&pluginFuncs_);
}

NPError Browser::shutdown() {
  ModuleCall call;
  return npShutdown_();
}

void Browser::fillTable() {
  using S = BrowserServices;
  funcs_ = NPNetscapeFuncs{};
  funcs_.size = sizeof funcs_;
  funcs_.version = (NP_VERSION_MAJOR << 8) | NP_VERSION_MINOR;
  funcs_.geturl = S::geturl;
  funcs_.posturl = S::posturl;
  funcs_.requestread = S::requestread;
  funcs_.newstream = S::newstream;
  funcs_.write = S::write;
  funcs_.destroystream = S::destroystream;
  funcs_.status = S::status;
  funcs_.uagent = S::uagent;
  funcs_.memalloc = S::memalloc;
  funcs_.memfree = S::memfree;
  funcs_.memflush = S::memflush;
  funcs_.reloadplugins = S::reloadplugins;
  funcs_.getJavaEnv = S::getJavaEnv;
  funcs_.getJavaPeer = S::getJavaPeer;
  funcs_.geturlnotify = S::geturlnotify;
  funcs_.posturlnotify = S::posturlnotify;
  funcs_.getvalue = S::getvalue;
  funcs_.setvalue = S::setvalue;
  funcs_.invalidaterect = S::invalidaterect;
  funcs_.invalidateregion = S::invalidateregion;
  funcs_.forceredraw = S::forceredraw;
  funcs_.getstringidentifier = S::getstringidentifier;
  funcs_.getstringidentifiers = S::getstringidentifiers;
  funcs_.getintidentifier = S::getintidentifier;
  funcs_.identifierisstring = S::identifierisstring;
  funcs_.utf8fromidentifier = S::utf8fromidentifier;
  funcs_.intfromidentifier = S::intfromidentifier;
  funcs_.createobject = S::createobject;
  funcs_.retainobject = S::retainobject;
  funcs_.releaseobject = S::releaseobject;
  funcs_.invoke = S::invoke;
  funcs_.invokeDefault = S::invokeDefault;
  funcs_.evaluate = S::evaluate;
  funcs_.getproperty = S::getproperty;
  funcs_.setproperty = S::setproperty;
  funcs_.removeproperty = S::removeproperty;
  funcs_.hasproperty = S::hasproperty;
  funcs_.hasmethod = S::hasmethod;
  funcs_.releasevariantvalue = S::releasevariantvalue;
  funcs_.setexception = S::setexception;
  funcs_.pushpopupsenabledstate = S::pushpopupsenabledstate;
  funcs_.poppopupsenabledstate = S::poppopupsenabledstate;
  funcs_.enumerate = S::enumerate;
  funcs_.pluginthreadasynccall = S::pluginthreadasynccall;
  funcs_.construct = S::construct;
  funcs_.getvalueforurl = S::getvalueforurl;
  funcs_.setvalueforurl = S::setvalueforurl;
  funcs_.getauthenticationinfo = S::getauthenticationinfo;
  funcs_.scheduletimer = S::scheduletimer;
  funcs_.unscheduletimer = S::unscheduletimer;
  funcs_.popupcontextmenu = S::popupcontextmenu;
  funcs_.convertpoint = S::convertpoint;
  funcs_.handleevent = S::handleevent;
  funcs_.unfocusinstance = S::unfocusinstance;
  funcs_.urlredirectresponse = S::urlredirectresponse;
  funcs_.initasyncsurface = S::initasyncsurface;
  funcs_.finalizeasyncsurface = S::finalizeasyncsurface;
  funcs_.setcurrentasyncsurface = S::setcurrentasyncsurface;
}

void Browser::reset() {
  fillTable();
  answers_.clear();
  setCapabilities(Answer::kTrue, Answer::kTrue, Answer::kTrue, Answer::kTrue);
  queries_.clear();
  settings_.clear();
  userAgent_ = std::string(kDefaultUserAgent);
  userAgentRequests_ = 0;
  invalidations_.clear();
  redraws_.clear();
  createObjectFails_ = false;
  allocationFails_ = false;
  badFrees_ = 0;
  statusMessages_.clear();
  exceptions_.clear();
}

void Browser::setAnswer(NPNVariable variable, Answer answer) { answers_[variable] = answer; }

void Browser::setCapabilities(Answer coreAnimation, Answer coreGraphics, Answer cocoa,
                              Answer carbon) {
  setAnswer(NPNVsupportsCoreAnimationBool, coreAnimation);
  setAnswer(NPNVsupportsCoreGraphicsBool, coreGraphics);
  setAnswer(NPNVsupportsCocoaBool, cocoa);
  setAnswer(NPNVsupportsCarbonBool, carbon);
}

std::vector<Browser::ValueSetting> Browser::valueSettingsFor(NPP instance) const {
  std::vector<ValueSetting> out;
  for (const ValueSetting& s : settings_)
    if (s.instance == instance) out.push_back(s);
  return out;
}

std::optional<intptr_t> Browser::lastValueSet(NPP instance, NPPVariable variable) const {
  std::optional<intptr_t> value;
  for (const ValueSetting& s : settings_)
    if (s.instance == instance && s.variable == variable) value = s.value;
  return value;
}

std::vector<NPRect> Browser::invalidationsFor(NPP instance) const {
  std::vector<NPRect> out;
  for (const Invalidation& i : invalidations_)
    if (i.instance == instance) out.push_back(i.rect);
  return out;
}

int Browser::forcedRedraws(NPP instance) const {
  auto it = redraws_.find(instance);
  return it == redraws_.end() ? 0 : it->second;
}

NPIdentifier Browser::identifier(const std::string& name) {
  auto& slot = stringIds_[name];
  if (!slot) slot.reset(new IdentifierRecord{true, name, 0});
  return slot.get();
}

NPIdentifier Browser::intIdentifier(int32_t value) {
  auto& slot = intIds_[value];
  if (!slot) slot.reset(new IdentifierRecord{false, std::string(), value});
  return slot.get();
}

std::string Browser::identifierName(NPIdentifier identifier) const {
  auto* record = static_cast<const IdentifierRecord*>(identifier);
  return record && record->isString ? record->name : std::string();
}

NPObject* Browser::retainObject(NPObject* object) { return BrowserServices::retainobject(object); }

void Browser::releaseObject(NPObject* object) {
  ModuleCall call;
  BrowserServices::releaseobject(object);
}

char* Browser::copyToBlock(const std::string& text) {
  char* block = static_cast<char*>(BrowserServices::memalloc(static_cast<uint32_t>(text.size())));
  if (block && !text.empty()) std::memcpy(block, text.data(), text.size());
  return block;
}

void Browser::freeBlock(void* block) { BrowserServices::memfree(block); }

void Browser::advance(uint32_t milliseconds) {
  const uint64_t target = now_ + milliseconds;
  for (;;) {
    const Timer* next = nullptr;
    for (const auto& entry : timers_) {
      const Timer& t = entry.second;
      if (t.due <= target && (!next || t.due < next->due)) next = &t;
    }
    if (!next) break;
    Timer fired = *next;
    void (*func)(NPP, uint32_t) = timerFuncs_[fired.id];
    now_ = fired.due;
    if (fired.repeat) {
      timers_[fired.id].due += fired.interval ? fired.interval : 1;
    } else {
      timers_.erase(fired.id);
      timerFuncs_.erase(fired.id);
    }
    ModuleCall call;
    func(fired.instance, fired.id);
  }
  now_ = target;
}

std::vector<Browser::Timer> Browser::timers(NPP instance) const {
  std::vector<Timer> out;
  for (const auto& entry : timers_)
    if (!instance || entry.second.instance == instance) out.push_back(entry.second);
  return out;
}

void Browser::forgetTimersOf(NPP instance) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->second.instance == instance) {
      timerFuncs_.erase(it->first);
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace host

namespace host {

void Browser::forgetInstance(NPP instance) {
  forgetTimersOf(instance);
  auto drop = [instance](auto& list) {
    list.erase(std::remove_if(list.begin(), list.end(),
                              [instance](const auto& e) { return e.instance == instance; }),
               list.end());
  };
  drop(queries_);
  drop(settings_);
  drop(invalidations_);
  redraws_.erase(instance);
}

}  // namespace host
