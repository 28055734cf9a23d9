#include "Foundation/NSUserDefaults.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "Foundation/NSUserDefaultsTesting.h"

namespace {

std::mutex g_mutex;
bool g_injected = false;
std::unique_ptr<std::vector<std::string>> g_languages;  // injected; null: absent

const char* environment(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

// "de_DE.UTF-8@euro" -> "de-DE"; empty for nothing usable.
std::string languageTag(std::string locale) {
  locale = locale.substr(0, locale.find_first_of(".@"));
  std::replace(locale.begin(), locale.end(), '_', '-');
  return locale;
}

}  // namespace

std::vector<std::string> NSUserDefaultsLanguagesFromLocale() {
  const char* locale = environment("LC_ALL");
  if (!locale) locale = environment("LC_MESSAGES");
  if (!locale) locale = environment("LANG");
  std::string name = locale ? languageTag(locale) : "C";
  std::vector<std::string> languages;
  auto add = [&languages](const std::string& tag) {
    if (!tag.empty() && std::find(languages.begin(), languages.end(), tag) == languages.end())
      languages.push_back(tag);
  };
  if (name == "C" || name == "POSIX") {
    add("en");
    return languages;
  }
  if (const char* list = environment("LANGUAGE")) {
    std::string rest = list;
    for (size_t start = 0; start <= rest.size();) {
      size_t colon = rest.find(':', start);
      if (colon == std::string::npos) colon = rest.size();
      add(languageTag(rest.substr(start, colon - start)));
      start = colon + 1;
    }
  }
  add(name);
  return languages;
}

NSUserDefaults* NSUserDefaults::standardUserDefaults() {
  static NSUserDefaults* shared = new NSUserDefaults;
  return shared;
}

NSObject* NSUserDefaults::objectForKey(const NSString* key) const {
  if (!key || std::string(key->UTF8String()) != "AppleLanguages") return nullptr;
  std::vector<std::string> languages;
  bool injected;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    injected = g_injected;
    if (injected && !g_languages) return nullptr;
    if (injected) languages = *g_languages;
  }
  if (!injected) languages = NSUserDefaultsLanguagesFromLocale();
  std::vector<NSObject*> strings;
  for (const std::string& language : languages)
    if (NSString* s = NSString::initWithUTF8String(language.c_str())) strings.push_back(s);
  NSArray* array = NSArray::arrayWithObjects(strings);
  for (NSObject* s : strings) s->release();
  return array;
}

void NSUserDefaultsSetAppleLanguagesForTesting(const std::vector<std::string>* languages) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_injected = true;
  g_languages.reset(languages ? new std::vector<std::string>(*languages) : nullptr);
}

void NSUserDefaultsResetForTesting() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_injected = false;
  g_languages.reset();
}
