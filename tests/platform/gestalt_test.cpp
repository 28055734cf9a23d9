#include "CoreServices/Gestalt.h"

#include <gtest/gtest.h>

#include "CoreServices/GestaltTesting.h"

namespace {

class GestaltTest : public ::testing::Test {
 protected:
  void TearDown() override { GestaltResetForTesting(); }
};

TEST_F(GestaltTest, ReportsTheVersionTheSeamSets) {
  GestaltSetSystemVersion(11, 2, 3);
  SInt32 major = 0, minor = 0, bugFix = 0;
  EXPECT_EQ(noErr, Gestalt(gestaltSystemVersionMajor, &major));
  EXPECT_EQ(noErr, Gestalt(gestaltSystemVersionMinor, &minor));
  EXPECT_EQ(noErr, Gestalt(gestaltSystemVersionBugFix, &bugFix));
  EXPECT_EQ(11, major);
  EXPECT_EQ(2, minor);
  EXPECT_EQ(3, bugFix);
}

TEST_F(GestaltTest, SelectorsAreTheFourCharacterCodes) {
  EXPECT_EQ(static_cast<OSType>('s') << 24 | 'y' << 16 | 's' << 8 | '1', gestaltSystemVersionMajor);
  EXPECT_EQ(gestaltSystemVersionMajor + 1, gestaltSystemVersionMinor);
  EXPECT_EQ(gestaltSystemVersionMajor + 2, gestaltSystemVersionBugFix);
}

TEST_F(GestaltTest, FailuresLeaveTheResponseAlone) {
  SInt32 response = 77;
  EXPECT_EQ(gestaltUndefSelectorErr, Gestalt(0x71717171, &response));
  EXPECT_EQ(77, response);
  GestaltSetFailing(true);
  EXPECT_NE(noErr, Gestalt(gestaltSystemVersionMajor, &response));
  EXPECT_EQ(77, response);
  EXPECT_NE(noErr, Gestalt(gestaltSystemVersionMajor, nullptr));
}

TEST_F(GestaltTest, StartsAt10_12_6) {
  SInt32 major = 0, minor = 0, bugFix = 0;
  Gestalt(gestaltSystemVersionMajor, &major);
  Gestalt(gestaltSystemVersionMinor, &minor);
  Gestalt(gestaltSystemVersionBugFix, &bugFix);
  EXPECT_EQ(10, major);
  EXPECT_EQ(12, minor);
  EXPECT_EQ(6, bugFix);
}

}  // namespace
