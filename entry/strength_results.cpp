#include "entry/strength_results.h"

#include <cstdint>
#include <string_view>

#include "entry/strength.h"
#include "plugin/EditNPObject.h"

void updateStrength(editorplugin* object, const char* utf8) {
  if (!object) return;
  const std::string_view text = utf8 ? utf8 : "";
  int32_t flag = 1;
  const int32_t classes = passlevel(text, &flag);
  const int32_t level = passlevelex(text);
  INT32_TO_NPVARIANT(classes, object->strengthClasses);
  INT32_TO_NPVARIANT(level, object->strengthLevel);
  INT32_TO_NPVARIANT(flag, object->simplePatternFlag);
}
