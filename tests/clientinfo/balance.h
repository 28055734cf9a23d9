// Checks that a getter gives back everything it took: Foundation and Core
// Foundation objects, registry references and interface lists.
#pragma once

#include <gtest/gtest.h>

#include "BSD/ifaddrs.h"
#include "BSD/ifaddrsTesting.h"
#include "Foundation/NSObject.h"
#include "IOKit/IOKitTesting.h"

struct Balance {
  long objects = NSObject::liveObjects();
  long references = IOObjectOutstandingReferences();
  long lists = bsd::outstandingInterfaceLists();

  void expectBalanced(const char* what) const {
    EXPECT_EQ(NSObject::liveObjects(), objects) << what << ": objects left alive";
    EXPECT_EQ(IOObjectOutstandingReferences(), references) << what << ": registry references";
    EXPECT_EQ(bsd::outstandingInterfaceLists(), lists) << what << ": interface lists";
  }
};
