// The browser, played for tests and the demo. One per process, because the
// module keeps the pointer to the browser's function table that NP_Initialize
// gave it.
//
// Browser::get() loads the built module with dlopen (RTLD_LOCAL), resolves
// NP_Initialize, NP_GetEntryPoints and NP_Shutdown with dlsym, calls the first
// two, and from then on serves a complete NPNetscapeFuncs table. A program that
// links the system's libraries instead hands the browser their three entry
// points (useLinkedModule) before the first get(), and the browser drives that
// copy in-process; the host itself never links the system's code.
// The table serves:
//   - identifiers, interned (equal names give equal identifiers), with counts
//     of the requests the module made;
//   - objects: create (through the class's allocate hook), retain, release,
//     deallocate at zero, with a count of live objects; creation can be made
//     to fail;
//   - memory: NPN_MemAlloc / NPN_MemFree over malloc, counting live blocks (so
//     a test can assert that every string handed to script was freed) and
//     frees of blocks it never gave; allocation can be made to fail;
//   - value queries: each NPNVsupports...Bool capability answers true, false
//     or an error as the test chooses (default: all true); other variables
//     answer an error; every query and every NPN_SetValue is recorded;
//   - invalidate and force-redraw, recorded per instance;
//   - timers on a manual clock that the test advances (advance());
//   - the user agent, a text of the test's choosing or none (null);
//   - everything else answers as a browser that refuses (errors, false, null).
// Any slot of table() may be emptied by a test (set it to nullptr); reset()
// fills them again.
//
// Every call the host makes into the module runs inside an NSAutoreleasePool
// (ModuleCall), as a Cocoa browser's event loop would wrap it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "Foundation/NSObject.h"
#include "npapi/npfunctions.h"

namespace host {

// The MIME type the bundle's metadata declares.
inline constexpr const char* kMimeType = "application/x-secure-password-control";

// The three entry points of a module: resolved from the loaded file, or
// those of the system's libraries linked into the program.
struct EntryPoints {
  NP_InitializeFunc initialize = nullptr;
  NP_GetEntryPointsFunc getEntryPoints = nullptr;
  NP_ShutdownFunc shutdown = nullptr;
};

// The answer a capability query gets.
enum class Answer { kTrue, kFalse, kError };

// Wraps one call into the module: an autorelease pool around it.
class ModuleCall {
 public:
  ModuleCall() = default;
  ModuleCall(const ModuleCall&) = delete;
  ModuleCall& operator=(const ModuleCall&) = delete;

 private:
  NSAutoreleasePool pool_;
};

class Browser {
 public:
  // The process's browser; the first call loads and initialises the module
  // (and throws std::runtime_error when it cannot be loaded).
  static Browser& get();

  // In-process mode: the browser drives these entry points instead of
  // loading the built module. Call once, before the first get() (a program
  // does it while it starts); later calls abort the program, since the
  // browser would already hold another module.
  static void useLinkedModule(const EntryPoints& points);

  // Back to the default browser: every slot served, every capability true,
  // the default user agent, allocation and object creation working, records
  // and per-page counts cleared. Interned identifiers, the clock and the
  // process-wide request counts stay, as they would in a real browser.
  void reset();

  // ---- The module and its tables.
  const NPPluginFuncs& plugin() const { return pluginFuncs_; }
  NPError initializeResult() const { return initializeResult_; }
  NPError entryPointsResult() const { return entryPointsResult_; }
  NP_InitializeFunc npInitialize() const { return npInitialize_; }
  NP_GetEntryPointsFunc npGetEntryPoints() const { return npGetEntryPoints_; }
  NPError shutdown();  // NP_Shutdown (the module stays loaded)
  // The table the module holds. Tests may empty any slot.
  NPNetscapeFuncs& table() { return funcs_; }
  // The loaded module's file; empty in in-process mode.
  const std::string& modulePath() const { return modulePath_; }

  // ---- Capabilities (NPNVsupportsCoreAnimationBool, ...CoreGraphicsBool,
  // ...CocoaBool, ...CarbonBool, or any other variable).
  void setAnswer(NPNVariable variable, Answer answer);
  void setCapabilities(Answer coreAnimation, Answer coreGraphics, Answer cocoa, Answer carbon);
  struct Query {
    NPP instance;
    NPNVariable variable;
  };
  const std::vector<Query>& queries() const { return queries_; }

  // ---- NPN_SetValue, recorded (value as the pointer-sized number passed).
  struct ValueSetting {
    NPP instance;
    NPPVariable variable;
    intptr_t value;
  };
  const std::vector<ValueSetting>& valueSettings() const { return settings_; }
  std::vector<ValueSetting> valueSettingsFor(NPP instance) const;
  // The last value set for variable on instance, if any.
  std::optional<intptr_t> lastValueSet(NPP instance, NPPVariable variable) const;

  // ---- User agent: nullopt makes the slot answer null.
  static const char* const kDefaultUserAgent;
  void setUserAgent(std::optional<std::string> agent) { userAgent_ = std::move(agent); }
  int userAgentRequests() const { return userAgentRequests_; }

  // ---- Invalidation and redraw.
  struct Invalidation {
    NPP instance;
    NPRect rect;
  };
  const std::vector<Invalidation>& invalidations() const { return invalidations_; }
  std::vector<NPRect> invalidationsFor(NPP instance) const;
  int forcedRedraws(NPP instance) const;

  // ---- Identifiers.
  NPIdentifier identifier(const std::string& name);  // interned
  NPIdentifier intIdentifier(int32_t value);
  // The name behind a string identifier ("" for none).
  std::string identifierName(NPIdentifier identifier) const;
  // Process-wide counts of the module's requests: NPN_GetStringIdentifiers
  // calls, NPN_GetStringIdentifier calls, and names asked through either.
  int getStringIdentifiersCalls() const { return stringIdentifiersCalls_; }
  int getStringIdentifierCalls() const { return stringIdentifierCalls_; }
  int identifierNamesRequested() const { return identifierNamesRequested_; }

  // ---- Objects.
  long liveObjects() const { return static_cast<long>(objects_.size()); }
  long objectsCreated() const { return objectsCreated_; }
  bool isLive(const NPObject* object) const { return objects_.count(object) != 0; }
  void setCreateObjectFails(bool fails) { createObjectFails_ = fails; }
  NPObject* retainObject(NPObject* object);  // as NPN_RetainObject
  void releaseObject(NPObject* object);      // as NPN_ReleaseObject, inside a ModuleCall

  // ---- Memory.
  long liveBlocks() const { return static_cast<long>(blocks_.size()); }
  long badFrees() const { return badFrees_; }
  void setAllocationFails(bool fails) { allocationFails_ = fails; }
  // A browser-owned copy of text (NPN_MemAlloc, no terminating zero), as the
  // browser hands strings to the plug-in. Freed with freeBlock.
  char* copyToBlock(const std::string& text);
  void freeBlock(void* block);  // as NPN_MemFree

  // ---- Timers on the manual clock (milliseconds).
  struct Timer {
    uint32_t id;
    NPP instance;
    uint32_t interval;
    bool repeat;
    uint64_t due;
  };
  uint64_t now() const { return now_; }
  // Moves the clock forward, firing each due timer in time order (each
  // callback inside a ModuleCall). Callbacks may schedule and unschedule.
  void advance(uint32_t milliseconds);
  std::vector<Timer> timers(NPP instance = nullptr) const;  // all, or one instance's
  // Drops the timers of an instance that is going away (NPP_Destroy alone
  // does not: a timer the module forgot to stop still fires).
  void forgetTimersOf(NPP instance);
  // Drops the timers and every record of an instance handle that is going
  // away, so a later handle at the same address starts clean. Instance's
  // destructor calls it.
  void forgetInstance(NPP instance);

  // ---- Everything else the module said.
  const std::vector<std::string>& statusMessages() const { return statusMessages_; }
  const std::vector<std::string>& exceptions() const { return exceptions_; }

 private:
  Browser();
  void load();
  void fillTable();
  friend struct BrowserServices;

  // Module.
  void* handle_ = nullptr;
  std::string modulePath_;
  NP_InitializeFunc npInitialize_ = nullptr;
  NP_GetEntryPointsFunc npGetEntryPoints_ = nullptr;
  NP_ShutdownFunc npShutdown_ = nullptr;
  NPError initializeResult_ = NPERR_GENERIC_ERROR;
  NPError entryPointsResult_ = NPERR_GENERIC_ERROR;
  NPNetscapeFuncs funcs_{};
  NPPluginFuncs pluginFuncs_{};

  std::map<NPNVariable, Answer> answers_;
  std::vector<Query> queries_;
  std::vector<ValueSetting> settings_;
  std::optional<std::string> userAgent_;
  int userAgentRequests_ = 0;
  std::vector<Invalidation> invalidations_;
  std::map<NPP, int> redraws_;

  struct IdentifierRecord {
    bool isString;
    std::string name;
    int32_t number;
  };
  std::map<std::string, std::unique_ptr<IdentifierRecord>> stringIds_;
  std::map<int32_t, std::unique_ptr<IdentifierRecord>> intIds_;
  int stringIdentifiersCalls_ = 0;
  int stringIdentifierCalls_ = 0;
  int identifierNamesRequested_ = 0;

  std::set<const NPObject*> objects_;
  long objectsCreated_ = 0;
  bool createObjectFails_ = false;

  std::unordered_map<void*, uint32_t> blocks_;
  long badFrees_ = 0;
  bool allocationFails_ = false;

  std::map<uint32_t, Timer> timers_;
  std::map<uint32_t, void (*)(NPP, uint32_t)> timerFuncs_;
  uint32_t nextTimerId_ = 1;
  uint64_t now_ = 0;

  std::vector<std::string> statusMessages_;
  std::vector<std::string> exceptions_;
};

}  // namespace host
