#include "clientinfo/clientinfo.h"

#include <json/json.h>

#include <vector>

#include "clientinfo/identifiers.h"
#include "protect/strings.h"

namespace {

std::vector<std::string> pieces(const std::string& text) {
  std::vector<std::string> list;
  splitString(text, ',', list);
  return list;
}

void appendAll(Json::Value& document, const char* key, const std::vector<std::string>& list) {
  for (const std::string& piece : list) document[key].append(Json::Value(piece));
}

}  // namespace

std::string getclientinfojson() {
  std::vector<std::string> mac = pieces(getmaclist());
  std::vector<std::string> ip = pieces(getiplist());
  std::vector<std::string> disks = pieces(getharddisksn());
  std::vector<std::string> cpu = pieces(getcpuidlikewmi());
  std::string bios = getplatformsn();
  std::string os = getosversion();
  std::string browser = getuseragent();
  std::string localTime = getlocaltimestamp();
  std::string language = getdefaultlanguage();
  std::vector<std::string> screens = pieces(getscreenresolution());

  Json::Value document;
  appendAll(document, "mac", mac);
  appendAll(document, "ip_address", ip);
  appendAll(document, "hd_sn", disks);
  appendAll(document, "cpu_sn", cpu);
  document["bios_sn"] = bios;
  document["os_name_version"] = os;
  document["explore_name_version"] = browser;
  document["gmt_time"] = localTime;
  document["default_language"] = language;
  appendAll(document, "screen_resolution", screens);

  Json::FastWriter writer;
  return writer.write(document);
}
