// Cursors. The shared cursors exist for the life of the process; set makes
// one the current cursor, which tests read back.
#pragma once

#include "Foundation/NSString.h"

class __attribute__((visibility("default"))) NSCursor : public NSObject {
 public:
  static NSCursor* IBeamCursor();
  static NSCursor* arrowCursor();
  static NSCursor* currentCursor();  // the arrow until something is set
  void set();
  const char* name() const { return name_; }

  explicit NSCursor(const char* name) : name_(name) {}

 protected:
  ~NSCursor() override = default;

 private:
  const char* name_;
};
