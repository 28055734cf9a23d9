#include "AppKit/NSScreen.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>

#include "AppKit/NSScreenTesting.h"

struct NSScreenConfiguration {
  std::vector<NSScreenLayout> layouts;
  int mainIndex = -1;

  bool operator==(const NSScreenConfiguration& other) const {
    if (mainIndex != other.mainIndex || layouts.size() != other.layouts.size()) return false;
    for (size_t i = 0; i < layouts.size(); ++i) {
      const NSRect &a = layouts[i].visibleFrame, &b = other.layouts[i].visibleFrame;
      const NSRect &c = layouts[i].frame, &d = other.layouts[i].frame;
      if (a.origin.x != b.origin.x || a.origin.y != b.origin.y || a.size.width != b.size.width ||
          a.size.height != b.size.height || c.origin.x != d.origin.x || c.origin.y != d.origin.y ||
          c.size.width != d.size.width || c.size.height != d.size.height)
        return false;
    }
    return true;
  }

  static NSScreen* make(const NSScreenLayout& l) { return new NSScreen(l.frame, l.visibleFrame); }
};

namespace {

std::mutex g_mutex;
std::unique_ptr<NSScreenConfiguration> g_injected;
NSScreenConfiguration g_current;
// One reference each, for g_current; kept reachable for the life of the process.
std::vector<NSScreen*>& g_screens = *new std::vector<NSScreen*>;

// Connected outputs in /sys/class/drm at their preferred (first) mode.
NSScreenConfiguration readMachine() {
  NSScreenConfiguration config;
  std::vector<std::string> outputs;
  if (DIR* dir = ::opendir("/sys/class/drm")) {
    while (dirent* e = ::readdir(dir)) {
      std::string name = e->d_name;
      if (name.rfind("card", 0) == 0 && name.find('-') != std::string::npos)
        outputs.push_back(name);
    }
    ::closedir(dir);
  }
  std::sort(outputs.begin(), outputs.end());
  CGFloat x = 0;
  for (const std::string& output : outputs) {
    std::string base = "/sys/class/drm/" + output + "/";
    std::string status, mode;
    std::ifstream(base + "status") >> status;
    std::ifstream(base + "modes") >> mode;
    int width = 0, height = 0;
    if (status != "connected" || std::sscanf(mode.c_str(), "%dx%d", &width, &height) != 2) continue;
    NSRect frame = NSMakeRect(x, 0, width, height);
    config.layouts.push_back({frame, frame});
    x += width;
  }
  if (!config.layouts.empty()) config.mainIndex = 0;
  return config;
}

// Brings g_screens up to the present configuration; call with g_mutex held.
void refresh() {
  NSScreenConfiguration now = g_injected ? *g_injected : readMachine();
  if (now == g_current && g_screens.size() == now.layouts.size()) return;
  for (NSScreen* s : g_screens) s->release();
  g_screens.clear();
  for (const NSScreenLayout& l : now.layouts) g_screens.push_back(NSScreenConfiguration::make(l));
  g_current = now;
}

}  // namespace

NSArray* NSScreen::screens() {
  std::lock_guard<std::mutex> lock(g_mutex);
  refresh();
  return NSArray::arrayWithObjects(std::vector<NSObject*>(g_screens.begin(), g_screens.end()));
}

NSScreen* NSScreen::mainScreen() {
  std::lock_guard<std::mutex> lock(g_mutex);
  refresh();
  int main = g_current.mainIndex;
  if (main < 0 || main >= static_cast<int>(g_screens.size())) return nullptr;
  return NSAutorelease(NSRetain(g_screens[main]));
}

void NSScreenSetLayoutForTesting(const std::vector<NSScreenLayout>* screens, int mainIndex) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!screens) {
    g_injected.reset();
    return;
  }
  g_injected.reset(new NSScreenConfiguration{*screens, mainIndex});
}

void NSScreenSetScreensForTesting(const std::vector<NSRect>* frames, int mainIndex) {
  if (!frames) {
    NSScreenSetLayoutForTesting(nullptr, -1);
    return;
  }
  std::vector<NSScreenLayout> layouts;
  for (const NSRect& f : *frames) layouts.push_back({f, f});
  NSScreenSetLayoutForTesting(&layouts, mainIndex);
}
