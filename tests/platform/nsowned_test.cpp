// NSOwned: the scoped holder of one reference gives it up on every way out,
// hands it on with take(), and moves without a second release.
#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>

#include "Foundation/NSObject.h"
#include "Foundation/NSString.h"

namespace {

TEST(NSOwned, ReleasesWhenItGoes) {
  const long before = NSObject::liveObjects();
  NSString* text = new NSString(u"secret");
  text->retain();  // a second reference, to watch the count
  {
    NSOwned<NSString> held(text);
    EXPECT_EQ(held.get(), text);
    EXPECT_EQ(held->length(), 6u);
    EXPECT_EQ(text->retainCount(), 2u);
  }
  EXPECT_EQ(text->retainCount(), 1u);
  text->release();
  EXPECT_EQ(NSObject::liveObjects(), before);
}

TEST(NSOwned, ReleasesWhenAnExceptionLeaves) {
  const long before = NSObject::liveObjects();
  EXPECT_THROW(
      {
        NSOwned<NSString> held(new NSString());
        throw std::runtime_error("leaves the scope");
      },
      std::runtime_error);
  EXPECT_EQ(NSObject::liveObjects(), before);
}

TEST(NSOwned, TakeHandsTheReferenceOn) {
  const long before = NSObject::liveObjects();
  NSString* taken = nullptr;
  {
    NSOwned<NSString> held(new NSString());
    taken = held.take();
    EXPECT_FALSE(held);
    EXPECT_EQ(held.get(), nullptr);
  }
  EXPECT_EQ(taken->retainCount(), 1u);
  taken->release();
  EXPECT_EQ(NSObject::liveObjects(), before);
}

TEST(NSOwned, MovesAndResetsWithoutASecondRelease) {
  const long before = NSObject::liveObjects();
  {
    NSOwned<NSString> first(new NSString());
    NSString* object = first.get();
    NSOwned<NSString> second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(second.get(), object);
    NSOwned<NSString> third;
    third = std::move(second);
    EXPECT_EQ(third.get(), object);
    EXPECT_EQ(object->retainCount(), 1u);
    third.reset(new NSString());  // the first object goes here
    EXPECT_EQ(NSObject::liveObjects(), before + 1);
    third.reset();
    EXPECT_EQ(NSObject::liveObjects(), before);
    NSOwned<NSString> none;
    EXPECT_FALSE(none);
  }
  EXPECT_EQ(NSObject::liveObjects(), before);
}

}  // namespace
