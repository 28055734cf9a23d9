// The Cocoa classes of the Core Animation field on their own.
#include <gtest/gtest.h>

#include <cstdint>

#include "entry/CoreAnimationField.h"
#include "entry/EditorPanel.h"
#include "entry/VerticallyCenteredCells.h"

namespace {

// Cells whose flag word a test can read and preset.
template <typename Cell>
class Exposed : public Cell {
 public:
  uint32_t& word() { return this->_cFlags; }
};

template <typename Cell>
void checkCentringKeepsOtherBits() {
  NSString* empty = new NSString();
  auto* cell = new Exposed<Cell>();
  cell->initTextCell(empty);
  empty->release();
  // The word as initTextCell leaves it, and words with every other bit set.
  const uint32_t presets[] = {cell->word(), 0u, 0xFFFFFFBFu, 0xFFFFFFFFu, 0x12345678u};
  for (uint32_t preset : presets) {
    cell->word() = preset;
    cell->setVerticalCentering(YES);
    EXPECT_EQ(cell->word(), preset | 0x40u);
    cell->setVerticalCentering(NO);
    EXPECT_EQ(cell->word(), preset & ~0x40u);  // NO after YES: the word as it was
  }
  cell->release();
}

TEST(VerticallyCenteredCells, NoAfterYesRestoresTheFlagWord) {
  checkCentringKeepsOtherBits<ZebVerticallyCenteredSecTextFieldCell>();
  checkCentringKeepsOtherBits<ZebVerticallyCenteredTextFieldCell>();
}

TEST(EditorPanel, BecomesKeyOnlyWhileActive) {
  auto* panel = new EditorPanel();
  panel->initWithContentRect(NSMakeRect(8, 8, 500, 480), NSBorderlessWindowMask,
                             NSBackingStoreBuffered, NO);
  EXPECT_EQ(panel->isActive(), NO);
  EXPECT_EQ(panel->canBecomeKeyWindow(), NO);
  panel->makeKeyWindow();
  EXPECT_NE(NSWindow::keyWindow(), panel);
  EXPECT_EQ(panel->isKeyWindow(), NO);
  panel->setIsActive(YES);
  EXPECT_EQ(panel->isKeyWindow(), YES);  // answers with isActive alone
  panel->makeKeyWindow();
  EXPECT_EQ(NSWindow::keyWindow(), panel);
  EXPECT_EQ(panel->worksWhenModal(), YES);
  EXPECT_EQ(panel->acceptsMouseMovedEvents(), YES);
  EXPECT_EQ(panel->ignoresMouseEvents(), NO);
  panel->release();
  EXPECT_EQ(NSWindow::keyWindow(), nullptr);
}

TEST(CharacterIndex, FixedInsetAndAdvance) {
  struct Case {
    double x;
    long index;
  } cases[] = {{0, 0},    {10.9, 0}, {11, 1},  {16.9, 1}, {17, 2},
               {-0.9, 0}, {-1, -1},  {-7, -2}, {605, 100}};
  for (const Case& c : cases) EXPECT_EQ(characterIndexForX(c.x), c.index) << c.x;
  // Positions no pointer reaches stay defined.
  EXPECT_EQ(characterIndexForX(0.0 / 0.0), 0);
  EXPECT_GT(characterIndexForX(1e300), 0);
  EXPECT_LT(characterIndexForX(-1e300), 0);
}

}  // namespace
