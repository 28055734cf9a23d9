// Objects the module makes once per process and keeps until it ends (the
// constant strings that name registry properties). Tests that count live
// Foundation objects make them before their first count: a program that
// includes this header makes them once, before its first test.
#pragma once

#include <gtest/gtest.h>

#include "host/browser.h"
#include "host/instance.h"

// Calls once the script methods whose getters use such constants.
inline void makeProcessConstants() {
  static bool made = false;
  if (made) return;
  made = true;
  host::Browser::get();
  {
    host::Instance control;
    for (const char* method : {"get_output60", "get_output61", "get_output62", "get_output63"}) {
      control.invoke(method);
    }
  }
  host::Browser::get().reset();
}

class ProcessConstantsEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { makeProcessConstants(); }
};

inline const ::testing::Environment* const kProcessConstantsEnvironment =
    ::testing::AddGlobalTestEnvironment(new ProcessConstantsEnvironment);
